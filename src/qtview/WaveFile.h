#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarava {

// A wave file turned into 16-bit samples, the one form every audio device takes.
struct DecodedSound {
    int sampleRate = 0;
    int channels = 0;                  // 1 or 2; a file with more gives its first two
    std::vector<std::int16_t> samples; // interleaved frames
    double fileSeconds = 0;            // the whole file, even when only its start was decoded
    std::string form;                  // "PCM 24-bit, 48000 Hz, stereo"

    double Seconds() const;
};

struct DecodeResult {
    bool ok = false;
    DecodedSound sound;
    std::string error; // when not ok: why, in words
};

// Reads a wave file (RIFF WAVE, WAVE_FORMAT_EXTENSIBLE or RF64) in any of its common
// encodings: PCM of 8 to 32 bits, 32- and 64-bit float, A-law, mu-law, IMA and Microsoft
// ADPCM; float beyond full scale is clipped. At most `maxSeconds` are decoded, so a long file
// never fills the memory. A file cut short gives what it holds; a file that holds no sound, is
// not a wave file, or is not a file at all gives an error and never a crash. A named pipe is
// not waited on.
DecodeResult DecodeWaveFile(const std::string& path, double maxSeconds);

} // namespace zarava
