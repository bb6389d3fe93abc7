#include "infoband/NewsFile.h"

#include "LogLines.h"
#include "SystemSide.h"
#include "window/TroubleLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace zarava {
namespace {

TEST(NewsFileTroubleTest, TheLogSaysOnceWhyTheNewsCannotBeShownAndOnceWhenItCanAgain) {
    SKIP_ON_WINDOWS("it needs a FIFO and another user's permissions");
    test::FolderWithLog f;
    const test::TempFolder& folder = f.folder;
    TroubleLog trouble(f.log);
    const auto readNews = [&trouble](const std::string& path) {
        std::string found;
        std::optional<std::string> text = ReadNewsText(path, found);
        trouble.Report("news file", found);
        return text;
    };
    const std::string news = folder / "news.sjis";
    const auto replace = [&](const std::string& content) {
        std::filesystem::remove(news);
        folder.Write("news.sjis", content);
    };

    // Unreadable first, while the log can still be started by an unprivileged user.
    folder.Write("news.sjis", "x");
    ::chmod(news.c_str(), 0);
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod((folder / "Log").c_str(), 0777);
    test::AsUnprivileged([&] { EXPECT_FALSE(readNews(news)); });
    std::filesystem::remove(news);
    ASSERT_TRUE(test::MakeFifo(news));
    EXPECT_FALSE(readNews(news));
    EXPECT_FALSE(readNews(news));
    // A line of 2 MiB of あ: the band gets the whole characters of the first MiB, no more.
    std::string huge = "\x82\xA0";
    while (huge.size() < 1500000) {
        huge += huge;
    }
    replace(huge + "\r\n");
    EXPECT_EQ(readNews(news)->size(), 3 + (1u << 19) * 3 + 6);
    EXPECT_TRUE(readNews(news));
    replace("x");
    EXPECT_EQ(readNews(news), "◆x　　");
    std::filesystem::remove(news);
    std::filesystem::create_directory(news);
    EXPECT_FALSE(readNews(news));
    EXPECT_EQ(test::LogLines(folder),
              "news file: FOLDER/news.sjis cannot be read (no permission, or the share failed)\n"
              "news file: FOLDER/news.sjis is not a file but a folder, a pipe or a device\n"
              "news file: FOLDER/news.sjis is larger than 1 MiB: the band shows only its first "
              "lines\n"
              "news file: all right again\n"
              "news file: FOLDER/news.sjis is not a file but a folder, a pipe or a device\n");
}

} // namespace
} // namespace zarava
