#include "ports/Tiling.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

// The cells as "left,top widthxheight" joined by "; ": short expectations, readable failures.
std::string Cells(int count, Rect area) {
    std::string text;
    for (const Rect& r : TileVertically(count, area)) {
        text += (text.empty() ? "" : "; ") + std::to_string(r.left) + "," + std::to_string(r.top) +
                " " + std::to_string(r.width) + "x" + std::to_string(r.height);
    }
    return text;
}

TEST(TilingTest, PlacesWindowsColumnByColumn) {
    const Rect hd{0, 0, 1920, 1036}; // a maximised 1920 x 1080 frame below its 44-pixel band
    EXPECT_EQ(Cells(0, hd), "");
    EXPECT_EQ(Cells(-3, hd), "");
    EXPECT_EQ(Cells(3, hd), "0,0 640x1036; 640,0 640x1036; 1280,0 640x1036");
    EXPECT_EQ(Cells(1, hd), "0,0 1920x1036");
    EXPECT_EQ(Cells(4, hd), "0,0 960x518; 0,518 960x518; 960,0 960x518; 960,518 960x518");
    EXPECT_EQ(Cells(6, hd), "0,0 640x518; 0,518 640x518; 640,0 640x518; 640,518 640x518; "
                            "1280,0 640x518; 1280,518 640x518");
    EXPECT_EQ(Cells(7, hd), "0,0 640x518; 0,518 640x518; 640,0 640x518; 640,518 640x518; "
                            "1280,0 640x345; 1280,345 640x345; 1280,690 640x346");
    // 1001 / 2 and 701 / 3 leave pixels over for the last column and row; the area starts below
    // a band on a second monitor.
    EXPECT_EQ(Cells(5, {1366, 44, 1001, 701}),
              "1366,44 500x350; 1366,394 500x351; "
              "1866,44 501x233; 1866,277 501x233; 1866,510 501x235");
}

} // namespace
} // namespace zarava
