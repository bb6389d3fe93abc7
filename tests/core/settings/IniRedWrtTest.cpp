// The settings store around the format: the one retry, read-only files, the atomic and
// change-only write, the codec, and files that are not settings files at all.

#include "SettingsTestSupport.h"

#include "platform/Files.h"
#include "settings/Cp932.h"
#include "settings/IniRedWrt.h"
#include "settings/Numbers.h"

#include <filesystem>
#include <random>
#include <string>

namespace zarava {
namespace {

using testing::PausingClock;
using testing::ReadBytes;
using testing::StatOf;
using testing::TempFolder;
using testing::WriteBytes;

TEST(Cp932Test, ConvertsBothWaysThroughTheRealCodePage) {
    // 0x5C stays a backslash; the NEC row (①) and the wave dash are the code page's own.
    EXPECT_EQ(Utf8ToCp932("\\表ソ能①～　ｱ"),
              "\\\x95\x5c\x83\x5c\x94\x5c\x87\x40\x81\x60\x81\x40\xb1");
    EXPECT_EQ(Cp932ToUtf8("\\\x95\x5c\x83\x5c\x94\x5c\x87\x40\x81\x60\x81\x40\xb1"),
              "\\表ソ能①～　ｱ");
    EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80"), std::nullopt); // no such character there
    EXPECT_EQ(Utf8ToCp932("a\xC3"), std::nullopt);            // not UTF-8
    // A lead byte at the very end, and one before a byte that cannot follow it.
    EXPECT_EQ(Cp932ToUtf8("a\x95"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8("\x95\x0d"), "\xEF\xBF\xBD\r");
}

class IniRedWrtTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string file = folder.File("zarava.ini");
    VirtualTime time;
};

TEST_F(IniRedWrtTest, MissingOrEmptyValueIsTriedOnceMoreAfter100Ms) {
    WriteBytes(file, "[S]\r\nEMPTY=\r\nSET=1\r\n");
    EXPECT_EQ(ReadSetting(time, "S", "SET", file), "1");
    EXPECT_EQ(time.Slept(), 0);
    EXPECT_EQ(ReadSetting(time, "S", "EMPTY", file), "");
    EXPECT_EQ(time.Slept(), 100);
    EXPECT_EQ(ReadSetting(time, "S", "MISSING", file), "");
    EXPECT_EQ(ReadSetting(time, "S", "K", folder.File("none.ini")), "");
    EXPECT_EQ(time.Slept(), 300);
}

TEST_F(IniRedWrtTest, RetryFindsWhatAppearedMeanwhileAndSurvivesAVanishedFile) {
    PausingClock clock;
    clock.onSleep = [&] { WriteBytes(file, "[S]\r\nK=late\r\n"); };
    EXPECT_EQ(ReadSetting(clock, "S", "K", file), "late");

    WriteBytes(file, "[S]\r\nOTHER=1\r\n");
    clock.onSleep = [&] { std::filesystem::remove(file); };
    EXPECT_EQ(ReadSetting(clock, "S", "K", file), "");
    EXPECT_EQ(clock.Slept(), 200);

    // The file goes away between a refused first write and the retry: the retry creates it.
    WriteBytes(file, "[S]\r\nK=1\r\n");
    ::chmod(file.c_str(), 0444);
    clock.onSleep = [&] { std::filesystem::remove(file); };
    EXPECT_NE(WriteSetting(clock, "S", "K", "2", file), 0);
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK=2\r\n");
}

TEST_F(IniRedWrtTest, ReadOnlyFileIsMadeWritableAndWrittenOnTheSecondAttempt) {
    WriteBytes(file, "[S]\r\nK=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ASSERT_TRUE(IsReadOnlyFile(file));
    EXPECT_NE(WriteSetting(time, "S", "K", "2", file), 0);
    EXPECT_EQ(time.Slept(), 100);
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK=2\r\n");
    EXPECT_FALSE(IsReadOnlyFile(file));
    EXPECT_EQ(StatOf(file).st_mode & 0777, 0644u);
}

TEST_F(IniRedWrtTest, FormBitsSurviveReadModifyWrite) {
    WriteBytes(file, "[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=3\r\n");
    const auto update = [&](bool set) {
        const std::int32_t form =
            ToInt32(LenientNumber(ReadSetting(time, "USER INFOMATION", "FORM", file))).value_or(0);
        WriteSetting(time, "USER INFOMATION", "FORM", NumberText(set ? form | 4 : form & ~4), file);
    };
    update(true);
    EXPECT_EQ(ReadBytes(file), "[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=7\r\n");
    update(false);
    EXPECT_EQ(ReadBytes(file), "[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=3\r\n");
    EXPECT_EQ(time.Slept(), 0);
}

TEST_F(IniRedWrtTest, WriteReplacesTheFileWholeKeepingItsPermissions) {
    WriteBytes(file, "[S]\r\nK=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const ino_t before = StatOf(file).st_ino;
    EXPECT_NE(WriteSetting(time, "S", "K", "2", file), 0);
    // A new file renamed over the old one: a reader has either the old or the new bytes.
    EXPECT_NE(StatOf(file).st_ino, before);
    EXPECT_EQ(StatOf(file).st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
        << "no temporary file left behind";

    // A link keeps being a link; its target gets the new bytes.
    const std::string link = folder.File("link.ini");
    std::filesystem::create_symlink(file, link);
    EXPECT_NE(WriteSetting(time, "S", "K", "3", link), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK=3\r\n");
}

TEST_F(IniRedWrtTest, WriteOfTheSameBytesLeavesTheFileAlone) {
    WriteBytes(file, "[S]\r\nK = 1 \r\n");
    const struct stat before = StatOf(file);
    // The watchdog writes the value that stands there already, between the issuer's blanks.
    EXPECT_NE(WriteSetting(time, "S", "K", "1", file), 0);
    const struct stat after = StatOf(file);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK = 1 \r\n");
}

TEST_F(IniRedWrtTest, TextTheFileCannotHoldIsNotWritten) {
    WriteBytes(file, "[S]\r\nK=1\r\n");
    for (const char* value : {"\xF0\x9F\x98\x80", "a\xC3", "1\r\n[S]\r\nK=2", "1\n2"}) {
        EXPECT_EQ(WriteSetting(time, "S", "K", value, file), 0) << value;
    }
    EXPECT_EQ(WriteSetting(time, "S\n", "K", "1", file), 0);
    EXPECT_EQ(WriteSetting(time, "S", std::string_view("K\0", 2), "1", file), 0);
    EXPECT_EQ(ReadBytes(file), "[S]\r\nK=1\r\n");
    EXPECT_EQ(time.Slept(), 0);
}

TEST_F(IniRedWrtTest, NoFileInPlaceOfTheFileReadsEmptyAndRefusesWrites) {
    std::filesystem::create_directory(file);
    EXPECT_EQ(ReadSetting(time, "S", "K", file), "");
    EXPECT_EQ(WriteSetting(time, "S", "K", "1", file), 0);
    EXPECT_EQ(time.Slept(), 200);
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_EQ(WriteSetting(time, "S", "K", "1", folder.File("missing/zarava.ini")), 0);

    // Neither a pipe without a writer nor an endless device may stall the reader.
    const std::string pipe = folder.File("pipe.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(ReadSetting(time, "S", "K", pipe), "");
    EXPECT_EQ(WriteSetting(time, "S", "K", "1", pipe), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(ReadSetting(time, "S", "K", "/dev/zero"), "");
}

TEST_F(IniRedWrtTest, HugeAndBinaryFilesNeitherCrashNorLoseBytes) {
    // 10 MB of other lines before the section: the value is still found.
    std::string huge;
    while (huge.size() < 10'000'000) {
        huge += "FILLER=0123456789012345678901234567890123456789\r\n";
    }
    WriteBytes(file, huge + "[S]\r\nK=found\r\n");
    EXPECT_EQ(ReadSetting(time, "S", "K", file), "found");

    // Random bytes: a read gives whatever it gives, a write only adds its own lines at the end.
    std::mt19937 random(932);
    std::string binary(1 << 16, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random());
    }
    WriteBytes(file, binary);
    ReadSetting(time, "DISPLAY INFOMATION", "MSSG 3", file);
    EXPECT_NE(WriteSetting(time, "DISPLAY INFOMATION", "MSSG 3", "x", file), 0);
    const std::string after = ReadBytes(file).value_or("");
    EXPECT_EQ(after.substr(0, binary.size()), binary);
    EXPECT_TRUE(after.ends_with("[DISPLAY INFOMATION]\r\nMSSG 3=x\r\n"));
}

TEST_F(IniRedWrtTest, ResetFileAttributesClearsReadOnlyOfTheTrimmedPath) {
    WriteBytes(file, "");
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(GetFileAttributes(file), kAttributeReadOnly);
    // Asked to reset only when the read-only bit is clear: nothing happens.
    ResetFileAttributes(file, kAttributeReadOnly);
    EXPECT_TRUE(IsReadOnlyFile(file));
    ResetFileAttributes("  " + file + " ", 0);
    EXPECT_EQ(GetFileAttributes(file), kAttributeNormal);
}

} // namespace
} // namespace zarava
