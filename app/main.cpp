// zarava-display: the waiting-room call display. Wires the Qt platform (GUI thread, screens,
// message box) to the core, whose handlers all run on the engine thread.

#include "DisplayApp.h"
#include "SoundCheckMode.h"
#include "engine/SystemClock.h"
#include "mainwindow/CommandLine.h"
#include "qtview/Fonts.h"
#include "qtview/Resources.h"
#include "qtview/ScreenKeeper.h"
#include "qtview/StateReport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef ZARAVA_VERSION
#define ZARAVA_VERSION "0"
#endif

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    (void)!write(signalPipe[1], &byte, 1);
}

// The screenshot and the state report asked for on the command line; a file that cannot be
// written is reported and the display still ends normally.
void WriteReports(zarava::DisplayApp& display, const zarava::ProgramOptions& options) {
    if (!options.screenshot.empty()) {
        const QString file = QString::fromStdString(options.screenshot);
        if (display.View().grab().save(file, "PNG")) {
            std::printf("Screenshot written to %s\n",
                        QFileInfo(file).absoluteFilePath().toLocal8Bit().constData());
        } else {
            std::fprintf(stderr, "zarava-display: cannot write %s\n", options.screenshot.c_str());
        }
    }
    if (!options.state.empty()) {
        QFile file(QString::fromStdString(options.state));
        const QByteArray json = zarava::StateReport(display.View());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            file.write(json) == json.size() && file.flush()) {
            std::printf("State written to %s\n",
                        QFileInfo(file).absoluteFilePath().toLocal8Bit().constData());
        } else {
            std::fprintf(stderr, "zarava-display: cannot write %s\n", options.state.c_str());
        }
    }
    std::fflush(stdout);
}

std::string ExecutableFolder() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return QFileInfo(exe.symLinkTarget()).absolutePath().toStdString();
}

} // namespace

int main(int argc, char** argv) {
    using namespace zarava;

    // Our own options are settled before anything else, so a mistake costs nothing.
    std::vector<std::string> args(argv + 1, argv + argc);
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
    std::string folder = options.folder.empty() ? ExecutableFolder() : options.folder;
    const QFileInfo folderInfo(QString::fromStdString(folder));
    if (!folderInfo.isDir()) {
        std::fprintf(stderr, "zarava-display: --folder %s is not a folder\n", folder.c_str());
        return 2;
    }
    folder = folderInfo.absoluteFilePath().toStdString();
    if (options.testSound) {
        return RunSoundCheckMode(argc, argv, folder);
    }

    // A stop signal is caught from here on: it waits in the pipe until the display can act.
    const bool signalsCaught = pipe(signalPipe) == 0;
    if (signalsCaught) {
        std::signal(SIGTERM, OnTerminationSignal);
        std::signal(SIGINT, OnTerminationSignal);
        std::signal(SIGHUP, OnTerminationSignal);
    }

    // Qt gets the program's name only: our arguments are settled above, and Qt's own options
    // (-platform, -style, -reverse ...) must neither change the display nor stop it.
    static char programName[] = "zarava-display";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, nullptr};
    QApplication app(qtArgc, qtArgv);
    InitPictureResources();
    InstallDesignFontSubstitutions();
    // A waiting-room screen must not go dark while the display runs.
    const ScreenKeeper screenKeeper;

    SystemClock clock;
    DisplayApp display(folder, options.commandLine, clock);
    if (!options.screenshot.empty() || !options.state.empty() || options.afterGiven) {
        display.OnStartupDrawn([&] {
            QTimer::singleShot(static_cast<int>(options.after * 1000), [&] {
                display.WhenScreenCurrent([&] {
                    WriteReports(display, options);
                    display.RequestClose();
                });
            });
        });
    }

    // Stopped by the session or a service manager: close as the user would, so the running
    // mark is cleared on the way out.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalsCaught) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&] {
            char byte;
            (void)!read(signalPipe[0], &byte, 1);
            display.Stop();
        });
    }

    display.Start();
    return app.exec();
}
