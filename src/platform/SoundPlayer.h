#pragma once

#include <string>

namespace zarava {

// Plays wave files for the handlers. Asynchronous: a call returns at once and the sound goes
// on while the handlers run; one sound at a time.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the wave file; a sound that still plays is replaced by it.
    virtual void Play(const std::string& path) = 0;

    // Stops the sound that plays, if any.
    virtual void Stop() = 0;
};

} // namespace zarava
