// A call's way from the refresh's last step to the sound's start, beside the sound's start
// alone. The announcement: the refresh hands AnnounceCall to its file work, whose thread reads
// the request, writes it back empty, reads TALK SELECT, finds chime.wav and hands it to the
// player, which decodes it on its own thread, connects to the sound server and opens a stream
// on its default output; the clock stops when the stream plays. The request is written as the
// issuer writes it, and the refresh comes as long after as the poll brings it (0 to 853 ms, at
// random): the settings store waits, by design, before it rewrites a file that may be half
// written. The sound alone: the same player asked straight for the same file. The two
// alternate (A B A B), 50 of each; the figures are the median, the mean and the worst
// (--calls N for fewer). Target (a budget on top of the poll
// period that brings the refresh): the announcement's mean under 50 ms. Without a sound server to
// reach, it runs one of its own with a null output.

#include "BenchServices.h"
#include "PrivateSoundServer.h"
#include "SideBySide.h"
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

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>

namespace {

using Steady = std::chrono::steady_clock;

// The real player, noting when each sound starts.
class TimedSound final : public zarava::SoundPlayer {
public:
    void Play(const std::string& path, zarava::SoundListener listener) override {
        player_.Play(path, [this, listener](const zarava::SoundEvent& e) {
            if (e.kind == zarava::SoundEventKind::Started ||
                e.kind == zarava::SoundEventKind::Failed) {
                std::lock_guard lock(mutex_);
                startedAt_ = Steady::now();
                failed_ = e.kind == zarava::SoundEventKind::Failed;
                wake_.notify_all();
            }
            if (listener) {
                listener(e);
            }
        });
    }
    void Stop() override { player_.Stop(); }
    void Shutdown() { player_.Shutdown(); }

    // Milliseconds from now until the sound asked for by `ask` starts; nothing when it fails
    // or does not start within 5 s.
    template <typename F> std::optional<double> TimeToStart(F ask) {
        {
            std::lock_guard lock(mutex_);
            startedAt_.reset();
        }
        const Steady::time_point begin = Steady::now();
        ask();
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::seconds(5), [this] { return startedAt_.has_value(); });
        if (!startedAt_ || failed_) {
            return std::nullopt;
        }
        return std::chrono::duration<double, std::milli>(*startedAt_ - begin).count();
    }

private:
    zarava::PulseSoundPlayer player_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Steady::time_point> startedAt_;
    bool failed_ = false;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // --calls N: fewer calls, for a quick run.
    const int calls =
        argc > 2 && std::strcmp(argv[1], "--calls") == 0 ? std::max(1, std::atoi(argv[2])) : 50;
    QTemporaryDir dir;
    // A second of a tone as 16-bit PCM, 44.1 kHz, mono: the common chime.
    const std::string chime = dir.filePath("chime.wav").toStdString();
    zarava::test::WriteTone(chime, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 1.0);
    zarava::SystemClock wall;
    zarava::ThreadEngine engine(wall); // not started: the clock and a scheduler nobody uses
    zarava::bench::NullHost screen;    // the announcement needs no screen
    TimedSound sound;
    zarava::SystemProgramStarter programs;
    zarava::IoThread files;
    zarava::Program program({engine, engine, files, screen, sound, programs},
                            dir.path().toStdString());
    program.OpenProgramFolder();

    zarava::test::PrivateSoundServer server(dir.path().toStdString());
    const auto alone = [&] { sound.Play(chime, {}); };
    if (!sound.TimeToStart(alone)) {
        if (!server.Start()) {
            std::fprintf(stderr, "announce_qt: no sound server, and pulseaudio cannot run one\n");
            return 1;
        }
        setenv("PULSE_SERVER", server.Address().c_str(), 1);
        std::printf("no sound server answered: measured on one of its own with a null output\n");
    }
    std::vector<double> announced, played;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> poll(0, 853);
    for (int i = 0; i < calls; ++i) {
        WriteFile(dir.filePath("zarava.ini"),
                  "[DISPLAY INFOMATION]\r\n1CALL SOUND=1\r\nTALK SELECT=0\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(poll(random)));
        const auto a = sound.TimeToStart([&] {
            // As the refresh does: the announcement is handed to the file work's thread.
            zarava::FileWork work(program);
            zarava::AnnounceCall(program, 1, work);
            work.Submit();
        });
        sound.Stop();
        const auto b = sound.TimeToStart(alone);
        sound.Stop();
        if (!a || !b) {
            std::fprintf(stderr, "announce_qt: the chime did not start\n");
            return 1;
        }
        announced.push_back(*a);
        played.push_back(*b);
    }
    sound.Shutdown(); // before the program its listeners write to
    files.Finish();
    const auto report = [](const char* what, const std::vector<double>& ms) {
        std::printf("%-46s median %6.1f ms, mean %6.1f ms, worst %6.1f ms\n", what,
                    zarava::bench::Median(ms),
                    std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size()),
                    *std::max_element(ms.begin(), ms.end()));
    };
    report("from AnnounceCall to the chime playing:", announced);
    report("the same chime asked of the player alone:", played);
    const double mean =
        std::accumulate(announced.begin(), announced.end(), 0.0) / static_cast<double>(calls);
    std::printf("announcement's mean (target under 50 ms): %s\n", mean < 50 ? "met" : "missed");
    return 0;
}
