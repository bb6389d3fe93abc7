#include "roomdisplay/SoundCheck.h"
#include "RecordingServices.h"
#include "TempFolder.h"
#include "platform/VirtualTime.h"
#include "util/OperationsLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zarava {
namespace {

using test::RecordingPrograms;
using test::RecordingSound;
using test::TempFolder;

TEST(SoundCheckTest, SaysWhatWasHeardOrWhyNotAndTouchesNoCallRequest) {
    const SoundEvent started{SoundEventKind::Started,
                             SoundFailure::None,
                             "",
                             "Speakers",
                             "PCM 16-bit, 44100 Hz, mono",
                             1.5,
                             1.5};
    const SoundEvent cut{SoundEventKind::Started,
                         SoundFailure::None,
                         "",
                         "Speakers",
                         "PCM 16-bit, 44100 Hz, mono",
                         30,
                         600};
    const SoundEvent finished{SoundEventKind::Finished};
    const SoundEvent stopped{SoundEventKind::Stopped};
    const SoundEvent noDevice{SoundEventKind::Failed, SoundFailure::NoDevice, "none listed"};
    struct Case {
        const char* talk;
        const char* file; // in the program folder, or ""
        std::vector<SoundEvent> answer;
        bool starts;
        bool heard;
        const char* text; // FOLDER stands for the program folder
    };
    const Case cases[] = {
        {"1", "vocall.exe", {}, true, true, "voice program started: FOLDER/vocall.exe -tolv"},
        {"2", "Vocall", {}, true, true, "voice program started: FOLDER/Vocall -tolv"},
        {"1", "", {}, false, false, "voice program not started: FOLDER/vocall.exe: not found"},
        {"0",
         "Chime.wav",
         {started, finished},
         true,
         true,
         "chime played on Speakers: FOLDER/Chime.wav (PCM 16-bit, 44100 Hz, mono, 1.5 s)"},
        {"",
         "chime.wav",
         {cut, finished},
         true,
         true,
         "chime played on Speakers: FOLDER/chime.wav (PCM 16-bit, 44100 Hz, mono, 30.0 s, "
         "cut from 600.0 s)"},
        {"0", "", {}, true, false, "chime not played: no chime.wav in FOLDER"},
        {"0",
         "chime.wav",
         {noDevice},
         true,
         false,
         "chime not played: FOLDER/chime.wav: no audio device: none listed"},
        {"0",
         "chime.wav",
         {started, stopped},
         true,
         false,
         "chime not played to its end: FOLDER/chime.wav was stopped"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string ini =
            std::string("[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\nTALK SELECT=") + c.talk + "\r\n";
        folder.Write("zarava.ini", ini);
        if (*c.file) {
            folder.Write(c.file, "x");
        }
        std::filesystem::create_directory(folder / "Log");
        VirtualTime time;
        OperationsLog log(time, folder / "Log");
        RecordingSound sound;
        sound.answer = c.answer;
        RecordingPrograms programs;
        programs.result = c.starts;

        std::vector<SoundCheckResult> results;
        RunSoundCheck({time, sound, programs, log}, folder.Path(),
                      [&](const SoundCheckResult& r) { results.push_back(r); });

        std::string text = c.text;
        text.replace(text.find("FOLDER"), 6, folder.Path());
        ASSERT_EQ(results.size(), 1u) << c.text;
        EXPECT_EQ(results[0].heard, c.heard) << c.text;
        EXPECT_EQ(results[0].text, text);
        EXPECT_NE(folder.Read("Log/20240108.log").find("sound check: " + text + "\n"),
                  std::string::npos);
        EXPECT_EQ(folder.Read("zarava.ini"), ini);
    }
}

} // namespace
} // namespace zarava
