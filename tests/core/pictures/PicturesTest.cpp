// The committed pictures of the room window, checked as any GIF reader would see them, and the
// outlines the display draws them from at sizes other than their own.

#include "TempFolder.h"

#include "ports/Geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace zarava {
namespace {

using test::ReadBytes;

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    int width, height;
    Rgb background, ink;
};

// Every picture the design names, by resource alias.
std::map<std::string, Expected> ExpectedPictures() {
    constexpr Rgb grey{0xF0, 0xF0, 0xF0}, white{0xFF, 0xFF, 0xFF}, black{}, green{0x00, 0x96, 0x00},
        blue{0x00, 0x80, 0xFF}, pink{0xFF, 0x3F, 0x9F}, orange{0xFF, 0x80, 0x00},
        sky{0x7F, 0xBF, 0xFF}, dark{0x37, 0x37, 0x37};
    std::map<std::string, Expected> pictures{
        {"ImgG_10.gif", {140, 140, grey, green}}, {"Banner.gif", {400, 60, grey, black}},
        {"GlyphBan.gif", {40, 40, grey, pink}},   {"GlyphYaku.gif", {40, 40, grey, green}},
        {"GlyphFun.gif", {40, 40, grey, green}},  {"GlyphNin.gif", {40, 40, grey, blue}},
    };
    const std::tuple<const char*, Rgb, Rgb> numbered[] = {
        {"ImgB", grey, blue}, {"ImgG", grey, green}, {"ImgR", grey, pink},  {"ImgO", grey, orange},
        {"ImgOr", grey, sky}, {"ImgBr", grey, dark}, {"ImgW", white, green}};
    for (const auto& [prefix, background, ink] : numbered) {
        for (int d = 0; d <= 9; ++d)
            pictures[prefix + ("_" + std::to_string(d)) + ".gif"] = {140, 140, background, ink};
    }
    return pictures;
}

// GIF's LZW, decoded the way a reader does; empty when the stream is malformed.
std::optional<Bytes> DecodeLzw(const Bytes& data, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8)
        return std::nullopt;
    const int clear = 1 << minCodeSize;
    std::vector<Bytes> table;
    Bytes out, previous;
    int codeSize = 0;
    auto reset = [&] {
        table.assign(clear + 2, {});
        for (int c = 0; c < clear; ++c)
            table[c] = {static_cast<std::uint8_t>(c)};
        codeSize = minCodeSize + 1;
        previous.clear();
    };
    reset();
    for (std::size_t bit = 0; bit + codeSize <= data.size() * 8;) {
        int code = 0;
        for (int i = 0; i < codeSize; ++i, ++bit)
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            reset();
            continue;
        }
        if (code == clear + 1)
            return out;
        const int next = static_cast<int>(table.size());
        Bytes entry = code < next ? table[code] : previous;
        if (code > next || (previous.empty() && code >= next))
            return std::nullopt;
        if (code == next)
            entry.push_back(previous[0]);
        if (!previous.empty() && next < 4096) {
            previous.push_back(entry[0]);
            table.push_back(previous);
        }
        if (table.size() == (std::size_t{1} << codeSize) && codeSize < 12)
            ++codeSize;
        out.insert(out.end(), entry.begin(), entry.end());
        previous = entry;
    }
    return std::nullopt; // ran out of data before the end code
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

    for (const auto& [alias, expected] : ExpectedPictures()) {
        SCOPED_TRACE(alias);
        EXPECT_EQ(entries[alias], "pictures/" + alias);
        entries.erase(alias);
        const std::string gif = ReadBytes(ZARAVA_SOURCE_DIR "/resources/pictures/" + alias);
        const std::string head = ExpectedHead(expected);
        ASSERT_EQ(gif.substr(0, head.size()), head);
        Bytes data;                       // the image's sub-blocks joined
        std::size_t at = head.size() + 1; // past the LZW code size
        while (at < gif.size() && gif[at] != 0) {
            const std::size_t end =
                std::min(gif.size(), at + 1 + static_cast<std::uint8_t>(gif[at]));
            data.insert(data.end(), gif.begin() + at + 1, gif.begin() + end);
            at = end;
        }
        EXPECT_EQ(gif.substr(at), std::string("\0;", 2)) << "image data, then the trailer";
        const auto pixels = DecodeLzw(data, gif.size() > head.size() ? gif[head.size()] : 0);
        ASSERT_TRUE(pixels.has_value()) << "image data does not decode";
        ASSERT_EQ(pixels->size(), static_cast<std::size_t>(expected.width) * expected.height);
        const auto ink = std::count(pixels->begin(), pixels->end(), 1);
        const auto background = std::count(pixels->begin(), pixels->end(), 0);
        EXPECT_EQ(ink + background, static_cast<std::ptrdiff_t>(pixels->size()));
        EXPECT_GT(ink, 0) << "blank picture";
        EXPECT_GT(background, ink) << "picture is mostly ink";
    }
    EXPECT_EQ(entries["outlines.txt"], "pictures/outlines.txt");
    entries.erase("outlines.txt");
    EXPECT_TRUE(entries.empty()) << entries.size() << " pictures the design does not name";
}

