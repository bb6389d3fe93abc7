#include "PausingClock.h"
#include "TempFolder.h"

#include "files/SharedFolder.h"

#include <regex>
#include <set>
#include <string>

namespace zarava {
namespace {

using test::PausingClock;
using test::TempFolder;
using Names = std::set<std::string>;

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
}

TEST(ProbeTest, FolderThatCannotHoldFilesFailsWithoutWaiting) {
    TempFolder dir;
    dir.Write("plain", "data");
    for (const std::string& folder : {dir / "missing", dir / "plain"}) {
        VirtualTime time(kSaturday);
        EXPECT_FALSE(ProbeWriteAccess(time, folder)) << folder;
        EXPECT_EQ(time.Slept(), 0) << folder;
    }
    EXPECT_EQ(dir.Names(), Names{"plain"});
    EXPECT_EQ(dir.Read("plain"), "data");
}

} // namespace
} // namespace zarava
