#include "roomdisplay/CallAnnouncement.h"
#include "TestDisplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarava {
namespace {

using test::RecordingPrograms;
using test::TestDisplay;

// A program folder with zarava.ini, chime.wav and vocall.exe (the fakes never open them) and
// the log in its Log folder.
struct Announcing {
    explicit Announcing(const std::string& ini,
                        std::vector<std::string> files = {"chime.wav", "vocall.exe"})
        : d(ini) {
        for (const std::string& name : files) {
            d.folder.Write(name, "x");
        }
        std::filesystem::create_directory(d.folder / "Log");
        d.program.log = OperationsLog(d.time, d.folder / "Log");
    }
    void Announce(int room) {
        d.Run([&] { AnnounceCall(d.program, room); });
    }
    std::string Ini() const { return d.folder.Read("zarava.ini"); }
    std::string Log() const { return d.folder.Read("Log/20240108.log"); }
    // What was heard since the last look: "chime", "voice" or "".
    std::vector<std::string> Heard() {
        std::vector<std::string> heard;
        for (const std::string& s : d.sound.played) {
            heard.push_back(s == d.folder / "chime.wav" ? "chime" : "sound " + s);
        }
        for (const RecordingPrograms::Launch& s : d.programs.started) {
            heard.push_back(s == RecordingPrograms::Launch{d.folder / "vocall.exe", "-tolv"}
                                ? "voice"
                                : "program " + s.program + " " + s.argument);
        }
        d.sound.played.clear();
        d.programs.started.clear();
        return heard;
    }

    TestDisplay d;
};

std::string DisplaySection(std::optional<std::string> callSound,
                           std::optional<std::string> talkSelect) {
    std::string ini = "[DISPLAY INFOMATION]\r\n2CALL SOUND=1\r\n";
    if (callSound) {
        ini += "3CALL SOUND=" + *callSound + "\r\n";
    }
    if (talkSelect) {
        ini += "TALK SELECT=" + *talkSelect + "\r\n";
    }
    return ini + "COUNTER=x\r\n";
}

TEST(CallAnnouncementTest, AnyNonZeroRequestIsTakenAndAnnouncedOnceAsTalkSelectSays) {
    using V = std::optional<std::string>;
    struct Case {
        V callSound;
        V talkSelect;
        const char* heard; // "" for nothing
    };
    const Case cases[] = {
        {"1", std::nullopt, "chime"},
        {"1", "0", "chime"},
        {"-1", "", "chime"},
        {"2.5", "abc", "chime"},
        {"7", "1", "voice"},
        {"1", "-1", "voice"},
        {"1", "0.5", "voice"},
        {"0", "1", ""},
        {"", "1", ""},
        {std::nullopt, "1", ""},
        {"abc", std::nullopt, ""},
        {"0.0", "0", ""},
    };
    for (const Case& c : cases) {
        const std::string before = DisplaySection(c.callSound, c.talkSelect);
        Announcing a(before);
        a.Announce(3);
        const std::string label =
            c.callSound.value_or("(missing)") + " / " + c.talkSelect.value_or("(missing)");
        const std::vector<std::string> once =
            *c.heard ? std::vector<std::string>{c.heard} : std::vector<std::string>{};
        EXPECT_EQ(a.Heard(), once) << label;
        // A request taken leaves the key present and empty; every other byte stays.
        const std::string after = *c.heard ? DisplaySection(std::string(), c.talkSelect) : before;
        EXPECT_EQ(a.Ini(), after) << label;

        a.Announce(3);
        EXPECT_TRUE(a.Heard().empty()) << label << ": one request, one announcement";
    }
}

TEST(CallAnnouncementTest, TwoRoomsCalledInTheSameSecondEachAnnounceOnce) {
    for (const char* talk : {"0", "1"}) {
        // TALK SELECT missing costs a retry pause, in which the other room's handler runs.
        Announcing a(std::string("[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\n2CALL SOUND=1\r\n") +
                     (*talk == '1' ? "TALK SELECT=1\r\n" : ""));
        const Strand room1 = a.d.time.NewStrand();
        const Strand room2 = a.d.time.NewStrand();
        a.d.time.Post(room1, [&] { AnnounceCall(a.d.program, 1); });
        a.d.time.Post(room2, [&] { AnnounceCall(a.d.program, 2); });
        a.d.time.RunPending();
        const std::string kind = *talk == '1' ? "voice" : "chime";
        EXPECT_EQ(a.Heard(), (std::vector<std::string>{kind, kind})) << talk;
        EXPECT_NE(a.Ini().find("1CALL SOUND=\r\n2CALL SOUND=\r\n"), std::string::npos) << a.Ini();
        a.Announce(1);
        a.Announce(2);
        EXPECT_TRUE(a.Heard().empty()) << talk;
    }
}

TEST(CallAnnouncementTest, TheFilesAreFoundWithoutRegardToCaseAndWhatIsMissingIsLogged) {
    struct Case {
        std::vector<std::string> files;
        const char* talk;
        bool starts;       // what the starter answers
        const char* heard; // the file handed to the player or the starter
        const char* logged;
    };
    const Case cases[] = {
        {{"Chime.WAV"}, "0", true, "Chime.WAV", "room 3 call: chime\n"},
        {{},
         "0",
         true,
         "",
         "room 3 call: chime, but the program folder has no chime.wav: nothing heard\n"},
        {{"VOCALL.EXE"}, "1", true, "VOCALL.EXE", "room 3 call: voice program\n"},
        {{"vocall"}, "1", true, "vocall", "room 3 call: voice program\n"},
        {{"chime.wav"},
         "1",
         false,
         "vocall.exe",
         "room 3 call: voice program\nvocall.exe not started: FOLDER/vocall.exe: not found\n"},
    };
    for (const Case& c : cases) {
        Announcing a("[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\nTALK SELECT=" + std::string(c.talk) +
                         "\r\n",
                     c.files);
        a.d.programs.result = c.starts;
        a.Announce(3);
        std::vector<std::string> expected;
        if (*c.heard) {
            expected.push_back(a.d.folder / c.heard);
        }
        std::vector<std::string> heard = a.d.sound.played;
        for (const auto& s : a.d.programs.started) {
            heard.push_back(s.program);
        }
        EXPECT_EQ(heard, expected) << c.heard;
        std::string logged = c.logged;
        if (const auto at = logged.find("FOLDER"); at != std::string::npos) {
            logged.replace(at, 6, a.d.folder.Path());
        }
        std::string log = a.Log();
        // The lines without their times; a started chime adds its own line, checked elsewhere.
        std::string lines;
        for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
            const std::string line = log.substr(at + 13, log.find('\n', at) - at - 13);
            if (line.rfind("sound playing", 0) != 0) {
                lines += line + "\n";
            }
        }
        EXPECT_EQ(lines, logged);
        EXPECT_NE(a.Ini().find("3CALL SOUND=\r\n"), std::string::npos) << "taken all the same";
    }
}

