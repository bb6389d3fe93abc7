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
#include "qtview/TickerBand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace zarava;

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    (void)!write(signalPipe[1], &byte, 1);
}

// A stop signal is caught from here on: it waits in the pipe until the display can act.
bool CatchStopSignals() {
    if (pipe(signalPipe) != 0) {
        return false;
    }
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::signal(signal, OnTerminationSignal);
    }
    return true;
}

// Why Qt found no screen, and what to do, in one line.
std::string NoScreenText() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    std::string why;
    if (!variable("QT_QPA_PLATFORM").empty()) {
        why = "the Qt platform \"" + variable("QT_QPA_PLATFORM") + "\" could not start";
    } else if (variable("DISPLAY").empty() && variable("WAYLAND_DISPLAY").empty()) {
        why = "DISPLAY is not set";
    } else {
        why = "cannot connect to the X display \"" + variable("DISPLAY") + "\"";
    }
    return "zarava-display: no screen (" + why +
           "); to run without one, set QT_QPA_PLATFORM=offscreen and use --screenshot or --state";
}

// Qt's messages while the application starts, held back: when it finds no screen, Qt ends the
// process with a fatal message (and an abort) after several lines about its plugins.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::mutex heldMutex; // Qt may log from a thread of its own while it starts
std::vector<HeldMessage> heldMessages;

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", NoScreenText().c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    const std::lock_guard lock(heldMutex);
    heldMessages.push_back({type, context.category, text});
}

// The application on its screen; without one, one line on standard error and exit status 1.
std::unique_ptr<QApplication> StartApplication(char* programName) {
    // Qt gets the program's name only: our arguments are settled, and Qt's own options
    // (-platform, -style, -reverse ...) must neither change the display nor stop it.
    static int qtArgc = 1;
    static char* qtArgv[] = {programName, nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(HoldStartMessage);
    TickerBand::SendFramesOverTheConnection();
    auto app = std::make_unique<QApplication>(qtArgc, qtArgv);
    qInstallMessageHandler(previous);
    const std::lock_guard lock(heldMutex);
    for (const HeldMessage& message : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    heldMessages.clear();
    return app;
}

bool ReportsAsked(const ProgramOptions& options) {
    return !options.screenshot.empty() || !options.state.empty();
}

// The screenshot and the state report asked for on the command line; a file that cannot be
// written is reported and the display still ends normally.
void WriteReports(DisplayApp& display, const ProgramOptions& options) {
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
        const QByteArray json = StateReport(display.View());
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

// The reports are written at a moment when the called numbers show: once the shared blink
// phase has been on long enough for every room's next tick to draw its number, and still is
// when the screen has caught up with the engine. The blink stands still while a close is
// pending, so the look gives up after a few cycles and writes what there is.
class ReportMoment {
public:
    ReportMoment(DisplayApp& display, const ProgramOptions& options)
        : display_(display), options_(options) {
        look_.setInterval(kLookMs);
        QObject::connect(&look_, &QTimer::timeout, [this] { Look(); });
    }

    bool Written() const { return written_; }

    void Begin() {
        waited_.start();
        shownFor_.invalidate();
        look_.start();
    }

private:
    static constexpr int kLookMs = 50;
    static constexpr qint64 kRoomsDrawnMs = 300;
    static constexpr qint64 kLongestWaitMs = 10'000;

    bool Shown() const { return display_.View().Frame().blinkOn; }
    bool WaitedEnough() const { return waited_.elapsed() >= kLongestWaitMs; }

    void Look() {
        if (!Shown()) {
            shownFor_.invalidate();
        } else if (!shownFor_.isValid()) {
            shownFor_.start();
        }
        if ((shownFor_.isValid() && shownFor_.elapsed() >= kRoomsDrawnMs) || WaitedEnough()) {
            look_.stop();
            display_.WhenScreenCurrent([this] { WriteIfStillShown(); });
        }
    }

    void WriteIfStillShown() {
        if (!Shown() && !WaitedEnough()) {
            shownFor_.invalidate();
            look_.start(); // the phase ended while the screen caught up: the next one
            return;
        }
        WriteReports(display_, options_);
        written_ = true;
        display_.RequestClose();
    }

    DisplayApp& display_;
    const ProgramOptions& options_;
    QTimer look_;
    QElapsedTimer waited_;
    QElapsedTimer shownFor_;
    bool written_ = false;
};

// --after, --screenshot and --state: the display ends by itself after the time asked, with the
// reports written first.
void EndAfterTheTimeAsked(DisplayApp& display, const ProgramOptions& options,
                          ReportMoment& reports) {
    const bool reportsAsked = ReportsAsked(options);
    if (!reportsAsked && !options.afterGiven) {
        return;
    }
    display.OnStartupDrawn([&display, &options, &reports, reportsAsked] {
        QTimer::singleShot(static_cast<int>(options.after * 1000), [&, reportsAsked] {
            if (reportsAsked) {
                reports.Begin();
            } else {
                display.RequestClose();
            }
        });
    });
}

std::string ExecutableFolder() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return QFileInfo(exe.symLinkTarget()).absolutePath().toStdString();
}

// The display until it ends; its exit status.
int RunDisplay(char* programName, const std::string& folder, const ProgramOptions& options) {
    const bool signalsCaught = CatchStopSignals();
    const std::unique_ptr<QApplication> app = StartApplication(programName);
    InitPictureResources();
    InstallDesignFontSubstitutions();
    // A waiting-room screen must not go dark while the display runs.
    const ScreenKeeper screenKeeper;

    SystemClock clock;
    DisplayApp display(folder, options.commandLine, clock);
    ReportMoment reports(display, options);
    EndAfterTheTimeAsked(display, options, reports);

    // Stopped by the session or a service manager: close as the user would, so the running
    // mark is cleared on the way out.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalsCaught) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&display] {
            char byte;
            (void)!read(signalPipe[0], &byte, 1);
            display.Stop();
        });
    }

    display.Start();
    const int status = app->exec();
    if (ReportsAsked(options) && !reports.Written()) {
        // Ended during its start-up (another copy runs, the folder cannot be written) or by the
        // issuer's end before the time asked: nothing to show, and a script must not wait for it.
        std::fprintf(stderr,
                     "zarava-display: ended before the screenshot and state were due, so none was "
                     "written (the end line in the folder's Log/ says why)\n");
        return 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // Our own options are settled before anything else, so a mistake costs nothing.
    ProgramOptions options = ParseProgramArguments({argv + 1, argv + argc});
    std::string folder = options.folder.empty() ? ExecutableFolder() : options.folder;
    const QFileInfo folderInfo(QString::fromStdString(folder));
    if (options.error.empty() && !options.help && !options.version && !folderInfo.isDir()) {
        options.error = "--folder " + folder + " is not a folder";
    }
    if (const std::optional<int> status = AnswerEarly(options)) {
        return *status;
    }
    folder = folderInfo.absoluteFilePath().toStdString();
    if (options.testSound) {
        return RunSoundCheckMode(argc, argv, folder);
    }
    static char programName[] = "zarava-display";
    return RunDisplay(argc > 0 && argv[0] != nullptr ? argv[0] : programName, folder, options);
}
