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
        d.Run([&] { Leave(room); });
    }
    void Leave(int room) {
        FileWork work(d.program);
        AnnounceCall(d.program, room, work);
        work.Submit();
    }
    std::string Ini() const { return d.folder.Read("zarava.ini"); }
    // The log's lines without their times, FOLDER standing for the program folder.
    std::string Log() const {
        const std::string log = d.folder.Read("Log/20240108.log");
        std::string lines;
        for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
            lines += log.substr(at + 13, log.find('\n', at) + 1 - at - 13);
        }
        for (std::size_t at; (at = lines.find(d.folder.Path())) != std::string::npos;) {
            lines.replace(at, d.folder.Path().size(), "FOLDER");
        }
        return lines;
    }
    // What was handed to the player or the starter since the last look, by file name.
    std::vector<std::string> Heard() {
        std::vector<std::string> heard;
        for (const std::string& s : d.sound.played) {
            heard.push_back(std::filesystem::path(s).filename().string());
        }
        for (const auto& s : d.programs.started) {
            heard.push_back(std::filesystem::path(s.program).filename().string() + " " +
                            s.argument);
        }
        d.sound.played.clear();
        d.programs.started.clear();
        return heard;
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
        {"1", "0", "chime.wav"},
        {"-1", "", "chime.wav"},
        {"2.5", "abc", "chime.wav"},
        {"7", "1", "vocall.exe -tolv"},
        {"1", "-1", "vocall.exe -tolv"},
        {"1", "0.5", "vocall.exe -tolv"},
        {"0", "1", ""},
        {"", "1", ""},
        {std::nullopt, "1", ""},
        {"abc", std::nullopt, ""},
        {"0.0", "0", ""},
    };
    for (const auto& [callSound, talkSelect, heard] : cases) {
        const std::string before = DisplaySection(callSound, talkSelect);
        Announcing a(before);
        a.Announce(3);
        const std::string label =
            callSound.value_or("(missing)") + " / " + talkSelect.value_or("(missing)");
        EXPECT_EQ(a.Heard(), *heard ? std::vector<std::string>{heard} : std::vector<std::string>{})
            << label;
        // A request taken leaves the key present and empty; every other byte stays.
        EXPECT_EQ(a.Ini(), *heard ? DisplaySection("", talkSelect) : before) << label;
        a.Announce(3);
        EXPECT_TRUE(a.Heard().empty()) << label << ": one request, one announcement";
    }
}

TEST(CallAnnouncementTest, TwoRoomsCalledInTheSameSecondEachAnnounceOnce) {
    for (const char* talk : {"", "TALK SELECT=1\r\n"}) {
        // Without TALK SELECT each room waits for its retry, and the other room's handler runs.
        Announcing a(std::string("[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\n2CALL SOUND=1\r\n") +
                     talk);
        a.d.time.Post([&] { a.Leave(1); });
        a.d.time.Post([&] { a.Leave(2); });
        a.d.time.RunPending();
        const std::string what = *talk ? "vocall.exe -tolv" : "chime.wav";
        EXPECT_EQ(a.Heard(), (std::vector<std::string>{what, what}));
        EXPECT_NE(a.Ini().find("1CALL SOUND=\r\n2CALL SOUND=\r\n"), std::string::npos) << a.Ini();
        a.Announce(1);
        a.Announce(2);
        EXPECT_TRUE(a.Heard().empty());
    }
}

