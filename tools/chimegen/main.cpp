// zarava-chimegen: writes the demo's call chime, a two-tone "ding-dong" synthesized here from
// sine partials with a bell-like decay, as a 16-bit mono PCM wave file. Made by this project,
// so the sound is ours to ship.
//
//   zarava-chimegen FILE

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// One bell stroke: a fundamental with two softer partials, each fading on its own.
void Strike(std::vector<double>& samples, double at, double frequency, double length) {
    struct Partial {
        double ratio, level, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 2.2}, {2.0, 0.35, 3.5}, {3.01, 0.12, 5.0}};
    const auto start = static_cast<std::size_t>(at * kRate);
    const auto count = static_cast<std::size_t>(length * kRate);
    if (samples.size() < start + count) {
        samples.resize(start + count, 0.0);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.004); // no click at the start
        double value = 0;
        for (const Partial& p : partials) {
            value += p.level * std::exp(-p.decay * t) * std::sin(2 * kPi * frequency * p.ratio * t);
        }
        samples[start + i] += attack * value;
    }
}

void Put16(std::ofstream& out, std::uint16_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.write(bytes, 2);
}

void Put32(std::ofstream& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]).rfind("--", 0) == 0) {
        std::fputs("Usage: zarava-chimegen FILE\n\nWrites the two-tone call chime as a 16-bit "
                   "mono PCM wave file (22050 Hz, about 2 s).\n",
                   argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    std::vector<double> samples;
    Strike(samples, 0.0, 659.26, 1.4);  // E5
    Strike(samples, 0.55, 523.25, 1.5); // C5
    double peak = 0;
    for (const double s : samples) {
        peak = std::max(peak, std::fabs(s));
    }
    const double gain = peak > 0 ? 0.7 / peak : 0;

    std::ofstream out(argv[1], std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    Put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, dataBytes);
    for (const double s : samples) {
        Put16(out,
              static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * gain * 32767))));
    }
    if (!out) {
        std::fprintf(stderr, "zarava-chimegen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
