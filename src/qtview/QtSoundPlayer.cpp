#include "qtview/QtSoundPlayer.h"

#include "qtview/WaveFile.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

namespace zarava {

namespace {

std::string SinkErrorText(QAudio::Error error) {
    switch (error) {
    case QAudio::OpenError:
        return "the audio device could not be opened: busy, or it refused the sound";
    case QAudio::IOError:
        return "the audio device failed while the sound played";
    case QAudio::FatalError:
        return "the audio device failed";
    default:
        return "the audio device stopped the sound";
    }
}

void Tell(const SoundListener& listener, SoundEvent event) {
    if (listener) {
        listener(event);
    }
}

SoundEvent Failure(SoundFailure failure, std::string reason) {
    SoundEvent event;
    event.kind = SoundEventKind::Failed;
    event.failure = failure;
    event.reason = std::move(reason);
    return event;
}

} // namespace

// Everything of the sound happens here, on the sound's thread: the file is read and decoded,
// and one audio sink at a time plays it from memory.
class QtSoundPlayer::Worker final : public QObject {
public:
    explicit Worker(double maxSeconds) : maxSeconds_(maxSeconds) {}

    void PlayNow(const std::string& path, SoundListener listener) {
        End(SoundEvent{SoundEventKind::Stopped});
        DecodeResult decoded = DecodeWaveFile(path, maxSeconds_);
        if (!decoded.ok) {
            Tell(listener, Failure(SoundFailure::Unreadable, decoded.error));
            return;
        }
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            Tell(listener, Failure(SoundFailure::NoDevice,
                                   "the system lists no audio output (no sound card, or no "
                                   "sound server running)"));
            return;
        }
        const DecodedSound& sound = decoded.sound;
        QAudioFormat format;
        format.setSampleRate(sound.sampleRate);
        format.setChannelCount(sound.channels);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            Tell(listener, Failure(SoundFailure::DeviceFailed,
                                   device.description().toStdString() + " does not take " +
                                       std::to_string(sound.sampleRate) + " Hz sound"));
            return;
        }

        // The sink owns the bytes it plays, so a replaced sink that is still being torn down
        // never reads the next sound's.
        sink_ = new QAudioSink(device, format, this);
        auto* buffer = new QBuffer(sink_);
        buffer->setData(reinterpret_cast<const char*>(sound.samples.data()),
                        static_cast<qsizetype>(sound.samples.size() * sizeof(std::int16_t)));
        buffer->open(QIODevice::ReadOnly);
        connect(sink_, &QAudioSink::stateChanged, this,
                [this, buffer](QAudio::State state) { OnStateChanged(state, *buffer); });
        listener_ = std::move(listener);
        sink_->start(buffer);
        // A sink that cannot start (the sound server has gone) may say so at once through its
        // state change, which has then ended the sound and told the listener.
        if (sink_ == nullptr) {
            return;
        }
        if (sink_->error() != QAudio::NoError) {
            End(Failure(SoundFailure::DeviceFailed, SinkErrorText(sink_->error())));
            return;
        }
        SoundEvent started;
        started.device = device.description().toStdString();
        started.form = sound.form;
        started.seconds = sound.Seconds();
        started.fileSeconds = sound.fileSeconds;
        Tell(listener_, started);
    }

    void StopNow() { End(SoundEvent{SoundEventKind::Stopped}); }

    // The end of the player: the sound stops and nobody hears of it.
    void Silence() {
        listener_ = {};
        End(SoundEvent{SoundEventKind::Stopped});
    }

private:
    void OnStateChanged(QAudio::State state, const QBuffer& buffer) {
        if (state == QAudio::IdleState && buffer.atEnd()) {
            End(SoundEvent{SoundEventKind::Finished});
        } else if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
            End(Failure(SoundFailure::DeviceFailed, SinkErrorText(sink_->error())));
        }
    }

    // Ends the sound that plays, if any, and tells its listener how. The sink may be the one
    // whose signal is being handled, so it goes later.
    void End(const SoundEvent& how) {
        if (sink_ == nullptr) {
            return;
        }
        QAudioSink* sink = sink_;
        sink_ = nullptr;
        sink->disconnect(this);
        sink->stop();
        sink->deleteLater();
        const SoundListener listener = std::move(listener_);
        listener_ = {};
        Tell(listener, how);
    }

    const double maxSeconds_;
    QAudioSink* sink_ = nullptr; // the sound that plays, a child of this
    SoundListener listener_;     // its listener
};

QtSoundPlayer::QtSoundPlayer(double maxSeconds)
    : maxSeconds_(maxSeconds), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      mail_(std::make_unique<Mailbox>()) {
    // The first look at the devices connects to the sound server, which takes a few
    // milliseconds: done now, and on this thread, as Qt Multimedia expects, not at the first
    // call.
    QMediaDevices::audioOutputs();
    thread_ = std::thread([this] { Run(); });
}

QtSoundPlayer::~QtSoundPlayer() {
    Shutdown();
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

void QtSoundPlayer::Play(const std::string& path, SoundListener listener) {
    Send([path, listener = std::move(listener)](Worker& worker) mutable {
        worker.PlayNow(path, std::move(listener));
    });
}

void QtSoundPlayer::Stop() {
    Send([](Worker& worker) { worker.StopNow(); });
}

void QtSoundPlayer::Send(std::function<void(Worker&)> work) {
    {
        std::lock_guard lock(mail_->mutex);
        if (mail_->ending) {
            return;
        }
        mail_->work.push_back(std::move(work));
    }
    const std::uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
}

void QtSoundPlayer::Shutdown() {
    {
        std::lock_guard lock(mail_->mutex);
        mail_->ending = true;
    }
    const std::uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void QtSoundPlayer::Run() {
    QEventLoop loop;
    Worker worker(maxSeconds_);
    QSocketNotifier wake(wakeFd_, QSocketNotifier::Read);
    QObject::connect(&wake, &QSocketNotifier::activated, &worker, [&] {
        std::uint64_t count = 0;
        (void)!read(wakeFd_, &count, sizeof count);
        std::deque<std::function<void(Worker&)>> arrived;
        bool ending = false;
        {
            std::lock_guard lock(mail_->mutex);
            arrived.swap(mail_->work);
            ending = mail_->ending;
        }
        if (ending) {
            worker.Silence();
            loop.quit();
            return;
        }
        for (auto& work : arrived) {
            work(worker);
        }
    });
    loop.exec();
    // Sinks ended last wait for a deletion that only a running loop does: done now, on this
    // thread, before the worker goes (deleting a stopped sink as a child crashes Qt).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace zarava