TEST(CallAnnouncementTest, TheLogTellsWhereEachChimeWentOrWhyItWasNotHeard) {
    struct Case {
        SoundEvent answer;
        const char* logged;
    };
    const Case cases[] = {
        {{SoundEventKind::Started, SoundFailure::None, "", "HDMI Output",
          "PCM 24-bit, 48000 Hz, stereo", 2.25, 2.25},
         "sound playing on HDMI Output: CHIME (PCM 24-bit, 48000 Hz, stereo, 2.2 s)"},
        {{SoundEventKind::Started, SoundFailure::None, "", "Speakers", "PCM 8-bit, 8000 Hz, mono",
          30, 600},
         "sound playing on Speakers: CHIME (PCM 8-bit, 8000 Hz, mono, 30.0 s, cut from 600.0 s)"},
        {{SoundEventKind::Failed, SoundFailure::NoDevice, "none listed"},
         "sound not played: CHIME: no audio device: none listed"},
        {{SoundEventKind::Failed, SoundFailure::DeviceFailed, "could not be opened"},
         "sound not played: CHIME: audio device busy or failing: could not be opened"},
        {{SoundEventKind::Failed, SoundFailure::Unreadable, "is empty (0 bytes)"},
         "sound not played: CHIME: file unreadable: is empty (0 bytes)"},
    };
    for (const Case& c : cases) {
        Announcing a("[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\n");
        a.d.sound.answer = {c.answer};
        a.Announce(3);
        std::string logged = c.logged;
        logged.replace(logged.find("CHIME"), 5, a.d.folder / "chime.wav");
        EXPECT_EQ(a.Log(), "09:00:00.100 room 3 call: chime\n09:00:00.100 " + logged + "\n");
    }
}

TEST(CallAnnouncementTest, PlayWaveStopsTheSoundForNamesThatAreNoWaveFile) {
    const std::pair<const char*, bool> cases[] = {
        {"", false},
        {"/c/chime.wav", true},
        {"/c/CHIME.WAV", true},
        {"/c/chime.mp3", false},
        {"/c/chime.wav.old", true},
        {"/c/wav", false},
    };
    TestDisplay d("");
    for (const auto& [path, plays] : cases) {
        d.sound.played.clear();
        d.Run([&, path = path] { PlayWave(d.program, path); });
        EXPECT_EQ(d.sound.played, std::vector<std::string>{plays ? path : ""}) << path;
    }
}

// Acts, on this thread's file accesses, as a user who may read the program folder but not
// write to it (root writes anywhere, so it takes on another user's file-system identity), and
// lets everybody write the log.
class ReadOnlyFolder {
public:
    ReadOnlyFolder(const std::string& folder, const std::string& log) : folder_(folder) {
        ::chmod(log.c_str(), 0777);
        if (::geteuid() == 0) {
            ::chmod(folder.c_str(), 0755);
            ::setfsgid(65534);
            ::setfsuid(65534);
        } else {
            ::chmod(folder.c_str(), 0555);
        }
    }
    ~ReadOnlyFolder() {
        if (::geteuid() == 0) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
        ::chmod(folder_.c_str(), 0700);
    }

private:
    std::string folder_;
};

TEST(CallAnnouncementTest, ARequestThatCannotBeClearedIsAnnouncedAndLoggedAgainAtEachRefresh) {
    const std::string ini = "[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\n";
    Announcing a(ini);
    {
        ReadOnlyFolder readOnly(a.d.folder.Path(), a.d.folder / "Log");
        // On this thread, outside the engine: the settings store's pauses just move the time.
        AnnounceCall(a.d.program, 3);
        AnnounceCall(a.d.program, 3);
    }
    EXPECT_EQ(a.Heard(), (std::vector<std::string>{"chime", "chime"}));
    EXPECT_EQ(a.Ini(), ini);
    const std::string failed = "setting not written after its retry: [DISPLAY INFOMATION] "
                               "3CALL SOUND= in " +
                               a.d.folder / "zarava.ini";
    const std::string log = a.Log();
    const auto first = log.find(failed);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(failed, first + 1), std::string::npos) << log;
}

} // namespace
} // namespace zarava
