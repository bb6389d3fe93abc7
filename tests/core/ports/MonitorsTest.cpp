#include "ports/Monitors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarava {
namespace {

std::string Lefts(const std::vector<Rect>& monitors) {
    std::string text;
    for (const Rect& m : monitors) {
        text += std::to_string(m.left) + "," + std::to_string(m.top) + " ";
    }
    return text;
}

// "a", "b" and "c" count monitors from the left, whatever order the window system lists them.
TEST(MonitorsTest, OrderedFromTheLeftWithoutTheDesktopSeenAsOne) {
    const struct {
        std::vector<Rect> screens;
        std::string expected;
    } cases[] = {
        {{{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}}, "0,0 1920,0 "},
        {{{0, 0, 3840, 1080}, {1920, 0, 1920, 1080}, {0, 0, 1920, 1080}}, "0,0 1920,0 "},
        {{{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}}, "0,0 0,1080 "}, // stacked: top first
        {{{-1280, 0, 1280, 1024}, {0, 0, 1920, 1080}}, "-1280,0 0,0 "},
        {{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}}, "0,0 0,0 "}, // mirrored: both stay
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Lefts(MonitorsLeftToRight(c.screens)), c.expected);
    }
}

} // namespace
} // namespace zarava
