// The call area's blink and the notice taking turns with it: first the animation alone, tick
// by tick, then room windows following the issuer's queue files in virtual time.

#include "roomdisplay/CallBlink.h"
#include "TestDisplay.h"
#include "roomdisplay/RoomDesign.h"

#include <set>
#include <string>
#include <vector>

namespace zarava {
namespace {

using test::Ticket;

// What a call area shows over a while, as runs of the same sight: {"off", 600}, {"001@3", 1800}.
using Runs = std::vector<std::pair<std::string, int>>;

void Add(Runs& runs, const std::string& shown, int ms) {
    if (!runs.empty() && runs.back().first == shown) {
        runs.back().second += ms;
    } else {
        runs.push_back({shown, ms});
    }
}

// The runs but the first and the last, which the watch may have cut: "off:600 001@3:1800".
std::string Whole(const Runs& runs) {
    std::string text;
    for (std::size_t i = 1; i + 1 < runs.size(); ++i) {
        text += (text.empty() ? "" : " ") + runs[i].first + ":" + std::to_string(runs[i].second);
    }
    return text;
}

// The animation alone: the blink's 100 ms ticks and the shared phase stepping every sixth one,
// with the call records and the notice as a refresh and a poll leave them.
struct Animation {
    using Called = std::vector<std::pair<std::string, std::string>>; // ticket, counter
    explicit Animation(const Called& called) {
        std::vector<CalledEntry> entries;
        for (const auto& [ticket, counter] : called) {
            entries.push_back({TicketDigits(ticket), CounterDigits(counter)});
        }
        calls.Record(entries);
        // The load and every refresh leave the call area blank.
        window.SetVisible(window.Find("ImgCall", 3), false);
        window.SetVisible(window.Find("TlxCall"), false);
    }
    Runs Run(int ms) {
        Runs runs;
        for (int t = 0; t < ms; t += 100, ++ticks) {
            if (ticks % 6 == 0) {
                phase.Advance();
            }
            blink.Tick(phase.On(), calls, notice);
            Add(runs, Shown(), 100);
        }
        return runs;
    }
    void Notice(int msgType) {
        notice.Apply(msgType, [](std::string_view) { return std::string("notice"); });
    }
    std::string Shown() const { return test::CallArea(window.Snapshot()); }

    Window window{RoomWindowDesign()};
    CallRecords calls;
    NoticePanel notice{window};
    CallBlink blink{window};
    BlinkPhase phase;
    int ticks = 0;
};

TEST(CallBlinkAnimationTest, EachSwitchOnShowsTheNextCalledTicketFor1800MsThen600MsOff) {
    Animation::Called ten;
    for (int i = 1; i <= 10; ++i) {
        ten.push_back({std::to_string(i), std::to_string(i)});
    }
    const std::pair<Animation::Called, const char*> cases[] = {
        // called tickets, the numbers of the first whole switch-ons in turn
        {{{"7", "5"}}, "007@5 007@5 007@5"},
        {{{"1", "12"}, {"2", ""}, {"3", "0"}}, "001@12 002 003 001@12 002"},
        // Entry 1 holds no ticket (its digits are all 0) and is passed over.
        {{{"5", "3"}, {"0", "4"}, {"7", "6"}}, "005@3 007@6 005@3 007@6"},
        {ten, "001@1 002@2 003@3 004@4 005@5 006@6 007@7 008@8 009@9 010@10 001@1"},
    };
    for (const auto& [called, expected] : cases) {
        Animation a(called);
        std::string shown;
        for (const auto& [sight, ms] : a.Run(26400)) {
            EXPECT_EQ(ms, sight == "off" ? 600 : 1800) << sight;
            shown += sight == "off" ? "" : (shown.empty() ? "" : " ") + sight;
        }
        EXPECT_EQ(shown.substr(0, std::string(expected).size()), expected);
    }
}

TEST(CallBlinkAnimationTest, ANoticeTakesTurnsWithTheCallsAndItsGlyphBlinksOnlyMeanwhile) {
    Animation a({{"1", "3"}, {"2", "5"}});
    a.Run(2000);
    a.Notice(1);
    EXPECT_EQ(a.Shown(), "notice") << "at once";
    EXPECT_EQ(Whole(a.Run(17000)), "002@5:1800 notice:3000 001@3:1800 notice:3000 002@5:1800");
    a.Notice(0);
    a.Run(600);
    EXPECT_EQ(Whole(a.Run(10000)),
              "off:600 002@5:1800 off:600 001@3:1800 off:600 002@5:1800 off:600");
}

// The notice is switched off after each of a whole turn's 48 ticks, and on again a second
// later: from then on the call area must go as for a notice switched on for the first time.
TEST(CallBlinkAnimationTest, ANoticeSwitchedOffAndOnAgainStartsAsAFreshOneAtAnyPhase) {
    for (int off = 0; off < 4800; off += 100) {
        Animation again({{"1", "3"}, {"2", "5"}}), fresh({{"1", "3"}, {"2", "5"}});
        again.Notice(1);
        again.Run(1200 + off);
        again.Notice(0);
        fresh.Run(1200 + off);
        std::string turns[2]; // again, fresh
        for (Animation* a : {&again, &fresh}) {
            a->Run(1000);
            a->Notice(1);
            // Which ticket shows depends on the rotation before; the turns must not.
            for (int t = 0; t < 6000; t += 100) {
                turns[a == &fresh] += a->Run(100)[0].first == "notice" ? 'N' : '.';
            }
        }
        EXPECT_EQ(turns[0], turns[1]) << "switched off " << off << " ms into the turns";
    }
}

// Room windows with the queue files of an issuer and the shared phase of the main window.
class CallBlinkTest : public test::RoomFixture {
protected:
    CallBlinkTest() { settings.mssg4 = "午前の受付は終了しました"; }
    // Each rewrite of the queue file is stamped a second after the last.
    void Issue(const std::vector<Ticket>& tickets) {
        RoomFixture::Issue(tickets, {2024, 1, 8, 9, 0, ++stamp_, 0});
    }
    Runs Watch(int ms, int step = 100) {
        Runs runs;
        for (int t = 0; t < ms; t += step) {
            d.time.AdvanceBy(step);
            Add(runs, Shown(), step);
        }
        return runs;
    }

