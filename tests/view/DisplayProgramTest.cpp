// The display program as the issuer and IT start it: real processes, offscreen (the tests' own
// environment says so), a real folder.

#include "PrivateSoundServer.h"
#include "ProgramRun.h"
#include "WaveWriter.h"

#include <QAudioDevice>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMediaDevices>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace zarava {
namespace {

using namespace std::chrono_literals;
using test::ProgramRun;
using test::TempFolder;
using test::WaitUntil;

const std::string kIni = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nDAZUZE1=Room one\r\n"
                         "DAZUZE2=Room two\r\n[USER INFOMATION]\r\nFORM=1\r\n";

std::vector<std::string> Display(const TempFolder& folder, std::vector<std::string> words) {
    words.insert(words.begin(), {ZARAVA_DISPLAY_PROGRAM, "--folder", folder.Path()});
    return words;
}

std::string Form(const TempFolder& folder) {
    const std::string ini = folder.Read("zarava.ini");
    const std::size_t at = ini.find("FORM=");
    return at == std::string::npos ? "" : ini.substr(at + 5, ini.find('\r', at) - at - 5);
}

// The pictures a room shows in the named controls, in order.
QStringList Pictures(const QJsonObject& room, const QString& name, std::initializer_list<int> at) {
    QStringList pictures;
    for (const int i : at) {
        pictures << room["controls"][QString("%1(%2)").arg(name).arg(i)]["picture"].toString();
    }
    return pictures;
}

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 &&
           std::abs(qBlue(a) - qBlue(b)) < 8;
}

