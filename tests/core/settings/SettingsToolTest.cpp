// The zarava-settings tool as administrators and scripts use it: its output bytes, the file it
// leaves, its messages and exit codes.

#include "SystemSide.h"
#include "settings/SettingsToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace zarava {
namespace {

using test::TempFolder;

class SettingsToolTest : public ::testing::Test {
protected:
    // Run in the temporary folder, so that the tool's default file is the folder's.
    test::ToolRun Tool(std::vector<std::string> args) {
        return test::RunSettingsTool(std::move(args), {.folder = folder.Path()});
    }

    TempFolder folder;
    std::string file = folder.File("zarava.ini");
};

TEST_F(SettingsToolTest, GetPrintsTheValueInUtf8AndSetWritesCodePage932KeepingTheRest) {
    // 番窓口 in code page 932, quoted in the file.
    folder.Write("Zarava.INI",
                 "; issuer\r\n[DISPLAY INFOMATION]\r\nCOUNTER = \"\x94\xd4\x91\x8b\x8c"
                 "\xfb\"\r\nE=\r\n\r\n[USER INFOMATION]\r\n");
    EXPECT_EQ(Tool({"get", "display infomation", "counter"}).out, "番窓口\n");
    for (const char* key : {"E", "MISSING"}) {
        const test::ToolRun run = Tool({"get", "DISPLAY INFOMATION", key});
        EXPECT_EQ(std::to_string(run.status) + run.out, "0\n") << key;
    }
    EXPECT_EQ(Tool({"set", "display infomation", "E", "内科"}).status, 0);
    EXPECT_EQ(
        Tool({"--file=" + folder / "Zarava.INI", "set", "USER INFOMATION", "FORM", "-5"}).status,
        0);
    EXPECT_EQ(folder.Read("Zarava.INI"),
              "; issuer\r\n[DISPLAY INFOMATION]\r\nCOUNTER = \"\x94\xd4\x91\x8b\x8c\xfb\"\r\n"
              "E=\x93\xe0\x89\xc8\r\n\r\n[USER INFOMATION]\r\nFORM=-5\r\n");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{".zarava.ini.lock", "Zarava.INI"}))
        << "the file is found whatever the case of its name";
}

TEST_F(SettingsToolTest, MistakesExitTwoAndFileProblemsOneWithTheReasonOnStandardError) {
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 2, "no command given"},
        {{"--verbose", "get", "S", "K"}, 2, "unknown option --verbose"},
        {{"put", "S", "K"}, 2, "unknown command put"},
        {{"set", "[S", "K", "1"}, 2, "section name \"[S\" could never be read back"},
        {{"set", "S", "K", "a\nb"}, 2, "holds a line break"},
        {{"set", "S", "K", "café"}, 2, "\"é\" is not in code page 932"},
        {{"get", "S", "K"}, 1, "no settings file zarava.ini"},
        {{"--file", "gone/zarava.ini", "set", "S", "K", "1"}, 1, "no folder gone (is the share"},
    };
    for (const auto& [args, status, message] : cases) {
        const test::ToolRun run = Tool(args);
        SCOPED_TRACE(message);
        EXPECT_EQ(run.status, status);
        EXPECT_TRUE(run.err.starts_with("zarava-settings: ")) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Options:"), std::string::npos) << "the short usage, not the help";
        EXPECT_EQ(run.err.find("Try 'zarava-settings --help'") != std::string::npos, status == 2);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(folder.Names(), std::set<std::string>{}) << "nothing written by a mistake";

    // A file in Unicode holds what code page 932 cannot.
    folder.Write("zarava.ini", "\xEF\xBB\xBF[S]\r\n");
    EXPECT_EQ(Tool({"set", "S", "K", "café"}).status, 0);
    EXPECT_EQ(Tool({"get", "S", "K"}).out, "café\n");

    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_EQ(Tool({"set", "S", "K", "1"}).err, "zarava-settings: zarava.ini is a folder\n");
}

} // namespace
} // namespace zarava