TEST(CallAnnouncementTest, TheLogTellsWhereEachChimeWentOrWhyNothingWasHeard) {
    const SoundEvent hdmi{SoundEventKind::Started,
                          SoundFailure::None,
                          "",
                          "HDMI",
                          "PCM 24-bit, 48000 Hz, stereo",
                          2.25,
                          2.25};
    const SoundEvent cut{SoundEventKind::Started,
                         SoundFailure::None,
                         "",
                         "Speakers",
                         "PCM 8-bit, 8000 Hz, mono",
                         30,
                         600};
    const SoundEvent noDevice{SoundEventKind::Failed, SoundFailure::NoDevice, "none listed"};
    const SoundEvent empty{SoundEventKind::Failed, SoundFailure::Unreadable, "is empty"};
    // What the player answers, and what the log says after "room 3 call: chime".
    const std::pair<SoundEvent, const char*> sounds[] = {
        {hdmi, "sound playing on HDMI: CHIME (PCM 24-bit, 48000 Hz, stereo, 2.2 s)"},
        {cut, "sound playing on Speakers: CHIME (PCM 8-bit, 8000 Hz, mono, 30.0 s, cut from "
              "600.0 s)"},
        {noDevice, "sound not played: CHIME: no audio device: none listed"},
        {empty, "sound not played: CHIME: file unreadable: is empty"},
    };
    for (const auto& [answer, line] : sounds) {
        Announcing a("[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\n", {"Chime.WAV"});
        a.d.sound.answer = {answer};
        a.Announce(3);
        EXPECT_EQ(a.Heard(), std::vector<std::string>{"Chime.WAV"});
        std::string expected = "room 3 call: chime\n" + std::string(line) + "\n";
        expected.replace(expected.find("CHIME"), 5, "FOLDER/Chime.WAV");
        EXPECT_EQ(a.Log(), expected);
    }
}

TEST(CallAnnouncementTest, TheLogTellsEachAnnouncementAndWhatIsMissing) {
    struct Case {
        const char* file;
        const char* talk;
        const char* heard;
        const char* logged;
    };
    const Case cases[] = {
        {"", "0", "",
         "room 3 call: chime, but the program folder has no chime.wav: nothing heard\n"},
        {"VOCALL.EXE", "1", "VOCALL.EXE -tolv", "room 3 call: voice program\n"},
        {"vocall", "1", "vocall -tolv", "room 3 call: voice program\n"},
        {"", "1", "vocall.exe -tolv",
         "room 3 call: voice program\nvocall.exe not started: FOLDER/vocall.exe: not found\n"},
    };
    for (const Case& c : cases) {
        Announcing a("[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\nTALK SELECT=" + std::string(c.talk) +
                         "\r\n",
                     *c.file ? std::vector<std::string>{c.file} : std::vector<std::string>{});
        a.d.programs.result = *c.file != '\0';
        a.Announce(3);
        EXPECT_EQ(a.Heard(),
                  *c.heard ? std::vector<std::string>{c.heard} : std::vector<std::string>{});
        EXPECT_EQ(a.Log(), c.logged);
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
    const std::string ini = "[DISPLAY INFOMATION]\r\n3CALL SOUND=1\r\n";
    Announcing a(ini);
    // The folder can be read but not written; the log can. Root writes anywhere, so this
    // thread takes another user's identity for its file accesses.
    ::chmod((a.d.folder / "Log").c_str(), 0777);
    const bool root = ::geteuid() == 0;
    ::chmod(a.d.folder.Path().c_str(), root ? 0755 : 0555);
    if (root) {
        ::setfsgid(65534);
        ::setfsuid(65534);
    }
    // The file work runs on this thread, in virtual time.
    a.Announce(3);
    a.Announce(3);
    if (root) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
    ::chmod(a.d.folder.Path().c_str(), 0700);

    EXPECT_EQ(a.Heard(), (std::vector<std::string>{"chime.wav", "chime.wav"}));
    EXPECT_EQ(a.Ini(), ini);
    const std::string announced =
        "setting not written after its retry: [DISPLAY INFOMATION] 3CALL SOUND= in "
        "FOLDER/zarava.ini\nroom 3 call: chime\nsound playing on Speakers: FOLDER/chime.wav "
        "(PCM 16-bit, 44100 Hz, mono, 1.5 s)\n";
    EXPECT_EQ(a.Log(), announced + announced);
}

} // namespace
} // namespace zarava
