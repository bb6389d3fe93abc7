#include "qtview/WaveFile.h"

#include "files/Files.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace zarava {

namespace {

// Audio devices and sound servers take no more than this; a header that claims more is broken.
constexpr int kHighestSampleRate = 384000;

struct Encoding {
    int subtype;
    const char* name;
};

constexpr Encoding kEncodings[] = {
    {SF_FORMAT_PCM_U8, "PCM 8-bit"},
    {SF_FORMAT_PCM_S8, "PCM 8-bit"},
    {SF_FORMAT_PCM_16, "PCM 16-bit"},
    {SF_FORMAT_PCM_24, "PCM 24-bit"},
    {SF_FORMAT_PCM_32, "PCM 32-bit"},
    {SF_FORMAT_FLOAT, "32-bit float"},
    {SF_FORMAT_DOUBLE, "64-bit float"},
    {SF_FORMAT_ULAW, "mu-law"},
    {SF_FORMAT_ALAW, "A-law"},
    {SF_FORMAT_IMA_ADPCM, "IMA ADPCM"},
    {SF_FORMAT_MS_ADPCM, "Microsoft ADPCM"},
    {SF_FORMAT_GSM610, "GSM 6.10"},
};

std::string EncodingName(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    for (const Encoding& e : kEncodings) {
        if (e.subtype == subtype) {
            return e.name;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "encoding 0x%04x", subtype);
    return text;
}

bool IsWaveContainer(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64;
}

std::string ChannelText(int channels) {
    if (channels == 1) {
        return "mono";
    }
    if (channels == 2) {
        return "stereo";
    }
    return std::to_string(channels) + " channels, the first two played";
}

// Full scale -1..1 to 16 bits; beyond full scale (float files may go there) is clipped, and
// a value that is no number is silence.
std::int16_t ToSample16(float value) {
    if (!(value == value)) {
        return 0;
    }
    const float scaled = std::clamp(value * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

DecodeResult Failure(std::string error) {
    DecodeResult result;
    result.error = std::move(error);
    return result;
}

// Opens the file for the decoder without ever waiting on what is in its place, and says why
// when it is no regular file with bytes in it.
int OpenSoundFile(const std::string& path, std::string& error) {
    int fd = -1;
    const ReadFileResult opened = OpenRegularFile(path, fd);
    if (opened != ReadFileResult::Ok) {
        error = ReadFailureText(opened);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size == 0) {
        error = "is empty (0 bytes)";
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

double DecodedSound::Seconds() const {
    if (sampleRate <= 0 || channels <= 0) {
        return 0;
    }
    return static_cast<double>(samples.size()) / channels / sampleRate;
}

DecodeResult DecodeWaveFile(const std::string& path, double maxSeconds) {
    std::string error;
    const int fd = OpenSoundFile(path, error);
    if (fd < 0) {
        return Failure(error);
    }
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (file == nullptr) {
        return Failure(std::string("is not a wave file we can read (") + sf_strerror(nullptr) +
                       ")");
    }
    struct Closer {
        SNDFILE* file;
        ~Closer() { sf_close(file); }
    } closer{file};

    if (!IsWaveContainer(info.format)) {
        return Failure("is not a wave file");
    }
    if (info.channels < 1 || info.samplerate < 1 || info.samplerate > kHighestSampleRate) {
        return Failure("has a broken header (" + std::to_string(info.samplerate) + " Hz, " +
                       std::to_string(info.channels) + " channels)");
    }
    DecodeResult result;
    DecodedSound& sound = result.sound;
    sound.sampleRate = info.samplerate;
    sound.channels = std::min(info.channels, 2);
    sound.fileSeconds = static_cast<double>(info.frames) / info.samplerate;
    sound.form = EncodingName(info.format) + ", " + std::to_string(info.samplerate) + " Hz, " +
                 ChannelText(info.channels);

    const sf_count_t limit =
        std::min<sf_count_t>(info.frames, static_cast<sf_count_t>(maxSeconds * info.samplerate));
    // Read as float in full scale -1..1, whatever the encoding, and turned into 16 bits here:
    // libsndfile would not scale float files to integers by itself, or only normalised to
    // their peak, which would make a quiet chime loud.
    constexpr sf_count_t kChunkFrames = 4096;
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames * info.channels));
    sound.samples.reserve(static_cast<std::size_t>(std::max<sf_count_t>(limit, 0)) *
                          static_cast<std::size_t>(sound.channels));
    sf_count_t decoded = 0;
    while (decoded < limit) {
        const sf_count_t n =
            sf_readf_float(file, chunk.data(), std::min(kChunkFrames, limit - decoded));
        if (n <= 0) {
            break; // the file ends early (cut short, or broken further on): keep what it gave
        }
        for (sf_count_t f = 0; f < n; ++f) {
            const float* frame = chunk.data() + f * info.channels;
            for (int c = 0; c < sound.channels; ++c) {
                sound.samples.push_back(ToSample16(frame[c]));
            }
        }
        decoded += n;
    }
    if (decoded == 0) {
        return Failure("holds no sound");
    }
    // A file cut short claims more than it holds; what it really lasts is what was read.
    if (decoded < limit) {
        sound.fileSeconds = static_cast<double>(decoded) / info.samplerate;
    }
    result.ok = true;
    return result;
}

} // namespace zarava
