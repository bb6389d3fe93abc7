#include "SoundCheckMode.h"

#include "engine/SystemClock.h"
#include "files/OperationsLog.h"
#include "files/ProgramStart.h"
#include "files/SharedFolder.h"
#include "roomdisplay/SoundCheck.h"
#include "win32view/Win32SoundPlayer.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace zarava {

namespace {

// The longest chime played is 30 s; the device gets that and some time to answer.
constexpr double kMaxSeconds = 30;
constexpr auto kAnswerTimeout = std::chrono::seconds(45);
// The end of a chime is known from its length, so the check waits a little longer before it
// ends, for the sound to be heard whole.
constexpr auto kTail = std::chrono::milliseconds(500);

} // namespace

int RunSoundCheckMode(const std::string& programFolder) {
    SystemClock clock;
    const std::string logFolder = ResolveInFolder(programFolder, "Log");
    EnsureFolder(logFolder);
    OperationsLog log(clock, logFolder);
    Win32SoundPlayer sound(kMaxSeconds);
    SystemProgramStarter programs;

    std::mutex mutex;
    std::condition_variable answered;
    std::optional<SoundCheckResult> result; // guarded by mutex
    RunSoundCheck({clock, sound, programs, log}, programFolder, [&](const SoundCheckResult& r) {
        std::lock_guard lock(mutex);
        result = r;
        answered.notify_one();
    });
    std::unique_lock lock(mutex);
    if (!answered.wait_for(lock, kAnswerTimeout, [&] { return result.has_value(); })) {
        result = SoundCheckResult{false, "chime not played: the audio device gave no answer in " +
                                             std::to_string(kAnswerTimeout.count()) + " s"};
        log.Write("sound check: the audio device gave no answer");
    }
    std::printf("%s\n", result->text.c_str());
    std::fflush(stdout);
    if (result->heard) {
        std::this_thread::sleep_for(kTail);
    }
    lock.unlock();
    sound.Shutdown();
    return result->heard ? 0 : 1;
}

} // namespace zarava
