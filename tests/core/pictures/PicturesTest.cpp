// The committed pictures of the room window, checked as any GIF reader would see them.

#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace zarava {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    int width;
    int height;
    Rgb background;
    Rgb ink;
};

// Every picture the design names, by resource alias.
std::map<std::string, Expected> ExpectedPictures() {
    constexpr Rgb window{0xF0, 0xF0, 0xF0};
    std::map<std::string, Expected> pictures;
    const std::pair<const char*, Expected> palettes[] = {
        {"ImgB", {140, 140, window, {0x00, 0x80, 0xFF}}},
        {"ImgG", {140, 140, window, {0x00, 0x96, 0x00}}},
        {"ImgR", {140, 140, window, {0xFF, 0x3F, 0x9F}}},
        {"ImgO", {140, 140, window, {0xFF, 0x80, 0x00}}},
        {"ImgOr", {140, 140, window, {0x7F, 0xBF, 0xFF}}},
        {"ImgBr", {140, 140, window, {0x37, 0x37, 0x37}}},
        {"ImgW", {140, 140, {0xFF, 0xFF, 0xFF}, {0x00, 0x96, 0x00}}},
    };
    for (const auto& [prefix, expected] : palettes) {
        for (int d = 0; d <= 9; ++d)
            pictures[std::string(prefix) + "_" + std::to_string(d) + ".gif"] = expected;
    }
    pictures["ImgG_10.gif"] = {140, 140, window, {0x00, 0x96, 0x00}};
    pictures["Banner.gif"] = {400, 60, window, {0x00, 0x00, 0x00}};
    pictures["GlyphBan.gif"] = {40, 40, window, {0xFF, 0x3F, 0x9F}};
    pictures["GlyphYaku.gif"] = {40, 40, window, {0x00, 0x96, 0x00}};
    pictures["GlyphFun.gif"] = {40, 40, window, {0x00, 0x96, 0x00}};
    pictures["GlyphNin.gif"] = {40, 40, window, {0x00, 0x80, 0xFF}};
    return pictures;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Alias -> file path, as listed in the resource file.
std::map<std::string, std::string> ResourceEntries() {
    const std::string qrc = ReadText(ZARAVA_SOURCE_DIR "/resources/pictures.qrc");
    const std::regex entry(R"re(<file alias="([^"]+)">([^<]+)</file>)re");
    std::map<std::string, std::string> entries;
    for (std::sregex_iterator it(qrc.begin(), qrc.end(), entry), end; it != end; ++it)
        entries[(*it)[1]] = (*it)[2];
    return entries;
}

// GIF's LZW, decoded the way a reader does; empty when the stream is malformed.
std::optional<Bytes> DecodeLzw(const Bytes& data, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8)
        return std::nullopt;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::vector<int> prefix(4096, -1);
    std::vector<std::uint8_t> suffix(4096), first(4096);
    for (int c = 0; c < clear; ++c)
        suffix[c] = first[c] = static_cast<std::uint8_t>(c);
    Bytes out;
    std::size_t bit = 0;
    int codeSize = minCodeSize + 1, next = end + 1, previous = -1;
    auto emit = [&](int code) {
        const std::size_t at = out.size();
        for (; code >= 0; code = prefix[code])
            out.push_back(suffix[code]);
        std::reverse(out.begin() + static_cast<std::ptrdiff_t>(at), out.end());
    };
    while (bit + codeSize <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < codeSize; ++i, ++bit)
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end)
            return out;
        if (previous < 0) {
            if (code > clear)
                return std::nullopt;
            emit(code);
        } else {
            if (code > next || (code == next && next >= 4096))
                return std::nullopt;
            const bool known = code < next;
            if (next < 4096) {
                prefix[next] = previous;
                suffix[next] = known ? first[code] : first[previous];
                first[next] = first[previous];
                ++next;
            }
            emit(code);
            if (next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = code;
    }
    return std::nullopt; // ran out of data before the end code
}

struct GifFile {
    std::string signature;
    int width = 0;
    int height = 0;
    std::vector<Rgb> globalTable;
    int images = 0;
    bool everyImageCoversScreen = true;
    bool localTable = false;
    bool transparency = false;
    std::optional<Bytes> pixels; // of the first image
    bool endsWithTrailer = false;
};

GifFile ParseGif(const Bytes& b) {
    GifFile gif;
    if (b.size() < 13)
        return gif;
    auto word = [&](std::size_t at) { return b[at] | (b[at + 1] << 8); };
    gif.signature.assign(b.begin(), b.begin() + 6);
    gif.width = word(6);
    gif.height = word(8);
    std::size_t at = 13;
    if (b[10] & 0x80) {
        const std::size_t entries = std::size_t{2} << (b[10] & 7);
        for (std::size_t i = 0; i < entries && at + 3 <= b.size(); ++i, at += 3)
            gif.globalTable.push_back({b[at], b[at + 1], b[at + 2]});
    }
    // Collects a run of sub-blocks; false when it runs off the end of the file.
    auto subBlocks = [&](Bytes* into) {
        while (at < b.size() && b[at] != 0) {
            const std::size_t size = b[at++];
            if (at + size > b.size())
                return false;
            if (into)
                into->insert(into->end(), b.begin() + at, b.begin() + at + size);
            at += size;
        }
        return at++ < b.size();
    };
    while (at < b.size()) {
        const std::uint8_t kind = b[at++];
        if (kind == 0x3B) {
            gif.endsWithTrailer = at == b.size();
            break;
        }
        if (kind == 0x21 && at + 1 < b.size()) {
            const std::uint8_t label = b[at++];
            if (label == 0xF9 && at + 1 < b.size() && (b[at + 1] & 1))
                gif.transparency = true;
            if (!subBlocks(nullptr))
                break;
        } else if (kind == 0x2C && at + 10 <= b.size()) {
            ++gif.images;
            gif.everyImageCoversScreen &= word(at) == 0 && word(at + 2) == 0 &&
                                          word(at + 4) == gif.width && word(at + 6) == gif.height;
            const std::uint8_t flags = b[at + 8];
            at += 9;
            if (flags & 0x80) {
                gif.localTable = true;
                at += 3 * (std::size_t{2} << (flags & 7));
            }
            if (at >= b.size())
                break;
            const int minCodeSize = b[at++];
            Bytes data;
            if (!subBlocks(&data))
                break;
            if (gif.images == 1)
                gif.pixels = DecodeLzw(data, minCodeSize);
        } else {
            break;
        }
    }
    return gif;
}

TEST(PicturesTest, ResourceFileListsExactlyTheDesignsPictures) {
    std::map<std::string, std::string> entries = ResourceEntries();
    for (const auto& [alias, expected] : ExpectedPictures()) {
        EXPECT_EQ(entries[alias], "pictures/" + alias);
        entries.erase(alias);
    }
    EXPECT_TRUE(entries.empty()) << entries.size() << " pictures the design does not name";
}

TEST(PicturesTest, EveryPictureIsAnOpaqueTwoColourGifOfItsStatedSize) {
    const std::map<std::string, Expected> pictures = ExpectedPictures();
    for (const auto& [alias, path] : ResourceEntries()) {
        SCOPED_TRACE(alias);
        const auto expected = pictures.find(alias);
        ASSERT_NE(expected, pictures.end());
        const std::string text = ReadText(ZARAVA_SOURCE_DIR "/resources/" + path);
        ASSERT_FALSE(text.empty()) << "missing or empty file";
        const GifFile gif = ParseGif(Bytes(text.begin(), text.end()));

        EXPECT_EQ(gif.signature, "GIF89a");
        EXPECT_EQ(gif.width, expected->second.width);
        EXPECT_EQ(gif.height, expected->second.height);
        EXPECT_EQ(gif.globalTable,
                  (std::vector<Rgb>{expected->second.background, expected->second.ink}));
        EXPECT_EQ(gif.images, 1);
        EXPECT_TRUE(gif.everyImageCoversScreen);
        EXPECT_FALSE(gif.localTable);
        EXPECT_FALSE(gif.transparency);
        EXPECT_TRUE(gif.endsWithTrailer);
        ASSERT_TRUE(gif.pixels.has_value()) << "image data does not decode";
        ASSERT_EQ(gif.pixels->size(), static_cast<std::size_t>(gif.width) * gif.height);
        const auto ink = std::count(gif.pixels->begin(), gif.pixels->end(), 1);
        const auto background = std::count(gif.pixels->begin(), gif.pixels->end(), 0);
        EXPECT_EQ(ink + background, static_cast<std::ptrdiff_t>(gif.pixels->size()));
        EXPECT_GT(ink, 0) << "blank picture";
        EXPECT_GT(background, ink) << "picture is mostly ink";
    }
}

} // namespace
} // namespace zarava
