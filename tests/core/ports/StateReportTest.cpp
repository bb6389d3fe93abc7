#include "ports/StateReport.h"
#include "ports/DisplayLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zarava {
namespace {

ControlDesign Control(const char* name, int index, ControlKind kind, Rect at, int parent = -1) {
    ControlDesign c{.name = name, .index = index, .kind = kind, .parent = parent};
    std::tie(c.left, c.top, c.width, c.height) = std::tie(at.left, at.top, at.width, at.height);
    return c;
}

// A window of 6000 x 3000 twips (400 x 200 pixels at design size): a frame holding a label,
// an image below the client area, and a picture.
const WindowDesign kDesign{
    .className = "RoomWindow",
    .width = 6000,
    .height = 3000,
    .controls = {Control("Panel", -1, ControlKind::Frame, {600, 300, 3000, 1500}),
                 Control("Text", -1, ControlKind::TextLabel, {150, 150, 1500, 600}, 0),
                 Control("ImgB", 3, ControlKind::Image, {0, 9000, 450, 450}),
                 Control("ImgW", 0, ControlKind::Image, {4500, 1500, 1500, 1500})}};

WindowSnapshot Snapshot() {
    WindowSnapshot s;
    s.design = &kDesign;
    s.tag = 2;
    s.controls.resize(kDesign.controls.size());
    for (std::size_t i = 0; i < s.controls.size(); ++i) {
        s.controls[i].top = kDesign.controls[i].top;
    }
    s.controls[1].caption = "\"ご案内\"\r\n\t番号";
    s.controls[1].back = {0xFF, 0x80, 0x00};
    s.controls[1].fore = {0xFF, 0xFF, 0xFF};
    s.controls[3].picture.resource = "ImgO_7";
    return s;
}

// A control shows only while its frame does too. (Where each control shows, scaled with its
// window and frame, and that a control below the client area shows nowhere, the report
// below lists.)
TEST(DisplayLayoutTest, AControlInAHiddenFrameIsHidden) {
    WindowSnapshot s = Snapshot();
    EXPECT_TRUE(ControlShown(s, 1));
    s.controls[0].visible = false;
    EXPECT_FALSE(ControlShown(s, 1)); // its own flag is set, its frame's is not
}

TEST(DisplayLayoutTest, BandAndCellsFollowTheFrame) {
    EXPECT_EQ(std::tuple(BandHeight(600), BandHeight(768), BandHeight(1080)),
              std::tuple(44, 44, 61));
    // An unknown rate counts as 60 Hz.
    EXPECT_EQ(std::pair(BandStepPixels(61, 0), BandStepPixels(61, 144)), std::pair(3, 1));
    EXPECT_EQ(ChildCells(1920, 1080, 2),
              (std::vector<Rect>{{0, 61, 960, 1019}, {960, 61, 960, 1019}}));
    EXPECT_EQ(ChildClient({960, 61, 960, 1019}), (Rect{962, 63, 956, 1015}));
}

TEST(StateReportTest, ListsEveryControlWhereItShows) {
    const WindowSnapshot s = Snapshot();
    FrameSnapshot frame;
    frame.monitor = 1;
    frame.tickerCaption = "ただいま\\";
    frame.blinkOn = true;
    EXPECT_EQ(StateReport(frame, {{&s, {0, 61, 404, 204}}, {nullptr, {}}}),
              "{\n"
              "  \"frame\": {\"monitor\": 1, \"ticker\": \"ただいま\\\\\", \"blinkOn\": true, "
              "\"closePending\": false},\n"
              "  \"windows\": [\n"
              "    {\"kind\": \"room\", \"room\": 2, \"x\": 0, \"y\": 61, \"width\": 404, "
              "\"height\": 204, \"controls\": {\n"
              "      \"Panel\": {\"visible\": true, \"x\": 42, \"y\": 83, \"width\": 200, "
              "\"height\": 100, \"back\": \"#000000\"},\n"
              "      \"Text\": {\"visible\": true, \"x\": 52, \"y\": 93, \"width\": 100, "
              "\"height\": 40, \"enabled\": true, \"caption\": \"\\\"ご案内\\\"\\r\\n\\t番号\", "
              "\"back\": \"#FF8000\", \"fore\": \"#FFFFFF\"},\n"
              "      \"ImgB(3)\": {\"visible\": true, \"picture\": \"\"},\n"
              "      \"ImgW(0)\": {\"visible\": true, \"x\": 302, \"y\": 163, \"width\": 100, "
              "\"height\": 100, \"picture\": \"ImgO_7\"}}}\n"
              "  ]\n"
              "}\n");
    EXPECT_NE(StateReport(frame, {}).find("\"windows\": []\n}\n"), std::string::npos);
}

} // namespace
} // namespace zarava
