#include "TempFolder.h"

#include "util/Lib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace zarava {
namespace {

using test::TempFolder;
using Names = std::set<std::string>;

TEST(LibFoldersTest, EnsureFolderCreatesAMissingFolderOnce) {
    TempFolder dir;
    EnsureFolder(dir / "Temp");
    ASSERT_TRUE(std::filesystem::is_directory(dir / "Temp"));
    dir.Write("Temp/20240108_1.tmp", "queue");
    EnsureFolder(dir / "Temp"); // existing and no longer empty: left alone
    EXPECT_EQ(dir.Names(), Names{"Temp"});
    EXPECT_EQ(dir.Read("Temp/20240108_1.tmp"), "queue");
}

TEST(LibFoldersTest, EnsureFolderAcceptsANameThatDiffersOnlyInCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "temp");
    EnsureFolder(dir / "Temp");
    EnsureFolder(dir / "TEMP/");
    EXPECT_EQ(dir.Names(), Names{"temp"});
}

TEST(LibFoldersTest, EnsureFolderNeverReplacesAFileOfThatName) {
    TempFolder dir;
    dir.Write("log", "someone's data");
    EnsureFolder(dir / "Log");
    EnsureFolder(dir / "missing/Temp"); // no parent: nothing happens
    EXPECT_EQ(dir.Names(), Names{"log"});
    EXPECT_EQ(dir.Read("log"), "someone's data");
}

TEST(LibFoldersTest, ResolveInFolderMatchesEachComponentIgnoringCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "Temp");
    dir.Write("Temp/20240108_1.tmp", "");
    dir.Write("Chime.WAV", "");
    dir.Write("TOP.JPG", "");
    dir.Write("Top.jpg", "");
    dir.Write("top.JPG", "");

    struct Case {
        const char* asked;
        std::string expected;
    };
    const Case cases[] = {
        {"temp/20240108_1.tmp", "Temp/20240108_1.tmp"},
        {"temp\\20240108_1.TMP", "Temp/20240108_1.tmp"},
        {"Temp/20240108_1.tmp", "Temp/20240108_1.tmp"},
        {"chime.wav", "Chime.WAV"},
        // Several candidates: the exact name wins, otherwise the smallest in byte order.
        {"Top.jpg", "Top.jpg"},
        {"top.jpg", "TOP.JPG"},
        // Nothing matches: the name stays as asked, so a new file gets it.
        {"hkcode.tmp", "hkcode.tmp"},
        {"TEMP/20240109_1.tmp", "Temp/20240109_1.tmp"},
        {"missing/Sub/x.tmp", "missing/Sub/x.tmp"},
        {"chime.wav/x", "Chime.WAV/x"},
        {"/temp//20240108_1.tmp", "Temp/20240108_1.tmp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveInFolder(dir.Path(), c.asked), dir / c.expected) << c.asked;
    }
    EXPECT_EQ(ResolveInFolder(dir.Path(), ""), dir.Path());
}

TEST(LibFoldersTest, ResolveInFolderFoldsOnlyAsciiLetters) {
    TempFolder dir;
    dir.Write("\xC3\xA9t\xC3\xA9.txt", ""); // "été.txt" in UTF-8
    EXPECT_EQ(ResolveInFolder(dir.Path(), "\xC3\xA9T\xC3\xA9.TXT"), dir / "\xC3\xA9t\xC3\xA9.txt");
    // "É" is another character, not the capital of a byte.
    EXPECT_EQ(ResolveInFolder(dir.Path(), "\xC3\x89T\xC3\x89.txt"), dir / "\xC3\x89T\xC3\x89.txt");
}

} // namespace
} // namespace zarava
