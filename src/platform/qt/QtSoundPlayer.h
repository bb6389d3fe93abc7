#pragma once

#include "platform/SoundPlayer.h"

#include <QThread>

namespace zarava {

// Plays wave files through Qt Multimedia on a thread of its own. Calls come from the engine
// and return at once; the file is read and decoded on the sound's thread (so a slow share holds
// up neither the engine nor the screen) and played through an audio sink as 16-bit samples, so
// every encoding the decoder reads plays on every device. At most `maxSeconds` of a file are
// played. Listeners are called on the sound's thread.
class QtSoundPlayer final : public SoundPlayer {
public:
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
    QThread thread_;
    Worker* worker_ = nullptr; // lives on thread_
};

} // namespace zarava
