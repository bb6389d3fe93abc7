#include "SoundCheckMode.h"

#include "platform/ProgramStarter.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtSoundPlayer.h"
#include "roomdisplay/SoundCheck.h"
#include "util/OperationsLog.h"
#include "util/SharedFolder.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace zarava {

namespace {

// The longest chime played is 30 s; the device gets that and some time to answer.
constexpr double kMaxSeconds = 30;
constexpr int kAnswerTimeoutMs = 45'000;
constexpr int kTailMs = 500;

} // namespace

int RunSoundCheckMode(int& argc, char** argv, const std::string& programFolder) {
    QCoreApplication app(argc, argv);
    SystemClock clock;
    const std::string logFolder = ResolveInFolder(programFolder, "Log");
    EnsureFolder(logFolder);
    OperationsLog log(clock, logFolder);
    QtSoundPlayer sound(kMaxSeconds);
    PosixProgramStarter programs;

    int status = 1;
    bool answered = false;
    auto answer = [&](bool heard, const std::string& text) {
        if (answered) {
            return;
        }
        answered = true;
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        status = heard ? 0 : 1;
        // The device says a sound has ended when the last of it is on its way, a little before
        // it is heard: the end waits for that, so the check is heard whole.
        QTimer::singleShot(heard ? kTailMs : 0, &app, &QCoreApplication::quit);
    };
    // The result may come on the sound's thread: it is handed to this one.
    RunSoundCheck({clock, sound, programs, log}, programFolder,
                  [&](const SoundCheckResult& result) {
                      QMetaObject::invokeMethod(
                          &app, [&answer, result] { answer(result.heard, result.text); },
                          Qt::QueuedConnection);
                  });
    QTimer::singleShot(kAnswerTimeoutMs, &app, [&] {
        log.Write("sound check: the audio device gave no answer");
        answer(false, "chime not played: the audio device gave no answer in " +
                          std::to_string(kAnswerTimeoutMs / 1000) + " s");
    });
    app.exec();
    sound.Shutdown();
    return status;
}

} // namespace zarava
