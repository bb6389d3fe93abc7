#include "win32view/WaveImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace zarava {

namespace {

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

void PutLe32(std::string& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

std::string Encoding(std::uint16_t tag, std::uint16_t bits) {
    switch (tag) {
    case 1:
        return "PCM " + std::to_string(bits) + "-bit";
    case 2:
        return "Microsoft ADPCM";
    case 3:
        return std::to_string(bits) + "-bit float";
    case 6:
        return "A-law";
    case 7:
        return "mu-law";
    case 0x11:
        return "IMA ADPCM";
    default:
        char text[24];
        std::snprintf(text, sizeof text, "encoding 0x%04x", tag);
        return text;
    }
}

std::string Channels(int channels) {
    return channels == 1   ? "mono"
           : channels == 2 ? "stereo"
                           : std::to_string(channels) + " channels";
}

struct Chunk {
    std::size_t body;   // where its bytes start
    std::uint32_t size; // as the header says
};

// The chunks of the RIFF body, as far as the bytes reach.
std::optional<Chunk> FindChunk(const std::string& b, const char* id) {
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = Le(b, at + 4, 4);
        if (b.compare(at, 4, id) == 0) {
            return Chunk{at + 8, size};
        }
        at += 8 + std::size_t{size} + (size & 1);
    }
    return std::nullopt;
}

WaveImage Failure(std::string why) {
    WaveImage image;
    image.error = std::move(why);
    return image;
}

} // namespace

WaveImage PrepareWave(const std::string& file, double maxSeconds) {
    if (file.empty()) {
        return Failure("is empty (0 bytes)");
    }
    if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0) {
        return Failure("is not a wave file");
    }
    const std::optional<Chunk> format = FindChunk(file, "fmt ");
    if (!format || format->size < 16 || format->body + 16 > file.size()) {
        return Failure("is not a wave file we can read (no format)");
    }
    std::uint16_t tag = static_cast<std::uint16_t>(Le(file, format->body, 2));
    const auto channels = static_cast<std::uint16_t>(Le(file, format->body + 2, 2));
    const std::uint32_t rate = Le(file, format->body + 4, 4);
    const std::uint32_t bytesPerSecond = Le(file, format->body + 8, 4);
    const auto block = static_cast<std::uint16_t>(Le(file, format->body + 12, 2));
    const auto bits = static_cast<std::uint16_t>(Le(file, format->body + 14, 2));
    if (tag == 0xFFFE && format->size >= 40 && format->body + 26 <= file.size()) {
        tag = static_cast<std::uint16_t>(Le(file, format->body + 24, 2)); // the subformat's tag
    }
    if (channels == 0 || rate == 0 || bytesPerSecond == 0 || block == 0) {
        return Failure("has a broken header (" + std::to_string(rate) + " Hz, " +
                       std::to_string(channels) + " channels)");
    }
    const std::optional<Chunk> data = FindChunk(file, "data");
    const std::size_t held =
        data ? std::min<std::size_t>(data->size, file.size() - std::min(data->body, file.size()))
             : 0;
    const std::size_t whole = held - held % block;
    if (whole == 0) {
        return Failure("holds no sound");
    }
    const auto limit = static_cast<std::size_t>(std::max(0.0, maxSeconds) * bytesPerSecond);
    const std::size_t played = std::min(whole, std::max<std::size_t>(limit - limit % block, block));

    WaveImage image;
    image.ok = true;
    image.form = Encoding(tag, bits) + ", " + std::to_string(rate) + " Hz, " + Channels(channels);
    image.seconds = static_cast<double>(played) / bytesPerSecond;
    image.fileSeconds =
        static_cast<double>(std::max<std::size_t>(data->size, held)) / bytesPerSecond;
    const std::size_t formatBytes = std::min<std::size_t>(format->size, file.size() - format->body);
    image.bytes = "RIFF0000WAVEfmt 0000" + file.substr(format->body, formatBytes);
    PutLe32(image.bytes, 16, static_cast<std::uint32_t>(formatBytes));
    if (formatBytes % 2 != 0) {
        image.bytes += '\0'; // chunks start on even offsets
    }
    const std::size_t dataHeader = image.bytes.size();
    image.bytes += "data0000" + file.substr(data->body, played);
    PutLe32(image.bytes, dataHeader + 4, static_cast<std::uint32_t>(played));
    PutLe32(image.bytes, 4, static_cast<std::uint32_t>(image.bytes.size() - 8));
    return image;
}

} // namespace zarava
