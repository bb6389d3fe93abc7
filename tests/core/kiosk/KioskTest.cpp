// zarava-kiosk as a clinic's PC runs it: a real process following a temporary program folder,
// with a stand-in display (a small script that notes its arguments and ends as told), judged
// by the starts it makes, what it logs and the processor time it takes while it waits.

#include "TempFolder.h"
#include "WaitUntil.h"

#include "engine/SystemClock.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zarava {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WaitUntil;
using namespace std::chrono_literals;

// Every wait of the kiosk is counted in these ticks: polls every 50 ms, an end within 0.5 s
// counts as a failure, the first pause after three failures is 3 s, and a waiting state that
// comes back within 3 s is held back.
constexpr int kTickMs = 50;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Processor time a process has used so far, user and system, in milliseconds.
long CpuMs(pid_t pid) {
    const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) {
            ticks += std::stol(field);
        }
    }
    return ticks * 1000 / ::sysconf(_SC_CLK_TCK);
}

class KioskTest : public ::testing::Test {
protected:
    KioskTest() : program(work / "clinic") {
        std::filesystem::create_directory(program);
        record = work / "starts";
        display = work / "display";
        FakeDisplay(0, "30");
    }
    ~KioskTest() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // The stand-in display: notes its arguments as one line, then ends with the status after
    // the seconds given; SIGTERM ends it at once with status 0 and a note.
    void FakeDisplay(int status, const std::string& seconds) {
        work.Write("display", "#!/bin/sh\n"
                              "printf '%s\\n' \"$*\" >> " +
                                  record +
                                  "\n"
                                  "trap 'kill $! 2>/dev/null; echo TERM >> " +
                                  record +
                                  "; exit 0' TERM\n"
                                  "sleep " +
                                  seconds + " & wait $!\nexit " + std::to_string(status) + "\n");
        ::chmod(display.c_str(), 0755);
    }

    void SetForm(const std::string& value) {
        SystemClock clock;
        ASSERT_NE(WriteSetting(clock, "USER INFOMATION", "FORM", value, program + "/zarava.ini"),
                  0);
    }

    void Start(std::vector<std::string> args) {
        static int runs = 0;
        err_ = work / ("err" + std::to_string(++runs));
        std::vector<std::string> words{ZARAVA_KIOSK_TOOL, "--tick-ms", std::to_string(kTickMs),
                                       "--display", display};
        if (std::find(args.begin(), args.end(), "--config") == args.end()) {
            work.Write("empty.conf", "");
            words.insert(words.end(), {"--config", work / "empty.conf"});
        }
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        // A runtime folder of the test's own, so the kiosk's lock never meets a real one.
        std::string runtime = "XDG_RUNTIME_DIR=" + work.Path();
        std::string path = "PATH=/usr/bin:/bin";
        std::vector<char*> env{runtime.data(), path.data(), nullptr};
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, err_.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), env.data()), 0);
        posix_spawn_file_actions_destroy(&files);
    }

    // Sends the signal and returns the exit status; -1 when the kiosk did not end in time.
    int Stop(int signal = SIGTERM) {
        ::kill(pid_, signal);
        int status = 0;
        if (!WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> Starts() const {
        std::vector<std::string> starts;
        for (const std::string& line : Lines(ReadBytes(record))) {
            if (line != "TERM") {
                starts.push_back(line);
            }
        }
        return starts;
    }
    std::string Record() const { return ReadBytes(record); }
    std::string Err() const { return ReadBytes(err_); }
    std::string Log() const {
        std::string text;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(program + "/Log", ec)) {
            text += ReadBytes(entry.path());
        }
        return text;
    }
    pid_t Pid() const { return pid_; }

    TempFolder work;
    std::string program; // the issuer's folder
    std::string record;
    std::string display;

private:
    pid_t pid_ = -1;
    std::string err_;
};

