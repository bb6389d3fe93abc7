#include "RoomTestSupport.h"

#include "infoband/Dummy_Form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zarava {
namespace {

// Which file's bytes the filler's image shows after its load ("" for nothing).
TEST(FillerWindowTest, ShowsTopJpgWhenItExistsElseTopGif) {
    struct Case {
        const char* jpg; // nullptr: no such file; "/": a folder of that name
        const char* gif;
        const char* shown;
    };
    const Case cases[] = {
        {nullptr, "gif bytes", "gif bytes"},
        {nullptr, nullptr, ""},
        // Only existence decides: a top.jpg that loads as nothing still wins.
        {"", "gif bytes", ""},
        {"/", "gif bytes", ""},
    };
    for (const Case& c : cases) {
        room_test::Display d("");
        if (c.jpg && std::string(c.jpg) == "/") {
            std::filesystem::create_directory(d.folder.Path() + "/top.jpg");
        } else if (c.jpg) {
            d.folder.Write("top.jpg", c.jpg);
        }
        if (c.gif) {
            d.folder.Write("top.gif", c.gif);
        }
        auto filler = d.Show<Dummy_Form>();
        const ControlState& image = room_test::StateOf(d.Published(*filler), "ImageInfo");
        EXPECT_TRUE(image.visible);
        EXPECT_EQ(image.picture.fileBytes ? *image.picture.fileBytes : "", c.shown)
            << (c.jpg ? c.jpg : "-") << " / " << (c.gif ? c.gif : "-");
    }
}

} // namespace
} // namespace zarava
