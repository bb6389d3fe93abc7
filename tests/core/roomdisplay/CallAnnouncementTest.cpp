#include "roomdisplay/CallAnnouncement.h"
#include "LogLines.h"
#include "SystemSide.h"
#include "TestDisplay.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarava {
namespace {

using test::TestDisplay;

// A program folder with the given files (the fakes never open them) and the log in its Log
// folder.
struct Announcing {
    explicit Announcing(const std::string& ini,
                        const std::vector<std::string>& files = {"chime.wav", "vocall.exe"})
        : d(ini) {
        for (const std::string& name : files) {
            d.folder.Write(name, "x");
        }
    }
    // The last step of a refresh, as its file work.
    void Announce(int room) {
        d.Run([&] {
            FileWork work(d.program);
            AnnounceCall(d.program, room, work);
            work.Submit();
        });
    }
    std::string Ini() const { return d.folder.Read("zarava.ini"); }
    std::string Log() const { return test::LogLines(d.folder); }
    // What was handed to the player or the starter since the last look, by file name.
    std::string Heard() {
        std::string heard;
        for (const std::string& s : d.sound.played) {
            heard += " | " + std::filesystem::path(s).filename().string();
        }
        for (const auto& s : d.programs.started) {
            heard +=
                " | " + std::filesystem::path(s.program).filename().string() + " " + s.argument;
        }
        d.sound.played.clear();
        d.programs.started.clear();
        return heard.empty() ? heard : heard.substr(3);
    }

    TestDisplay d;
};

std::string DisplaySection(std::optional<std::string> callSound,
                           std::optional<std::string> talkSelect) {
    return "[DISPLAY INFOMATION]\r\n2CALL SOUND=1\r\n" +
           (callSound ? "3CALL SOUND=" + *callSound + "\r\n" : "") +
           (talkSelect ? "TALK SELECT=" + *talkSelect + "\r\n" : "") + "COUNTER=x\r\n";
}

TEST(CallAnnouncementTest, AnyNonZeroRequestIsTakenAndAnnouncedOnceAsTalkSelectSays) {
    using V = std::optional<std::string>;
    const std::tuple<V, V, const char*> cases[] = {
        {"1", std::nullopt, "chime.wav"},
        {"-1", "", "chime.wav"},
        {"2.5", "abc", "chime.wav"},
        {"7", "1", "vocall.exe -tolv"},
        {"1", "0.5", "vocall.exe -tolv"},
        {"0", "1", ""},
        {"", "1", ""},
        {std::nullopt, "1", ""},
        {"abc", std::nullopt, ""},
    };
    for (const auto& [callSound, talkSelect, heard] : cases) {
        const std::string before = DisplaySection(callSound, talkSelect);
        Announcing a(before);
        SCOPED_TRACE(callSound.value_or("(missing)") + " / " + talkSelect.value_or("(missing)"));
        a.Announce(3);
        EXPECT_EQ(a.Heard(), heard);
        // A request taken leaves the key present and empty; every other byte stays.
        EXPECT_EQ(a.Ini(), *heard ? DisplaySection("", talkSelect) : before);
        a.Announce(3);
        EXPECT_EQ(a.Heard(), "") << "one request, one announcement";
    }
}

TEST(CallAnnouncementTest, TheLogTellsEachAnnouncementAndWhyNothingWasHeard) {
    using enum SoundEventKind;
    using enum SoundFailure;
    const std::vector<SoundEvent> cut{
        {Started, None, "", "Speakers", "PCM 8-bit, 8000 Hz, mono", 30, 600}};
    const struct {
        const char* file; // in the program folder
        const char* talk;
        std::vector<SoundEvent> answer;
        const char* heard;
        const char* logged; // after "room 3 call: "
    } cases[] = {
        {"Chime.WAV", "0", test::RecordingSound().answer, "Chime.WAV",
         "chime\nsound playing on Speakers: FOLDER/Chime.WAV (PCM 16-bit, 44100 Hz, mono, "
         "1.5 s)\n"},
        {"chime.wav", "0", cut, "chime.wav",
         "chime\nsound playing on Speakers: FOLDER/chime.wav (PCM 8-bit, 8000 Hz, mono, 30.0 s, "
         "cut from 600.0 s)\n"},
        {"chime.wav", "0", std::vector<SoundEvent>{{Failed, NoDevice, "none listed"}}, "chime.wav",
         "chime\nsound not played: FOLDER/chime.wav: no audio device: none listed\n"},
        {"chime.wav", "0", std::vector<SoundEvent>{{Failed, Unreadable, "is empty"}}, "chime.wav",
         "chime\nsound not played: FOLDER/chime.wav: file unreadable: is empty\n"},
        {"", "0", {}, "", "chime, but the program folder has no chime.wav: nothing heard\n"},
        {"VOCALL.EXE", "1", {}, "VOCALL.EXE -tolv", "voice program\n"},
        {"vocall", "1", {}, "vocall -tolv", "voice program\n"},
        {"", "1", std::vector<SoundEvent>{}, "vocall.exe -tolv",
         "voice program\nvocall.exe not started: FOLDER/vocall.exe: not found\n"},
    };
    for (const auto& c : cases) {
        Announcing a("[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\nTALK SELECT=" + std::string(c.talk) +
                         "\r\n",
                     *c.file ? std::vector<std::string>{c.file} : std::vector<std::string>{});
        a.d.sound.answer = c.answer;
        a.d.programs.result = *c.file != '\0';
        a.Announce(3);
        EXPECT_EQ(a.Heard(), c.heard);
        EXPECT_EQ(a.Log(), "room 3 call: " + std::string(c.logged));
        EXPECT_NE(a.Ini().find("3CALL SOUND=\r\n"), std::string::npos) << "taken all the same";
    }
}

TEST(CallAnnouncementTest, PlayWaveStopsTheSoundForAnEmptyNameOrOneWithoutWav) {
    TestDisplay d("");
    for (const char* path : {"", "/c/chime.mp3", "/c/wav", "/c/CHIME.WAV"}) {
        d.Run([&] { PlayWave(d.program, path); });
    }
    EXPECT_EQ(d.sound.played, (std::vector<std::string>{"", "", "", "/c/CHIME.WAV"}));
}

TEST(CallAnnouncementTest, ARequestThatCannotBeClearedIsAnnouncedAndLoggedAgainAtEachRefresh) {
    SKIP_ON_WINDOWS("it acts as another user on a folder closed to that user");
    const std::string ini = "[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\n";
    Announcing a(ini);
    // The folder can be read but not written; the log can.
    ::chmod((a.d.folder / "Log").c_str(), 0777);
    ::chmod(a.d.folder.Path().c_str(), test::RunningAsRoot() ? 0755 : 0555);
    // The file work runs on this thread, in virtual time.
    test::AsUnprivileged([&a] {
        a.Announce(3);
        a.Announce(3);
    });
    ::chmod(a.d.folder.Path().c_str(), 0700);

    EXPECT_EQ(a.Heard(), "chime.wav | chime.wav");
    EXPECT_EQ(a.Ini(), ini);
    const std::string announced =
        "setting not written after its retry: [DISPLAY INFOMATION] 3CALL SOUND= in "
        "FOLDER/zarava.ini\nroom 3 call: chime\nsound playing on Speakers: FOLDER/chime.wav "
        "(PCM 16-bit, 44100 Hz, mono, 1.5 s)\n";
    EXPECT_EQ(a.Log(), announced + announced);
}

} // namespace
} // namespace zarava
