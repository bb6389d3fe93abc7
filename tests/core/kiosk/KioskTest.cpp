// zarava-kiosk as a clinic's PC runs it: a real process following a temporary program folder,
// with a stand-in display (a small script that notes its arguments and ends as told), judged
// by the starts it makes and what it logs.

#include "ProgramRun.h"

#include "engine/SystemClock.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zarava {
namespace {

using test::ProgramRun;
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

class KioskTest : public ::testing::Test {
protected:
    KioskTest() {
        std::filesystem::create_directory(program);
        FakeDisplay("sleep 30 & wait $!");
    }

    // The stand-in display: notes its arguments as one line, then runs the shell commands
    // given; SIGTERM ends it at once with status 0 and a note.
    void FakeDisplay(const std::string& commands) {
        work.Write("display", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + record +
                                  "\ntrap 'kill $! 2>/dev/null; echo TERM >> " + record +
                                  "; exit 0' TERM\n" + commands + "\n");
        ::chmod(display.c_str(), 0755);
    }

    void SetForm(const std::string& value, const std::string& folder = "") {
        const std::string ini = (folder.empty() ? program : folder) + "/zarava.ini";
        ASSERT_NE(WriteSetting(clock, "USER INFOMATION", "FORM", value, ini), 0);
    }
    std::string Form() {
        return ReadSetting(clock, "USER INFOMATION", "FORM", program + "/zarava.ini");
    }

    // The kiosk's command line, paced by kTickMs, with the stand-in display and, unless one is
    // given, an empty settings file.
    std::vector<std::string> Kiosk(const std::vector<std::string>& args) {
        std::vector<std::string> words{ZARAVA_KIOSK_TOOL, "--tick-ms", std::to_string(kTickMs),
                                       "--display", display};
        if (std::find(args.begin(), args.end(), "--config") == args.end()) {
            words.insert(words.end(), {"--config", "/dev/null"});
        }
        words.insert(words.end(), args.begin(), args.end());
        return words;
    }
    void Start(const std::vector<std::string>& args) {
        kiosk_ = std::make_unique<ProgramRun>(work, Kiosk(args), runtime);
    }

    // Sends the signal and returns the exit status; -1 when the kiosk did not end in time.
    int Stop(int signal = SIGTERM) {
        kiosk_->Signal(signal);
        return kiosk_->Wait(std::chrono::seconds(10));
    }

    std::vector<std::string> Starts() const {
        std::vector<std::string> starts = Lines(ReadBytes(record));
        std::erase(starts, "TERM");
        return starts;
    }
    std::string Err() const { return kiosk_->Err(); }
    std::string Log(const std::string& folder = "") const {
        std::string text;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(
                 (folder.empty() ? program : folder) + "/Log", ec)) {
            text += ReadBytes(entry.path());
        }
        return text;
    }

    SystemClock clock;
    TempFolder work;
    std::string program = work / "clinic"; // the issuer's folder
    std::string record = work / "starts";
    std::string display = work / "display";
    // A runtime folder of the test's own, so the kiosk's lock never meets a real one.
    ProgramRun::Setup runtime{.environment = test::Environment({"XDG_RUNTIME_DIR=" + work.Path()})};

private:
    std::unique_ptr<ProgramRun> kiosk_;
};

TEST_F(KioskTest, WaitsIdlyForAnIssuerBitThenStartsTheDisplayAndPassesOnSigterm) {
    SetForm("4"); // only the display's own running mark: no issuer
    work.Write("kiosk.conf",
               "# the clinic's settings\n\n folder = " + program + "\ncommand-line =  b12   x \n");
    Start({"--config", work / "kiosk.conf"});
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "waiting for the issuer") == 1; }));
    {
        // A second kiosk for the same folder and command line ends at once; another command
        // line is another display (a second monitor), and that one runs.
        ProgramRun same(work, Kiosk({"--config", work / "kiosk.conf"}), runtime);
        EXPECT_EQ(same.Wait(), 3);
        ProgramRun second(work, Kiosk({"--folder", program, "--", "b2"}), runtime);
        EXPECT_EQ(second.Wait(std::chrono::milliseconds(500)), -1);
    }
    std::this_thread::sleep_for(1000ms);
    EXPECT_TRUE(Starts().empty());

    SetForm("6");
    // The kiosk logs the start once the exec has worked, which the display may note first.
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "issuer runs (FORM 6): display started"); }));
    ASSERT_TRUE(WaitUntil([&] { return !Starts().empty(); }));
    EXPECT_EQ(Starts(), std::vector<std::string>{"--folder " + program + " b12 x"});
    EXPECT_EQ(Count(Err(), "waiting for the issuer: FORM is 4"), 1);

    EXPECT_EQ(Stop(SIGTERM), 0);
    EXPECT_EQ(ReadBytes(record), "--folder " + program + " b12 x\nTERM\n") << "not started again";
    EXPECT_EQ(Count(Log(), "stopping on SIGTERM"), 1);
    EXPECT_EQ(Count(Log(), "display ended (exit status 0)"), 1);
    // The session's log keeps many days: each line on standard error has its date and time.
    EXPECT_TRUE(std::regex_match(
        Err(), std::regex(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} zarava-kiosk: [^\n]+\n)+)")))
        << Err();
}

