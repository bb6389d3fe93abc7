#include "qtview/PulseSoundPlayer.h"

#include "engine/ThreadName.h"
#include "qtview/WaveFile.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <algorithm>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zarava {

namespace {

void Tell(const SoundListener& listener, const SoundEvent& event) {
    if (listener) {
        listener(event);
    }
}

} // namespace

// One sound on its way: a connection of its own to the sound server, a look at the server's
// default output, and a stream to it. Everything runs in callbacks of the sound's thread's loop.
class PulseSoundPlayer::Sound {
public:
    Sound(pa_mainloop_api* api, DecodedSound decoded, SoundListener listener)
        : api_(api), decoded_(std::move(decoded)), listener_(std::move(listener)) {}
    ~Sound() { Release(); }
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    void Begin() {
        context_ = pa_context_new(api_, "zarava-display");
        if (context_ == nullptr) {
            End(SoundFailed(SoundFailure::NoDevice, "the sound server's client cannot start"));
            return;
        }
        pa_context_set_state_callback(context_, &Sound::OnContextState, this);
        // A server is never started for us: that is the session's business, and one we
        // started would hold the device the session's own server wants.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            End(NoServer());
        }
    }

    // Ends the sound, unless it has ended, and tells its listener how.
    void End(const SoundEvent& how) {
        if (ended_) {
            return;
        }
        ended_ = true;
        Release();
        Tell(listener_, how);
    }

    // Ends the sound without a word to anybody.
    void Silence() {
        listener_ = {};
        End(SoundEvent{SoundEventKind::Stopped});
    }

    bool Ended() const { return ended_; }

private:
    std::string ServerError() const { return pa_strerror(pa_context_errno(context_)); }

    SoundEvent NoServer() const {
        return SoundFailed(SoundFailure::NoDevice, "no sound server answers (" + ServerError() +
                                                       "): none runs for this user, or it stopped");
    }

    static void OnContextState(pa_context* context, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_operation_unref(pa_context_get_server_info(context, &Sound::OnServerInfo, self));
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            sound.End(sound.stream_ == nullptr
                          ? sound.NoServer()
                          : SoundFailed(SoundFailure::DeviceFailed, "the sound server went away (" +
                                                                        sound.ServerError() + ")"));
            break;
        default:
            break;
        }
    }

    // The output to play on is the one the server calls its default now.
    static void OnServerInfo(pa_context* context, const pa_server_info* info, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        if (info == nullptr || info->default_sink_name == nullptr ||
            *info->default_sink_name == '\0') {
            sound.End(
                SoundFailed(SoundFailure::NoDevice, "the sound server lists no audio output"));
            return;
        }
        sound.sink_ = info->default_sink_name;
        pa_operation_unref(pa_context_get_sink_info_by_name(context, sound.sink_.c_str(),
                                                            &Sound::OnSinkInfo, self));
    }

    // Called with the output's description, then once more at the end of the list.
    static void OnSinkInfo(pa_context*, const pa_sink_info* info, int last, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        if (info != nullptr) {
            sound.device_ = info->description != nullptr ? info->description : sound.sink_;
        } else if (last != 0) {
            sound.OpenStream();
        }
    }

    void OpenStream() {
        if (device_.empty()) {
            End(SoundFailed(SoundFailure::NoDevice,
                            "the sound server's default output " + sink_ + " is not there"));
            return;
        }
        const pa_sample_spec format{PA_SAMPLE_S16NE,
                                    static_cast<std::uint32_t>(decoded_.sampleRate),
                                    static_cast<std::uint8_t>(decoded_.channels)};
        if (pa_sample_spec_valid(&format) == 0) {
            End(SoundFailed(SoundFailure::DeviceFailed, device_ + " does not take " +
                                                            std::to_string(decoded_.sampleRate) +
                                                            " Hz sound"));
            return;
        }
        stream_ = pa_stream_new(context_, "call", &format, nullptr);
        if (stream_ == nullptr) {
            End(SoundFailed(SoundFailure::DeviceFailed, device_ + ": " + ServerError()));
            return;
        }
        pa_stream_set_state_callback(stream_, &Sound::OnStreamState, this);
        pa_stream_set_write_callback(stream_, &Sound::OnWritable, this);
        if (pa_stream_connect_playback(stream_, sink_.c_str(), nullptr, PA_STREAM_NOFLAGS, nullptr,
                                       nullptr) < 0) {
            End(SoundFailed(SoundFailure::DeviceFailed, device_ + ": " + ServerError()));
        }
    }

    static void OnStreamState(pa_stream* stream, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY: {
            SoundEvent started;
            started.device = sound.device_;
            started.form = sound.decoded_.form;
            started.seconds = sound.decoded_.Seconds();
            started.fileSeconds = sound.decoded_.fileSeconds;
            Tell(sound.listener_, started);
            break;
        }
        case PA_STREAM_FAILED:
            sound.End(SoundFailed(SoundFailure::DeviceFailed,
                                  sound.device_ + " failed (" + sound.ServerError() + ")"));
            break;
        default:
            break;
        }
    }

    // The server asks for more as it plays; after the last bytes it is asked to play what it
    // holds and say when that has been played.
    static void OnWritable(pa_stream* stream, std::size_t wanted, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        const std::vector<std::int16_t>& samples = sound.decoded_.samples;
        const std::size_t total = samples.size() * sizeof(std::int16_t);
        const std::size_t n = std::min(wanted, total - sound.written_);
        if (n > 0) {
            pa_stream_write(stream, reinterpret_cast<const char*>(samples.data()) + sound.written_,
                            n, nullptr, 0, PA_SEEK_RELATIVE);
            sound.written_ += n;
        }
        if (sound.written_ == total && !sound.draining_) {
            sound.draining_ = true;
            pa_operation_unref(pa_stream_drain(stream, &Sound::OnPlayed, self));
        }
    }

    static void OnPlayed(pa_stream*, int success, void* self) {
        auto& sound = *static_cast<Sound*>(self);
        sound.End(success != 0
                      ? SoundEvent{SoundEventKind::Finished}
                      : SoundFailed(SoundFailure::DeviceFailed,
                                    sound.device_ + " failed (" + sound.ServerError() + ")"));
    }

    // Leaves the server. The library cancels what is pending, so no callback comes after this.
    void Release() {
        if (stream_ != nullptr) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
    }

    pa_mainloop_api* const api_;
    const DecodedSound decoded_;
    SoundListener listener_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::string sink_;   // the server's name of the output
    std::string device_; // its description, for the log
    std::size_t written_ = 0;
    bool draining_ = false;
    bool ended_ = false;
};

