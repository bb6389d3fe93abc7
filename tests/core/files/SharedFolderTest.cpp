// The shared folder's own operations: folders made and names found whatever their case, the
// write probe, and file times as local date values.

#include "PausingClock.h"
#include "SystemSide.h"
#include "TempFolder.h"

#include "engine/DateTime.h"
#include "files/Folders.h"
#include "files/SharedFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <tuple>

namespace zarava {
namespace {

using test::PausingClock;
using test::TempFolder;
using Names = std::set<std::string>;

TEST(FoldersTest, EnsureFolderMakesOnlyAFolderThatIsMissingWhateverTheCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "temp");
    dir.Write("temp/20240108_1.tmp", "queue");
    dir.Write("log", "someone's data");
    for (const char* folder : {"Sound", "temp", "Temp", "TEMP/", "Log", "missing/Temp"}) {
        EnsureFolder(dir / folder);
    }
    EXPECT_EQ(dir.Names(), (Names{"Sound", "log", "temp"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Sound"));
    EXPECT_EQ(dir.Read("temp/20240108_1.tmp") + dir.Read("log"), "queuesomeone's data");
}

TEST(FoldersTest, ResolveInFolderMatchesEachComponentIgnoringCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "Temp");
    for (const char* name : {"Temp/20240108_1.tmp", "Chime.WAV", "\xC3\xA9t\xC3\xA9.txt"}) {
        dir.Write(name, "");
    }
    const std::pair<const char*, const char*> cases[] = {
        {"temp\\20240108_1.TMP", "Temp/20240108_1.tmp"},
        {"/temp//20240108_1.tmp", "Temp/20240108_1.tmp"},
        // Nothing matches: the name stays as asked, so a new file gets it.
        {"hkcode.tmp", "hkcode.tmp"},
        {"TEMP/20240109_1.tmp", "Temp/20240109_1.tmp"},
        {"missing/Sub/x.tmp", "missing/Sub/x.tmp"},
        {"chime.wav/x", "Chime.WAV/x"},
        {"\xC3\xA9T\xC3\xA9.TXT", "\xC3\xA9t\xC3\xA9.txt"},
        {"", ""},
    };
    for (const auto& [asked, expected] : cases) {
        EXPECT_EQ(ResolveInFolder(dir.Path(), asked), *expected ? dir / expected : dir.Path())
            << asked;
    }
}

TEST(FoldersTest, OfNamesThatDifferOnlyInCaseTheExactOneWinsElseTheSmallest) {
    SKIP_ON_WINDOWS("its file systems hold no two names that differ only in case");
    TempFolder dir;
    for (const char* name : {"TOP.JPG", "Top.jpg", "top.JPG", "\xC3\xA9t\xC3\xA9.txt"}) {
        dir.Write(name, "");
    }
    const std::pair<const char*, const char*> cases[] = {
        {"Top.jpg", "Top.jpg"},
        {"top.jpg", "TOP.JPG"},
        // ASCII letters fold; "É" is another character, not the capital of a byte.
        {"\xC3\x89T\xC3\x89.txt", "\xC3\x89T\xC3\x89.txt"},
    };
    for (const auto& [asked, expected] : cases) {
        EXPECT_EQ(ResolveInFolder(dir.Path(), asked), dir / expected) << asked;
    }
}

constexpr LocalDateTime kSaturday{2024, 1, 13, 9, 30, 15, 123};

TEST(ProbeTest, ProbeFileExistsOnlyWhileWaitingAndNeverReplacesAnother) {
    TempFolder dir;
    Names during;
    std::string content;
    PausingClock clock(kSaturday);
    clock.onSleep = [&] {
        during = dir.Names();
        content = during.size() == 1 ? dir.Read(*during.begin()) : "";
    };
    EXPECT_TRUE(ProbeWriteAccess(clock, dir.Path()));
    EXPECT_EQ(clock.Slept(), 200);
    ASSERT_EQ(during.size(), 1u);
    const std::string probe = *during.begin();
    EXPECT_TRUE(std::regex_match(probe, std::regex("[1-9][0-9]{0,5}\\.rad"))) << probe;
    EXPECT_EQ(content, "20240113\r\n");
    EXPECT_TRUE(dir.Names().empty());

    // Another copy started in the same millisecond draws the same name first.
    dir.Write(probe, "another copy's probe");
    PausingClock again(kSaturday);
    again.onSleep = [&] { during = dir.Names(); };
    EXPECT_TRUE(ProbeWriteAccess(again, dir.Path()));
    EXPECT_EQ(during.size(), 2u);
    EXPECT_EQ(dir.Names(), Names{probe});
    EXPECT_EQ(dir.Read(probe), "another copy's probe");

    // A folder that cannot hold files fails at once.
    for (const std::string& folder : {dir / "missing", dir / probe}) {
        VirtualTime time(kSaturday);
        EXPECT_FALSE(ProbeWriteAccess(time, folder)) << folder;
        EXPECT_EQ(time.Slept(), 0) << folder;
    }
    EXPECT_EQ(dir.Names(), Names{probe});
}

TEST(FileTimesTest, LocalTimesWithTheOffsetInForceAtEachTimeAndNothingForNoFile) {
    SKIP_ON_WINDOWS("its time zone is the system's setting, which TZ does not change");
    const std::optional<std::string> zone =
        std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
    TempFolder dir;
    const std::string file = dir / "news.sjis";
    dir.Write("news.sjis", "x");
    // Accessed 2024-01-08 00:00:00.25 EST, written 2024-07-01 12:00:00.999999999 EDT: the
    // fraction of a millisecond is cut off, never rounded up.
    ASSERT_TRUE(
        test::SetFileTimes(file, {1'704'690'000, 250'000'000}, {1'719'849'600, 999'999'999}));
    test::SetEnvironment("TZ", "EST5EDT,M3.2.0,M11.1.0");
    ::tzset();
    double created = -1, lastWrite = -1, lastAccess = -1;
    GetFileTimes(file, created, lastWrite, lastAccess);
    test::SetEnvironment("TZ", zone ? zone->c_str() : nullptr);
    ::tzset();
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
