#include "SystemSide.h"
#include "TempFolder.h"

#include "files/SharedFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace zarava {
namespace {

using test::TempFolder;
using Names = std::set<std::string>;

TEST(FoldersTest, EnsureFolderMakesOnlyAFolderThatIsMissingWhateverTheCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "temp");
    dir.Write("temp/20240108_1.tmp", "queue");
    dir.Write("log", "someone's data");
    for (const char* folder : {"Sound", "temp", "Temp", "TEMP/", "Log", "missing/Temp"}) {
        EnsureFolder(dir / folder);
    }
    EXPECT_EQ(dir.Names(), (Names{"Sound", "log", "temp"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Sound"));
    EXPECT_EQ(dir.Read("temp/20240108_1.tmp"), "queue");
    EXPECT_EQ(dir.Read("log"), "someone's data");
}

TEST(FoldersTest, ResolveInFolderMatchesEachComponentIgnoringCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "Temp");
    for (const char* name : {"Temp/20240108_1.tmp", "Chime.WAV", "\xC3\xA9t\xC3\xA9.txt"}) {
        dir.Write(name, "");
    }
    const std::pair<const char*, const char*> cases[] = {
        {"temp\\20240108_1.TMP", "Temp/20240108_1.tmp"},
        {"Temp/20240108_1.tmp", "Temp/20240108_1.tmp"},
        {"chime.wav", "Chime.WAV"},
        // Nothing matches: the name stays as asked, so a new file gets it.
        {"hkcode.tmp", "hkcode.tmp"},
        {"TEMP/20240109_1.tmp", "Temp/20240109_1.tmp"},
        {"missing/Sub/x.tmp", "missing/Sub/x.tmp"},
        {"chime.wav/x", "Chime.WAV/x"},
        {"/temp//20240108_1.tmp", "Temp/20240108_1.tmp"},
        {"\xC3\xA9T\xC3\xA9.TXT", "\xC3\xA9t\xC3\xA9.txt"},
    };
    for (const auto& [asked, expected] : cases) {
        EXPECT_EQ(ResolveInFolder(dir.Path(), asked), dir / expected) << asked;
    }
    EXPECT_EQ(ResolveInFolder(dir.Path(), ""), dir.Path());
}

TEST(FoldersTest, OfNamesThatDifferOnlyInCaseTheExactOneWinsElseTheSmallest) {
    SKIP_ON_WINDOWS("its file systems hold no two names that differ only in case");
    TempFolder dir;
    for (const char* name : {"TOP.JPG", "Top.jpg", "top.JPG", "\xC3\xA9t\xC3\xA9.txt"}) {
        dir.Write(name, "");
    }
    const std::pair<const char*, const char*> cases[] = {
        {"Top.jpg", "Top.jpg"},
        {"top.jpg", "TOP.JPG"},
        // ASCII letters fold; "É" is another character, not the capital of a byte.
        {"\xC3\x89T\xC3\x89.txt", "\xC3\x89T\xC3\x89.txt"},
    };
    for (const auto& [asked, expected] : cases) {
        EXPECT_EQ(ResolveInFolder(dir.Path(), asked), dir / expected) << asked;
    }
}

} // namespace
} // namespace zarava
