// The voice program is a real process: these tests start real scripts and wait for them with
// generous timeouts.

#include "files/ProgramStart.h"
#include "SystemSide.h"
#include "TempFolder.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zarava {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WaitUntil;
using namespace std::chrono_literals;

void WriteProgram(const std::string& path, const std::string& text, mode_t mode = 0755) {
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), mode);
}

constexpr const char* kPosixStart = "its programs are shell scripts, run directly or through wine";

TEST(ProgramStartTest, StartsWithOneArgumentWithoutAShellAndLeavesNoZombie) {
    SKIP_ON_WINDOWS(kPosixStart);
    TempFolder temp;
    // Every word a shell would act on, in the program folder's name.
    const std::string folder = temp / "clinic share; $(touch pwned) `touch pwned` & 'x' \"y\" *";
    std::filesystem::create_directory(folder);
    const int ours = ::open("/dev/null", O_RDONLY); // a file a careless start hands on
    WriteProgram(folder + "/vocall.exe",
                 "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" \"$(pwd)\" > args.tmp\n[ -e /proc/$$/fd/" +
                     std::to_string(ours) +
                     " ] && echo ours >> args.tmp || echo none >> args.tmp\n"
                     "mv args.tmp args.txt\n");
    WriteProgram(folder + "/fails", "#!/bin/sh\necho broken >&2\nexit 3\n");
    WriteProgram(folder + "/hangs", "#!/bin/sh\necho $$ > hangs.pid\nexec sleep 3600\n");

    SystemProgramStarter starter;
    const StartOutcome outcome = starter.Start(folder + "/vocall.exe", "-tolv");
    ::close(ours);
    ASSERT_TRUE(outcome.started) << outcome.reason;
    EXPECT_EQ(outcome.command, folder + "/vocall.exe -tolv");
    // A day of calls, one of them to a program that hangs: no start waits for its program.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(starter.Start(folder + "/hangs", "-tolv").started);
    for (int call = 0; call < 300; ++call) {
        ASSERT_TRUE(starter.Start(folder + "/fails", "-tolv").started) << call;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);

    // One argument, the program folder as the working folder, none of our files, no shell.
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder + "/args.txt"); }, 20s));
    EXPECT_EQ(ReadBytes(folder + "/args.txt"), "1|-tolv|" + folder + "|none\n");
    EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/pwned"));
    EXPECT_TRUE(WaitUntil([] { return !test::AZombieChild(); }, 20s));

    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder + "/hangs.pid"); }, 20s));
    const int hung = std::atoi(ReadBytes(folder + "/hangs.pid").c_str());
    ASSERT_GT(hung, 1);
    test::KillProcess(hung);
    EXPECT_TRUE(WaitUntil([] { return !test::AZombieChild(); }, 20s))
        << "the hung one, once killed";
}

TEST(ProgramStartTest, AWindowsProgramRunsThroughWineAndWhatCannotStartSaysWhy) {
    SKIP_ON_WINDOWS(kPosixStart);
    TempFolder folder;
    TempFolder withWine;
    std::filesystem::create_directory(folder / "folder.exe");
    WriteProgram(folder / "plain.exe", "#!/bin/sh\ntouch ran\n", 0644);
    WriteProgram(folder / "noline.exe", "touch ran\n");
    WriteProgram(folder / "VOCALL.EXE", "MZ\x90 a Windows program", 0644);
    WriteProgram(withWine / "wine",
                 "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$1\")/w.tmp\"\n"
                 "mv \"$(dirname \"$1\")/w.tmp\" \"$(dirname \"$1\")/wine.txt\"\n");

    const std::string path = std::getenv("PATH");
    SystemProgramStarter starter;
    // No wine on the PATH (an empty folder), then the fake one first on it.
    test::SetEnvironment("PATH", (folder / "folder.exe").c_str());
    EXPECT_EQ(starter.Start(folder / "VOCALL.EXE", "-tolv").reason,
              folder / "VOCALL.EXE: a Windows program, and wine is not installed");
    test::SetEnvironment("PATH", (withWine.Path() + ":/usr/bin:/bin").c_str());
    const std::pair<const char*, const char*> cases[] = {
        {"missing.exe", "not found"},
        {"folder.exe", "is a folder, not a program"},
        {"plain.exe", "not executable (permission denied)"},
        {"noline.exe", "not a program this system can run (a script needs a #! line)"},
        {"VOCALL.EXE", ""}, // through wine
    };
    for (const auto& [name, reason] : cases) {
        const StartOutcome outcome = starter.Start(folder / name, "-tolv");
        EXPECT_EQ(outcome.started, !*reason) << name;
        EXPECT_EQ(outcome.reason, *reason ? folder / name + ": " + reason : "");
    }
    test::SetEnvironment("PATH", path.c_str());

    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder / "wine.txt"); }, 20s));
    EXPECT_EQ(folder.Read("wine.txt"), folder / "VOCALL.EXE" + "|-tolv|");
    EXPECT_FALSE(std::filesystem::exists(folder / "ran")) << "a shell ran a file";
}

} // namespace
} // namespace zarava
