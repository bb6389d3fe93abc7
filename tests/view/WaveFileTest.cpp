#include "qtview/WaveFile.h"
#include "TempFolder.h"
#include "WaveWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace zarava {
namespace {

using test::TempFolder;
using test::WriteTone;

int Peak(const DecodedSound& sound) {
    int peak = 0;
    for (const std::int16_t s : sound.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    return peak;
}

TEST(WaveFileTest, CommonFormsDecodeTo16BitAtTheirRateAndLoudness) {
    struct Case {
        int format;
        int rate;
        int channels;
        const char* form;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, "PCM 8-bit, 8000 Hz, mono"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 2, "PCM 16-bit, 11025 Hz, stereo"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 1, "PCM 24-bit, 22050 Hz, mono"},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 1, "32-bit float, 48000 Hz, mono"},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 96000, 2, "64-bit float, 96000 Hz, stereo"},
        {SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1, "mu-law, 8000 Hz, mono"},
        {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 1, "IMA ADPCM, 22050 Hz, mono"},
        {SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 11025, 2, "Microsoft ADPCM, 11025 Hz, stereo"},
        {SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 44100, 1, "PCM 16-bit, 44100 Hz, mono"},
        {SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 44100, 6,
         "PCM 16-bit, 44100 Hz, 6 channels, the first two played"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder / "chime.wav";
        ASSERT_TRUE(WriteTone(path, c.format, c.rate, c.channels, 0.5)) << c.form;
        const DecodeResult r = DecodeWaveFile(path, 30);
        ASSERT_TRUE(r.ok) << c.form << ": " << r.error;
        EXPECT_EQ(r.sound.form, c.form);
        EXPECT_EQ(r.sound.sampleRate, c.rate) << c.form;
        EXPECT_EQ(r.sound.channels, std::min(c.channels, 2)) << c.form;
        // ADPCM pads its last block.
        EXPECT_NEAR(r.sound.Seconds(), 0.5, 0.05) << c.form;
        EXPECT_NEAR(r.sound.fileSeconds, r.sound.Seconds(), 1e-9) << c.form;
        // Half of full scale stays half, whatever the encoding (the lossy ones roughly).
        EXPECT_NEAR(Peak(r.sound), 16384, 1600) << c.form;
    }
}

TEST(WaveFileTest, LongFilesAreCutAndFloatBeyondFullScaleIsClipped) {
    TempFolder folder;
    const std::string tenMinutes = folder / "long.wav";
    ASSERT_TRUE(WriteTone(tenMinutes, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 600));
    DecodeResult r = DecodeWaveFile(tenMinutes, 30);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.sound.samples.size(), 30u * 8000);
    EXPECT_DOUBLE_EQ(r.sound.fileSeconds, 600);

    const std::string loud = folder / "loud.wav";
    ASSERT_TRUE(WriteTone(loud, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, 0.1, 2.0));
    r = DecodeWaveFile(loud, 30);
    ASSERT_TRUE(r.ok) << r.error;
    // Clipped, not wrapped round: the tone's first quarter rises and stays at the top.
    EXPECT_EQ(*std::max_element(r.sound.samples.begin(), r.sound.samples.end()), 32767);
    EXPECT_GT(r.sound.samples[30], 0);
}

TEST(WaveFileTest, BrokenFilesAndNonFilesGiveAReasonAndNeverHang) {
    TempFolder folder;
    const std::string good = folder / "good.wav";
    ASSERT_TRUE(WriteTone(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 1.0));
    const std::string bytes = folder.Read("good.wav");
    folder.Write("empty.wav", "");
    folder.Write("text.wav", "This is not a wave file, but a note somebody saved.\r\n");
    folder.Write("header.wav", bytes.substr(0, 20));
    folder.Write("nodata.wav", bytes.substr(0, 44));
    folder.Write("half.wav", bytes.substr(0, bytes.size() / 2));
    std::filesystem::create_directory(folder / "folder.wav");
    ASSERT_EQ(::mkfifo((folder / "pipe.wav").c_str(), 0644), 0);
    ASSERT_TRUE(WriteTone(folder / "aiff.wav", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1, 0.2));

    const std::pair<const char*, const char*> broken[] = {
        {"missing.wav", "not found"},
        {"empty.wav", "is empty (0 bytes)"},
        {"text.wav", "is not a wave file we can read"},
        {"header.wav", "is not a wave file we can read"},
        {"nodata.wav", "holds no sound"},
        {"folder.wav", "not a regular file"},
        {"pipe.wav", "not a regular file"},
        {"aiff.wav", "is not a wave file"},
    };
    for (const auto& [name, reason] : broken) {
        const DecodeResult r = DecodeWaveFile(folder / name, 30);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.error.rfind(reason, 0), 0u) << name << ": " << r.error;
        EXPECT_TRUE(r.sound.samples.empty()) << name;
    }

    // A file cut short plays what it holds and says how long that is.
    const DecodeResult half = DecodeWaveFile(folder / "half.wav", 30);
    ASSERT_TRUE(half.ok) << half.error;
    EXPECT_NEAR(half.sound.Seconds(), 0.5, 0.01);
    EXPECT_DOUBLE_EQ(half.sound.fileSeconds, half.sound.Seconds());
}

} // namespace
} // namespace zarava
