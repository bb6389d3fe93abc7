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
#include <sstream>
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

// Our children that have ended but were not waited for.
int Zombies() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (std::getline(stat, line)) {
            // "pid (name) state ppid ...": the name may hold blanks and parentheses.
            std::istringstream rest(line.substr(line.rfind(')') + 2));
            char state = 0;
            int parent = 0;
            rest >> state >> parent;
            count += parent == ::getpid() && state == 'Z' ? 1 : 0;
        }
    }
    return count;
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
    EXPECT_TRUE(WaitUntil([] { return Zombies() == 0; }, 20s)) << Zombies() << " zombies";

    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder + "/hangs.pid"); }, 20s));
    const int hung = std::atoi(ReadBytes(folder + "/hangs.pid").c_str());
    ASSERT_GT(hung, 1);
    test::KillProcess(hung);
    EXPECT_TRUE(WaitUntil([] { return Zombies() == 0; }, 20s)) << "the hung one, once killed";
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
    // The fake wine first on the PATH, or a PATH without any wine (an empty folder).
    const std::string wine = withWine.Path() + ":/usr/bin:/bin";
    const std::string noWine = folder / "folder.exe";
    struct Case {
        const char* name;
        const std::string& path;
        const char* reason; // "" when it starts
    };
    const Case cases[] = {
        {"missing.exe", wine, "not found"},
        {"folder.exe", wine, "is a folder, not a program"},
        {"plain.exe", wine, "not executable (permission denied)"},
        {"noline.exe", wine, "not a program this system can run (a script needs a #! line)"},
        {"VOCALL.EXE", noWine, "a Windows program, and wine is not installed"},
        {"VOCALL.EXE", wine, ""},
    };
    SystemProgramStarter starter;
    for (const Case& c : cases) {
        test::SetEnvironment("PATH", c.path.c_str());
        const StartOutcome outcome = starter.Start(folder / c.name, "-tolv");
        EXPECT_EQ(outcome.started, !*c.reason) << c.name;
        EXPECT_EQ(outcome.reason, *c.reason ? folder / c.name + ": " + c.reason : "");
    }
    test::SetEnvironment("PATH", path.c_str());

    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder / "wine.txt"); }, 20s));
    EXPECT_EQ(folder.Read("wine.txt"), folder / "VOCALL.EXE" + "|-tolv|");
    EXPECT_FALSE(std::filesystem::exists(folder / "ran")) << "a shell ran a file";
}

} // namespace
} // namespace zarava
