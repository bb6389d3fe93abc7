// The Qt sound path on this machine's audio: the tests that need an output device skip
// themselves where there is none (CI), the others run everywhere.

#include "TempFolder.h"
#include "WaveWriter.h"
#include "platform/qt/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <vector>

namespace zarava {
namespace {

using test::TempFolder;
using test::WriteTone;

bool HaveAudioOutput() {
    return !QMediaDevices::audioOutputs().isEmpty();
}

// The events of the sounds asked for, in order, with the number of the sound each belongs to.
class Events {
public:
    SoundListener For(int sound) {
        return [this, sound](const SoundEvent& e) {
            std::lock_guard lock(mutex_);
            heard_.emplace_back(sound, e);
        };
    }
    // Waits until `count` events have come (generously: the device has its own pace).
    std::vector<std::pair<int, SoundEvent>> WaitFor(std::size_t count, int ms = 20000) {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::lock_guard lock(mutex_);
            if (heard_.size() >= count) {
                break;
            }
        }
        std::lock_guard lock(mutex_);
        return heard_;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<int, SoundEvent>> heard_;
};

std::vector<std::pair<int, SoundEventKind>>
Kinds(const std::vector<std::pair<int, SoundEvent>>& e) {
    std::vector<std::pair<int, SoundEventKind>> kinds;
    for (const auto& [sound, event] : e) {
        kinds.emplace_back(sound, event.kind);
    }
    return kinds;
}

TEST(SoundPlayerTest, ABrokenFileIsReportedUnreadableWithOrWithoutADevice) {
    TempFolder folder;
    folder.Write("empty.wav", "");
    folder.Write("text.wav", "not a sound at all");
    std::filesystem::create_directory(folder / "chime.wav");
    const std::pair<const char*, const char*> cases[] = {
        {"empty.wav", "is empty (0 bytes)"},
        {"text.wav", "is not a wave file we can read (Format not recognised.)"},
        {"chime.wav", "is a folder, not a file"},
        {"missing.wav", "not found"},
    };
    QtSoundPlayer player;
    for (const auto& [name, reason] : cases) {
        Events events;
        player.Play(folder / name, events.For(1));
        const auto heard = events.WaitFor(1);
        ASSERT_EQ(heard.size(), 1u) << name;
        EXPECT_EQ(heard[0].second.kind, SoundEventKind::Failed) << name;
        EXPECT_EQ(heard[0].second.failure, SoundFailure::Unreadable) << name;
        EXPECT_EQ(heard[0].second.reason, reason);
    }
}

TEST(SoundPlayerTest, WithoutADeviceAGoodChimeIsReportedAsNoDevice) {
    if (HaveAudioOutput()) {
        GTEST_SKIP() << "this machine has an audio output";
    }
    TempFolder folder;
    ASSERT_TRUE(WriteTone(folder / "chime.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.2));
    QtSoundPlayer player;
    Events events;
    player.Play(folder / "chime.wav", events.For(1));
    const auto heard = events.WaitFor(1);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].second.failure, SoundFailure::NoDevice);
}

TEST(SoundPlayerTest, OnADeviceEachFormPlaysToItsEndAndLongOnesAreCut) {
    if (!HaveAudioOutput()) {
        GTEST_SKIP() << "no audio output on this machine";
    }
    TempFolder folder;
    struct Case {
        int format;
        int rate;
        int channels;
        double seconds;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 3.0}, // cut to its first second
    };
    QtSoundPlayer player(1.0);
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteTone(folder / "chime.wav", c.format, c.rate, c.channels, c.seconds));
        Events events;
        player.Play(folder / "chime.wav", events.For(1));
        const auto heard = events.WaitFor(2);
        EXPECT_EQ(Kinds(heard), (std::vector<std::pair<int, SoundEventKind>>{
                                    {1, SoundEventKind::Started}, {1, SoundEventKind::Finished}}))
            << c.rate;
        ASSERT_FALSE(heard.empty());
        EXPECT_FALSE(heard[0].second.device.empty());
        EXPECT_NEAR(heard[0].second.seconds, std::min(c.seconds, 1.0), 0.01);
        EXPECT_NEAR(heard[0].second.fileSeconds, c.seconds, 0.01);
    }
}

TEST(SoundPlayerTest, OnADeviceANewSoundReplacesTheOneThatPlaysAndStopEndsIt) {
    if (!HaveAudioOutput()) {
        GTEST_SKIP() << "no audio output on this machine";
    }
    TempFolder folder;
    ASSERT_TRUE(WriteTone(folder / "chime.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10));
    QtSoundPlayer player;
    Events events;
    player.Play(folder / "chime.wav", events.For(1));
    ASSERT_EQ(events.WaitFor(1).size(), 1u);
    player.Play(folder / "chime.wav", events.For(2));
    events.WaitFor(3);
    player.Stop();
    player.Play(folder / "nothing.txt", events.For(3)); // a failure after a stop: still one
    const auto heard = events.WaitFor(5);
    EXPECT_EQ(Kinds(heard), (std::vector<std::pair<int, SoundEventKind>>{
                                {1, SoundEventKind::Started},
                                {1, SoundEventKind::Stopped},
                                {2, SoundEventKind::Started},
                                {2, SoundEventKind::Stopped},
                                {3, SoundEventKind::Failed},
                            }));
}

} // namespace
} // namespace zarava
