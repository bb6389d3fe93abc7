// Files are read and written only when they are regular files: a folder, a pipe or a device in
// a file's place on a broken or hostile share is refused at once and never waited on.

#include "SystemSide.h"
#include "TempFolder.h"

#include "files/FileAppend.h"
#include "files/FileFaults.h"
#include "files/FileStart.h"
#include "files/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace zarava {
namespace {

TEST(RegularFilesTest, AFileStartIsReadUpToTheLimitAndSaysWhetherTheFileGoesOn) {
    test::TempFolder temp;
    const struct {
        const char* bytes;
        ReadFileResult result;
        const char* start;
    } cases[] = {
        {"", ReadFileResult::Ok, ""},
        {"123456789", ReadFileResult::Ok, "123456789"},
        {"1234567890", ReadFileResult::Ok, "1234567890"},
        {"1234567890A", ReadFileResult::TooLarge, "1234567890"},
    };
    for (const auto& c : cases) {
        temp.Write("file", c.bytes);
        std::string bytes = "left over";
        EXPECT_EQ(ReadFileStart(temp / "file", bytes, 10), c.result) << c.bytes;
        EXPECT_EQ(bytes, c.start) << c.bytes;
    }
}

TEST(RegularFilesTest, NothingButARegularFileIsOpened) {
    SKIP_ON_WINDOWS("FIFOs and /dev are POSIX's (windows/WindowsFilesTest has Windows' own)");
    test::TempFolder temp;
    std::filesystem::create_directory(temp / "folder");
    ASSERT_TRUE(test::MakeFifo(temp / "pipe"));
    ASSERT_TRUE(test::MakeFifo(temp / "open pipe"));
    const test::FifoHeldOpen holder(temp / "open pipe");
    ASSERT_TRUE(holder.Held()); // another program holds it at both ends
    std::filesystem::create_symlink("/dev/null", temp / "device");
    const struct {
        const char* entry;
        ReadFileResult read;
        WriteFileResult append;
    } cases[] = {
        {"folder", ReadFileResult::NotAFile, WriteFileResult::NotAFile},
        {"pipe", ReadFileResult::NotAFile, WriteFileResult::NotAFile},
        {"open pipe", ReadFileResult::NotAFile, WriteFileResult::NotAFile},
        {"device", ReadFileResult::NotAFile, WriteFileResult::NotAFile},
        {"missing/file", ReadFileResult::Missing, WriteFileResult::Missing},
    };
    for (const auto& c : cases) {
        const std::string path = temp / c.entry;
        std::string bytes;
        FileSnapshot snapshot;
        int descriptor = -1;
        EXPECT_EQ(ReadWholeFile(path, bytes, 100), c.read) << c.entry;
        EXPECT_EQ(ReadFileStart(path, bytes, 100), c.read) << c.entry;
        EXPECT_EQ(ReadFileSnapshot(path, snapshot, 100), c.read) << c.entry;
        EXPECT_EQ(OpenRegularFile(path, descriptor), c.read) << c.entry;
        EXPECT_EQ(descriptor, -1) << c.entry;
        EXPECT_FALSE(FileForUpdate(path).IsOpen()) << c.entry;
        EXPECT_EQ(AppendToFile(path, "line\n"), c.append) << c.entry;
    }
    EXPECT_FALSE(std::filesystem::exists(temp / "missing"));
}

TEST(RegularFilesTest, AFileThatGrowsWhileItIsReadIsReadWhole) {
    test::TempFolder temp;
    const std::string path = temp / "zarava.ini";
    const std::string more(100'000, 'x');
    FileBytes kept;
    for (const char* reader : {"bytes kept between reads", "snapshot"}) {
        temp.Write("zarava.ini", "[S]\r\n");
        bool grown = false;
        // Another program appends as the first bytes are read.
        const ScopedFileFaults appending(temp.Path(), [&](FileOperation op, const std::string&) {
            if (op == FileOperation::Read && !std::exchange(grown, true)) {
                std::ofstream(path, std::ios::app | std::ios::binary) << more;
            }
            return PlannedFault{};
        });
        FileSnapshot snapshot;
        const bool whole = std::string_view(reader) == "snapshot"
                               ? ReadFileSnapshot(path, snapshot, 1 << 20) == ReadFileResult::Ok &&
                                     snapshot.bytes == "[S]\r\n" + more
                               : ReadWholeFile(path, kept, 1 << 20) == ReadFileResult::Ok &&
                                     kept.View() == "[S]\r\n" + more;
        EXPECT_TRUE(whole) << reader;
    }
}

} // namespace
} // namespace zarava
