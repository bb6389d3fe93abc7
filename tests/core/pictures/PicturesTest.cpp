// The committed pictures of the room window: each one the design names, in its own size and two
// colours, and the outlines both views draw them from. The view tests decode every picture and
// compare it with its outline drawn, so the outlines follow these.

#include "TempFolder.h"

#include "ports/Geometry.h"
#include "ports/PictureOutlines.h"
#include "roomdisplay/RoomDesign.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <tuple>

namespace zarava {
namespace {

using test::ReadBytes;

struct Expected {
    int width, height;
    Rgb background, ink;
};

// Every picture the design names, by name without ".gif".
std::map<std::string, Expected> ExpectedPictures() {
    constexpr Rgb grey{0xF0, 0xF0, 0xF0}, white{0xFF, 0xFF, 0xFF}, black{}, green{0x00, 0x96, 0x00},
        blue{0x00, 0x80, 0xFF}, pink{0xFF, 0x3F, 0x9F}, orange{0xFF, 0x80, 0x00},
        sky{0x7F, 0xBF, 0xFF}, dark{0x37, 0x37, 0x37};
    std::map<std::string, Expected> pictures{
        {"ImgG_10", {140, 140, grey, green}}, {"Banner", {400, 60, grey, black}},
        {"GlyphBan", {40, 40, grey, pink}},   {"GlyphYaku", {40, 40, grey, green}},
        {"GlyphFun", {40, 40, grey, green}},  {"GlyphNin", {40, 40, grey, blue}},
    };
    const std::tuple<const char*, Rgb, Rgb> numbered[] = {
        {"ImgB", grey, blue}, {"ImgG", grey, green}, {"ImgR", grey, pink},  {"ImgO", grey, orange},
        {"ImgOr", grey, sky}, {"ImgBr", grey, dark}, {"ImgW", white, green}};
    for (const auto& [prefix, background, ink] : numbered) {
        for (int d = 0; d <= 9; ++d)
            pictures[prefix + ("_" + std::to_string(d))] = {140, 140, background, ink};
    }
    return pictures;
}

// The bytes before the image data of a plain opaque picture: the screen of the stated size with
// a global table of exactly background and ink, no extension blocks (so no transparency), and one
// image covering the screen without a local table.
std::string ExpectedHead(const Expected& e) {
    auto word = [](int v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    auto rgb = [](Rgb c) {
        return std::string{static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
    };
    const std::string size = word(e.width) + word(e.height);
    return "GIF89a" + size + "\xF0" + std::string(2, '\0') + rgb(e.background) + rgb(e.ink) +
           "\x2C" + std::string(4, '\0') + size + '\0';
}

TEST(PicturesTest, ResourceFileListsEveryDesignPictureAsAnOpaqueTwoColourGif) {
    const std::string qrc = ReadBytes(ZARAVA_SOURCE_DIR "/resources/pictures.qrc");
    const std::regex entry(R"re(<file alias="([^"]+)">([^<]+)</file>)re");
    std::map<std::string, std::string> entries; // alias -> path
    for (std::sregex_iterator it(qrc.begin(), qrc.end(), entry), end; it != end; ++it)
        entries[(*it)[1]] = (*it)[2];
    for (const auto& [name, expected] : ExpectedPictures()) {
        SCOPED_TRACE(name);
        const std::string alias = name + ".gif";
        EXPECT_EQ(entries[alias], "pictures/" + alias);
        entries.erase(alias);
        const std::string gif = ReadBytes(ZARAVA_SOURCE_DIR "/resources/pictures/" + alias);
        const std::string head = ExpectedHead(expected);
        EXPECT_EQ(gif.substr(0, head.size()), head);
        EXPECT_TRUE(gif.ends_with(std::string("\0;", 2))) << "image data, then the trailer";
    }
    for (const ControlDesign& c : RoomWindowDesign().controls) {
        EXPECT_TRUE(*c.picture == '\0' || ExpectedPictures().count(c.picture)) << c.picture;
    }
    EXPECT_EQ(entries["outlines.txt"], "pictures/outlines.txt");
    entries.erase("outlines.txt");
    EXPECT_TRUE(entries.empty()) << entries.size() << " pictures the design does not name";
}

// Every design picture has its outline, at its size and in its colours; a line that cannot be
// read spoils its shape, and so every picture showing it.
TEST(PicturesTest, EveryDesignPictureHasItsOutlineAndSpoiltShapesLoseTheirPictures) {
    const PictureOutlines outlines =
        ParseOutlines(ReadBytes(ZARAVA_SOURCE_DIR "/resources/pictures/outlines.txt"));
    std::map<std::string, Expected> expected = ExpectedPictures();
    for (const auto& [name, picture] : outlines.pictures) {
        const auto e = expected.find(name);
        ASSERT_NE(e, expected.end()) << name << " is no design picture";
        EXPECT_EQ(std::tie(picture.width, picture.height),
                  std::tie(e->second.width, e->second.height))
            << name;
        EXPECT_TRUE(picture.background == e->second.background && picture.ink == e->second.ink)
            << name;
        expected.erase(e);
    }
    EXPECT_TRUE(expected.empty()) << expected.size() << " pictures without an outline";

    const auto pictures = [](const std::string& text) {
        std::string names;
        for (const auto& [name, picture] : ParseOutlines(text).pictures) {
            names += name + " ";
        }
        return names;
    };
    const std::string good = "# a comment\nshape s 0\nM 0 0\r\nL 1 1\nC 1 2 3 4 5 6\nZ\n";
    const std::string shows = "picture p 10 10 F0F0F0 FF0000 s\n";
    EXPECT_EQ(pictures(good + shows), "p ");
    for (const std::string& spoilt :
         {"shape s 0\nM 0 nan\n" + shows, "shape s 0\nL 1 1\n" + shows, "shape s 0\n" + shows,
          good + "picture p 0 10 F0F0F0 FF0000 s\n", good + "picture p 10 10 F0F0F0 FF00 s\n",
          good + "picture p 10 10 F0F0F0 FF0000 t\n", shows + good}) {
        EXPECT_EQ(pictures(spoilt), "") << spoilt;
    }
}

} // namespace
} // namespace zarava
