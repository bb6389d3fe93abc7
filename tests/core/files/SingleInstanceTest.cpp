#include "files/SingleInstance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zarava {
namespace {

// Another process holding the lock counts as another copy, whatever it was started with; a
// copy that ended (even by a crash) does not.
TEST(SingleInstanceTest, SeesAnotherLiveProcessOnly) {
    const std::string path = "/tmp/zarava-single-" + std::to_string(getpid()) + ".lock";
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance first(path);
        const char ready = first.AnotherCopyRunning() ? 'y' : 'n';
        (void)!write(fromChild[1], &ready, 1);
        char go;
        (void)!read(toChild[0], &go, 1);
        _exit(0);
    }
    char childSaw = 0;
    ASSERT_EQ(read(fromChild[0], &childSaw, 1), 1);
    EXPECT_EQ(childSaw, 'n');
    {
        SingleInstance second(path);
        EXPECT_TRUE(second.AnotherCopyRunning());
    }
    (void)!write(toChild[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    {
        SingleInstance third(path);
        EXPECT_FALSE(third.AnotherCopyRunning());
    }
    unlink(path.c_str());
    close(toChild[0]);
    close(toChild[1]);
    close(fromChild[0]);
    close(fromChild[1]);
}

} // namespace
} // namespace zarava
