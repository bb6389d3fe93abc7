#pragma once

#include <functional>
#include <string>
#include <utility>

namespace zarava {

// What became of a sound that was asked for.
enum class SoundEventKind {
    Started,  // it plays on the device
    Finished, // it played to its end
    Stopped,  // it was stopped, or replaced by the next sound, before its end
    Failed,   // it could not be played, or the device failed while it played
};

// Why a sound could not be played.
enum class SoundFailure {
    None,
    NoDevice,     // the system has no audio output device
    DeviceFailed, // the device is busy, refused the sound, or went away while it played
    Unreadable,   // missing, a folder, unreadable, empty, or not a wave file we can decode
};

struct SoundEvent {
    SoundEventKind kind = SoundEventKind::Started;
    SoundFailure failure = SoundFailure::None;
    std::string reason;     // Failed: why, in words for the clinic's IT
    std::string device;     // Started: the output device's name
    std::string form;       // Started: the file's form ("PCM 16-bit, 44100 Hz, mono")
    double seconds = 0;     // Started: how long it plays
    double fileSeconds = 0; // Started: how long the file lasts; longer when it was cut short
};

// The Failed event a player tells when a sound cannot play, and why.
inline SoundEvent SoundFailed(SoundFailure failure, std::string reason) {
    SoundEvent event;
    event.kind = SoundEventKind::Failed;
    event.failure = failure;
    event.reason = std::move(reason);
    return event;
}

// Hears the events of one sound: Started at most once, then exactly one of Finished, Stopped
// or Failed. It is called on the player's own thread, so it must be quick and must not touch
// the windows.
using SoundListener = std::function<void(const SoundEvent&)>;

// Plays wave files for the handlers. Asynchronous: a call returns at once and the sound goes
// on while the handlers run; one sound at a time. What happens to the sound is told to the
// listener, so the caller decides what the log says about it.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the wave file; a sound that still plays is replaced by it.
    virtual void Play(const std::string& path, SoundListener listener) = 0;

    // Stops the sound that plays, if any.
    virtual void Stop() = 0;
};

} // namespace zarava