TEST_F(KioskTest, StartsTheDisplayAgainWhileTheIssuerRunsAndNoMoreOnceItHasGone) {
    FakeDisplay("sleep 0.6"); // a display that ends normally, not at once
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
    FakeDisplay("exit 1");
    SetForm("1");
    Start({"--folder", program});
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "next start in") == 1; }));
    std::this_thread::sleep_for(1500ms); // within the 3 s pause
    EXPECT_EQ(Starts().size(), 3u);
    EXPECT_EQ(Count(Log(), "display ended (exit status 1) after "), 3);
    EXPECT_EQ(Count(Log(), "3rd time in a row; next start in 3.0 s at the earliest"), 1);

    ASSERT_TRUE(WaitUntil([&] { return Starts().size() == 4; }));
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "next start in 6.0 s") == 1; }));
    EXPECT_EQ(Count(Log(), "4th time in a row"), 1);
    EXPECT_EQ(Count(Log(), "display started"), 4);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, ShareLateAtBootOrComingAndGoingIsWaitedForAndLoggedOnceEachWay) {
    const std::string share = work / "share";
    Start({"--folder", share, "--", "-tolv"});
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "cannot be read") > 0; }));
    // The mount point appears before the share is mounted on it: still nothing to follow.
    std::filesystem::create_directory(share);
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "no zarava.ini in " + share) == 1; }));
    SetForm("0", share); // the share is mounted, the issuer not yet running
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "waiting for the issuer") == 1; }));
    for (int i = 0; i < 10; ++i) {
        std::filesystem::rename(share, work / "aside");
        std::this_thread::sleep_for(60ms);
        std::filesystem::rename(work / "aside", share);
        std::this_thread::sleep_for(60ms);
    }
    // Each way was written once, at boot; a change that comes back within 3 s is held back, and
    // the state that holds at the end is written with their count once those 3 s are over.
    ASSERT_TRUE(WaitUntil([&] { return Count(Err(), "not logged)") == 1; }));
    EXPECT_EQ(Count(Err(), "program folder " + share +
                               " cannot be read (No such file or directory); waiting for it"),
              1);
    EXPECT_EQ(Count(Err(), "can be read again"), 1);
    EXPECT_NE(Lines(Err()).back().find("waiting for the issuer: FORM is 0"), std::string::npos);
    EXPECT_LE(Lines(Err()).size(), 6u);

    SetForm("1", share);
    ASSERT_TRUE(WaitUntil([&] { return !Starts().empty(); }));
    EXPECT_EQ(Starts().front(), "--folder " + share + " -tolv");
    // The lines written while the folder could not be read stay on standard error only.
    EXPECT_EQ(Count(Log(share), "follows the issuer in " + share), 1);
    EXPECT_EQ(Count(Log(share), "cannot be read"), 0);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, KilledDisplaysRunningMarkIsClearedKeepingTheIssuersBits) {
    // The first display sets its mark and dies without clearing it; the next one runs on.
    const std::string settings = ZARAVA_SETTINGS_TOOL " --file " + program + "/zarava.ini";
    FakeDisplay("if [ ! -e " + work / "killed" + " ]; then touch " + work / "killed" + "; " +
                settings + " set 'USER INFOMATION' FORM 7; kill -KILL $$; fi\n" +
                "sleep 30 & wait $!");
    SetForm("3");
    Start({"--folder", program});
    ASSERT_TRUE(WaitUntil([&] { return Starts().size() == 2; }));
    EXPECT_EQ(Form(), "3");
    EXPECT_EQ(Count(Log(), "display ended (killed by SIGKILL, running mark cleared) after"), 1);
    EXPECT_EQ(Stop(), 0);
}

TEST_F(KioskTest, MistakesInOptionsOrSettingsFileAreReportedBeforeAnythingRuns) {
    work.Write("unknown.conf", "folder = /tmp\nscreen = a\n");
    work.Write("emptycmd.conf", "folder = /tmp\ncommand-line =   \n");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no program folder: give --folder DIR"},
        {{"--folder", "/tmp", "-tolv"}, "unknown option -tolv"},
        {{"--folder", "/tmp", "b12"}, "unexpected b12: put the display's command line after --"},
        {{"--folder", "/tmp", "--"}, "-- needs the display's command line after it"},
        {{"--folder", "/tmp", "--display", "/tmp"}, "--display /tmp is not a program"},
        {{"--config", work / "missing.conf"}, "cannot read the settings file"},
        {{"--config", work / "unknown.conf"}, work / "unknown.conf line 2: unknown name 'screen'"},
        {{"--config", work / "emptycmd.conf"},
         work / "emptycmd.conf line 2: command-line needs a value"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> words = {ZARAVA_KIOSK_TOOL, "--config", "/dev/null"};
        words.insert(words.end(), args.begin(), args.end());
        ProgramRun kiosk(work, words);
        EXPECT_EQ(kiosk.Wait(), 2) << message;
        EXPECT_TRUE(kiosk.Err().starts_with("zarava-kiosk: " + message)) << kiosk.Err();
        EXPECT_NE(kiosk.Err().find("Try 'zarava-kiosk --help'"), std::string::npos);
    }
}

} // namespace
} // namespace zarava
