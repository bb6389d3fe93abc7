// What Windows does its own way: a file that another program holds without sharing, its
// devices and pipes, its attributes, a folder name outside the ANSI code page, local time.

#include "QueueFiles.h"
#include "TempFolder.h"

#include "engine/VirtualTime.h"
#include "files/FileAppend.h"
#include "files/Files.h"
#include "files/OperationsLog.h"
#include "files/SharedFolder.h"
#include "settings/SettingsStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace zarava {
namespace {

using test::TempFolder;

struct CloseOnExit {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseOnExit>;

// Another program's handle on a file, sharing nothing with anyone while it is open.
Handle HoldWithoutSharing(const std::string& path) {
    return Handle(CreateFileW(test::PathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(WindowsFilesTest, AFileHeldWithoutSharingFailsForNowAndIsWrittenOnceItIsFree) {
    TempFolder folder;
    const std::string file = folder / "zarava.ini";
    folder.Write("zarava.ini", "[S]\r\nK=1\r\n");
    Handle issuer = HoldWithoutSharing(file);
    ASSERT_NE(issuer.get(), INVALID_HANDLE_VALUE);
    VirtualTime time;
    EXPECT_EQ(ReadSetting(time, "S", "K", file), "");
    EXPECT_EQ(WriteSetting(time, "S", "K", "2", file), 0);
    EXPECT_EQ(time.Slept(), 200) << "each with its one retry";
    issuer.reset();
    EXPECT_NE(WriteSetting(time, "S", "K", "2", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=2\r\n");

    // Our own opens share everything: the issuer may save while we have the file open.
    const FileForUpdate ours(file);
    ASSERT_TRUE(ours.IsOpen());
    std::ofstream(test::PathOf(file), std::ios::binary) << "[S]\r\nK=3\r\n";
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=3\r\n");
}

TEST(WindowsFilesTest, AFolderADeviceAndAPipeAreRefused) {
    TempFolder folder;
    std::filesystem::create_directory(test::PathOf(folder / "folder"));
    const Handle pipe(CreateNamedPipeW(L"\\\\.\\pipe\\zarava-test", PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_BYTE | PIPE_NOWAIT, 4, 0, 0, 0, nullptr));
    ASSERT_NE(pipe.get(), INVALID_HANDLE_VALUE);
    for (const std::string& path :
         {folder / "folder", std::string("NUL"), std::string("\\\\.\\pipe\\zarava-test")}) {
        std::string bytes;
        FileSnapshot snapshot;
        EXPECT_EQ(ReadWholeFile(path, bytes, 100), ReadFileResult::NotAFile) << path;
        EXPECT_EQ(ReadFileSnapshot(path, snapshot, 100), ReadFileResult::NotAFile) << path;
        EXPECT_FALSE(FileForUpdate(path).IsOpen()) << path;
        EXPECT_EQ(AppendToFile(path, "line\r\n"), WriteFileResult::NotAFile) << path;
    }
}

TEST(WindowsFilesTest, AttributesAreTheFilesOwnAndZeroMakesANormalFile) {
    TempFolder folder;
    const std::string file = folder / "zarava.ini";
    folder.Write("zarava.ini", "");
    ASSERT_TRUE(SetFileAttributesW(test::PathOf(file).c_str(), FILE_ATTRIBUTE_READONLY |
                                                                   FILE_ATTRIBUTE_HIDDEN |
                                                                   FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(ReadFileAttributes(file), kAttributeReadOnly | kAttributeHidden);
    EXPECT_TRUE(IsReadOnlyFile(file));
    ResetFileAttributes(file, 0);
    const DWORD cleared = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(GetFileAttributesW(test::PathOf(file).c_str()) & cleared, 0u);
    EXPECT_EQ(ReadFileAttributes(file), kAttributeNormal);
    EXPECT_EQ(ReadFileAttributes(folder.Path()), kAttributeDirectory);
}

// 受付 is no name in the ANSI code page's narrow calls alone: every call must be a wide one.
TEST(WindowsFilesTest, AFolderNamedInJapaneseWithBackslashesWorksThroughout) {
    TempFolder top;
    const std::string folder = top.Path() + "\\受付";
    std::filesystem::create_directory(test::PathOf(folder));
    VirtualTime time{{2000, 1, 1, 12, 0, 0, 0}};
    EnsureFolder(ResolveInFolder(folder, "Log"));
    OperationsLog log(time, ResolveInFolder(folder, "log"));
    log.Write("start");
    EXPECT_EQ(top.Read("受付/Log/20000101.log"), "12:00:00.000 start\n");
    EXPECT_TRUE(ProbeWriteAccess(time, folder));

    const std::string ini = JoinPath(folder, "zarava.ini");
    EXPECT_EQ(ini, folder + "\\zarava.ini") << "joined with the folder's own separator";
    EXPECT_NE(WriteSetting(time, "受付", "表", "ソ", ini), 0);
    EXPECT_EQ(ReadSetting(time, "受付", "表", ini), "ソ");
    EXPECT_EQ(top.Read("受付/zarava.ini"), "[\x8e\xf3\x95\x74]\r\n\x95\x5c=\x83\x5c\r\n");

    // Written at noon local time: half a day, by the system's own time zone.
    ASSERT_TRUE(test::SetLastWrite(ini, {2000, 1, 1, 12, 0, 0, 0}));
    double created = 0, written = 0, accessed = 0;
    GetFileTimes(ini, created, written, accessed);
    EXPECT_DOUBLE_EQ(written, 36526.5);
}

} // namespace
} // namespace zarava
