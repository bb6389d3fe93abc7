#include "platform/qt/QtSoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

namespace zarava {

QtSoundPlayer::QtSoundPlayer() : effect_(new QSoundEffect(&context_)) {}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::Play(const std::string& path) {
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    QMetaObject::invokeMethod(
        &context_,
        [this, url] {
            if (!effect_) {
                return;
            }
            effect_->stop();
            effect_->setSource(url);
            effect_->play();
        },
        Qt::QueuedConnection);
}

void QtSoundPlayer::Stop() {
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (effect_) {
                effect_->stop();
            }
        },
        Qt::QueuedConnection);
}

} // namespace zarava
