#include "SystemSide.h"
#include "TempFolder.h"

#include "engine/DateTime.h"
#include "files/Folders.h"
#include "files/SharedFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>

namespace zarava {
namespace {

// Sets the time zone for one test and puts the one before back.
struct Zone {
    explicit Zone(const char* zone) {
        test::SetEnvironment("TZ", zone);
        ::tzset();
    }
    ~Zone() {
        test::SetEnvironment("TZ", saved ? saved->c_str() : nullptr);
        ::tzset();
    }
    std::optional<std::string> saved =
        std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST(FileTimesTest, LocalTimesWithTheOffsetInForceAtEachTimeAndNothingForNoFile) {
    SKIP_ON_WINDOWS("its time zone is the system's setting, which TZ does not change");
    const Zone zone("EST5EDT,M3.2.0,M11.1.0");
    test::TempFolder dir;
    const std::string file = dir / "news.sjis";
    dir.Write("news.sjis", "x");
    // Accessed 2024-01-08 00:00:00.25 EST, written 2024-07-01 12:00:00.999999999 EDT: the
    // fraction of a millisecond is cut off, never rounded up.
    ASSERT_TRUE(
        test::SetFileTimes(file, {1'704'690'000, 250'000'000}, {1'719'849'600, 999'999'999}));

    double created = -1, lastWrite = -1, lastAccess = -1;
    GetFileTimes(file, created, lastWrite, lastAccess);
    EXPECT_DOUBLE_EQ(lastAccess, 45299 + 250.0 / 86'400'000);
    EXPECT_DOUBLE_EQ(lastWrite, ToDateValue({2024, 7, 1, 12, 0, 0, 999}));
    if (ReadFileStamps(file).value().createdFrom == CreationSource::Birth) {
        EXPECT_GT(created, ToDateValue({2024, 7, 2})); // born when the test made it
    } else {
        EXPECT_EQ(created, lastWrite);
    }
    // A missing file leaves the outputs as they were.
    for (const std::string& path : {dir / "missing.tmp", file + "/below", std::string()}) {
        double left[3] = {-1, -1, -1};
        GetFileTimes(path, left[0], left[1], left[2]);
        EXPECT_EQ(std::tuple(left[0], left[1], left[2]), std::tuple(-1.0, -1.0, -1.0)) << path;
    }
}

} // namespace
} // namespace zarava
