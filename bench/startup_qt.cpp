// Start-up to the first drawn frame with six rooms. The settings store waits 100 ms before
// retrying every key that is missing, and the write-access probe waits 200 ms: those pauses
// are the design's. The rest is our own cost; the target is under 300 ms of it.

#include "DisplayApp.h"
#include "platform/Clock.h"
#include "platform/SystemClock.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/Resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>

namespace {

// The real clock, counting the time that handlers spend in pauses.
class CountingClock final : public zarava::Clock {
public:
    zarava::LocalDateTime Now() const override { return real_.Now(); }
    void Sleep(int ms) override {
        slept += ms;
        real_.Sleep(ms);
    }
    std::atomic<long> slept{0};

private:
    zarava::SystemClock real_;
};

// Six rooms with titles; TYPE, SHOP COLOR, MESSAGE INFO and MSSG 3 are missing, as on many
// sites, and cost their retries.
const char* const kIni = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nDAZUZE1=Room 1\r\n"
                         "DAZUZE2=Room 2\r\nDAZUZE3=Room 3\r\nDAZUZE4=Room 4\r\n"
                         "DAZUZE5=Room 5\r\nDAZUZE6=Room 6\r\n"
                         "[USER INFOMATION]\r\nFORM=1\r\n";

void StartupToFirstDrawnFrame(benchmark::State& state) {
    double ownTotal = 0;
    double pauseTotal = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        QFile ini(dir.filePath("zarava.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(kIni);
        ini.close();

        CountingClock clock;
        QElapsedTimer elapsed;
        elapsed.start();
        zarava::DisplayApp display(dir.path().toStdString(), "a123456", clock);
        QEventLoop loop;
        display.OnStartupDrawn([&] {
            benchmark::DoNotOptimize(display.View().grab()); // draws every window
            loop.quit();
        });
        display.Start();
        loop.exec();
        const double ms = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        pauseTotal += static_cast<double>(clock.slept.load());
        ownTotal += ms - static_cast<double>(clock.slept.load());

        QEventLoop closing;
        display.RequestClose();
        closing.exec(); // the unload ends with the application's exit, which ends this loop
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pauses_by_design_ms"] = pauseTotal / n;
    state.counters["own_ms"] = ownTotal / n;
    state.counters["own_target_ms"] = 300;
}
BENCHMARK(StartupToFirstDrawnFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zarava::InitPictureResources();
    zarava::InstallDesignFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
