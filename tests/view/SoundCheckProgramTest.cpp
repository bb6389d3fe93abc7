// zarava-display --test-sound as IT runs it: a real process on a real folder.

#include "TempFolder.h"
#include "WaveWriter.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace zarava {
namespace {

using test::TempFolder;

struct CheckRun {
    int status = -1;
    std::string out;
};

// Every day file of the log folder.
std::string LogText(const TempFolder& folder) {
    std::string text;
    for (const std::string& name : folder.Names("Log")) {
        text += folder.Read("Log/" + name);
    }
    return text;
}

CheckRun SoundCheck(const std::string& folder) {
    QProcess p;
    p.start(ZARAVA_DISPLAY_PROGRAM, {"--folder", QString::fromStdString(folder), "--test-sound"});
    CheckRun run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitCode();
    run.out = p.readAllStandardOutput().toStdString();
    return run;
}

TEST(SoundCheckProgramTest, StartsTheVoiceProgramOnceWithItsOneArgument) {
    TempFolder folder;
    folder.Write("zarava.ini", "[DISPLAY INFOMATION]\r\nTALK SELECT=1\r\n3CALL SOUND=1\r\n");
    folder.Write("vocall.exe", "#!/bin/sh\nprintf '%s|' \"$@\" >> calls.txt\necho >> calls.txt\n");
    ::chmod((folder / "vocall.exe").c_str(), 0755);

    const CheckRun run = SoundCheck(folder.Path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "voice program started: " + folder / "vocall.exe" + " -tolv\n");
    for (int i = 0; i < 200 && folder.Read("calls.txt").empty(); ++i) {
        QThread::msleep(50);
    }
    EXPECT_EQ(folder.Read("calls.txt"), "-tolv|\n");
    EXPECT_EQ(folder.Read("zarava.ini"),
              "[DISPLAY INFOMATION]\r\nTALK SELECT=1\r\n3CALL SOUND=1\r\n");
    EXPECT_NE(LogText(folder).find("sound check: voice program started"), std::string::npos);
}

TEST(SoundCheckProgramTest, SaysWhyNothingWasHeardAndEndsWithStatusOne) {
    TempFolder folder;
    const CheckRun none = SoundCheck(folder.Path());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "chime not played: no chime.wav in " + folder.Path() + "\n");

    folder.Write("zarava.ini", "[DISPLAY INFOMATION]\r\nTALK SELECT=1\r\n");
    const CheckRun noVoice = SoundCheck(folder.Path());
    EXPECT_EQ(noVoice.status, 1);
    EXPECT_EQ(noVoice.out, "voice program not started: " + folder / "vocall.exe" + ": not found\n");
}

TEST(SoundCheckProgramTest, PlaysA24BitChimeWhereThereIsADeviceAndSaysSoWhereThereIsNone) {
    TempFolder folder;
    ASSERT_TRUE(
        test::WriteTone(folder / "Chime.WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 0.3));
    const CheckRun run = SoundCheck(folder.Path());
    if (QMediaDevices::audioOutputs().isEmpty()) {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(
            run.out.rfind("chime not played: " + folder / "Chime.WAV" + ": no audio device", 0), 0u)
            << run.out;
    } else {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("chime played on ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("(PCM 24-bit, 48000 Hz, stereo, 0.3 s)"), std::string::npos);
    }
}

} // namespace
} // namespace zarava