TEST_F(KioskTest, WaitsIdlyForAnIssuerBitThenStartsTheDisplayAndPassesOnSigterm) {
    SetForm("4"); // only the display's own running mark: no issuer
    work.Write("kiosk.conf",
               "# the clinic's settings\n\n folder = " + program + "\ncommand-line =  b12   x \n");
    Start({"--config", work / "kiosk.conf"});
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(Starts().empty());
    // Thirty polls, each a read of zarava.ini: far from a busy loop's 1500 ms.
    EXPECT_LT(CpuMs(Pid()), 300);

    SetForm("6");
    ASSERT_TRUE(WaitUntil([&] { return !Starts().empty(); }));
    EXPECT_EQ(Starts(), std::vector<std::string>{"--folder " + program + " b12 x"});
    EXPECT_EQ(Count(Log(), "waiting for the issuer: FORM is 4"), 1);
    EXPECT_EQ(Count(Log(), "issuer runs (FORM 6): display started"), 1);

    EXPECT_EQ(Stop(SIGTERM), 0);
    EXPECT_EQ(Count(Record(), "TERM"), 1);
    EXPECT_EQ(Count(Log(), "stopping on SIGTERM"), 1);
    EXPECT_EQ(Count(Log(), "display ended (exit status 0)"), 1);
    EXPECT_EQ(Starts().size(), 1u);
}

TEST_F(KioskTest, StartsTheDisplayAgainWhileTheIssuerRunsAndNoMoreOnceItHasGone) {
    FakeDisplay(0, "0.6"); // a display that ends normally, not at once
    SetForm("1");
    Start({"--folder", program, "--", "-tolv"});
    ASSERT_TRUE(WaitUntil([&] { return Starts().size() >= 3; }));
    SetForm("0");
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "waiting for the issuer") > 0; }));
    const std::size_t starts = Starts().size();
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(Starts().size(), starts);
    EXPECT_EQ(Starts().front(), "--folder " + program + " -tolv");
    EXPECT_EQ(Count(Log(), "next start in"), 0);
    EXPECT_EQ(Count(Log(), "display ended (exit status 0)"), static_cast<int>(starts));
    EXPECT_EQ(Count(Log(), "2nd time in a row"), 1);
    EXPECT_EQ(Stop(SIGINT), 0);
    EXPECT_EQ(Count(Log(), "stopped by SIGINT"), 1);
}

TEST_F(KioskTest, DisplayFailingAtEveryStartIsTriedThreeTimesThenAfterGrowingPauses) {
    FakeDisplay(1, "0");
    SetForm("1");
    Start({"--folder", program});
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "next start in") == 1; }));
    const long cpuAtPause = CpuMs(Pid());
    std::this_thread::sleep_for(1500ms); // within the 3 s pause
    EXPECT_EQ(Starts().size(), 3u);
    EXPECT_LT(CpuMs(Pid()) - cpuAtPause, 200);
    EXPECT_EQ(Count(Log(), "display ended (exit status 1) after "), 3);
    EXPECT_EQ(Count(Log(), "3rd time in a row; next start in 3.0 s at the earliest"), 1);

    ASSERT_TRUE(WaitUntil([&] { return Starts().size() == 4; }));
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "next start in 6.0 s") == 1; }));
    EXPECT_EQ(Count(Log(), "4th time in a row"), 1);
    EXPECT_EQ(Count(Log(), "display started"), 4);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, FolderMissingAtBootOrVanishingIsWaitedForWithOneLineEachWay) {
    const std::string share = work / "share";
    Start({"--folder", share, "--", "-tolv"});
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "cannot be read") > 0; }));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Count(Err(), "program folder " + share +
                               " cannot be read (No such file or directory); waiting for it"),
              1);

    // The mount point appears before the share is mounted on it: still nothing to follow.
    std::filesystem::create_directory(share);
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "no zarava.ini in " + share) == 1; }));
    EXPECT_EQ(Count(Err(), "can be read again"), 1);

    {
        SystemClock clock; // the share is mounted: the issuer runs
        ASSERT_NE(WriteSetting(clock, "USER INFOMATION", "FORM", "1", share + "/zarava.ini"), 0);
    }
    ASSERT_TRUE(WaitUntil([&] { return !Starts().empty(); }));
    EXPECT_EQ(Starts().front(), "--folder " + share + " -tolv");
    // The lines written before the folder could be read stay on standard error only.
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(share + "/Log")) {
        log += ReadBytes(entry.path());
    }
    EXPECT_EQ(Count(log, "cannot be read"), 0);
    EXPECT_EQ(Count(log, "follows the issuer in " + share), 1);
    EXPECT_EQ(Stop(), 0);
    EXPECT_EQ(Count(Err(), "cannot be read"), 1);
}

