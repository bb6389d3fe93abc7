#pragma once

#include "ports/SoundPlayer.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace zarava {

// Plays wave files with the system's own chime call (PlaySoundW, asynchronous: one sound at a
// time, a new one replaces the old, an empty one stops it) on a thread of its own, so that a
// slow share holds up neither the engine nor the screen. The call says nothing of the sound
// once it has started, so what the listeners hear comes from the file's header: its form and
// length, the end when that length has passed. At most `maxSeconds` of a file are played.
class Win32SoundPlayer final : public SoundPlayer {
public:
    explicit Win32SoundPlayer(double maxSeconds = 30);
    ~Win32SoundPlayer() override;

    void Play(const std::string& path, SoundListener listener) override;
    void Stop() override;

    // Stops the sound and ends the thread; from then on nothing plays and no listener is
    // called. For an orderly end before the listeners' owners go.
    void Shutdown();

private:
    struct Request {
        bool play = false;
        std::string path;
        SoundListener listener;
    };
    std::optional<double> Start(const Request& request, std::unique_ptr<std::string>& image) const;
    void Run();

    const double maxSeconds_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> requests_; // guarded by mutex_
    bool ending_ = false;          // guarded by mutex_
    std::thread thread_;
};

} // namespace zarava
