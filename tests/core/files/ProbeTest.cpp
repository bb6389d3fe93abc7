#include "PausingClock.h"
#include "TempFolder.h"

#include "files/SharedFolder.h"

#include <grp.h>
#include <regex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Root writes through permission bits, so the probe runs as nobody on a folder root owns.
TEST(ProbeTest, ReadOnlyFolderFails) {
    TempFolder dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0); // mkdtemp made it 0700
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to drop to another user";
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VirtualTime time(kSaturday);
        const bool dropped = ::setgroups(0, nullptr) == 0 &&
                             ::setresgid(65534, 65534, 65534) == 0 &&
                             ::setresuid(65534, 65534, 65534) == 0;
        ::_exit(!dropped ? 3 : ProbeWriteAccess(time, dir.Path()) ? 1 : time.Slept() != 0 ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: probe passed, 2: it waited, 3: could not drop root";
    EXPECT_TRUE(dir.Names().empty());
}

} // namespace
} // namespace zarava
