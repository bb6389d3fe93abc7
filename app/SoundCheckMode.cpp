#include "SoundCheckMode.h"

#include "engine/SystemClock.h"
#include "files/OperationsLog.h"
#include "files/ProgramStart.h"
#include "files/SharedFolder.h"
#include "qtview/PulseSoundPlayer.h"
#include "roomdisplay/SoundCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <mutex>
#include <optional>

namespace zarava {

namespace {

// The longest chime played is 30 s; the device gets that and some time to answer.
constexpr double kMaxSeconds = 30;
constexpr int kAnswerTimeoutMs = 45'000;
constexpr int kTailMs = 500;
constexpr int kPollMs = 20;

} // namespace

int RunSoundCheckMode(int& argc, char** argv, const std::string& programFolder) {
    QCoreApplication app(argc, argv);
    SystemClock clock;
    const std::string logFolder = ResolveInFolder(programFolder, "Log");
    EnsureFolder(logFolder);
    OperationsLog log(clock, logFolder);
    PulseSoundPlayer sound(kMaxSeconds);
    SystemProgramStarter programs;

    // The result may come on the sound's thread; this one looks for it every few milliseconds.
    std::mutex mutex;
    std::optional<SoundCheckResult> result; // guarded by mutex
    RunSoundCheck({clock, sound, programs, log}, programFolder, [&](const SoundCheckResult& r) {
        std::lock_guard lock(mutex);
        result = r;
    });

    int status = 1;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        std::optional<SoundCheckResult> answer;
        {
            std::lock_guard lock(mutex);
            answer = result;
        }
        if (!answer && waited.elapsed() > kAnswerTimeoutMs) {
            answer =
                SoundCheckResult{false, "chime not played: the audio device gave no answer in " +
                                            std::to_string(kAnswerTimeoutMs / 1000) + " s"};
            log.Write("sound check: the audio device gave no answer");
        }
        if (!answer) {
            return;
        }
        poll.stop();
        std::printf("%s\n", answer->text.c_str());
        std::fflush(stdout);
        status = answer->heard ? 0 : 1;
        // The device says a sound has ended when the last of it is on its way, a little before
        // it is heard: the end waits for that, so the check is heard whole.
        QTimer::singleShot(answer->heard ? kTailMs : 0, &app, &QCoreApplication::quit);
    });
    poll.start(kPollMs);
    app.exec();
    sound.Shutdown();
    return status;
}

} // namespace zarava
