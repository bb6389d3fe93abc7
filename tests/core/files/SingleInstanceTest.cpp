#include "files/SingleInstance.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zarava {
namespace {

// Another copy holding the lock counts, whatever it was started with; one that has ended does
// not. Each copy opens the lock file on its own, as separate programs do, and the system drops
// the lock with the open file, as it does for a program that crashed.
TEST(SingleInstanceTest, SeesAnotherLiveCopyOnly) {
    test::TempFolder folder;
    const std::string path = folder / "zarava-display.lock";
    auto first = std::make_unique<SingleInstance>(path);
    EXPECT_FALSE(first->AnotherCopyRunning());
    EXPECT_TRUE(SingleInstance(path).AnotherCopyRunning());
    first.reset();
    EXPECT_FALSE(SingleInstance(path).AnotherCopyRunning());
}

} // namespace
} // namespace zarava