// A shape of the outline file: its widening and the box of all its points.
struct Shape {
    double widen = -1;
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
};

struct Outlined {
    int width = 0, height = 0;
    std::string background, ink, shape;
};

// Reads the outline file the way its header comment describes it.
void ReadOutlines(const std::string& text, std::map<std::string, Shape>& shapes,
                  std::map<std::string, Outlined>& pictures) {
    std::istringstream lines(text);
    Shape* shape = nullptr;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::string command, name;
        in >> command >> std::ws;
        if (command == "shape") {
            shape = &shapes[(in >> name, name)];
            in >> shape->widen;
        } else if (command == "picture") {
            Outlined& picture = pictures[(in >> name, name)];
            in >> picture.width >> picture.height >> picture.background >> picture.ink >>
                picture.shape;
        } else if (shape && !command.empty() && command[0] != '#') {
            for (double x, y; in >> x >> y;) {
                shape->left = std::min(shape->left, x);
                shape->right = std::max(shape->right, x);
                shape->top = std::min(shape->top, y);
                shape->bottom = std::max(shape->bottom, y);
            }
        }
    }
}

std::string Hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c.r, c.g, c.b);
    return text;
}

TEST(PicturesTest, EveryDesignPictureHasAnOutlineInItsColoursThatFitsItsPicture) {
    std::map<std::string, Shape> shapes;
    std::map<std::string, Outlined> pictures;
    ReadOutlines(ReadBytes(ZARAVA_SOURCE_DIR "/resources/pictures/outlines.txt"), shapes, pictures);
    for (const auto& [alias, expected] : ExpectedPictures()) {
        const std::string name = alias.substr(0, alias.size() - 4);
        SCOPED_TRACE(name);
        ASSERT_EQ(pictures.count(name), 1u);
        const Outlined picture = pictures[name];
        pictures.erase(name);
        EXPECT_EQ(picture.width, expected.width);
        EXPECT_EQ(picture.height, expected.height);
        EXPECT_EQ(picture.background, Hex(expected.background));
        EXPECT_EQ(picture.ink, Hex(expected.ink));
        ASSERT_EQ(shapes.count(picture.shape), 1u);
        const Shape& shape = shapes[picture.shape];
        // Curves stay inside their points, and the widening adds its width on each side.
        EXPECT_GE(shape.widen, 0);
        EXPECT_LE(shape.widen, 0.05 * std::min(expected.width, expected.height));
        EXPECT_GE(shape.left - shape.widen, 0);
        EXPECT_GE(shape.top - shape.widen, 0);
        EXPECT_LE(shape.right + shape.widen, expected.width);
        EXPECT_LE(shape.bottom + shape.widen, expected.height);
        // The ink fills a fair part of the picture, in the picture's own pixels.
        EXPECT_GT(shape.right - shape.left, expected.width / 4.0);
        EXPECT_GT(shape.bottom - shape.top, expected.height / (name == "ImgG_10" ? 12.0 : 2.0));
    }
    EXPECT_TRUE(pictures.empty()) << pictures.size() << " outlines the design does not name";
}

} // namespace
} // namespace zarava
