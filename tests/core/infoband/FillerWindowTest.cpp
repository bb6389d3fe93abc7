#include "TestDisplay.h"

#include "infoband/FillerWindow.h"

#include <filesystem>
#include <string>
#include <tuple>

namespace zarava {
namespace {

TEST(FillerWindowTest, ShowsTopJpgWhenItExistsElseTopGif) {
    // top.jpg: nullptr for no such file, "/" for a folder of that name. Only existence
    // decides: a top.jpg that loads as nothing still wins.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // top.jpg, top.gif, shown
        {nullptr, "gif bytes", "gif bytes"},
        {nullptr, nullptr, ""},
        {"", "gif bytes", ""},
        {"/", "gif bytes", ""},
    };
    for (const auto& [jpg, gif, shown] : cases) {
        test::TestDisplay d("");
        if (jpg && std::string(jpg) == "/") {
            std::filesystem::create_directory(d.folder / "top.jpg");
        } else if (jpg) {
            d.folder.Write("top.jpg", jpg);
        }
        if (gif) {
            d.folder.Write("top.gif", gif);
        }
        auto filler = d.Show<FillerWindow>();
        const ControlState& image = test::StateOf(d.Published(*filler), "ImageInfo");
        EXPECT_TRUE(image.visible);
        EXPECT_EQ(image.picture.fileBytes ? *image.picture.fileBytes : "", shown)
            << (jpg ? jpg : "-") << " / " << (gif ? gif : "-");
    }
}

} // namespace
} // namespace zarava