    std::unique_ptr<Timer> phase_ =
        d.time.CreateTimer(600, true, [this] { d.program.blinkPhase.Advance(); });
    int stamp_ = 0;
};

TEST_F(CallBlinkTest, ARefreshShowsTheFirstCallAtTheNextTickAndAClosedRoomNeitherPollsNorBlinks) {
    const std::vector<Ticket> calls{{"1", "呼", "9:00", "9:05", "3"},
                                    {"2", "呼", "9:01", "9:06", "4"}};
    Issue(calls);
    Load();
    // Wait until the second ticket has just come on, then the issuer adds a waiting one.
    for (int t = 0; t < 5000 && Shown() != "002@4"; t += 10) {
        d.time.AdvanceBy(10);
    }
    Issue({calls[0], calls[1], {"6"}});
    const Runs runs = Watch(1000, 10);
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[1].first, "off");
    EXPECT_LE(runs[1].second, 100) << "the refresh blanks the call area until the next tick";
    EXPECT_EQ(runs[2].first, "001@3");

    // Closed, the room neither polls nor blinks.
    d.folder.Write("chime.wav", "x");
    d.Run([&] {
        SettingsSnapshot snapshot = d.program.SettingsInPlace();
        room->Close(snapshot);
    });
    const bool banner = room->State("ImgCall", 3).visible;
    // The issuer calls the next ticket and asks for the chime.
    Issue({{"2", "呼", "9:00", "9:05", "3"}});
    settings.callSound = "1";
    Configure();
    for (int t = 0; t < 3000; t += 100) {
        d.time.AdvanceBy(100);
        EXPECT_EQ(room->State("ImgCall", 3).visible, banner) << t;
    }
    EXPECT_TRUE(d.sound.played.empty());
}

// The last called ticket is served 100 ms later at each try, so that it happens at every
// moment of the turns of the notice and the numbers.
TEST_F(CallBlinkTest, ANoticeStaysUpWhenTheLastCallIsServedAtAnyPhaseOfTheTurns) {
    settings.msgType = "1";
    Load();
    std::set<std::string> servedWhile;
    for (int wait = 0; wait < 4800; wait += 100) {
        Issue({{"7", "呼", "9:00", "9:05", "3"}});
        d.time.AdvanceBy(1000 + wait);
        servedWhile.insert(Shown());
        Issue({{"7", "済", "9:00", "9:05", "3"}});
        d.time.AdvanceBy(RoomWindow::kPollMs + 100);
        EXPECT_EQ(Watch(5000).size(), 1u) << wait << " ms after the call";
        EXPECT_EQ(Shown(), "notice") << wait << " ms after the call";
    }
    EXPECT_EQ(servedWhile, (std::set<std::string>{"notice", "007@3"}));

    // The next call shows at the next switch-on: the notice has had its turn meanwhile.
    Issue({{"8", "呼", "9:00", "9:05", "3"}});
    const Runs runs = Watch(4000);
    EXPECT_EQ(runs[1].first, "008@3");
    EXPECT_LE(runs[0].second, RoomWindow::kPollMs + 600 + 100);
}

// A poll that sees a notice and new calls at once, and must wait for a missing setting's retry
// first, has not started while it waits: the blink cannot draw a call before the poll has set
// up the notice. From the start-up on, the notice and the calls take turns from the first call.
TEST_F(CallBlinkTest, ANoticeAndCallsSeenByOnePollTakeTurnsFromTheFirstCall) {
    settings.msgType = "1";
    settings.timeCalc = "-";
    Issue({{"11", "呼", "9:00", "9:05"}, {"22", "呼", "9:01", "9:06"}});
    d.time.AdvanceBy(650); // the phase is on when the poll's handler runs
    Load();
    std::string shown;
    for (const auto& [sight, ms] : Watch(12000)) {
        shown += sight == "off" ? "" : sight + " ";
    }
    EXPECT_EQ(shown.substr(0, 22), "notice 011 notice 022 ");
}

} // namespace
} // namespace zarava
