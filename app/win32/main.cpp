// zarava-display.exe: the waiting-room call display on Windows. Wires the Win32 screen (GUI
// thread, monitors, message box) to the core, whose handlers all run on the engine thread.
// Started by the issuer from its folder with its command line ("-tolv", "b12"), or by hand
// with the options of our own, which work as on Linux.

#include "DisplayWiring.h"
#include "SoundCheckMode.h"
#include "SystemConsole.h"
#include "engine/SystemClock.h"
#include "mainwindow/CommandLine.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#ifndef ZARAVA_VERSION
#define ZARAVA_VERSION "0"
#endif

namespace {

// The screenshot and the state report asked for on the command line; a file that cannot be
// written is reported and the display still ends normally.
void WriteReports(zarava::DisplayWiring& display, const zarava::ProgramOptions& options) {
    if (!options.screenshot.empty()) {
        if (display.Screen().SaveScreenshot(options.screenshot)) {
            std::printf("Screenshot written to %s\n", zarava::FullPath(options.screenshot).c_str());
        } else {
            std::fprintf(stderr, "zarava-display: cannot write %s\n", options.screenshot.c_str());
        }
    }
    if (!options.state.empty()) {
        if (zarava::WriteWholeFile(options.state, display.Screen().State())) {
            std::printf("State written to %s\n", zarava::FullPath(options.state).c_str());
        } else {
            std::fprintf(stderr, "zarava-display: cannot write %s\n", options.state.c_str());
        }
    }
    std::fflush(stdout);
}

bool ReportsAsked(const zarava::ProgramOptions& options) {
    return !options.screenshot.empty() || !options.state.empty();
}

// The reports are written at a moment when the called numbers show, as the Linux build writes
// them: once the shared blink phase has been on long enough for every room's next tick to draw
// its number, and still is when the screen has caught up with the engine. The blink stands
// still while a close is pending, so the look gives up after a few cycles and writes what
// there is.
class ReportMoment {
public:
    ReportMoment(zarava::DisplayWiring& display, const zarava::ProgramOptions& options)
        : display_(display), options_(options) {}

    bool Written() const { return written_; }

    void Begin() {
        begun_ = Clock::now();
        shownSince_.reset();
        Look();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int kLookMs = 50;
    static constexpr auto kRoomsDrawn = std::chrono::milliseconds(300);
    static constexpr auto kLongestWait = std::chrono::seconds(10);

    bool Shown() const { return display_.Screen().BlinkOn(); }
    bool WaitedEnough() const { return Clock::now() - begun_ >= kLongestWait; }

    void Look() {
        if (!Shown()) {
            shownSince_.reset();
        } else if (!shownSince_) {
            shownSince_ = Clock::now();
        }
        if ((shownSince_ && Clock::now() - *shownSince_ >= kRoomsDrawn) || WaitedEnough()) {
            display_.WhenScreenCurrent([this] { WriteIfStillShown(); });
        } else {
            display_.Screen().After(kLookMs, [this] { Look(); });
        }
    }

    void WriteIfStillShown() {
        if (!Shown() && !WaitedEnough()) {
            shownSince_.reset();
            Look(); // the phase ended while the screen caught up: the next one
            return;
        }
        WriteReports(display_, options_);
        written_ = true;
        display_.RequestClose();
    }

    zarava::DisplayWiring& display_;
    const zarava::ProgramOptions& options_;
    Clock::time_point begun_;
    std::optional<Clock::time_point> shownSince_;
    bool written_ = false;
};

int RunDisplay(const std::string& folder, const zarava::ProgramOptions& options) {
    using namespace zarava;
    SystemClock clock;
    DisplayWiring display(folder, options.commandLine, clock);
    ReportMoment reports(display, options);
    if (ReportsAsked(options) || options.afterGiven) {
        display.Screen().OnStartupDrawn([&] {
            display.Screen().After(static_cast<int>(options.after * 1000), [&] {
                ReportsAsked(options) ? reports.Begin() : display.RequestClose();
            });
        });
    }
    // Ctrl-C or a closed console: close as the user would, so the running mark is cleared.
    OnConsoleStop([&] { display.Screen().RunOnGui([&] { display.Stop(); }); });
    display.Start();
    const int status = display.Screen().Run();
    if (ReportsAsked(options) && !reports.Written()) {
        // Ended during its start-up (another copy runs, the folder cannot be written) or by the
        // issuer's end before the time asked: nothing to show, and a script must not wait.
        std::fprintf(stderr,
                     "zarava-display: ended before the screenshot and state were due, so none was "
                     "written (the end line in the folder's Log\\ says why)\n");
        return 1;
    }
    return status;
}

} // namespace

int main() {
    using namespace zarava;
    AttachParentConsole();
    // Our own options are settled before anything else, so a mistake costs nothing.
    const std::vector<std::string> args = WideArguments();
    ProgramOptions options = ParseProgramArguments(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "zarava-display: %s\n\n%s", options.error.c_str(),
                     UsageText().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("zarava-display %s\n", ZARAVA_VERSION);
        return 0;
    }
    const std::string folder = options.folder.empty() ? ExecutableFolder() : options.folder;
    if (!IsFolder(folder)) {
        std::fprintf(stderr, "zarava-display: --folder %s is not a folder\n", folder.c_str());
        return 2;
    }
    if (options.testSound) {
        return RunSoundCheckMode(FullPath(folder));
    }
    return RunDisplay(FullPath(folder), options);
}
