// The chime's header as the Win32 view reads it, and what the sound player tells of files it
// cannot play.

#include "win32view/WaveImage.h"
#include "win32view/Win32SoundPlayer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>

namespace zarava {
namespace {

std::string Le(unsigned value, int bytes) {
    std::string b;
    for (int i = 0; i < bytes; ++i) {
        b += static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return b;
}

// A RIFF WAVE of 16-bit mono PCM at 1000 Hz (2000 bytes a second), `dataBytes` long as its
// header says, holding `held` bytes of sound.
std::string Wave(unsigned dataBytes, unsigned held, unsigned formatBytes = 16) {
    std::string format = Le(1, 2) + Le(1, 2) + Le(1000, 4) + Le(2000, 4) + Le(2, 2) + Le(16, 2);
    format.resize(formatBytes, '\0');
    return "RIFF" + Le(36 + dataBytes, 4) + "WAVE" + "LIST" + Le(3, 4) + std::string("abc\0", 4) +
           "fmt " + Le(formatBytes, 4) + format + (formatBytes % 2 ? std::string(1, '\0') : "") +
           "data" + Le(dataBytes, 4) + std::string(held, '\x10');
}

TEST(WaveImageTest, CutsToTheLongestSoundAndSaysWhatPlays) {
    struct Case {
        std::string file;
        double seconds, fileSeconds;
        std::size_t dataBytes;
    };
    for (const Case& c :
         {Case{Wave(4000, 4000), 2, 2, 4000}, Case{Wave(200'000, 200'000), 30, 100, 60'000},
          Case{Wave(4000, 1001), 0.5, 2, 1000}, Case{Wave(4000, 4000, 19), 2, 2, 4000}}) {
        const WaveImage image = PrepareWave(c.file, 30);
        ASSERT_TRUE(image.ok) << image.error;
        EXPECT_EQ(image.form, "PCM 16-bit, 1000 Hz, mono");
        EXPECT_DOUBLE_EQ(image.seconds, c.seconds);
        EXPECT_DOUBLE_EQ(image.fileSeconds, c.fileSeconds);
        // One format chunk and one data chunk whose sizes hold what follows.
        const std::size_t data = image.bytes.find("data");
        EXPECT_EQ(image.bytes.size(), data + 8 + c.dataBytes);
        EXPECT_EQ(image.bytes.substr(data + 4, 4), Le(static_cast<unsigned>(c.dataBytes), 4));
        EXPECT_EQ(image.bytes.substr(4, 4), Le(static_cast<unsigned>(image.bytes.size() - 8), 4));
        EXPECT_EQ(data % 2, 0u);
    }
    EXPECT_EQ(PrepareWave("", 30).error, "is empty (0 bytes)");
    EXPECT_EQ(PrepareWave("RIFF....AVI LIST", 30).error, "is not a wave file");
    EXPECT_EQ(PrepareWave(Wave(4000, 0), 30).error, "holds no sound");
    EXPECT_EQ(PrepareWave(Wave(4000, 1), 30).error, "holds no sound");
}

TEST(Win32SoundPlayerTest, AFileThatCannotPlayIsToldAsUnreadable) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    Win32SoundPlayer player;
    std::mutex mutex;
    std::condition_variable told;
    std::vector<SoundEvent> events;
    const auto listener = [&](const SoundEvent& e) {
        std::lock_guard lock(mutex);
        events.push_back(e);
        told.notify_one();
    };
    player.Play("Z:\\no such folder\\chime.wav", listener);
    player.Play(std::string(folder, folder + wcslen(folder)), listener); // a folder (ASCII here)
    std::unique_lock lock(mutex);
    ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() == 2; }));
    EXPECT_EQ(events[0].kind, SoundEventKind::Failed);
    EXPECT_EQ(events[0].failure, SoundFailure::Unreadable);
    EXPECT_EQ(events[0].reason, "not found");
    EXPECT_EQ(events[1].reason, "is a folder, not a file");
}

} // namespace
} // namespace zarava
