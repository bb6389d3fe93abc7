// The voice program is a real process: these tests start real scripts and wait for them with
// generous timeouts.

#include "platform/ProgramStarter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zarava {
namespace {

using test::TempFolder;
using namespace std::chrono_literals;

void WriteProgram(const std::string& path, const std::string& text, mode_t mode = 0755) {
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), mode);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the file holds a whole line, written by a program we started.
std::string WaitForLine(const std::string& path) {
    for (auto until = std::chrono::steady_clock::now() + 20s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
        const std::string text = ReadAll(path);
        if (!text.empty() && text.back() == '\n') {
            return text;
        }
    }
    return "(nothing written)";
}

// Our children that have ended but were not waited for.
int Zombies() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        count += parent == ::getpid() && state == 'Z' ? 1 : 0;
    }
    return count;
}

bool NoZombiesWithin(std::chrono::seconds limit) {
    for (auto until = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms)) {
        if (Zombies() == 0) {
            return true;
        }
    }
    return false;
}

// Puts a folder first on the PATH for the life of the object.
class PathFirst {
public:
    explicit PathFirst(const std::string& folder) : old_(std::getenv("PATH")) {
        ::setenv("PATH", (folder + ":" + old_).c_str(), 1);
    }
    ~PathFirst() { ::setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

TEST(ProgramStarterTest, StartsWithExactlyOneArgumentInItsFolderWithoutAShell) {
    TempFolder temp;
    // Every word a shell would act on, in the program folder's name.
    const std::string folder = temp / "clinic share; $(touch pwned) `touch pwned` & 'x' \"y\" *";
    std::filesystem::create_directory(folder);
    // A file of ours that a careless start would hand on.
    const int ours = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(ours, 3);
    const std::string program = folder + "/vocall.exe";
    WriteProgram(program, "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" \"$(pwd)\" > args.txt\n"
                          "[ -e /proc/$$/fd/" +
                              std::to_string(ours) +
                              " ] && echo ours >> args.txt || echo none >> args.txt\n");

    PosixProgramStarter starter;
    const StartOutcome outcome = starter.Start(program, "-tolv");
    ::close(ours);
    ASSERT_TRUE(outcome.started) << outcome.reason;
    EXPECT_EQ(outcome.command, program + " -tolv");
    // One argument, the folder as its working folder, and none of our files.
    EXPECT_EQ(WaitForLine(folder + "/args.txt"), "1|-tolv|" + folder + "|none\n");
    EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/pwned"));
    EXPECT_TRUE(NoZombiesWithin(20s));
}

TEST(ProgramStarterTest, ADayOfCallsLeavesNoZombieAndAHungProgramHoldsNothingUp) {
    TempFolder folder;
    WriteProgram(folder / "fails", "#!/bin/sh\necho broken >&2\nexit 3\n");
    WriteProgram(folder / "hangs", "#!/bin/sh\necho $$ > hangs.pid\nexec sleep 3600\n");

    PosixProgramStarter starter;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(starter.Start(folder / "hangs", "-tolv").started);
    for (int call = 0; call < 300; ++call) {
        ASSERT_TRUE(starter.Start(folder / "fails", "-tolv").started) << call;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << "a start waited for a program";
    EXPECT_TRUE(NoZombiesWithin(20s)) << Zombies() << " zombies";

    const std::string pid = WaitForLine(folder / "hangs.pid");
    ASSERT_GT(std::atoi(pid.c_str()), 1) << pid;
    EXPECT_EQ(::kill(std::atoi(pid.c_str()), 0), 0) << "it still runs";
    ::kill(std::atoi(pid.c_str()), SIGKILL);
    EXPECT_TRUE(NoZombiesWithin(20s));
}

TEST(ProgramStarterTest, WhatCannotBeStartedSaysWhyAndRunsNothing) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "folder.exe");
    WriteProgram(folder / "plain.exe", "#!/bin/sh\ntouch ran\n", 0644);
    WriteProgram(folder / "noline.exe", "touch ran\n");
    WriteProgram(folder / "windows.exe", "MZ\x90 a Windows program");
    TempFolder noWine; // a PATH without wine on it
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", noWine.Path().c_str(), 1);

    const std::pair<const char*, const char*> cases[] = {
        {"missing.exe", "not found"},
        {"folder.exe", "is a folder, not a program"},
        {"plain.exe", "not executable (permission denied)"},
        {"noline.exe", "not a program this system can run (a script needs a #! line)"},
        {"windows.exe", "a Windows program, and wine is not installed"},
    };
    PosixProgramStarter starter;
    for (const auto& [name, reason] : cases) {
        const StartOutcome outcome = starter.Start(folder / name, "-tolv");
        EXPECT_FALSE(outcome.started) << name;
        EXPECT_EQ(outcome.reason, folder / name + ": " + reason);
    }
    ::setenv("PATH", saved.c_str(), 1);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(std::filesystem::exists(folder / "ran")) << "a shell ran a file";
}

TEST(ProgramStarterTest, AWindowsProgramRunsThroughWineFromThePath) {
    TempFolder folder;
    TempFolder tools;
    WriteProgram(tools / "wine", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$1\")/wine.txt\"\n"
                                 "echo >> \"$(dirname \"$1\")/wine.txt\"\n");
    const std::string program = folder / "VOCALL.EXE";
    WriteProgram(program, "MZ\x90 a Windows program", 0644);

    PathFirst path(tools.Path());
    PosixProgramStarter starter;
    const StartOutcome outcome = starter.Start(program, "-tolv");
    ASSERT_TRUE(outcome.started) << outcome.reason;
    EXPECT_EQ(outcome.command, tools / "wine" + " " + program + " -tolv");
    EXPECT_EQ(WaitForLine(folder / "wine.txt"), program + "|-tolv|\n");
    EXPECT_TRUE(NoZombiesWithin(20s));
}

} // namespace
} // namespace zarava
