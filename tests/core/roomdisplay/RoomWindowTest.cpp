#include "RoomTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

namespace zarava {
namespace {

using room_test::Display;
using room_test::StateOf;

std::string Ini(const std::string& form, const std::string& more = "") {
    return "[USER INFOMATION]\r\nFORM=" + form + "\r\n" + more;
}

std::string FormOf(const Display& d) {
    const std::string ini = d.folder.Read("zarava.ini");
    const auto at = ini.find("FORM=") + 5;
    return ini.substr(at, ini.find('\r', at) - at);
}

TEST(RoomWindowTest, RunningMarkIsSetAtLoadAndClearedAtUnloadKeepingTheIssuerBits) {
    for (const char* before : {"3", "7"}) {
        Display d(Ini(before));
        auto room = d.Room(1);
        EXPECT_EQ(FormOf(d), "7") << before;
        d.Run([&] { room->CloseRoomWindow(); });
        EXPECT_EQ(FormOf(d), "3") << before;
        EXPECT_TRUE(d.Published(*room).closed);
        EXPECT_FALSE(room->Timer1->Enabled()); // a closed window polls no more
    }
}

TEST(RoomWindowTest, ShopColourRoundsHalvesToEvenAndIgnoresWhatNamesNoSwatch) {
    struct Case {
        const char* shopColour; // nullptr: key missing
        int room;
        Rgb band;
    };
    const Case cases[] = {
        {nullptr, 2, {0x63, 0x65, 0xFF}}, {"0.4", 4, {0x63, 0x9A, 0x31}},
        {"2.5", 6, {0x63, 0x65, 0xFF}},   {"3.5", 1, {0x63, 0x9A, 0x31}},
        {"1abc", 5, {0xFF, 0x9A, 0xCE}},  {"6", 1, {0xD0, 0x40, 0x00}},
    };
    for (const Case& c : cases) {
        const std::string shop =
            c.shopColour ? std::string("[ZARAVA1 INFOMATION]\r\nSHOP COLOR=") + c.shopColour : "";
        Display d(Ini("0", shop));
        auto room = d.Room(c.room);
        const WindowSnapshot& s = d.Published(*room);
        const auto label = c.shopColour ? c.shopColour : "(missing)";
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").back, c.band) << label;
        EXPECT_EQ(StateOf(s, "xDazuzeLabel").fore, (Rgb{0xFF, 0xFF, 0xFF})) << label;
        EXPECT_EQ(StateOf(s, "MsgxLabel").back, c.band) << label;
    }
}

TEST(RoomWindowTest, LoadShowsTheTitleAsStoredAndLeavesTheBoardsEmpty) {
    // "第一診察室（表）" in code page 932; 表 ends in the byte 0x5C.
    const std::string title = "\x91\xe6\x88\xea\x90\x66\x8e\x40\x8e\xba\x81\x69\x95\x5c\x81\x6a";
    Display d(Ini("0", "[DAZUZE INFOMATION]\r\nDAZUZE3=" + title + "\r\nDAZUZE33=Wrong\r\n"));
    auto room = d.Room(3);
    auto untitled = d.Room(2);
    const WindowSnapshot& s = d.Published(*room);
    EXPECT_EQ(room->RoomNo, 3);
    EXPECT_EQ(StateOf(s, "xDazuzeLabel").caption, "第一診察室（表）");
    EXPECT_EQ(StateOf(d.Published(*untitled), "xDazuzeLabel").caption, "");

    for (int i = 0; i < 36; ++i) {
        EXPECT_TRUE(StateOf(s, "ImgW", i).picture.Empty()) << i;
    }
    for (int i : {0, 1, 2, 4, 5}) {
        EXPECT_TRUE(StateOf(s, "ImgCall", i).picture.Empty()) << i;
    }
    EXPECT_FALSE(StateOf(s, "ImgCall", 3).visible);
    EXPECT_FALSE(StateOf(s, "TlxCall").visible);
    EXPECT_FALSE(StateOf(s, "MsgFrame").visible);
    // Until the first refresh the waiting count shows only its units digit, the time dashes.
    EXPECT_TRUE(StateOf(s, "ImgMachi", 0).picture.Empty());
    EXPECT_TRUE(StateOf(s, "ImgMachi", 1).picture.Empty());
    EXPECT_EQ(StateOf(s, "ImgMachi", 2).picture.resource, "ImgB_0");
    EXPECT_EQ(StateOf(s, "ImgTime", 1).picture.resource, "ImgG_10");
    EXPECT_FALSE(room->Timer2->Enabled());
    EXPECT_EQ(room->ShownMsgType, -1);
    EXPECT_EQ(d.host.cursorMoves, (std::vector<std::pair<int, int>>{{50, 50}, {50, 50}}));
}

TEST(RoomWindowTest, MessageInfoDecidesTheLinesAndSpreadsTheBoardWithoutTheWaitingTime) {
    constexpr std::array<int, 12> designTops{1560, 1800, 2400, 2640, 3240, 3480,
                                             4080, 4320, 4920, 5160, 5760, 6000};
    constexpr std::array<int, 12> spreadTops{1560, 1850, 2600, 3040, 3840, 4280,
                                             5080, 5520, 6320, 6760, 7560, 8000};
    struct Case {
        const char* messageInfo; // nullptr: key missing
        bool waitingTime;
        bool waitingCount;
    };
    const Case cases[] = {
        {nullptr, true, true},
        {"0", true, true},
        {"-3", true, true},
        {"1", false, false},
        {"2", true, false},
        {"4", false, true},
        {"6", true, true},
        {"0.4", false, false},       // positive, but rounds to no bits at
                                     // all
        {"99999999999", true, true}, // too large for the layout bits: as if unconfigured
    };
    for (const Case& c : cases) {
        const std::string more =
            c.messageInfo ? std::string("[DISPLAY INFOMATION]\r\nMESSAGE INFO=") + c.messageInfo
                          : "";
        Display d(Ini("0", more));
        auto room = d.Room(1);
        const WindowSnapshot& s = d.Published(*room);
        const auto label = c.messageInfo ? c.messageInfo : "(missing)";
        EXPECT_EQ(StateOf(s, "TlxLabel", 2).visible, c.waitingTime) << label;
        for (int i = 0; i <= 4; ++i) {
            EXPECT_EQ(StateOf(s, "ImgTime", i).visible, c.waitingTime) << label << " " << i;
        }
        EXPECT_EQ(StateOf(s, "TlxLabel", 1).visible, c.waitingCount) << label;
        for (int i = 0; i <= 3; ++i) {
            EXPECT_EQ(StateOf(s, "ImgMachi", i).visible, c.waitingCount) << label << " " << i;
        }
        const auto& tops = c.waitingTime ? designTops : spreadTops;
        for (int i = 0; i < 36; ++i) {
            EXPECT_EQ(StateOf(s, "ImgW", i).top, tops[static_cast<std::size_t>(i / 3)])
                << label << " ImgW " << i;
        }
    }
}

TEST(RoomWindowTest, DesignNamesEachControlOnceAndEveryPictureIsCarriedByTheProgram) {
    const std::filesystem::path pictures =
        std::filesystem::path(ZARAVA_SOURCE_DIR) / "resources" / "pictures";
    std::set<std::pair<std::string, int>> seen;
    for (const ControlDesign& c : RoomWindowDesign().controls) {
        EXPECT_TRUE(seen.insert({c.name, c.index}).second) << c.name << "(" << c.index << ")";
        if (*c.picture != '\0') {
            EXPECT_TRUE(std::filesystem::exists(pictures / (std::string(c.picture) + ".gif")))
                << c.name << "(" << c.index << "): " << c.picture;
        }
    }
}

} // namespace
} // namespace zarava
