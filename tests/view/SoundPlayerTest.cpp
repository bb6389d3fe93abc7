// The sound path against sound servers of the test's own with null outputs, so it runs alike on
// every machine with pulseaudio (and skips where there is none).

#include "PrivateSoundServer.h"
#include "TempFolder.h"
#include "WaveWriter.h"
#include "qtview/PulseSoundPlayer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace zarava {
namespace {

using test::PrivateSoundServer;
using test::TempFolder;
using test::WriteTone;
using Heard = std::vector<std::pair<int, SoundEventKind>>;

// The events of the sounds asked for, in order, each with the number of its sound.
class Events {
public:
    SoundListener For(int sound) {
        return [this, sound](const SoundEvent& e) {
            std::lock_guard lock(mutex_);
            events_.emplace_back(sound, e);
            arrived_.notify_all();
        };
    }
    // Waits (generously: the server has its own pace) until `count` events have come.
    std::vector<std::pair<int, SoundEvent>> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return events_.size() >= count; });
        return events_;
    }
    Heard Kinds(std::size_t count) {
        Heard kinds;
        for (const auto& [sound, event] : WaitFor(count)) {
            kinds.emplace_back(sound, event.kind);
        }
        return kinds;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::pair<int, SoundEvent>> events_;
};

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("PULSE_SERVER")) {
            oldServer_ = old;
        }
        // Every sound looks for its server afresh, here the test's own.
        ::setenv("PULSE_SERVER", server.Address().c_str(), 1);
        ASSERT_TRUE(
            WriteTone(folder / "chime.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.2));
        ASSERT_TRUE(WriteTone(folder / "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10));
    }
    void TearDown() override {
        oldServer_ ? ::setenv("PULSE_SERVER", oldServer_->c_str(), 1) : ::unsetenv("PULSE_SERVER");
    }

    TempFolder folder;
    PrivateSoundServer server{folder.Path(), {"ZaravaTestSink", "HdmiSink"}};

private:
    std::optional<std::string> oldServer_;
};

// The display starts before the session's sound server, the user picks another output, the
// server crashes and comes back: each next call plays where the sound goes now.
TEST_F(SoundPlayerTest, ServerStartedLateNewDefaultOutputAndRestartServeTheNextSound) {
    folder.Write("empty.wav", "");
    PulseSoundPlayer player;
    Events events;
    player.Play(folder / "empty.wav", events.For(0));
    player.Play(folder / "chime.wav", events.For(1));
    const auto early = events.WaitFor(2);
    ASSERT_EQ(early.size(), 2u);
    EXPECT_EQ(early[0].second.failure, SoundFailure::Unreadable);
    EXPECT_EQ(early[1].second.failure, SoundFailure::NoDevice);
    EXPECT_EQ(early[1].second.reason.rfind("no sound server answers", 0), 0u);
    if (!server.Start()) {
        GTEST_SKIP() << "no pulseaudio to run a sound server of the test's own";
    }
    player.Play(folder / "chime.wav", events.For(2));
    EXPECT_EQ(events.Kinds(4), (Heard{{0, SoundEventKind::Failed},
                                      {1, SoundEventKind::Failed},
                                      {2, SoundEventKind::Started},
                                      {2, SoundEventKind::Finished}}));
    EXPECT_EQ(events.WaitFor(3)[2].second.device, "ZaravaTestSink");
    if (server.ChooseOutput(1)) {
        player.Play(folder / "chime.wav", events.For(3));
        EXPECT_EQ(events.WaitFor(6)[4].second.device, "HdmiSink");
    }

    Events crash;
    player.Play(folder / "long.wav", crash.For(1));
    ASSERT_EQ(crash.Kinds(1), (Heard{{1, SoundEventKind::Started}}));
    server.Stop();
    const auto failed = crash.WaitFor(2);
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[1].second.failure, SoundFailure::DeviceFailed) << failed[1].second.reason;
    ASSERT_TRUE(server.Start());
    player.Play(folder / "chime.wav", crash.For(2));
    EXPECT_EQ(crash.Kinds(4), (Heard{{1, SoundEventKind::Started},
                                     {1, SoundEventKind::Failed},
                                     {2, SoundEventKind::Started},
                                     {2, SoundEventKind::Finished}}));
}

TEST_F(SoundPlayerTest, EachFormPlaysToItsEndALongOneIsCutAndANewOneReplacesIt) {
    if (!server.Start()) {
        GTEST_SKIP() << "no pulseaudio to run a sound server of the test's own";
    }
    const std::tuple<int, int, int, double> forms[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 3.0}, // cut to its first second
    };
    PulseSoundPlayer player(1.0);
    for (const auto& [format, rate, channels, seconds] : forms) {
        ASSERT_TRUE(WriteTone(folder / "form.wav", format, rate, channels, seconds));
        Events events;
        player.Play(folder / "form.wav", events.For(1));
        EXPECT_EQ(events.Kinds(2),
                  (Heard{{1, SoundEventKind::Started}, {1, SoundEventKind::Finished}}))
            << rate;
        const SoundEvent started = events.WaitFor(1)[0].second;
        EXPECT_NEAR(started.seconds, std::min(seconds, 1.0), 0.01);
        EXPECT_NEAR(started.fileSeconds, seconds, 0.01);
    }

    PulseSoundPlayer uncut;
    Events events;
    uncut.Play(folder / "long.wav", events.For(1));
    events.WaitFor(1);
    uncut.Play(folder / "long.wav", events.For(2));
    events.WaitFor(3);
    uncut.Stop();
    EXPECT_EQ(events.Kinds(4), (Heard{{1, SoundEventKind::Started},
                                      {1, SoundEventKind::Stopped},
                                      {2, SoundEventKind::Started},
                                      {2, SoundEventKind::Stopped}}));

    // The display closes while a chime plays, or just after it stopped one: the player ends
    // cleanly.
    for (const bool stopFirst : {false, true}) {
        PulseSoundPlayer closing;
        Events last;
        closing.Play(folder / "long.wav", last.For(1));
        ASSERT_EQ(last.Kinds(1), (Heard{{1, SoundEventKind::Started}}));
        if (stopFirst) {
            closing.Stop();
        }
        closing.Shutdown();
    }
}

} // namespace
} // namespace zarava