TEST_F(KioskTest, ShareComingAndGoingIsCountedNotLoggedEachTime) {
    SetForm("0");
    Start({"--folder", program});
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "waiting for the issuer") == 1; }));
    const std::string aside = work / "aside";
    for (int i = 0; i < 10; ++i) {
        std::filesystem::rename(program, aside);
        std::this_thread::sleep_for(60ms);
        std::filesystem::rename(aside, program);
        std::this_thread::sleep_for(60ms);
    }
    // Each way is written once; the changes within the next 3 s are held back, and the state
    // that holds at the end is written with their count once those 3 s are over.
    EXPECT_EQ(Count(Err(), "cannot be read"), 1);
    EXPECT_EQ(Count(Err(), "can be read again"), 1);
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "not logged)") == 1; }));
    const std::vector<std::string> lines = Lines(Err());
    EXPECT_NE(lines.back().find("waiting for the issuer: FORM is 0"), std::string::npos);
    EXPECT_LE(lines.size(), 6u);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, SecondKioskForTheSameFolderAndCommandLineEndsAtOnce) {
    SetForm("0");
    Start({"--folder", program});
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "waiting for the issuer") == 1; }));
    const pid_t first = Pid();
    const std::string both = std::string(ZARAVA_KIOSK_TOOL) + " --config /dev/null --display " +
                             display + " --folder " + program;
    const std::string env = "XDG_RUNTIME_DIR=" + work.Path() + " ";
    EXPECT_EQ(WEXITSTATUS(std::system((env + both + " 2>/dev/null").c_str())), 3);
    // Another command line is another display (a second monitor): that one runs until the
    // timeout stops it (status 124).
    const std::string second = "timeout -s TERM 0.5 env " + env + both + " -- b2 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(second.c_str())), 124);
    EXPECT_EQ(::kill(first, 0), 0);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, MistakesInOptionsOrSettingsFileAreReportedBeforeAnythingRuns) {
    work.Write("unknown.conf", "folder = /tmp\nscreen = a\n");
    work.Write("noequals.conf", "# fine\nfolder /tmp\n");
    work.Write("emptycmd.conf", "folder = /tmp\ncommand-line =   \n");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, "no program folder: give --folder DIR"},
        {{"--folder"}, "--folder needs a value"},
        {{"--folder", "/tmp", "--screen", "2"}, "unknown option --screen"},
        {{"--folder", "/tmp", "-tolv"}, "unknown option -tolv"},
        {{"--folder", "/tmp", "b12"}, "unexpected b12 (the display's command line goes after --)"},
        {{"--folder", "/tmp", "--"}, "-- needs the display's command line after it"},
        {{"--folder", "/tmp", "--display", "/nonexistent"},
         "--display /nonexistent is not a program"},
        {{"--folder", "/tmp", "--display", "/tmp"}, "--display /tmp is not a program"},
        {{"--config", work / "missing.conf"}, "cannot read the settings file"},
        {{"--config", work / "unknown.conf"}, "unknown.conf line 2: unknown name 'screen'"},
        {{"--config", work / "noequals.conf"}, "noequals.conf line 2: expected name = value"},
        {{"--config", work / "emptycmd.conf"}, "line 2: command-line needs a value"},
        {{"--folder", "/tmp", "--tick-ms", "0"}, "--tick-ms needs a number of milliseconds"},
    };
    for (const Case& c : cases) {
        std::string command = ZARAVA_KIOSK_TOOL;
        if (std::find(c.args.begin(), c.args.end(), "--config") == c.args.end()) {
            command += " --config /dev/null";
        }
        for (const std::string& arg : c.args) {
            command += " '" + arg + "'";
        }
        SCOPED_TRACE(command);
        const int status = std::system((command + " >/dev/null 2>" + work / "usage").c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2);
        const std::string err = ReadBytes(work / "usage");
        EXPECT_TRUE(err.starts_with("zarava-kiosk: ")) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_NE(err.find("Usage: zarava-kiosk"), std::string::npos);
    }
}

} // namespace
} // namespace zarava
