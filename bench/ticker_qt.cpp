// CPU cost of the information band. On the GUI thread: one frame of a running pass, paid at
// every refresh, for a short caption and one of 2,000 characters. On the band's worker thread:
// a new caption made ready for its pass (the tiles of the first band width and the look-ahead),
// and the tiles of a whole 2,000-character line, paid over the minutes the line takes to pass.
#include "ports/DisplayLayout.h"
#include "qtview/Fonts.h"
#include "qtview/TextStrip.h"
#include "qtview/TickerBand.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>

namespace {

// A 1920 x 1080 frame's band.
constexpr int kWidth = 1920;
const int kHeight = zarava::BandHeight(1080);
const char16_t kSentence[] =
    u"本日は午前の診察を１２時で終了いたします。午後の受付は１５時からです。";

QString Caption(int characters) {
    QString caption;
    while (caption.size() < characters) {
        caption += QString::fromUtf16(kSentence);
    }
    caption.truncate(characters);
    return caption;
}

class BenchClock final : public zarava::FrameClock {
public:
    std::int64_t NowUs() const override { return now; }
    void WakeAt(std::int64_t us, std::function<void()> wake) override {
        due = us;
        wake_ = std::move(wake);
    }
    void CancelWake() override { wake_ = {}; }
    void Next() {
        now = due;
        if (auto wake = std::move(wake_)) {
            wake_ = {};
            wake();
        }
    }
    std::int64_t now = 0;
    std::int64_t due = 0;

private:
    std::function<void()> wake_;
};

// One frame: the text moves on and the band is painted. Tiles are drawn inline here, outside
// the measured time; in the program the worker thread draws them.
void BM_FrameOfAPass(benchmark::State& state) {
    BenchClock clock;
    zarava::TickerBand band(nullptr, &clock, zarava::StripWorker::Mode::Inline);
    band.resize(kWidth, kHeight);
    band.setCaption(Caption(static_cast<int>(state.range(0))));
    band.setRepeat(true);
    band.startAction();
    for (int i = 0; i < 600; ++i) {
        clock.Next(); // ten seconds in: the text fills the band
    }
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    state.SetLabel("GUI thread, per frame, 1920 x 61");
    for (auto _ : state) {
        state.PauseTiming();
        clock.Next();
        state.ResumeTiming();
        band.render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameOfAPass)->Arg(27)->Arg(2000)->Unit(benchmark::kMicrosecond);

// A new caption made ready for its pass: laid out and drawn as far as the band shows it in the
// first seconds.
void BM_NewCaptionReady(benchmark::State& state) {
    const QString caption = Caption(static_cast<int>(state.range(0)));
    constexpr int kTiles =
        (kWidth + 2 * zarava::TextStrip::kTileWidth) / zarava::TextStrip::kTileWidth;
    state.SetLabel("worker thread, the first 2944 pixels");
    for (auto _ : state) {
        zarava::TextStrip strip(caption, {kHeight, 1});
        for (int tile = 0; tile < kTiles; ++tile) {
            benchmark::DoNotOptimize(strip.RenderTile(tile));
        }
    }
}
BENCHMARK(BM_NewCaptionReady)->Arg(27)->Arg(127)->Arg(2000)->Unit(benchmark::kMillisecond);

// Every tile of a line, as the worker draws them over a whole pass.
void BM_WholeLine(benchmark::State& state) {
    const QString caption = Caption(static_cast<int>(state.range(0)));
    int tiles = 0;
    state.SetLabel("worker thread, over the whole pass");
    for (auto _ : state) {
        zarava::TextStrip strip(caption, {kHeight, 1});
        for (tiles = 0; !strip.Width() || tiles * zarava::TextStrip::kTileWidth < *strip.Width();
             ++tiles) {
            benchmark::DoNotOptimize(strip.RenderTile(tiles));
            strip.ForgetBefore(tiles * zarava::TextStrip::kTileWidth);
        }
    }
    state.counters["tiles"] = tiles;
}
BENCHMARK(BM_WholeLine)->Arg(127)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    zarava::InstallDesignFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
