// CPU cost of the information band on the GUI thread: one frame of a running pass (paid 60 times
// a second) and drawing a new caption (paid once per pass).
#include "platform/qt/Fonts.h"
#include "platform/qt/TickerBand.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

// A 1920 x 1080 frame's band with a news-length caption.
constexpr int kWidth = 1920;
const int kHeight = zarava::TickerBand::PreferredHeight(1080);
const char kCaption[] = "本日は午前の診察を１２時で終了いたします。午後の受付は１５時からです。";

void BM_PaintFrameMidPass(benchmark::State& state) {
    zarava::TickerBand band;
    band.resize(kWidth, kHeight);
    band.setCaption(QString::fromUtf8(kCaption));
    band.setRepeat(true);
    band.startAction();
    QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    band.render(&target); // the caption is drawn once, outside the measured frames
    for (auto _ : state) {
        band.render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintFrameMidPass)->Unit(benchmark::kMicrosecond);

void BM_DrawNewCaption(benchmark::State& state) {
    zarava::TickerBand band;
    band.resize(kWidth, kHeight);
    QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        band.setCaption(QString::fromUtf8(kCaption) + QString::number(n++));
        band.render(&target);
    }
}
BENCHMARK(BM_DrawNewCaption)->Unit(benchmark::kMillisecond);

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
