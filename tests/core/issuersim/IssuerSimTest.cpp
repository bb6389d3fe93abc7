// The issuer simulator as a display, a developer or a test meets it: a real process on a
// temporary program folder, judged by the files it leaves, the order it writes them in, what it
// prints and how it ends.

#include "PausingClock.h"
#include "ProgramRun.h"

#include "engine/DateTime.h"
#include "engine/SystemClock.h"
#include "files/Files.h"
#include "settings/SettingsStore.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace zarava {
namespace {

using test::PausingClock;
using test::ProgramRun;
using test::TempFolder;
using test::WaitUntil;
using namespace std::chrono_literals;

// The simulator's command line on a program folder, with these arguments.
std::vector<std::string> Sim(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {ZARAVA_ISSUER_SIM, "--folder", folder});
    return args;
}

// A queue file in UTF-8 with the fields the display does not read (patient number and reception
// kind) as "-"; line ends and all other bytes as written.
std::string Masked(const std::string& cp932) {
    static const std::regex unread("^((?:[^\t\n]*\t){5})[^\t\n]*\t[^\t\n]*", std::regex::multiline);
    return std::regex_replace(Cp932ToUtf8(cp932), unread, "$1-\t-");
}

class IssuerSimTest : public ::testing::Test {
protected:
    std::string Setting(const std::string& section, const std::string& key) {
        return ReadSetting(clock, section, key, folder.File("zarava.ini"));
    }
    std::string Form() { return Setting("USER INFOMATION", "FORM"); }
    // A new script file for each call, so a table can hold several.
    std::string Script(const std::string& text) {
        const std::string name = "script" + std::to_string(++scripts);
        logs.Write(name, text);
        return logs.File(name);
    }
    std::string QueueFile(int room) {
        return "Temp/" + FormatYmd(SystemClock().Now()) + "_" + std::to_string(room) + ".tmp";
    }

    TempFolder folder;
    TempFolder logs;
    PausingClock clock;
    int scripts = 0;
};

TEST_F(IssuerSimTest, ScriptedReceptionWritesTheQueueFilesAsTheIssuerDoes) {
    // Room 1's file as an earlier run left it today (or null), the script, and the file as
    // expected after it: UTF-8, unread fields as "-" (null: no file).
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"a morning's calls", nullptr,
         "# tickets, a class-1 ticket, calls with and without a counter\n"
         "at 0 issue 1\nat 0 issue 1 class1\nat 0.1 issue 2\nat 0.2 issue 1\n"
         "at 0.4 call 1 3\nat 0.5 call 1\nat 0.6 done 1\nat 0.7 quit\n",
         "1\t9:00:00\t9:00:24\t3\t済\t-\t-\t0\t\t\t\r\n"
         "2\t9:00:00\t9:00:30\t\t呼\t-\t-\t1\t\t\t\r\n"
         "3\t9:00:12\t\t\t\t-\t-\t0\t\t\t\r\n"},
        {"a file of today is taken over and its records kept",
         "1\t8:50:00\t8:55:00\t\t呼\tP1\t再診\t0\t\t\tx\r\n"
         "7\t8:51:00\t\t\t\tP7\t予約\t1\t\t\t\r\n"
         "a line the display skips\r\n",
         "at 0 issue 1\nat 0.1 call 1 12\nat 0.2 quit\n",
         "1\t8:50:00\t8:55:00\t\t呼\t-\t-\t0\t\t\tx\r\n"
         "7\t8:51:00\t9:00:06\t12\t呼\t-\t-\t1\t\t\t\r\n"
         "8\t9:00:00\t\t\t\t-\t-\t0\t\t\t\r\n"},
        {"nothing to call or serve writes nothing", nullptr,
         "at 0 call 1\nat 0 done 1\nat 0.1 quit\n", nullptr},
    };
    for (const auto& [name, earlier, script, expected] : cases) {
        SCOPED_TRACE(name);
        TempFolder program;
        std::uint64_t inode = 0;
        if (earlier != nullptr) {
            std::filesystem::create_directory(program / "Temp");
            program.Write(QueueFile(1), Utf8ToCp932(earlier).value());
            inode = ReadFileVersion(program / QueueFile(1))->inode;
        }
        ProgramRun sim(logs, Sim(program.Path(), {"--speed", "60", "--script", Script(script)}));
        ASSERT_EQ(sim.Wait(), 0) << sim.Err();
        EXPECT_EQ(std::filesystem::exists(program / QueueFile(1)), expected != nullptr);
        EXPECT_EQ(Masked(program.Read(QueueFile(1))), expected ? expected : "");
        EXPECT_EQ(Cp932ToUtf8(program.Read(QueueFile(1))).find("\xEF\xBF\xBD"), std::string::npos);
        EXPECT_TRUE(inode == 0 || ReadFileVersion(program / QueueFile(1))->inode == inode)
            << "rewritten in place, never replaced";
    }
}

