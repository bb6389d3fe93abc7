#include "platform/FileRead.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace zarava {
namespace {

TEST(FileReadTest, ReadsAtMostTheLimitFromTheStartAndNeverWaitsOnWhatIsNoFile) {
    test::TempFolder folder;
    folder.Write("ten", "0123456789");
    folder.Write("empty", "");
    folder.Write("big", std::string(3 * 1024 * 1024, 'x') + "end");
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    const struct {
        const char* name;
        std::size_t limit;
        ReadFileResult result;
        std::string content;
    } cases[] = {
        {"ten", 9, ReadFileResult::Ok, "012345678"},
        {"ten", 10, ReadFileResult::Ok, "0123456789"},
        {"ten", 11, ReadFileResult::Ok, "0123456789"},
        {"ten", 0, ReadFileResult::Ok, ""},
        {"empty", 100, ReadFileResult::Ok, ""},
        {"big", 1024 * 1024, ReadFileResult::Ok, std::string(1024 * 1024, 'x')},
        {"missing", 100, ReadFileResult::Missing, ""},
        {"missing/below", 100, ReadFileResult::Missing, ""},
        {"ten/below", 100, ReadFileResult::Missing, ""},
        {"folder", 100, ReadFileResult::NotAFile, ""},
        {"pipe", 100, ReadFileResult::NotAFile, ""},
    };
    std::string content = "what was there before";
    for (const auto& c : cases) {
        EXPECT_EQ(ReadFileHead(folder / c.name, content, c.limit), c.result) << c.name;
        EXPECT_EQ(content, c.content) << c.name << " " << c.limit;
    }
}

} // namespace
} // namespace zarava
