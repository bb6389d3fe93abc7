// The settings store around the format: the one retry, read-only files, the atomic and
// change-only write, the codec, and files that are not settings files at all.

#include "OldFiles.h"
#include "PausingClock.h"
#include "SystemSide.h"
#include "TempFolder.h"

#include "files/Files.h"
#include "settings/SettingsStore.h"

#include <filesystem>
#include <set>
#include <string>
#include <tuple>

namespace zarava {
namespace {

using test::PausingClock;
using test::TempFolder;

class SettingsStoreTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string file = folder.File("zarava.ini");
    VirtualTime time;
};

TEST_F(SettingsStoreTest, ReadOnlyFileIsMadeWritableAndWrittenOnTheSecondAttempt) {
    folder.Write("zarava.ini", "[S]\r\nK=1\r\n");
    test::MakeOld(file);
    ASSERT_TRUE(test::SetReadOnly(file, true));
    EXPECT_NE(WriteSetting(time, "S", "K", "2", file), 0);
    EXPECT_GE(time.Slept(), 100);
    EXPECT_LT(time.Slept(), 200) << "one retry";
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=2\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), test::kWritableAgain);

    // The file goes away before the retry: the retry creates it.
    test::SetReadOnly(file, true);
    PausingClock clock;
    clock.onSleep = [&] { std::filesystem::remove(file); };
    EXPECT_NE(WriteSetting(clock, "S", "K", "3", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=3\r\n");
}

// The watchdog writes the value that stands there already, between the issuer's blanks: the
// file is not touched. (That a changed file is replaced whole, leaving only the writers' lock
// beside it, the shared-writes table shows.)
TEST_F(SettingsStoreTest, AWriteThatChangesNoByteLeavesTheFileAlone) {
    folder.Write("zarava.ini", "[S]\r\nK = 1 \r\n");
    const std::optional<FileVersion> before = ReadFileVersion(file);
    EXPECT_NE(WriteSetting(time, "S", "K", "1", file), 0);
    EXPECT_EQ(ReadFileVersion(file), before);
}

TEST_F(SettingsStoreTest, AReplacedFileKeepsItsOwnerAndModeAndALinkIsWrittenThrough) {
    SKIP_ON_WINDOWS("owners, modes and links without a privilege are POSIX's");
    // Another user's file, written by root: still theirs, with its bits.
    folder.Write("zarava.ini", "[S]\r\nK=1\r\n");
    ASSERT_TRUE(test::SetOwner(file, 65534, 65534));
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    EXPECT_NE(WriteSetting(time, "S", "K", "2", file), 0);
    const std::optional<FileVersion> after = ReadFileVersion(file);
    EXPECT_EQ(std::tuple(after.value().mode, after->owner, after->group),
              std::tuple(0640u, 65534u, 65534u));

    // A link to a file elsewhere stays a link; the file it names is written, with the lock
    // beside it, and a link to nothing yet makes the file it names.
    std::filesystem::create_directory(folder.File("elsewhere"));
    folder.Write("elsewhere/real.ini", "[S]\r\nK=0\r\n");
    std::filesystem::create_symlink("elsewhere/real.ini", folder.File("link.ini"));
    std::filesystem::create_symlink("elsewhere/new.ini", folder.File("dangling.ini"));
    EXPECT_NE(WriteSetting(time, "S", "K", "3", folder.File("link.ini")), 0);
    EXPECT_NE(WriteSetting(time, "S", "K", "4", folder.File("dangling.ini")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(folder.Read("elsewhere/real.ini"), "[S]\r\nK=3\r\n");
    EXPECT_EQ(folder.Read("elsewhere/new.ini"), "[S]\r\nK=4\r\n");
    EXPECT_EQ(folder.Names("elsewhere"),
              (std::set<std::string>{".real.ini.lock", ".new.ini.lock", "new.ini", "real.ini"}));
}

// Names that would be written as a line that is not their key, and values that would be
// written as other lines or in bytes the file cannot hold, are refused.
TEST_F(SettingsStoreTest, TextTheFileCannotHoldIsNotWritten) {
    folder.Write("zarava.ini", "[S]\r\nK=1\r\n");
    for (const char* value : {"\xF0\x9F\x98\x80", "a\xC3", "1\r\n[S]\r\nK=2", "1\n2"}) {
        EXPECT_EQ(WriteSetting(time, "S", "K", value, file), 0) << value;
    }
    const std::pair<std::string, std::string> names[] = {{"S\n", "K"}, {"S", std::string("K\0", 2)},
                                                         {"S", ";K"},  {"S", "[K"},
                                                         {"S", "K=1"}, {"S", "K\t"},
                                                         {"\tS", "K"}};
    for (const auto& [section, key] : names) {
        EXPECT_EQ(WriteSetting(time, section, key, "v", file), 0) << section << key;
    }
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=1\r\n");
    // A UTF-16 file with an odd number of bytes could not be written back as it was.
    folder.Write("odd.ini", std::string("\xFF\xFE[\0S\0]\0\n\0K\0=\0\x31\0\n", 17));
    EXPECT_EQ(ReadSetting(time, "S", "K", folder.File("odd.ini")), "1");
    EXPECT_EQ(WriteSetting(time, "S", "K", "2", folder.File("odd.ini")), 0);
    EXPECT_EQ(folder.Read("odd.ini").size(), 17u);
    EXPECT_EQ(time.Slept(), 0);
}

TEST_F(SettingsStoreTest, NoFileInPlaceOfTheFileReadsEmptyAndRefusesWrites) {
    std::filesystem::create_directory(file);
    EXPECT_EQ(ReadSetting(time, "S", "K", file), "");
    EXPECT_EQ(WriteSetting(time, "S", "K", "1", file), 0);
    EXPECT_EQ(time.Slept(), 200);
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_EQ(WriteSetting(time, "S", "K", "1", folder.File("missing/zarava.ini")), 0);
}

// (That a write into any bytes at all changes only its own key, the settings fuzz target
// shows.)
TEST_F(SettingsStoreTest, AHugeFileIsReadWhole) {
    std::string huge;
    while (huge.size() < 10'000'000) {
        huge += "FILLER=0123456789012345678901234567890123456789\r\n";
    }
    folder.Write("zarava.ini", huge + "[S]\r\nK=found\r\n");
    EXPECT_EQ(ReadSetting(time, "S", "K", file), "found");
}

} // namespace
} // namespace zarava