// Reads one rewrite of a queue file that is a named pipe: the simulator's open waits until
// this reader comes, so the test sees the settings as they were before the file was written.
std::string ReadOneWrite(const std::string& pipe) {
    const int fd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    std::string bytes;
    pollfd wait{fd, POLLIN, 0};
    while (::poll(&wait, 1, 5000) > 0) {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break; // the writer has closed the file
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

TEST_F(IssuerSimTest, ScriptedSettingsAndNewsAndACallSoundSetOnlyAfterTheQueueFileIsWritten) {
    folder.Write("zarava.ini", "[USER INFOMATION]\r\nTODAY=20200101\r\n");
    std::filesystem::create_directory(folder / "Temp");
    ASSERT_EQ(::mkfifo((folder / QueueFile(1)).c_str(), 0644), 0);
    ProgramRun sim(
        logs, Sim(folder.Path(), {"--speed", "60", "--script",
                                  Script("at 0 set \"DISPLAY INFOMATION\" \"MSG TYPE\" 2\n"
                                         "at 0 news 休診のお知らせ|駐車場 のご案内\nat 0 form 6\n"
                                         "at 0 issue 1\nat 0.2 call 1 5\nat 1.5 quit\n")}));
    EXPECT_EQ(Masked(ReadOneWrite(folder / QueueFile(1))), "1\t9:00:00\t\t\t\t-\t-\t0\t\t\t\r\n");
    // The call waits for its file to be written; the request must wait with it.
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(Setting("DISPLAY INFOMATION", "1CALL SOUND"), "");
    EXPECT_EQ(Masked(ReadOneWrite(folder / QueueFile(1))),
              "1\t9:00:00\t9:00:12\t5\t呼\t-\t-\t0\t\t\t\r\n");
    EXPECT_TRUE(WaitUntil([&] { return Setting("DISPLAY INFOMATION", "1CALL SOUND") == "1"; }));
    ASSERT_EQ(sim.Wait(), 0) << sim.Err();
    EXPECT_EQ(Setting("USER INFOMATION", "TODAY"), FormatYmd(SystemClock().Now()));
    EXPECT_EQ(Setting("DISPLAY INFOMATION", "MSG TYPE"), "2");
    EXPECT_EQ(Form(), "6") << "bit 1 cleared at the end, the script's bits kept";
    EXPECT_EQ(Cp932ToUtf8(folder.Read("news.sjis")), "休診のお知らせ\r\n駐車場 のご案内\r\n");
    // Nothing of a clinic's own set-up is written when a script plays.
    EXPECT_EQ(Setting("DAZUZE INFOMATION", "DAZUZE1"), "");
}

// (That a script's quit clears it, the scripted settings show.)
TEST_F(IssuerSimTest, IssuerBitIsSetWhileRunningAndClearedOnCtrlCOrSigterm) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"--speed", "600", "--seed", "1"}, SIGINT}, // the random clinic
        {{"--script", Script("")}, SIGTERM},
    };
    for (const auto& [args, signal] : cases) {
        SCOPED_TRACE(signal);
        // The display's running bit and the other issuer bit stay as they are.
        folder.Write("zarava.ini", "[USER INFOMATION]\r\nFORM=6\r\n");
        ProgramRun sim(logs, Sim(folder.Path(), args));
        EXPECT_TRUE(WaitUntil([&] { return Form() == "7"; }));
        sim.Signal(signal);
        EXPECT_EQ(sim.Wait(), 0) << sim.Err();
        EXPECT_EQ(Form(), "6");
    }
}

TEST_F(IssuerSimTest, FolderThatCannotBeWrittenIsRefused) {
    ProgramRun missing(logs, Sim(folder / "missing", {}));
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_NE(missing.Err().find("missing is not a folder"), std::string::npos) << missing.Err();

    // Root writes anywhere; an unprivileged user cannot write in root's folder.
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv";
    }
    ::chmod(folder.Path().c_str(), 0755);
    ProgramRun nobody(logs, Sim(folder.Path(), {}), {.asNobody = true});
    EXPECT_EQ(nobody.Wait(), 1);
    EXPECT_NE(nobody.Err().find("cannot write in " + folder.Path()), std::string::npos)
        << nobody.Err();
    EXPECT_EQ(folder.Names(), std::set<std::string>{});
}

