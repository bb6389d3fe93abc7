#include "GifWriter.h"

#include <array>
#include <stdexcept>

namespace zarava::picgen {
namespace {

// GIF's LZW never uses fewer than 2 bits per pixel, even for two colours.
constexpr int kMinCodeSize = 2;
constexpr int kClearCode = 1 << kMinCodeSize;
constexpr int kEndCode = kClearCode + 1;
constexpr int kMaxCode = 4095;

// Packs variable-width codes least significant bit first and cuts them into the
// length-prefixed sub-blocks of at most 255 bytes that GIF wants.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Write(int code, int width) {
        bits_ |= static_cast<std::uint32_t>(code) << bitCount_;
        bitCount_ += width;
        while (bitCount_ >= 8) {
            PutByte(static_cast<std::uint8_t>(bits_ & 0xFF));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }

    void Finish() {
        if (bitCount_ > 0)
            PutByte(static_cast<std::uint8_t>(bits_ & 0xFF));
        bits_ = 0;
        bitCount_ = 0;
        FlushBlock();
        out_.push_back(0); // block terminator
    }

private:
    void PutByte(std::uint8_t byte) {
        block_[blockSize_++] = byte;
        if (blockSize_ == 255)
            FlushBlock();
    }

    void FlushBlock() {
        if (blockSize_ == 0)
            return;
        out_.push_back(static_cast<std::uint8_t>(blockSize_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + blockSize_);
        blockSize_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
    std::array<std::uint8_t, 255> block_{};
    int blockSize_ = 0;
};

void PutWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutColour(std::vector<std::uint8_t>& out, Rgb colour) {
    out.insert(out.end(), {colour.r, colour.g, colour.b});
}

void CompressPixels(const Bitmap& bitmap, std::vector<std::uint8_t>& out) {
    // With only two symbols every string extends by 0 or 1, so the dictionary is a table of
    // two children per code (-1 where the string is not known yet).
    std::vector<std::array<int, 2>> next(kMaxCode + 1);
    int codeSize = kMinCodeSize + 1;
    int lastCode = kEndCode;
    auto reset = [&] {
        for (auto& children : next)
            children = {-1, -1};
        codeSize = kMinCodeSize + 1;
        lastCode = kEndCode;
    };

    CodeWriter writer(out);
    reset();
    writer.Write(kClearCode, codeSize);
    int current = -1;
    for (std::uint8_t pixel : bitmap.pixels) {
        const int symbol = pixel ? 1 : 0;
        if (current < 0) {
            current = symbol;
            continue;
        }
        if (next[current][symbol] >= 0) {
            current = next[current][symbol];
            continue;
        }
        writer.Write(current, codeSize);
        next[current][symbol] = ++lastCode;
        // The reader adds each entry one code later than we do, so it widens its codes at the
        // same point in the stream when we widen right after adding code 2^size.
        if (lastCode >= (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (lastCode == kMaxCode) {
            writer.Write(kClearCode, codeSize);
            reset();
        }
        current = symbol;
    }
    if (current >= 0)
        writer.Write(current, codeSize);
    writer.Write(kEndCode, codeSize);
    writer.Finish();
}

} // namespace

std::vector<std::uint8_t> EncodeGif(const Bitmap& bitmap, Rgb background, Rgb ink) {
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > 0xFFFF ||
        bitmap.height > 0xFFFF ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height)
        throw std::invalid_argument("bitmap size does not match its pixels");

    std::vector<std::uint8_t> out;
    out.insert(out.end(), {'G', 'I', 'F', '8', '9', 'a'});
    // Logical screen: global table present, 8 bits per primary, 2 entries (size field 0).
    PutWord(out, bitmap.width);
    PutWord(out, bitmap.height);
    out.push_back(0xF0);
    out.push_back(0); // background colour index
    out.push_back(0); // no aspect ratio
    PutColour(out, background);
    PutColour(out, ink);

    // One image covering the whole screen, no local table, not interlaced.
    out.push_back(0x2C);
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, bitmap.width);
    PutWord(out, bitmap.height);
    out.push_back(0);
    out.push_back(kMinCodeSize);
    CompressPixels(bitmap, out);

    out.push_back(0x3B); // trailer
    return out;
}

} // namespace zarava::picgen
