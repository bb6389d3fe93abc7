#include "mainwindow/Tiling.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace zarava {

// Readable failure messages; internal, so other test files may print rectangles their own way.
static void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}

namespace {

struct TilingCase {
    int count;
    std::vector<Rect> cells;
};

void PrintTo(const TilingCase& c, std::ostream* os) {
    *os << c.count << " windows";
}

class TilingOfFullHdFrame : public ::testing::TestWithParam<TilingCase> {};

// The client area of a maximised 1920 x 1080 frame below its 44-pixel band.
TEST_P(TilingOfFullHdFrame, PlacesWindowsColumnByColumn) {
    EXPECT_EQ(TileVertically(GetParam().count, {0, 0, 1920, 1036}), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    OneToSeven, TilingOfFullHdFrame,
    ::testing::Values(
        TilingCase{1, {{0, 0, 1920, 1036}}},
        TilingCase{2, {{0, 0, 960, 1036}, {960, 0, 960, 1036}}},
        TilingCase{3, {{0, 0, 640, 1036}, {640, 0, 640, 1036}, {1280, 0, 640, 1036}}},
        TilingCase{
            4, {{0, 0, 960, 518}, {0, 518, 960, 518}, {960, 0, 960, 518}, {960, 518, 960, 518}}},
        TilingCase{5,
                   {{0, 0, 960, 518},
                    {0, 518, 960, 518},
                    {960, 0, 960, 345},
                    {960, 345, 960, 345},
                    {960, 690, 960, 346}}},
        TilingCase{6,
                   {{0, 0, 640, 518},
                    {0, 518, 640, 518},
                    {640, 0, 640, 518},
                    {640, 518, 640, 518},
                    {1280, 0, 640, 518},
                    {1280, 518, 640, 518}}},
        TilingCase{7,
                   {{0, 0, 640, 518},
                    {0, 518, 640, 518},
                    {640, 0, 640, 518},
                    {640, 518, 640, 518},
                    {1280, 0, 640, 345},
                    {1280, 345, 640, 345},
                    {1280, 690, 640, 346}}}),
    [](const auto& info) { return std::to_string(info.param.count) + "Windows"; });

TEST(TilingTest, NoWindowsGiveNoCells) {
    EXPECT_TRUE(TileVertically(0, {0, 0, 1920, 1036}).empty());
    EXPECT_TRUE(TileVertically(-3, {0, 0, 1920, 1036}).empty());
}

TEST(TilingTest, LeftoverPixelsGoToTheLastColumnAndRowAndTheAreaOffsetIsKept) {
    // 1001 / 2 and 701 / 3 leave pixels over; the area starts below a band on a second monitor.
    EXPECT_EQ(TileVertically(5, {1366, 44, 1001, 701}), (std::vector<Rect>{{1366, 44, 500, 350},
                                                                           {1366, 394, 500, 351},
                                                                           {1866, 44, 501, 233},
                                                                           {1866, 277, 501, 233},
                                                                           {1866, 510, 501, 235}}));
}

// Every cell lies inside the area, no two overlap, and together they cover it exactly.
TEST(TilingTest, CellsCoverTheAreaWithoutGapOrOverlap) {
    const std::vector<Rect> areas = {{0, 0, 1920, 1036}, {7, 61, 1279, 963}, {0, 44, 1023, 724}};
    for (const Rect& area : areas) {
        for (int count = 1; count <= 12; ++count) {
            SCOPED_TRACE(::testing::Message()
                         << count << " windows in " << area.width << "x" << area.height);
            const std::vector<Rect> cells = TileVertically(count, area);
            ASSERT_EQ(cells.size(), static_cast<std::size_t>(count));
            long long covered = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const Rect& a = cells[i];
                EXPECT_GE(a.left, area.left);
                EXPECT_GE(a.top, area.top);
                EXPECT_LE(a.Right(), area.Right());
                EXPECT_LE(a.Bottom(), area.Bottom());
                covered += static_cast<long long>(a.width) * a.height;
                for (std::size_t j = i + 1; j < cells.size(); ++j) {
                    const Rect& b = cells[j];
                    const bool apart = a.Right() <= b.left || b.Right() <= a.left ||
                                       a.Bottom() <= b.top || b.Bottom() <= a.top;
                    EXPECT_TRUE(apart) << "cells " << i << " and " << j << " overlap";
                }
            }
            EXPECT_EQ(covered, static_cast<long long>(area.width) * area.height);
        }
    }
}

} // namespace
} // namespace zarava
