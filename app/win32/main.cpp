// zarava-display.exe: the waiting-room call display on Windows. Wires the Win32 screen (GUI
// thread, monitors, message box) to the core, whose handlers all run on the engine thread.
// Started by the issuer from its folder with its command line ("-tolv", "b12"), or by hand
// with the options of our own, which work as on Linux.

#include "DisplayWiring.h"
#include "SoundCheckMode.h"
#include "SystemConsole.h"
#include "engine/SystemClock.h"
#include "mainwindow/CommandLine.h"

#include <cstdio>
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

int RunDisplay(const std::string& folder, const zarava::ProgramOptions& options) {
    using namespace zarava;
    SystemClock clock;
    DisplayWiring display(folder, options.commandLine, clock);
    if (!options.screenshot.empty() || !options.state.empty() || options.afterGiven) {
        display.Screen().OnStartupDrawn([&] {
            display.Screen().After(static_cast<int>(options.after * 1000), [&] {
                display.WhenScreenCurrent([&] {
                    WriteReports(display, options);
                    display.RequestClose();
                });
            });
        });
    }
    // Ctrl-C or a closed console: close as the user would, so the running mark is cleared.
    OnConsoleStop([&] { display.Screen().RunOnGui([&] { display.Stop(); }); });
    display.Start();
    return display.Screen().Run();
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
