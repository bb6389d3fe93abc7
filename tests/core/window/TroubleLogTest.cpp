#include "window/TroubleLog.h"

#include "LogLines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace zarava {
namespace {

TEST(TroubleLogTest, OneLineWhenATroubleStartsOrChangesAndOneWhenItEnds) {
    test::FolderWithLog f;
    TroubleLog trouble(f.log);
    const std::pair<const char*, const char*> looks[] = {
        {"", ""},          {"is a pipe", "x: is a pipe\n"},           {"is a pipe", ""},
        {"is a pipe", ""}, {"cannot be read", "x: cannot be read\n"}, {"", "x: all right again\n"},
        {"", ""},          {"is a pipe", "x: is a pipe\n"},
    };
    std::string expected;
    for (const auto& [found, line] : looks) {
        trouble.Report("x", found);
        expected += line;
        EXPECT_EQ(f.Lines(), expected) << found;
    }
}

} // namespace
} // namespace zarava
