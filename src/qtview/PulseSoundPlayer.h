#pragma once

#include "ports/SoundPlayer.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct pa_mainloop;

namespace zarava {

// Plays wave files through the user's sound server (PulseAudio, or PipeWire's PulseAudio
// service) on a thread of its own. Calls come from the engine and return at once; the file is
// read and decoded on the sound's thread (so a slow share holds up neither the engine nor the
// screen) and played as 16-bit samples, so every encoding the decoder reads plays on every
// device. At most `maxSeconds` of a file are played. Listeners are called on the sound's thread.
//
// Each sound connects to the sound server afresh and plays on the default output of that
// moment; the connection ends with the sound. So a server started after the display, one that
// was restarted, a new device or a default output changed in the desktop's settings serve the
// next call as they would a program started then, and between sounds the thread sleeps with
// nothing to keep alive.
class PulseSoundPlayer final : public SoundPlayer {
public:
    explicit PulseSoundPlayer(double maxSeconds = 30);
    // Stops the sound; listeners hear nothing more.
    ~PulseSoundPlayer() override;

    void Play(const std::string& path, SoundListener listener) override;
    void Stop() override;

    // Stops the sound and ends the sound's thread; from then on nothing plays and no listener
    // is called. For an orderly end before the listeners' owners go.
    void Shutdown();

private:
    class Sound;
    struct Request {
        bool play = false; // or stop
        std::string path;
        SoundListener listener;
    };
    void Send(Request request);
    void Wake();
    // The sound's thread: waits for requests and for the sound server, one at a time.
    void Run();

    const double maxSeconds_;
    pa_mainloop* const loop_; // runs on the sound's thread
    const int wakeFd_;        // wakes it from any thread
    std::mutex mutex_;
    std::deque<Request> requests_; // guarded by mutex_
    bool ending_ = false;          // guarded by mutex_
    std::thread thread_;
};

} // namespace zarava