PulseSoundPlayer::PulseSoundPlayer(double maxSeconds)
    : maxSeconds_(maxSeconds), loop_(pa_mainloop_new()),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    thread_ = std::thread([this] { Run(); });
}

PulseSoundPlayer::~PulseSoundPlayer() {
    Shutdown();
    pa_mainloop_free(loop_);
    close(wakeFd_);
}

void PulseSoundPlayer::Play(const std::string& path, SoundListener listener) {
    Send({true, path, std::move(listener)});
}

void PulseSoundPlayer::Stop() {
    Send({});
}

void PulseSoundPlayer::Send(Request request) {
    {
        std::lock_guard lock(mutex_);
        if (ending_) {
            return;
        }
        requests_.push_back(std::move(request));
    }
    Wake();
}

// Through a descriptor of our own that stays readable until the sound's thread has looked: the
// loop's own wake-up is forgotten when it comes before the loop waits.
void PulseSoundPlayer::Wake() {
    const std::uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
}

void PulseSoundPlayer::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PulseSoundPlayer::Run() {
    NameThisThread("sound");
    pa_mainloop_api* const api = pa_mainloop_get_api(loop_);
    pa_io_event* const woken = api->io_new(
        api, wakeFd_, PA_IO_EVENT_INPUT,
        [](pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void*) {
            std::uint64_t count = 0;
            (void)!read(fd, &count, sizeof count);
        },
        nullptr);
    std::unique_ptr<Sound> sound;
    for (;;) {
        std::deque<Request> arrived;
        bool ending = false;
        {
            std::lock_guard lock(mutex_);
            arrived.swap(requests_);
            ending = ending_;
        }
        if (ending) {
            if (sound) {
                sound->Silence();
            }
            api->io_free(woken);
            return;
        }
        for (Request& request : arrived) {
            // A new sound replaces the one that plays.
            if (sound) {
                sound->End(SoundEvent{SoundEventKind::Stopped});
            }
            if (!request.play) {
                continue;
            }
            DecodeResult decoded = DecodeWaveFile(request.path, maxSeconds_);
            if (!decoded.ok) {
                Tell(request.listener, SoundFailed(SoundFailure::Unreadable, decoded.error));
                continue;
            }
            sound =
                std::make_unique<Sound>(api, std::move(decoded.sound), std::move(request.listener));
            sound->Begin();
        }
        // An ended sound has left the server; it goes outside the server's callbacks.
        if (sound && sound->Ended()) {
            sound.reset();
        }
        // Sleeps until the server or a request has something.
        pa_mainloop_iterate(loop_, 1, nullptr);
    }
}

} // namespace zarava
