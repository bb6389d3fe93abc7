#include "files/FileStart.h"
#include "TempFolder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zarava {
namespace {

TEST(FileStartTest, ReadsUpToTheLimitAndTellsWhetherTheFileGoesOn) {
    test::TempFolder temp;
    temp.Write("empty", "");
    temp.Write("9", "123456789");
    temp.Write("10", "1234567890");
    temp.Write("11", "1234567890A");
    std::filesystem::create_directory(temp / "folder");
    ASSERT_EQ(::mkfifo((temp / "pipe").c_str(), 0600), 0);
    const struct {
        const char* name;
        ReadFileResult result;
        const char* bytes;
    } cases[] = {
        {"empty", ReadFileResult::Ok, ""},
        {"9", ReadFileResult::Ok, "123456789"},
        {"10", ReadFileResult::Ok, "1234567890"},
        {"11", ReadFileResult::TooLarge, "1234567890"},
        {"folder", ReadFileResult::NotAFile, ""},
        {"pipe", ReadFileResult::NotAFile, ""}, // nobody writes it: must not wait
        {"missing", ReadFileResult::Missing, ""},
        {"9/below", ReadFileResult::Missing, ""},
    };
    for (const auto& c : cases) {
        std::string bytes = "left over";
        EXPECT_EQ(ReadFileStart(temp / c.name, bytes, 10), c.result) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
}

} // namespace
} // namespace zarava
