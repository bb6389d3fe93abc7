#include "TestDisplay.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zarava {
namespace {

using test::StateOf;
using test::TestDisplay;

std::string Ini(const std::string& form, const std::string& more = "") {
    return "[USER INFOMATION]\r\nFORM=" + form + "\r\n" + more;
}

TEST(RoomWindowTest, LoadShowsTheTitleAndEmptyBoardsAndMarksTheDisplayRunningUntilUnload) {
    // "第一診察室（表）" in code page 932; 表 ends in the byte 0x5C.
    const std::string title = "\x91\xe6\x88\xea\x90\x66\x8e\x40\x8e\xba\x81\x69\x95\x5c\x81\x6a";
    for (const char* before : {"3", "7"}) { // the issuer's own bits survive
        const std::string titles =
            "[DAZUZE INFOMATION]\r\nDAZUZE3=" + title + "\r\nDAZUZE33=No\r\n";
        TestDisplay d(Ini(before, titles));
        auto room = d.Room(3);
        EXPECT_EQ(d.folder.Read("zarava.ini"), Ini("7", titles)) << before;
        const WindowSnapshot& s = d.Published(*room);
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").caption, "第一診察室（表）");
        // Until the first refresh the waiting count shows only its units digit, the time dashes.
        EXPECT_EQ(test::BoardText(s), "waiting | count __0 | time ---");
        EXPECT_EQ(test::CallArea(s), "off");
        EXPECT_FALSE(StateOf(s, "TlxCall").visible);
        for (int i : {0, 1, 2, 4, 5}) {
            EXPECT_TRUE(StateOf(s, "ImgCall", i).picture.Empty()) << i;
        }
        EXPECT_EQ(d.host.cursorMoves, (std::vector<std::pair<int, int>>{{50, 50}}));

        d.Run([&] { room->CloseRoomWindow(); });
        EXPECT_EQ(d.folder.Read("zarava.ini"), Ini("3", titles)) << before;
        EXPECT_TRUE(d.Published(*room).closed);
    }
}

TEST(RoomWindowTest, ShopColourPicksASwatchFromOneToSixRoundingHalvesToEven) {
    const Rgb swatch2{0x63, 0x65, 0xFF}, swatch4{0x63, 0x9A, 0x31}, swatch1{0xFF, 0x9A, 0xCE};
    const std::tuple<const char*, int, Rgb> cases[] = {
        {"", 2, swatch2},    {"-1", 2, swatch2},   {"7", 2, swatch2},
        {"6.5", 2, swatch2}, {"0.4", 4, swatch4},  {"2.5", 6, swatch2},
        {"3.5", 1, swatch4}, {"1abc", 5, swatch1}, {"6", 1, {0xD0, 0x40, 0x00}},
    };
    for (const auto& [shop, room, band] : cases) {
        TestDisplay d(Ini("0", std::string("[ZARAVA1 INFOMATION]\r\nSHOP COLOR=") + shop));
        auto window = d.Room(room);
        const WindowSnapshot& s = d.Published(*window);
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").back, band) << shop;
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").fore, (Rgb{0xFF, 0xFF, 0xFF})) << shop;
        EXPECT_EQ(StateOf(s, "MsgxLabel").back, band) << shop;
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").caption, "") << "no title, not the design's sample";
    }
}

// Where the lines and the board sit is checked in pixels; here only that the board follows
// the same reading of the value as the lines.
TEST(RoomWindowTest, MessageInfoBitsTwoAndFourShowTheWaitingTimeAndCountLines) {
    const std::tuple<const char*, bool, bool> cases[] = {
        // value, waiting-time line, waiting-count line
        {"0", true, true},     {"-3", true, true},          {"1", false, false},
        {"2", true, false},    {"4", false, true},          {"6", true, true},
        {"0.4", false, false}, {"99999999999", true, true}, // too large: as if unconfigured
    };
    for (const auto& [value, time, count] : cases) {
        TestDisplay d(Ini("0", std::string("[DISPLAY INFOMATION]\r\nMESSAGE INFO=") + value));
        auto room = d.Room(1);
        const WindowSnapshot& s = d.Published(*room);
        EXPECT_EQ(StateOf(s, "TlxLabel", 2).visible, time) << value;
        EXPECT_EQ(StateOf(s, "TlxLabel", 1).visible, count) << value;
        for (int i = 0; i <= 4; ++i) {
            EXPECT_EQ(StateOf(s, "ImgTime", i).visible, time) << value << " " << i;
            EXPECT_EQ(StateOf(s, "ImgMachi", std::min(i, 3)).visible, count) << value << " " << i;
        }
        EXPECT_EQ(StateOf(s, "ImgW", 35).top, time ? 6000 : 8000) << value;
    }
}

} // namespace
} // namespace zarava
