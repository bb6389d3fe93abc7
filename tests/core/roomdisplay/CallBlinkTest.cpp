// The call area over a morning, in virtual time: the whole main window with its shared blink
// phase, rooms following the issuer's queue files.

#include "FrameFixture.h"
#include "QueueFiles.h"
#include "TestDisplay.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zarava {
namespace {

using test::Ticket;

using test::CallArea;

struct Stretch {
    std::string shown;
    std::int64_t from;
    std::int64_t ms;
};

class CallBlinkTest : public test::FrameFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder_ / "Temp");
        WriteIni(
            Utf8ToCp932("[DAZUZE INFOMATION]\r\nSHINSATSU=1\r\nDAZUZE1=R1\r\nDAZUZE2=R2\r\n"
                        "1TIME CALC=2\r\n2TIME CALC=2\r\n"
                        "[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n"
                        "[DISPLAY INFOMATION]\r\nCOUNTER=番窓口\r\nMSG TYPE=0\r\n"
                        "MSSG 4=午前の受付は終了しました\r\n1CALL SOUND=0\r\n2CALL SOUND=0\r\n")
                .value());
    }
    // The issuer rewrites a room's queue file; each rewrite gets a stamp a second later.
    void Issue(int room, const std::vector<Ticket>& tickets) {
        const std::string name = "Temp/20240108_" + std::to_string(room) + ".tmp";
        temp_.Write(name, test::QueueFile(tickets));
        ASSERT_TRUE(test::SetLastWrite(temp_ / name, {2024, 1, 8, 9, 0, ++stamp_, 0}));
    }
    void SetMsgType(const std::string& type) {
        std::string ini = Ini();
        const std::size_t at = ini.find("MSG TYPE=") + 9;
        ini.replace(at, ini.find('\r', at) - at, type);
        WriteIni(ini);
    }
    const WindowSnapshot& Room(int room) const {
        for (const auto& [id, window] : host_.windows) {
            if (window.tag == room) {
                return window;
            }
        }
        throw std::runtime_error("no room " + std::to_string(room));
    }
    // What a room's call area shows over the next `ms`, sampled every `step`, as runs.
    std::vector<Stretch> Watch(int room, std::int64_t ms, std::int64_t step = 100) {
        std::vector<Stretch> runs;
        for (std::int64_t t = 0; t < ms; t += step) {
            time_.AdvanceBy(step);
            const std::string shown = CallArea(Room(room));
            if (!runs.empty() && runs.back().shown == shown) {
                runs.back().ms += step;
            } else {
                runs.push_back({shown, time_.Elapsed(), step});
            }
        }
        return runs;
    }
    // The runs without the first and last, which the watch may have cut.
    static std::vector<Stretch> Whole(std::vector<Stretch> runs) {
        if (runs.size() < 2) {
            return {};
        }
        return {runs.begin() + 1, runs.end() - 1};
    }
    static std::string Sequence(const std::vector<Stretch>& runs) {
        std::string text;
        for (const Stretch& r : runs) {
            text += (text.empty() ? "" : " ") + r.shown + ":" + std::to_string(r.ms);
        }
        return text;
    }

    int stamp_ = 0;
};

std::vector<Ticket> Waiting(int from, int to) {
    std::vector<Ticket> tickets;
    for (int i = from; i <= to; ++i) {
        tickets.push_back({std::to_string(i), "", "9:00"});
    }
    return tickets;
}

std::vector<Ticket> operator+(std::vector<Ticket> a, const std::vector<Ticket>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(CallBlinkTest, CalledTicketsBlinkInTurnInAllRoomsTogether) {
    Issue(1, Waiting(1, 5));
    Issue(2, Waiting(51, 53));
    Start("12");
    time_.AdvanceBy(2000);
    EXPECT_EQ(Sequence(Watch(1, 3000)), "off:3000") << "nobody called yet";

    Issue(1, std::vector<Ticket>{{"1", "呼", "9:00", "9:05", "3"}} + Waiting(2, 5));
    Issue(2, std::vector<Ticket>{{"51", "呼", "9:00", "9:05", "12"}} + Waiting(52, 53));
    time_.AdvanceBy(1000); // both polls have seen the files
    std::vector<std::pair<std::int64_t, bool>> switches[3];
    for (int t = 0; t < 12000; t += 100) {
        time_.AdvanceBy(100);
        for (int room : {1, 2}) {
            const bool on = CallArea(Room(room)) != "off";
            auto& s = switches[room];
            if (s.empty() || s.back().second != on) {
                s.emplace_back(time_.Elapsed(), on);
            }
        }
    }
    ASSERT_EQ(switches[1].size(), switches[2].size());
    for (std::size_t i = 0; i < switches[1].size(); ++i) {
        EXPECT_LE(std::abs(switches[1][i].first - switches[2][i].first), 100) << i;
    }

    std::vector<Stretch> runs = Whole(Watch(1, 10000));
    ASSERT_GE(runs.size(), 6u);
    for (const Stretch& r : runs) {
        EXPECT_EQ(r.ms, r.shown == "off" ? 600 : 1800) << Sequence(runs);
        EXPECT_TRUE(r.shown == "off" || r.shown == "001@3") << Sequence(runs);
    }
    EXPECT_EQ(Whole(Watch(2, 5000))[1].shown, "051@12");

    // A second call, to no counter; the first is still being called.
    Issue(1, std::vector<Ticket>{{"1", "呼", "9:00", "9:05", "3"}, {"2", "呼", "9:01", "9:06"}} +
                 Waiting(3, 5));
    time_.AdvanceBy(1000);
    runs = Whole(Watch(1, 12000));
    std::vector<std::string> numbers;
    for (const Stretch& r : runs) {
        EXPECT_EQ(r.ms, r.shown == "off" ? 600 : 1800) << Sequence(runs);
        if (r.shown != "off") {
            numbers.push_back(r.shown);
        }
    }
    ASSERT_GE(numbers.size(), 4u) << Sequence(runs);
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_NE(numbers[i], numbers[i - 1]) << Sequence(runs);
        EXPECT_TRUE(numbers[i] == "001@3" || numbers[i] == "002") << Sequence(runs);
    }
}

