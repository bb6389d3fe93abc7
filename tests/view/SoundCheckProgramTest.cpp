// zarava-display --test-sound as IT runs it: a real process on a real folder.

#include "ProgramRun.h"
#include "WaveWriter.h"

#include <QAudioDevice>
#include <QMediaDevices>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zarava {
namespace {

using test::TempFolder;

// The exit status and the line printed; -1 when it did not end within a minute.
std::pair<int, std::string> SoundCheck(const TempFolder& folder) {
    test::ProgramRun run(folder,
                         {ZARAVA_DISPLAY_PROGRAM, "--folder", folder.Path(), "--test-sound"});
    return {run.Wait(std::chrono::seconds(60)), run.Out()};
}

TEST(SoundCheckProgramTest, StartsTheVoiceProgramOnceOrSaysWhyNothingWasHeard) {
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
    test::WaitUntil([&] { return !folder.Read("got.txt").empty(); }, std::chrono::seconds(20));
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
