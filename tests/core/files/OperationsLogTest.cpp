// The log when its folder cannot be written: said once when it starts and once when it ends,
// and the lines lost counted in the log itself.

#include "TempFolder.h"

#include "engine/VirtualTime.h"
#include "files/OperationsLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zarava {
namespace {

TEST(OperationsLogTest, AnUnusableFolderIsToldOnceWhenItStartsAndOnceWhenItEnds) {
    test::TempFolder folder;
    folder.Write("Log", "a file where the folder should be");
    VirtualTime time({2024, 1, 8, 9, 0, 0, 0});
    OperationsLog log(time, folder / "Log", OperationsLog::LostLines::Reported);
    OperationsLog quiet(time, folder / "Log");

    testing::internal::CaptureStderr();
    quiet.Write("dropped without a word");
    log.Write("first");
    time.AdvanceBy(1500);
    log.Write("second");
    log.Write("third");
    std::filesystem::remove(folder / "Log");
    std::filesystem::create_directory(folder / "Log");
    log.Write("back");
    log.Write("on");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "log folder unusable: " + (folder / "Log") +
                  " cannot be written; its lines are lost until it can be written again\n"
                  "log folder usable again: " +
                  (folder / "Log") + "\n");
    EXPECT_EQ(folder.Read("Log/20240108.log"),
              "09:00:01.500 back\n"
              "09:00:01.500 log folder unusable from 09:00:00.000: 3 lines lost\n"
              "09:00:01.500 on\n");
}

} // namespace
} // namespace zarava
