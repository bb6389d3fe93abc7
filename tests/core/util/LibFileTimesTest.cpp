#include "TempFolder.h"

#include "platform/DateTime.h"
#include "platform/Folders.h"
#include "util/Lib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace zarava {
namespace {

using test::TempFolder;

// Runs a test under a fixed time zone and restores the one before.
class LibFileTimesTest : public ::testing::Test {
protected:
    void UseZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    // Sets the file's last access and last write to UTC instants.
    static void SetTimes(const std::string& path, timespec access, timespec write) {
        const timespec times[2] = {access, write};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    TempFolder dir_;

private:
    std::optional<std::string> saved_ = [] {
        const char* tz = std::getenv("TZ");
        return tz ? std::optional<std::string>(tz) : std::nullopt;
    }();
};

constexpr std::time_t kJan2000NoonTokyo = 946'695'600; // 2000-01-01 03:00 UTC

TEST_F(LibFileTimesTest, LastWriteAtLocalNoonIsHalfADay) {
    UseZone("Asia/Tokyo");
    const std::string file = dir_ / "queue.tmp";
    dir_.Write("queue.tmp", "x");
    // Access a quarter second after local midnight; the write's fraction of a millisecond
    // is cut off, never rounded up to the next second.
    SetTimes(file, {kJan2000NoonTokyo - 12 * 3600, 250'000'000}, {kJan2000NoonTokyo, 999'999'999});

    double created = -1, lastWrite = -1, lastAccess = -1;
    GetFileTimes(file, created, lastWrite, lastAccess);
    EXPECT_DOUBLE_EQ(lastWrite, 36526.5 + 999.0 / 86'400'000);
    EXPECT_DOUBLE_EQ(lastAccess, 36526 + 250.0 / 86'400'000);

    SetTimes(file, {kJan2000NoonTokyo, 0}, {kJan2000NoonTokyo, 0});
    GetFileTimes(file, created, lastWrite, lastAccess);
    EXPECT_EQ(lastWrite, 36526.5);

    const std::optional<FileStamps> stamps = ReadFileStamps(file);
    ASSERT_TRUE(stamps);
    if (stamps->createdFrom == CreationSource::Birth) {
        EXPECT_GT(created, ToDateValue({2020, 1, 1})); // born when the test made it
    } else {
        EXPECT_EQ(created, lastWrite);
    }
}

TEST_F(LibFileTimesTest, UsesTheOffsetInForceAtTheFileTime) {
    UseZone("EST5EDT,M3.2.0,M11.1.0");
    const std::string file = dir_ / "news.sjis";
    dir_.Write("news.sjis", "x");
    const std::time_t julyNoon = 1'719'849'600;    // 2024-07-01 16:00 UTC, 12:00 EDT
    const std::time_t januaryNoon = 1'704'733'200; // 2024-01-08 17:00 UTC, 12:00 EST
    SetTimes(file, {januaryNoon, 0}, {julyNoon, 0});

    double created = -1, lastWrite = -1, lastAccess = -1;
    GetFileTimes(file, created, lastWrite, lastAccess);
    EXPECT_DOUBLE_EQ(lastWrite, ToDateValue({2024, 7, 1, 12, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(lastAccess, ToDateValue({2024, 1, 8, 12, 0, 0, 0}));
}

TEST_F(LibFileTimesTest, MissingFileLeavesTheOutputsAlone) {
    dir_.Write("file", "x");
    for (const std::string& path : {dir_ / "missing.tmp", dir_ / "file/below", std::string()}) {
        double created = -7, lastWrite = -8, lastAccess = -9;
        GetFileTimes(path, created, lastWrite, lastAccess);
        EXPECT_EQ(created, -7) << path;
        EXPECT_EQ(lastWrite, -8) << path;
        EXPECT_EQ(lastAccess, -9) << path;
    }
}

} // namespace
} // namespace zarava
