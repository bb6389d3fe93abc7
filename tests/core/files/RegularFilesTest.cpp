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
    for (const std::string bytes : {"", "123456789", "1234567890", "1234567890A"}) {
        temp.Write("file", bytes);
        std::string start = "left over";
        EXPECT_EQ(ReadFileStart(temp / "file", start, 10),
                  bytes.size() > 10 ? ReadFileResult::TooLarge : ReadFileResult::Ok)
            << bytes;
        EXPECT_EQ(start, bytes.substr(0, 10));
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
    for (const std::string entry : {"folder", "pipe", "open pipe", "device", "missing/file"}) {
        SCOPED_TRACE(entry);
        const bool missing = entry == "missing/file";
        const ReadFileResult read = missing ? ReadFileResult::Missing : ReadFileResult::NotAFile;
        const std::string path = temp / entry;
        std::string bytes;
        FileSnapshot snapshot;
        int descriptor = -1;
        EXPECT_EQ(ReadWholeFile(path, bytes, 100), read);
        EXPECT_EQ(ReadFileStart(path, bytes, 100), read);
        EXPECT_EQ(ReadFileSnapshot(path, snapshot, 100), read);
        EXPECT_EQ(OpenRegularFile(path, descriptor), read);
        EXPECT_EQ(descriptor, -1);
        EXPECT_FALSE(FileForUpdate(path).IsOpen());
        EXPECT_EQ(AppendToFile(path, "line\n"),
                  missing ? WriteFileResult::Missing : WriteFileResult::NotAFile);
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