TEST_F(IssuerSimTest, UsageErrorsTouchNothing) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--rooms", "7"}, "--rooms needs a whole number from 1 to 6, not '7'"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{"--script", logs / "none"}, "cannot read the script"},
        {{"--script", Script("issue 1\n")}, "line 1: an action starts with 'at SECONDS'"},
        {{"--script", Script("at soon issue 1\n")}, "line 1: 'at' needs the seconds"},
        {{"--script", Script("at 1 issue 7\n")}, "line 1: issue needs a room from 1 to 6"},
        {{"--script", Script("at 1 call 1 100\n")}, "the counter of call is a number from 1"},
        {{"--script", Script("at 1 form many\n")}, "form needs a whole number"},
        {{"--script", Script("at 1 quit now\n")}, "unexpected words after quit"},
        {{"--script", Script("# fine\n\nat 1 quit\nat 2 dance\n")},
         "line 4: unknown action 'dance'"},
    };
    for (const auto& [args, message] : cases) {
        ProgramRun sim(logs, Sim(folder.Path(), args));
        EXPECT_EQ(sim.Wait(), 2) << message;
        EXPECT_NE(sim.Err().find(message), std::string::npos) << sim.Err();
        EXPECT_NE(sim.Err().find("Try 'zarava-issuer-sim --help'"), std::string::npos);
    }
    EXPECT_EQ(folder.Names(), std::set<std::string>{});
    ProgramRun help(logs, {ZARAVA_ISSUER_SIM, "-h"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_EQ(help.Out().rfind("Usage: zarava-issuer-sim", 0), 0u);
    EXPECT_NE(help.Out().find("at SECONDS call ROOM [COUNTER]"), std::string::npos);
}

TEST_F(IssuerSimTest, CheckedInCodesArePrintedAndTakenOffTheHandOffFile) {
    // The display's last code is still being written: its end comes later.
    folder.Write("hkcode.tmp", "A0123456789B\r\na1111111111b\r\nA22");
    ProgramRun sim(logs, Sim(folder.Path(), {"--script", Script("")}));
    ASSERT_TRUE(WaitUntil([&] { return folder.Read("hkcode.tmp").empty(); }));
    {
        std::ofstream append(folder / "hkcode.tmp", std::ios::app | std::ios::binary);
        append << "22222222B\r\n";
    }
    ASSERT_TRUE(WaitUntil([&] { return sim.Out().find("A2222222222B") != std::string::npos; }));
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
    const std::string out = sim.Out();
    const std::regex inOrder("checked in: A0123456789B\n[^]*checked in: a1111111111b\n[^]*"
                             "checked in: A2222222222B\n");
    EXPECT_TRUE(std::regex_search(out, inOrder)) << out;
    EXPECT_EQ(folder.Read("hkcode.tmp"), "");
}

TEST_F(IssuerSimTest, RandomClinicWritesValidQueueFilesAndTheClinicsSettings) {
    folder.Write("zarava.ini", "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n"); // --rooms wins
    ProgramRun sim(logs, Sim(folder.Path(), {"--duration", "2", "--rooms", "3", "--speed", "600",
                                             "--seed", "42"}));
    ASSERT_EQ(sim.Wait(), 0) << sim.Err();
    const std::regex record("(\\d+)\t\\d{1,2}:\\d\\d:\\d\\d\t(\\d{1,2}:\\d\\d:\\d\\d)?\t\\d*\t"
                            "(|呼|済)\t\\d{6}\t(初診|再診|予約)\t[01]\t\t\t\r");
    int calls = 0;
    for (int room = 1; room <= 3; ++room) {
        SCOPED_TRACE(room);
        const std::string text = Cp932ToUtf8(folder.Read(QueueFile(room)));
        ASSERT_FALSE(text.empty());
        ASSERT_TRUE(text.ends_with("\r\n"));
        std::istringstream lines(text);
        int number = 0, called = 0;
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, record)) << line;
            EXPECT_EQ(m[1], std::to_string(++number));
            EXPECT_EQ(m[2].matched, m[3].length() > 0) << "called exactly when it has a state";
            called += m[3] == "呼";
            calls += m[3].length() > 0;
        }
        EXPECT_LE(called, 2);
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Setting("DAZUZE INFOMATION", "SHINSATSU"), "2");
    EXPECT_NE(Setting("DAZUZE INFOMATION", "DAZUZE3"), "");
    EXPECT_EQ(Setting("DISPLAY INFOMATION", "MSSG 4"), "午前中の受付は終了致しました。");
    EXPECT_EQ(Setting("DISPLAY INFOMATION", "MSSG 5"), "本日の受付は終了致しました。");
    EXPECT_EQ(Form(), "0");
    const std::string news = Cp932ToUtf8(folder.Read("news.sjis"));
    EXPECT_TRUE(news.ends_with("\r\n") && news.find("\xEF\xBF\xBD") == std::string::npos) << news;
}

} // namespace
} // namespace zarava
