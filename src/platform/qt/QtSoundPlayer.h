#pragma once

#include "platform/SoundPlayer.h"

#include <QObject>
#include <QPointer>

class QSoundEffect;

namespace zarava {

// Plays wave files through Qt Multimedia on the GUI thread; calls come from the engine thread
// and return at once. Without an audio device the sound is silently not heard.
class QtSoundPlayer final : public SoundPlayer {
public:
    // Made on the GUI thread.
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void Play(const std::string& path) override;
    void Stop() override;

private:
    QObject context_; // lives on the GUI thread; queued calls run there
    QPointer<QSoundEffect> effect_;
};

} // namespace zarava
