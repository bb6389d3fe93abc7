#include "window/TroubleLog.h"

#include "LogLines.h"
#include "engine/VirtualTime.h"
#include "files/OperationsLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

namespace zarava {
namespace {

TEST(TroubleLogTest, OneLineWhenATroubleStartsOrChangesAndOneWhenItEnds) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "Log");
    VirtualTime time;
    OperationsLog log(time, folder / "Log");
    TroubleLog trouble(log);
    const std::pair<const char*, const char*> looks[] = {
        {"", ""},          {"is a pipe", "x: is a pipe\n"},           {"is a pipe", ""},
        {"is a pipe", ""}, {"cannot be read", "x: cannot be read\n"}, {"", "x: all right again\n"},
        {"", ""},          {"is a pipe", "x: is a pipe\n"},
    };
    std::string expected;
    for (const auto& [found, line] : looks) {
        trouble.Report("x", found);
        expected += line;
        EXPECT_EQ(test::LogLines(folder), expected) << found;
    }
}

} // namespace
} // namespace zarava
