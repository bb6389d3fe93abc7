#include "ports/Tiling.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    EXPECT_EQ(Cells(4, hd), "0,0 960x518; 0,518 960x518; 960,0 960x518; 960,518 960x518");
    EXPECT_EQ(Cells(7, hd), "0,0 640x518; 0,518 640x518; 640,0 640x518; 640,518 640x518; "
                            "1280,0 640x345; 1280,345 640x345; 1280,690 640x346");
    // 1001 / 2 and 701 / 3 leave pixels over for the last column and row; the area starts below
    // a band on a second monitor.
    EXPECT_EQ(Cells(5, {1366, 44, 1001, 701}),
              "1366,44 500x350; 1366,394 500x351; "
              "1866,44 501x233; 1866,277 501x233; 1866,510 501x235");
}

// Every cell lies inside the area, no two overlap, and together they cover it exactly.
TEST(TilingTest, CellsCoverTheAreaWithoutGapOrOverlap) {
    for (const Rect& area : {Rect{0, 0, 1920, 1036}, Rect{7, 61, 1279, 963}}) {
        for (int count = 1; count <= 12; ++count) {
            SCOPED_TRACE(::testing::Message() << count << " windows in " << area.width);
            const std::vector<Rect> cells = TileVertically(count, area);
            ASSERT_EQ(cells.size(), static_cast<std::size_t>(count));
            long long covered = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const Rect& a = cells[i];
                EXPECT_TRUE(a.left >= area.left && a.top >= area.top && a.Right() <= area.Right() &&
                            a.Bottom() <= area.Bottom());
                covered += static_cast<long long>(a.width) * a.height;
                for (std::size_t j = i + 1; j < cells.size(); ++j) {
                    const Rect& b = cells[j];
                    EXPECT_TRUE(a.Right() <= b.left || b.Right() <= a.left || a.Bottom() <= b.top ||
                                b.Bottom() <= a.top)
                        << "cells " << i << " and " << j << " overlap";
                }
            }
            EXPECT_EQ(covered, static_cast<long long>(area.width) * area.height);
        }
    }
}

} // namespace
} // namespace zarava
