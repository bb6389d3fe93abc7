// A call's way from the refresh's last step to the sound's start: AnnounceCall reads the
// request, writes it back empty, reads TALK SELECT, finds chime.wav and hands it to the Qt
// player, which reads and decodes it on its own thread and starts an audio sink. The clock
// stops when the player says the sink has started. The poll that runs the refresh comes at
// most one poll period after the queue file's new time stamp; the target for what follows is
// 50 ms. Needs an audio output (a null sink will do).

#include "platform/ProgramStarter.h"
#include "platform/SystemClock.h"
#include "platform/ThreadEngine.h"
#include "platform/qt/QtSoundPlayer.h"
#include "roomdisplay/CallAnnouncement.h"
#include "window/Program.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// The announcement needs no screen.
class NoScreen final : public zarava::Host {
public:
    std::vector<zarava::Rect> Monitors() override { return {}; }
    bool AnotherCopyRunning() override { return false; }
    void ShowMessage(const std::string&, const std::string&, zarava::MessageIcon) override {}
    void MoveCursor(int, int) override {}
    void PublishFrame(const zarava::FrameSnapshot&) override {}
    void PublishWindow(const zarava::WindowChanges&) override {}
    void EndProcess(int) override {}
};

// The real player, noting when each sound starts.
class TimedSound final : public zarava::SoundPlayer {
public:
    zarava::QtSoundPlayer player;

    void Play(const std::string& path, zarava::SoundListener listener) override {
        player.Play(path, [this, listener](const zarava::SoundEvent& e) {
            if (e.kind == zarava::SoundEventKind::Started ||
                e.kind == zarava::SoundEventKind::Failed) {
                std::lock_guard lock(mutex_);
                startedAt_ = Clock::now();
                failed_ = e.kind == zarava::SoundEventKind::Failed;
                wake_.notify_all();
            }
            listener(e);
        });
    }
    void Stop() override { player.Stop(); }

    void Reset() {
        std::lock_guard lock(mutex_);
        startedAt_.reset();
    }
    // The moment the sound started; nothing when it failed or did not start in 5 s.
    std::optional<Clock::time_point> WaitForStart() {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::seconds(5), [this] { return startedAt_.has_value(); });
        return failed_ ? std::nullopt : startedAt_;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Clock::time_point> startedAt_;
    bool failed_ = false;
};

// A second of a tone as 16-bit PCM, 44.1 kHz, mono: the common chime.
QByteArray ChimeBytes() {
    const std::uint32_t rate = 44100;
    const std::uint32_t dataBytes = rate * 2;
    QByteArray wav;
    auto add32 = [&wav](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            wav.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    auto add16 = [&wav](std::uint16_t v) {
        wav.append(static_cast<char>(v & 0xFF));
        wav.append(static_cast<char>(v >> 8));
    };
    wav.append("RIFF");
    add32(36 + dataBytes);
    wav.append("WAVEfmt ");
    add32(16);
    add16(1);
    add16(1);
    add32(rate);
    add32(rate * 2);
    add16(2);
    add16(16);
    wav.append("data");
    add32(dataBytes);
    for (std::uint32_t i = 0; i < rate; ++i) {
        add16(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(i * 0.0627))));
    }
    return wav;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void AnnounceCallToSoundStart(benchmark::State& state) {
    if (QMediaDevices::audioOutputs().isEmpty()) {
        state.SkipWithError("no audio output on this machine");
        return;
    }
    QTemporaryDir dir;
    WriteFile(dir.filePath("chime.wav"), ChimeBytes());
    zarava::SystemClock wall;
    zarava::ThreadEngine engine(wall); // not started: the clock and a scheduler nobody uses
    NoScreen screen;
    TimedSound sound;
    zarava::PosixProgramStarter programs;
    zarava::Program program({engine, engine, screen, sound, programs}, dir.path().toStdString());
    program.IniPath = dir.filePath("zarava.ini").toStdString();

    double worst = 0;
    for (auto _ : state) {
        WriteFile(dir.filePath("zarava.ini"),
                  "[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\nTALK SELECT=0\r\n");
        sound.Reset();
        const Clock::time_point begin = Clock::now();
        zarava::AnnounceCall(program, 1);
        const std::optional<Clock::time_point> started = sound.WaitForStart();
        if (!started) {
            state.SkipWithError("the chime did not start");
            break;
        }
        const double seconds = std::chrono::duration<double>(*started - begin).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        sound.Stop();
    }
    state.counters["worst_ms"] = worst * 1000;
    sound.player.Shutdown(); // before the program its listeners write to
}
BENCHMARK(AnnounceCallToSoundStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
