// A call's way from the refresh's last step to the sound's start: the refresh hands
// AnnounceCall to its file work, whose thread reads the request, writes it back empty, reads
// TALK SELECT, finds chime.wav and hands it to the Qt player, which reads and decodes it on
// its own thread and starts an audio sink. The clock
// stops when the player says the sink has started. The poll that runs the refresh comes at
// most one poll period after the queue file's new time stamp; the target for what follows is
// 50 ms. Needs an audio output (a null sink will do).

#include "BenchServices.h"
#include "WaveWriter.h"
#include "engine/IoThread.h"
#include "engine/SystemClock.h"
#include "engine/ThreadEngine.h"
#include "files/ProgramStart.h"
#include "qtview/PulseSoundPlayer.h"
#include "roomdisplay/CallAnnouncement.h"
#include "window/FileWork.h"
#include "window/Program.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// The real player, noting when each sound starts.
class TimedSound final : public zarava::SoundPlayer {
public:
    zarava::PulseSoundPlayer player;

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

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void AnnounceCallToSoundStart(benchmark::State& state) {
    QTemporaryDir dir;
    // A second of a tone as 16-bit PCM, 44.1 kHz, mono: the common chime.
    zarava::test::WriteTone(dir.filePath("chime.wav").toStdString(),
                            SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 1.0);
    zarava::SystemClock wall;
    zarava::ThreadEngine engine(wall); // not started: the clock and a scheduler nobody uses
    zarava::bench::NullHost screen;    // the announcement needs no screen
    TimedSound sound;
    zarava::SystemProgramStarter programs;
    zarava::IoThread files;
    zarava::Program program({engine, engine, files, screen, sound, programs},
                            dir.path().toStdString());
    program.OpenProgramFolder();

    double worst = 0;
    for (auto _ : state) {
        WriteFile(dir.filePath("zarava.ini"),
                  "[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\nTALK SELECT=0\r\n");
        sound.Reset();
        const Clock::time_point begin = Clock::now();
        zarava::FileWork work(program);
        zarava::AnnounceCall(program, 1, work);
        work.Submit();
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
    files.Finish();
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
