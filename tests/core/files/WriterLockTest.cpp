// The lock the settings writers take turns with: it holds between processes, frees itself when
// its holder goes, and carries a note from one holder to the next.

#include "TempFolder.h"

#include "files/WriterLock.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace zarava {
namespace {

using test::TempFolder;

TEST(WriterLockTest, HoldsBetweenProcessesAndPassesItsNoteOn) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", "[S]\r\n");
    int taken[2];
    int release[2];
    ASSERT_EQ(::pipe(taken), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        WriterLock lock(file);
        char answer = lock.TryTake() == WriterLock::Attempt::Held ? 'y' : 'n';
        lock.WriteNote("from the child");
        (void)!::write(taken[1], &answer, 1);
        (void)!::read(release[0], &answer, 1);
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(taken[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    {
        WriterLock mine(file);
        EXPECT_EQ(mine.TryTake(), WriterLock::Attempt::Busy);
        ASSERT_EQ(::write(release[1], "x", 1), 1);
        ::waitpid(child, nullptr, 0);
        ASSERT_EQ(mine.TryTake(), WriterLock::Attempt::Held);
        EXPECT_EQ(mine.ReadNote(), "from the child");
        mine.WriteNote("short");
    }
    WriterLock next(file);
    ASSERT_EQ(next.TryTake(), WriterLock::Attempt::Held);
    EXPECT_EQ(next.ReadNote(), "short");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{".zarava.ini.lock", "zarava.ini"}));
    for (const int fd : {taken[0], taken[1], release[0], release[1]}) {
        ::close(fd);
    }
}

} // namespace
} // namespace zarava
