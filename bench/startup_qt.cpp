// Start-up to the first drawn frame with six rooms, each start-up in a process of its own (as
// the issuer starts the display): from the moment the display is started to the moment every
// window has been drawn. The settings store waits 100 ms before it reads a missing key again
// and the write-access probe waits 200 ms: those pauses are the design's and are printed apart
// from our own cost, whose target is under 300 ms.

#include "DisplayApp.h"
#include "engine/SystemClock.h"
#include "qtview/Fonts.h"
#include "qtview/Resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

// Six rooms with titles; TYPE, SHOP COLOR, MESSAGE INFO and MSSG 3 are missing, as on many
// sites, and cost their retries.
const char* const kIni = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nDAZUZE1=Room 1\r\n"
                         "DAZUZE2=Room 2\r\nDAZUZE3=Room 3\r\nDAZUZE4=Room 4\r\n"
                         "DAZUZE5=Room 5\r\nDAZUZE6=Room 6\r\n"
                         "[USER INFOMATION]\r\nFORM=1\r\n";

// One start-up in this process; prints "<total ms> <pauses ms>".
int OneStartup(int argc, char** argv) {
    QApplication app(argc, argv);
    zarava::InitPictureResources();
    zarava::InstallDesignFontSubstitutions();
    QTemporaryDir dir;
    QFile ini(dir.filePath("zarava.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(kIni);
    ini.close();

    zarava::SystemClock clock;
    QElapsedTimer elapsed;
    elapsed.start();
    zarava::DisplayApp display(dir.path().toStdString(), "a123456", clock);
    display.OnStartupDrawn([&] {
        (void)display.View().grab(); // draws every window
        std::printf("%f %lld\n", static_cast<double>(elapsed.nsecsElapsed()) / 1e6,
                    static_cast<long long>(display.PausesMs()));
        std::fflush(stdout);
        display.RequestClose();
    });
    display.Start();
    return app.exec();
}

void StartupToFirstDrawnFrame(benchmark::State& state, const char* self) {
    double ownTotal = 0;
    double pauseTotal = 0;
    int runs = 0;
    for (auto _ : state) {
        QProcess child;
        child.start(QString::fromLocal8Bit(self), {"--one-startup"});
        if (!child.waitForFinished(60000)) {
            state.SkipWithError("a start-up did not finish within 60 s");
            return;
        }
        double total = 0;
        long long pauses = 0;
        if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %lld", &total, &pauses) !=
            2) {
            state.SkipWithError("a start-up reported nothing");
            return;
        }
        state.SetIterationTime(total / 1000.0);
        pauseTotal += static_cast<double>(pauses);
        ownTotal += total - static_cast<double>(pauses);
        ++runs;
    }
    state.counters["startups"] = runs;
    state.counters["pauses_by_design_ms"] = pauseTotal / runs;
    state.counters["own_ms"] = ownTotal / runs;
    state.counters["own_target_ms"] = 300;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], "--one-startup") == 0) {
        return OneStartup(1, argv);
    }
    const char* self = argv[0];
    benchmark::RegisterBenchmark("StartupToFirstDrawnFrame", StartupToFirstDrawnFrame, self)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