TEST_F(CallBlinkTest, ARefreshDuringTheOnPhaseShowsTheFirstCalledTicketAtTheNextTick) {
    const auto calls =
        std::vector<Ticket>{{"1", "呼", "9:00", "9:05", "3"}, {"2", "呼", "9:01", "9:06", "4"}} +
        Waiting(3, 5);
    Issue(1, calls);
    Start("1");
    // Wait until the second ticket has just come on.
    for (int t = 0; t < 20000 && CallArea(Room(1)) != "002@4"; t += 10) {
        time_.AdvanceBy(10);
    }
    ASSERT_EQ(CallArea(Room(1)), "002@4");
    Issue(1, calls + Waiting(6, 6));
    const std::vector<Stretch> runs = Watch(1, 1000, 10);
    ASSERT_GE(runs.size(), 3u) << Sequence(runs);
    EXPECT_EQ(runs[0].shown, "002@4");
    EXPECT_EQ(runs[1].shown, "off");
    EXPECT_LE(runs[1].ms, 100) << "the refresh blanks the call area until the next tick";
    EXPECT_EQ(runs[2].shown, "001@3") << Sequence(runs);
}

TEST_F(CallBlinkTest, ANoticeTakesTurnsWithTheCalls3000And1800Ms) {
    Issue(1,
          std::vector<Ticket>{{"1", "呼", "9:00", "9:05", "3"}, {"2", "呼", "9:01", "9:06", "5"}});
    Start("1");
    time_.AdvanceBy(3000);
    SetMsgType("1");
    time_.AdvanceBy(3000);
    const std::vector<Stretch> runs = Whole(Watch(1, 20000));
    ASSERT_GE(runs.size(), 6u) << Sequence(runs);
    std::vector<std::string> numbers;
    for (const Stretch& r : runs) {
        if (r.shown == "notice") {
            EXPECT_EQ(r.ms, 3000) << Sequence(runs);
        } else {
            EXPECT_EQ(r.ms, 1800) << Sequence(runs);
            numbers.push_back(r.shown);
        }
    }
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_NE(numbers[i], numbers[i - 1]) << Sequence(runs);
    }

    SetMsgType("0");
    time_.AdvanceBy(3000);
    for (const Stretch& r : Whole(Watch(1, 6000))) {
        EXPECT_EQ(r.ms, r.shown == "off" ? 600 : 1800) << "the 番 glyph stays: " << r.shown;
    }
}

TEST_F(CallBlinkTest, RoomWindowsClosedWithTheFrameStopPollingAndBlinking) {
    std::string ini = Ini();
    ini.erase(ini.find("COUNTER="), ini.find("MSG TYPE=") - ini.find("COUNTER="));
    WriteIni(ini);
    Start("1");
    time_.AdvanceBy(2000);
    time_.Post([this] { display_->Unload(); });
    time_.RunPending();
    ASSERT_GE(host_.endedWith, 0);
    const std::size_t handOvers = host_.handOvers.size();
    Issue(1, std::vector<Ticket>{{"1", "呼", "9:00", "9:05", "3"}});
    time_.AdvanceBy(5000);
    EXPECT_EQ(Ini().find("COUNTER="), std::string::npos) << "no refresh after the close";
    EXPECT_EQ(host_.handOvers.size(), handOvers);

    // The blink stops as well, whoever closes the window.
    test::TestDisplay d(Ini());
    std::filesystem::create_directory(d.folder / "Temp");
    d.folder.Write("Temp/20240108_1.tmp", test::QueueFile({{"1", "呼", "9:00", "9:05", "3"}}));
    auto phase = d.time.CreateTimer(600, true, [&d] { d.program.blinkPhase.Advance(); });
    auto room = d.Room(1);
    d.time.AdvanceBy(3000);
    d.Run([&] {
        SettingsSnapshot settings = d.program.SettingsInPlace();
        room->Close(settings);
    });
    const bool banner = room->State("ImgCall", 3).visible;
    for (int t = 0; t < 30; ++t) {
        d.time.AdvanceBy(100);
        EXPECT_EQ(room->State("ImgCall", 3).visible, banner);
    }
}

} // namespace
} // namespace zarava