// A clinic in a box: the issuer simulator plays a script against the folder while the display
// runs; its --state report and screenshot, the requests it took, the announcements it logged
// and FORM afterwards are checked against what the simulator wrote. The sound server comes up
// only after the display, as it may at a login, and the later call is heard all the same.
TEST(DisplayProgramTest, ShowsWhatTheIssuerWroteAnnouncesEachCallOnceAndEndsClear) {
    TempFolder folder, output;
    // Both rooms in one colour.
    folder.Write("zarava.ini", "[DAZUZE INFOMATION]\r\nSHINSATSU=1\r\nDAZUZE1=R1\r\nDAZUZE2=R2\r\n"
                               "1TIME CALC=5\r\n2TIME CALC=4\r\n[DISPLAY INFOMATION]\r\nMSG TYPE=0"
                               "\r\nTALK SELECT=0\r\nCOUNTER=番窓口\r\n[USER INFOMATION]\r\nFORM=0"
                               "\r\n[ZARAVA1 INFOMATION]\r\nSHOP COLOR=1\r\n");
    folder.Write("chime.wav", test::ReadBytes(ZARAVA_SOURCE_DIR "/demo/chime.wav"));
    // Each call is followed by another change of its room's file, so the display sees the
    // request even when its poll came between the file and the request.
    folder.Write("script.txt", "at 0 issue 1\nat 0 issue 1\nat 0 issue 1 class1\nat 0 issue 2\n"
                               "at 0.5 call 1 3\nat 3 call 2\nat 4 issue 1\nat 4 issue 2\n"
                               "at 12 quit\n");
    ProgramRun simulator(
        output, {ZARAVA_ISSUER_SIM, "--folder", folder.Path(), "--script", folder / "script.txt"});
    ASSERT_TRUE(WaitUntil([&] { return Form(folder) == "1"; }, 5s)) << "issuer marked running";

    test::PrivateSoundServer sound(folder.Path());
    const auto started = std::chrono::steady_clock::now();
    ProgramRun display(output,
                       Display(folder, {"--after", "6", "--state", folder / "state.json",
                                        "--screenshot", folder / "s.png", "a12"}),
                       {.environment = test::Environment({"PULSE_SERVER=" + sound.Address()})});
    WaitUntil([&] { return Form(folder) == "5"; }, 2s);
    const bool heard = sound.Start();
    ASSERT_EQ(display.Wait(30s), 0) << display.Err();
    EXPECT_GE(std::chrono::steady_clock::now() - started, 6s);
    EXPECT_NE(display.Out().find("State written to"), std::string::npos);
    EXPECT_NE(display.Out().find("Screenshot written to"), std::string::npos);
    EXPECT_EQ(Form(folder), "1") << "the display cleared its own mark and left the issuer's";

    const QJsonObject state =
        QJsonDocument::fromJson(QByteArray::fromStdString(folder.Read("state.json"))).object();
    EXPECT_TRUE(state["frame"]["blinkOn"].toBool()) << "written while the called numbers show";
    const QJsonArray windows = state["windows"].toArray();
    ASSERT_EQ(windows.size(), 2);
    const QJsonObject room1 = windows[0].toObject(), room2 = windows[1].toObject();
    EXPECT_EQ(room1["room"].toInt(), 1);
    EXPECT_EQ(room2["x"].toInt(), 400);
    EXPECT_EQ(room1["y"].toInt() + room1["height"].toInt(), 800);
    // Room 1 calls ticket 1 to counter 3, room 2 ticket 1 without a counter. (What a board shows
    // for a queue file is pinned in the core; here that the issuer's files reach the screen.)
    EXPECT_TRUE(room1["controls"]["ImgCall(3)"]["visible"].toBool());
    EXPECT_EQ(Pictures(room1, "ImgCall", {0, 1, 2, 5}),
              QStringList({"ImgR_0", "ImgR_0", "ImgR_1", "ImgBr_3"}));
    EXPECT_EQ(Pictures(room2, "ImgCall", {0, 1, 2, 5}),
              QStringList({"ImgR_0", "ImgR_0", "ImgR_1", ""}));

    // The band on top in the design's background colour; the two rooms share a colour, and a
    // darker border sets them apart.
    const QImage img(QString::fromStdString(folder / "s.png"));
    ASSERT_EQ(img.size(), QSize(800, 800)); // the offscreen screen
    EXPECT_TRUE(Near(img.pixel(2, 2), qRgb(0xF0, 0xF0, 0xF0)));
    const int titleY = room1["y"].toInt() + 10;
    EXPECT_TRUE(Near(img.pixel(390, titleY), qRgb(0xFF, 0x9A, 0xCE)));
    EXPECT_TRUE(Near(img.pixel(410, titleY), qRgb(0xFF, 0x9A, 0xCE)));
    EXPECT_LT(qGray(img.pixel(399, titleY)), 128);

    // Each request was taken and announced exactly once.
    const std::string ini = folder.Read("zarava.ini");
    EXPECT_NE(ini.find("1CALL SOUND=\r\n"), std::string::npos);
    EXPECT_NE(ini.find("2CALL SOUND=\r\n"), std::string::npos);
    QByteArray log;
    for (const std::string& name : folder.Names("Log")) {
        log += QByteArray::fromStdString(folder.Read("Log/" + name));
    }
    EXPECT_EQ(log.count(QByteArray("room 1 call: chime")), 1) << log.constData();
    EXPECT_EQ(log.count(QByteArray("room 2 call: chime")), 1) << log.constData();
    if (heard) {
        EXPECT_TRUE(log.contains("sound playing on ZaravaTestSink")) << log.constData();
    }
    ASSERT_EQ(simulator.Wait(30s), 0);
    EXPECT_EQ(Form(folder), "0");
}

TEST(DisplayProgramTest, SecondCopyWithoutRoomsEndsAtOnceWhileTheFirstRuns) {
    TempFolder folder, output;
    folder.Write("zarava.ini", kIni);
    ProgramRun first(output, Display(folder, {"b1"}));
    ASSERT_TRUE(WaitUntil([&] { return Form(folder) == "5"; })) << "the first copy is up";

    // The state it was asked for is not due: it says so.
    ProgramRun second(output, Display(folder, {"--state", folder / "s", "-TOLV"}));
    EXPECT_EQ(second.Wait(30s), 1);
    EXPECT_EQ(second.Out(), "");
    EXPECT_NE(second.Err().find("none was written"), std::string::npos) << second.Err();
    EXPECT_EQ(folder.Names().count("s"), 0u);
    EXPECT_EQ(Form(folder), "1") << "on its way out it cleared the mark the first copy had set";

    // Stopped by the system, the first copy still closes properly and clears its mark.
    folder.Write("zarava.ini", std::string(kIni).replace(kIni.find("FORM=1"), 6, "FORM=7"));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(10s), 0);
    EXPECT_EQ(Form(folder), "3");
}

