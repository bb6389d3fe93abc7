#pragma once

#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace zarava::test {

// Writes a wave file of a 440 Hz tone in the given libsndfile format (container | encoding),
// every channel alike; `amplitude` is a fraction of full scale. False when it cannot be
// written.
inline bool WriteTone(const std::string& path, int format, int rate, int channels, double seconds,
                      double amplitude = 0.5) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<double> samples(static_cast<std::size_t>(frames * channels));
    for (sf_count_t f = 0; f < frames; ++f) {
        const double v = amplitude * std::sin(2 * M_PI * 440.0 * static_cast<double>(f) / rate);
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(f * channels + c)] = v;
        }
    }
    // Float files keep values beyond full scale only when told not to normalise.
    sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    const bool ok = sf_writef_double(file, samples.data(), frames) == frames;
    sf_close(file);
    return ok;
}

} // namespace zarava::test
