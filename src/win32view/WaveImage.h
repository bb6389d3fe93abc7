#pragma once

#include <string>

namespace zarava {

// A wave file made ready for the system's chime call, which plays a memory image to its end
// and says nothing about it: the header read here tells what plays and for how long, and the
// image is cut to at most `maxSeconds` of sound (whole blocks) with its sizes set to match.
struct WaveImage {
    bool ok = false;
    std::string error;      // when not ok: why, in words
    std::string bytes;      // RIFF WAVE with one fmt and one data chunk
    std::string form;       // "PCM 16-bit, 44100 Hz, mono"
    double seconds = 0;     // what plays
    double fileSeconds = 0; // what the file holds
};

// `file` is the file's start (the whole of it, or at least the header and the part that plays).
// A file cut short plays what it holds; one that is not a RIFF WAVE, has no format, or holds
// no sound gives an error.
WaveImage PrepareWave(const std::string& file, double maxSeconds);

} // namespace zarava
