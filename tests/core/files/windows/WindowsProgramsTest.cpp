// Programs on Windows: the voice program started with CreateProcessW, and zarava-settings.exe
// given names whose second bytes in code page 932 are '\' and ']'.

#include "TempFolder.h"
#include "WaitUntil.h"
#include "settings/SettingsToolRun.h"

#include "files/ProgramStart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace zarava {
namespace {

using test::TempFolder;

// The path as Windows writes it, with backslashes.
std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

TEST(WindowsProgramsTest, TheVoiceProgramGetsOneArgumentAndItsOwnFolder) {
    TempFolder top;
    const std::string folder = top / "受付 & x %PATH%";
    std::filesystem::create_directory(test::PathOf(folder));
    std::filesystem::copy_file(test::PathOf(ZARAVA_ECHO_PROGRAM),
                               test::PathOf(folder + "/vocall.exe"));
    SystemProgramStarter starter;
    const StartOutcome outcome = starter.Start(folder + "/vocall.exe", "-tolv");
    ASSERT_TRUE(outcome.started) << outcome.reason;
    EXPECT_EQ(outcome.command, folder + "/vocall.exe -tolv");
    const std::string arguments = folder + "/arguments.txt";
    ASSERT_TRUE(test::WaitUntil([&] { return !test::ReadBytes(arguments).empty(); }));
    EXPECT_EQ(test::ReadBytes(arguments), "-tolv|" + Backslashed(folder) + "|");

    EXPECT_EQ(starter.Start(top / "vocall.exe", "-tolv").reason, top / "vocall.exe: not found");
    EXPECT_EQ(starter.Start(folder, "-tolv").reason, folder + ": is a folder, not a program");
}

TEST(WindowsProgramsTest, TheSettingsToolTakesNamesWhoseSecondBytesAreBackslashOrBracket) {
    TempFolder top;
    const std::string folder = top / "受付";
    std::filesystem::create_directory(test::PathOf(folder));
    const std::string file = Backslashed(folder) + "\\zarava.ini";
    const auto tool = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--file", file});
        return test::RunSettingsTool(std::move(args));
    };
    // ゾ is 0x83 0x5D, 表 0x95 0x5C, ソ 0x83 0x5C.
    EXPECT_EQ(tool({"set", "ゾ表", "ソ", "表]"}).status, 0);
    EXPECT_EQ(top.Read("受付/zarava.ini"), "[\x83\x5d\x95\x5c]\r\n\x83\x5c=\x95\x5c]\r\n");
    EXPECT_EQ(tool({"get", "ゾ表", "ソ"}).out, "表]\n");
    EXPECT_EQ(tool({"get", "ゾ]", "ソ"}).status, 2) << "a real ']' is still refused";
}

} // namespace
} // namespace zarava
