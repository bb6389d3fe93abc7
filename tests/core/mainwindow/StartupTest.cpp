#include "FrameFixture.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zarava {
namespace {

using test::FrameFixture;
namespace fs = std::filesystem;

constexpr const char* kTitles = "DAZUZE1=R1\r\nDAZUZE2=R2\r\nDAZUZE3=R3\r\n"
                                "DAZUZE4=R4\r\nDAZUZE5=R5\r\nDAZUZE6=R6\r\n";

TEST(CommandLineTest, LettersPickTheMonitorDigitsTheRooms) {
    // command line, rooms configured, the monitor, the rooms picked. In "ab1" "a" wins and "b" is
    // just a skipped letter; "a" is looked for first, wherever it stands; there is no room 7.
    const std::tuple<const char*, int, int, const char*> cases[] = {
        {"b12", 6, 1, "12"},  {"a3", 6, 0, "3"},        {"ab1", 6, 0, "1"}, {"cb4a", 6, 0, "4"},
        {"bb5b", 6, 1, "5"},  {"7", 6, 0, ""},          {"0x9", 6, 0, ""},  {"", 6, 0, ""},
        {"c 2 2", 6, 2, "2"}, {"c123456", 3, 2, "123"},
    };
    for (const auto& [line, roomCount, monitor, picked] : cases) {
        const RoomSelection sel = SelectRooms(line, roomCount);
        std::string rooms;
        for (int r = 1; r <= 6; ++r) {
            rooms += sel.rooms[static_cast<std::size_t>(r)] ? std::to_string(r) : "";
        }
        EXPECT_EQ(sel.monitor, monitor) << line;
        EXPECT_EQ(rooms, picked) << line;
        EXPECT_EQ(sel.fromCommandLine, !rooms.empty()) << line;
    }
}

TEST_F(FrameFixture, RoomsFromTheCommandLineAreCreatedFromSixDownToOne) {
    WriteIni(std::string("[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n") + kTitles +
             "[USER INFOMATION]\r\nFORM=3\r\n[DISPLAY INFOMATION]\r\nTYPE=8\r\n");
    MainFrame& d = Start("B512");
    EXPECT_EQ(host_.endedWith, -1);
    EXPECT_EQ(CreatedRooms(), (std::vector<int>{5, 2, 1}));
    const FrameSnapshot& f = host_.frames.back();
    EXPECT_EQ(f.monitor, 0); // only one monitor: the nearest one that is there
    EXPECT_TRUE(f.topMost);
    EXPECT_FALSE(f.titleBar);
    EXPECT_EQ(f.arrangement, Arrangement::TileVertical);
    ASSERT_EQ(f.children.size(), 3u);
    EXPECT_EQ(RoomOf(host_.windows.at(f.children[0])), 1); // room 1 is shown last: top left
    EXPECT_NE(Ini().find("FORM=7\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder_ / "Temp"));
    EXPECT_TRUE(fs::is_directory(folder_ / "Log"));

    // A double-click on the band closes the display.
    Run([&d] { d.OnTickerNotification(TickerNotification::DoubleClicked); });
    EXPECT_EQ(host_.endedWith, 0);
    EXPECT_NE(Ini().find("FORM=3\r\n"), std::string::npos);
    for (const auto& [id, w] : host_.windows) {
        EXPECT_TRUE(w.closed);
    }
}

TEST_F(FrameFixture, MonitorComesFromTheLetterOrElseFromTypeAndRoomCountFromShinsatsu) {
    host_.monitors = {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}, {3840, 0, 1280, 1024}};
    const std::tuple<const char*, const char*, int> monitors[] = {
        {"b1", "8", 1},    {"c2", "0", 2}, {"7", "6", 1}, {"b7", "9", 2},
        {"-tolv", "1", 1}, {"x", "3", 0},  {"b", "", 0},  {"a1", "9", 0}};
    for (const auto& [line, type, monitor] : monitors) {
        WriteIni(std::string("[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n") + kTitles +
                 "[USER INFOMATION]\r\nFORM=1\r\n[DISPLAY INFOMATION]\r\nTYPE=" + type + "\r\n");
        Start(line);
        ASSERT_FALSE(host_.frames.empty()) << line;
        EXPECT_EQ(host_.frames.back().monitor, monitor) << line << " TYPE=" << type;
        display_->Unload();
    }
    const std::pair<const char*, int> rooms[] = {{"", 1},   {"0", 1},   {"5", 6},   {"9", 4},
                                                 {"-1", 4}, {"abc", 1}, {"2.5", 4}, {"1.5", 2}};
    for (const auto& [shinsatsu, count] : rooms) {
        WriteIni(std::string("[DAZUZE INFOMATION]\r\nSHINSATSU=") + shinsatsu + "\r\n" + kTitles +
                 "[USER INFOMATION]\r\nFORM=1\r\n");
        Start("a123456");
        EXPECT_EQ(static_cast<int>(CreatedRooms().size()), count) << shinsatsu;
        display_->Unload();
    }
}

TEST_F(FrameFixture, TolvShowsTheRoomsOpenTodayWithAFillerForThreeOrFive) {
    // On a Monday. How a mask reads is pinned with the opening day; here that the rooms follow
    // it, and that three or five rooms get a filler to make up the grid, tiled last.
    const std::pair<const char*, std::vector<int>> cases[] = {
        // WEEK4 = Mon-Fri, WEEK3 = Saturday only, the others closed (0).
        {"WEEK2=127\r\nWEEK3=64\r\nWEEK4=62\r\nWEEK5=0\r\nWEEK6=x\r\n", {0, 4, 2, 1}},
        {"", {6, 5, 4, 3, 2, 1}}, // no masks: every room every day
        {"WEEK5=0\r\nWEEK6=1\r\n", {4, 3, 2, 1}},
        {"WEEK5=0\r\n", {0, 6, 4, 3, 2, 1}},
    };
    for (const auto& [masks, created] : cases) {
        WriteIni(std::string("[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nWEEK1=0\r\n") + masks +
                 kTitles + "[USER INFOMATION]\r\nFORM=1\r\n");
        Start("-TOLV");
        EXPECT_EQ(CreatedRooms(), created) << masks;
        if (created.front() == 0) {
            EXPECT_EQ(host_.frames.back().children.back(), host_.windowOrder.front()) << masks;
        }
        display_->Unload();
    }
}

TEST_F(FrameFixture, WithoutRoomDigitsASecondCopyOrAnEmptyLineEndsSilently) {
    // command line, another copy running, rooms created (none: ended silently)
    const std::tuple<const char*, bool, std::vector<int>> cases[] = {
        {"-tolv", true, {}}, {"   ", false, {}}, {"b34", true, {4, 3}}};
    for (const auto& [line, anotherCopy, created] : cases) {
        WriteIni(std::string("[USER INFOMATION]\r\nFORM=7\r\n[DAZUZE INFOMATION]\r\n"
                             "SHINSATSU=5\r\n") +
                 kTitles);
        host_.anotherCopy = anotherCopy;
        Start(line);
        EXPECT_EQ(CreatedRooms(), created) << line;
        EXPECT_TRUE(host_.messages.empty()) << line;
        // On its way out it clears the running mark, even one another copy had set.
        EXPECT_EQ(host_.endedWith, created.empty() ? 0 : -1) << line;
        EXPECT_EQ(Form(), created.empty() ? "3" : "7") << line;
        if (!created.empty()) {
            display_->Unload();
        }
    }
}

TEST_F(FrameFixture, UnwritableFolderStopsWithTheWriteAccessMessage) {
    folder_ /= "gone"; // the probe cannot create its file in a folder that does not exist
    Start("a1");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "ネットワーク ユーザーによるファイル変更が、　　\r\n制限されている様です。\r\n\r\n"
              "接続先フォルダの共有プロパティで、ファイルの変更を許可して下さい。　　　");
    EXPECT_EQ(host_.messages[0].title, "");
    EXPECT_EQ(host_.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(host_.endedWith, 1);
    EXPECT_TRUE(host_.windows.empty());
}

} // namespace
} // namespace zarava
