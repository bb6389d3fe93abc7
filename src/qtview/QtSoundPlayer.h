#pragma once

#include "ports/SoundPlayer.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zarava {

// Plays wave files through Qt Multimedia on a thread of its own. Calls come from the engine
// and return at once; the file is read and decoded on the sound's thread (so a slow share holds
// up neither the engine nor the screen) and played through an audio sink as 16-bit samples, so
// every encoding the decoder reads plays on every device. At most `maxSeconds` of a file are
// played. Listeners are called on the sound's thread. The calls reach that thread through a
// mailbox of ours (a mutex and an eventfd that wakes its event loop), so everything handed over
// is visibly handed over, to the thread checker too.
class QtSoundPlayer final : public SoundPlayer {
public:
    // Made on the GUI thread.
    explicit QtSoundPlayer(double maxSeconds = 30);
    // Stops the sound; listeners hear nothing more.
    ~QtSoundPlayer() override;

    void Play(const std::string& path, SoundListener listener) override;
    void Stop() override;

    // Stops the sound and ends the sound's thread; from then on nothing plays and no listener
    // is called. For an orderly end before the listeners' owners go.
    void Shutdown();

private:
    class Worker;
    // Queues work for the sound's thread (any thread).
    void Send(std::function<void(Worker&)> work);
    // The sound's thread: its event loop runs what arrives until the end.
    void Run();

    struct Mailbox {
        std::mutex mutex;
        std::deque<std::function<void(Worker&)>> work; // guarded by mutex
        bool ending = false;                           // guarded by mutex
    };

    const double maxSeconds_;
    int wakeFd_ = -1;
    const std::unique_ptr<Mailbox> mail_; // what the sound's thread is sent
    std::thread thread_;
};

} // namespace zarava
