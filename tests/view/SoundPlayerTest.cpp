// The Qt sound path on this machine's audio. What needs an output device is skipped where
// there is none (CI); the rest runs everywhere.

#include "TempFolder.h"
#include "WaveWriter.h"
#include "qtview/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <mutex>
#include <sys/prctl.h>
#include <vector>

namespace zarava {
namespace {

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
        };
    }
    // Waits (generously: the device has its own pace) until `count` events have come.
    std::vector<std::pair<int, SoundEvent>> WaitFor(std::size_t count) {
        for (QDeadlineTimer deadline(20000); !deadline.hasExpired();) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::lock_guard lock(mutex_);
            if (events_.size() >= count) {
                break;
            }
        }
        std::lock_guard lock(mutex_);
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
    std::vector<std::pair<int, SoundEvent>> events_;
};

// A sound server of the test's own with a null output named ZaravaTestSink, which the test can
// take away as a sound server that crashes or restarts goes away. Not running without
// pulseaudio.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const std::string& folder) : socket_(folder + "/sound") {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) {
            return;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", QString::fromStdString(folder));
        env.insert("HOME", QString::fromStdString(folder));
        server_.setProcessEnvironment(env);
        // Gone with the test, even one that crashed: it must not outlive the test holding
        // on to the test runner's output.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        server_.start(program,
                      {"-n", "--daemonize=no", "--exit-idle-time=10", "--use-pid-file=no",
                       "--disable-shm=yes", "--log-level=0", "-L",
                       QString::fromStdString(
                           "module-native-protocol-unix auth-anonymous=1 socket=" + socket_),
                       "-L",
                       "module-null-sink sink_name=zarava_test "
                       "sink_properties=device.description=ZaravaTestSink"});
        for (QDeadlineTimer deadline(10000);
             !deadline.hasExpired() && !std::filesystem::exists(socket_);) {
            if (server_.waitForFinished(50)) {
                return; // it could not start
            }
        }
    }
    ~PrivateSoundServer() { Stop(); }

    bool Running() const {
        return server_.state() == QProcess::Running && std::filesystem::exists(socket_);
    }
    std::string Address() const { return "unix:" + socket_; }
    void Stop() {
        server_.kill();
        server_.waitForFinished();
    }

private:
    std::string socket_;
    QProcess server_;
};

TEST(SoundPlayerTest, ABrokenFileIsUnreadableAndWithoutADeviceAGoodOneSaysSo) {
    TempFolder folder;
    folder.Write("empty.wav", "");
    ASSERT_TRUE(WriteTone(folder / "chime.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.2));
    QtSoundPlayer player;
    Events events;
    player.Play(folder / "empty.wav", events.For(1));
    const auto heard = events.WaitFor(1);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].second.failure, SoundFailure::Unreadable);
    EXPECT_EQ(heard[0].second.reason, "is empty (0 bytes)");
    if (QMediaDevices::audioOutputs().isEmpty()) {
        player.Play(folder / "chime.wav", events.For(2));
        const auto both = events.WaitFor(2);
        ASSERT_EQ(both.size(), 2u);
        EXPECT_EQ(both[1].second.failure, SoundFailure::NoDevice);
    }
}

TEST(SoundPlayerTest, OnADeviceEachFormPlaysToItsEndALongOneIsCutAndANewOneReplacesIt) {
    if (QMediaDevices::audioOutputs().isEmpty()) {
        GTEST_SKIP() << "no audio output on this machine";
    }
    TempFolder folder;
    const std::tuple<int, int, int, double> forms[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 0.2},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 3.0}, // cut to its first second
    };
    QtSoundPlayer player(1.0);
    for (const auto& [format, rate, channels, seconds] : forms) {
        ASSERT_TRUE(WriteTone(folder / "chime.wav", format, rate, channels, seconds));
        Events events;
        player.Play(folder / "chime.wav", events.For(1));
        EXPECT_EQ(events.Kinds(2),
                  (Heard{{1, SoundEventKind::Started}, {1, SoundEventKind::Finished}}))
            << rate;
        const SoundEvent started = events.WaitFor(1)[0].second;
        EXPECT_FALSE(started.device.empty());
        EXPECT_NEAR(started.seconds, std::min(seconds, 1.0), 0.01);
        EXPECT_NEAR(started.fileSeconds, seconds, 0.01);
    }

    ASSERT_TRUE(WriteTone(folder / "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10));
    Events events;
    player.Play(folder / "long.wav", events.For(1));
    events.WaitFor(1);
    player.Play(folder / "long.wav", events.For(2));
    events.WaitFor(3);
    player.Stop();
    EXPECT_EQ(events.Kinds(4), (Heard{{1, SoundEventKind::Started},
                                      {1, SoundEventKind::Stopped},
                                      {2, SoundEventKind::Started},
                                      {2, SoundEventKind::Stopped}}));

    // The display closes while a chime plays, or just after it stopped one: the player ends
    // cleanly.
    for (const bool stopFirst : {false, true}) {
        QtSoundPlayer closing;
        Events last;
        closing.Play(folder / "long.wav", last.For(1));
        ASSERT_EQ(last.Kinds(1), (Heard{{1, SoundEventKind::Started}}));
        if (stopFirst) {
            closing.Stop();
        }
        closing.Shutdown();
    }
}

TEST(SoundPlayerTest, ASoundServerThatGoesAwayFailsTheSoundsNeverTheProgram) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sound server forked beside the sound client library, neither built for "
                    "the thread checker, leaves it seeing races that are not there";
#endif
    TempFolder folder;
    PrivateSoundServer server(folder.Path());
    if (!server.Running()) {
        GTEST_SKIP() << "no pulseaudio to run a sound server of the test's own";
    }
    // Qt Multimedia picks its sound server when it first looks at the devices.
    qputenv("PULSE_SERVER", QByteArray::fromStdString(server.Address()));
    ASSERT_TRUE(WriteTone(folder / "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 10));
    QtSoundPlayer player;
    if (QMediaDevices::defaultAudioOutput().description() != "ZaravaTestSink") {
        GTEST_SKIP() << "Qt already talks to another sound server in this process; run the "
                        "test in a process of its own, as ctest does";
    }
    Events events;
    player.Play(folder / "long.wav", events.For(1));
    ASSERT_EQ(events.Kinds(1), (Heard{{1, SoundEventKind::Started}}));
    server.Stop();
    // The chime that played fails or stops; the next one is a device failure, said at once.
    player.Play(folder / "long.wav", events.For(2));
    const auto heard = events.WaitFor(3);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[1].first, 1);
    EXPECT_NE(heard[1].second.kind, SoundEventKind::Finished);
    EXPECT_EQ(heard[2].first, 2);
    EXPECT_EQ(heard[2].second.kind, SoundEventKind::Failed);
    EXPECT_EQ(heard[2].second.failure, SoundFailure::DeviceFailed);
}

} // namespace
} // namespace zarava