TEST(DisplayProgramTest, UnwritableFolderStopsAfterTheMessageAndLeavesTheFolderAlone) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to run the display as an unprivileged user";
    }
    TempFolder folder, output; // owned by root: the unprivileged display cannot write in it
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    folder.Write("zarava.ini", kIni);
    ProgramRun display(output, Display(folder, {"a1"}), {.asNobody = true});
    // The message box waits for its OK; being stopped answers it, and the display ends as
    // it does after the OK.
    EXPECT_EQ(display.Wait(1500ms), -1);
    display.Signal(SIGTERM);
    EXPECT_EQ(display.Wait(10s), 1);
    EXPECT_EQ(folder.Names(), std::set<std::string>{"zarava.ini"});
    EXPECT_EQ(folder.Read("zarava.ini"), kIni);
}

TEST(DisplayProgramTest, MistakesAndAMissingScreenStopBeforeTheFolderIsTouched) {
    TempFolder folder, output;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--folder", folder / "missing", "-tolv"}, 2, "is not a folder\n"},
        {{"--folder", folder.Path(), "--bogus", "-tolv"}, 2, "unknown option --bogus\n"},
        {{"--folder", folder.Path(), "-h"}, 0, ""},
        {{"--folder", folder.Path(), "-tolv"},
         1,
         "no screen (DISPLAY is not set); to run without one, set QT_QPA_PLATFORM=offscreen"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words{ZARAVA_DISPLAY_PROGRAM};
        words.insert(words.end(), c.args.begin(), c.args.end());
        ProgramRun run(
            output, words,
            {.environment = test::Environment({"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})});
        EXPECT_EQ(run.Wait(30s), c.status) << c.err;
        const std::string err = run.Err();
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_EQ(err.find("Try 'zarava-display --help'") != std::string::npos, c.status == 2);
        if (c.status == 1) {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line";
        }
    }
    EXPECT_TRUE(folder.Names().empty());
}

// zarava-display --test-sound: the exit status and the line printed; -1 when it did not end
// within a minute.
std::pair<int, std::string> SoundCheck(const TempFolder& folder) {
    ProgramRun run(folder, Display(folder, {"--test-sound"}));
    return {run.Wait(60s), run.Out()};
}

TEST(DisplayProgramTest, SoundCheckStartsTheVoiceProgramOnceOrSaysWhyNothingWasHeard) {
    TempFolder folder;
    EXPECT_EQ(SoundCheck(folder),
              std::make_pair(1, "chime not played: no chime.wav in " + folder.Path() + "\n"));

    const std::string ini = "[DISPLAY INFOMATION]\r\nTALK SELECT=1\r\n3CALL SOUND=1\r\n";
    folder.Write("zarava.ini", ini);
    EXPECT_EQ(SoundCheck(folder), std::make_pair(1, "voice program not started: " +
                                                        folder / "vocall.exe" + ": not found\n"));

    folder.Write("vocall.exe", "#!/bin/sh\nprintf '%s|' \"$@\" > got.tmp\nmv got.tmp got.txt\n");
    ::chmod((folder / "vocall.exe").c_str(), 0755);
    EXPECT_EQ(SoundCheck(folder),
              std::make_pair(0, "voice program started: " + folder / "vocall.exe" + " -tolv\n"));
    WaitUntil([&] { return !folder.Read("got.txt").empty(); }, 20s);
    EXPECT_EQ(folder.Read("got.txt"), "-tolv|");
    EXPECT_EQ(folder.Read("zarava.ini"), ini) << "no call request touched";
    std::string log;
    for (const std::string& name : folder.Names("Log")) {
        log += folder.Read("Log/" + name);
    }
    EXPECT_NE(log.find("sound check: voice program started"), std::string::npos) << log;

    // Without the voice program asked for, the chime: a 24-bit one, whatever its name's case.
    folder.Write("zarava.ini", "");
    ASSERT_TRUE(
        test::WriteTone(folder / "Chime.WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 0.3));
    const auto [status, out] = SoundCheck(folder);
    if (QMediaDevices::audioOutputs().isEmpty()) {
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out.rfind("chime not played: " + folder / "Chime.WAV" + ": no audio device", 0),
                  0u)
            << out;
    } else {
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out.rfind("chime played on ", 0), 0u) << out;
        EXPECT_NE(out.find("(PCM 24-bit, 48000 Hz, stereo, 0.3 s)"), std::string::npos) << out;
    }
}

} // namespace
} // namespace zarava
