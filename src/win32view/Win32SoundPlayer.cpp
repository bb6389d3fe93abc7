#include "win32view/Win32SoundPlayer.h"

#include "win32view/WaveImage.h"
#include "win32view/Wide.h"

#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace zarava {

namespace {

// A chime is small; a file larger than this plays what this much of it holds.
constexpr DWORD kMaxFileBytes = 16u << 20;

// The driver message that names the device the system plays to by default (mmddk.h).
constexpr UINT kPreferredDevice = 0x2000 + 21;

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text != nullptr ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + Narrow(message));
}

// The file's bytes, or why there are none. A named pipe or a device is not waited on.
std::optional<std::string> ReadSoundFile(const std::string& path, std::string& why) {
    const std::wstring name = Widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        why = "is a folder, not a file";
        return std::nullopt;
    }
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        why = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                  ? "not found"
                  : "cannot be opened: " + SystemMessage(error);
        return std::nullopt;
    }
    std::string bytes;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        why = "is not a regular file";
    } else {
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        bytes.resize(static_cast<std::size_t>(std::min<LONGLONG>(size.QuadPart, kMaxFileBytes)));
        DWORD read = 0;
        if (!bytes.empty() &&
            !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
            why = "cannot be read: " + SystemMessage(GetLastError());
        }
        bytes.resize(read);
    }
    CloseHandle(file);
    return why.empty() ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

std::string DefaultDeviceName() {
    DWORD device = WAVE_MAPPER;
    DWORD flags = 0;
    if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                       kPreferredDevice, reinterpret_cast<DWORD_PTR>(&device),
                       reinterpret_cast<DWORD_PTR>(&flags)) != MMSYSERR_NOERROR) {
        device = WAVE_MAPPER;
    }
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCapsW(device, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return "the default output";
    }
    return Narrow(caps.szPname);
}

void Tell(const SoundListener& listener, const SoundEvent& event) {
    if (listener) {
        listener(event);
    }
}

} // namespace

Win32SoundPlayer::Win32SoundPlayer(double maxSeconds)
    : maxSeconds_(maxSeconds), thread_([this] { Run(); }) {}

Win32SoundPlayer::~Win32SoundPlayer() {
    Shutdown();
}

void Win32SoundPlayer::Play(const std::string& path, SoundListener listener) {
    std::lock_guard lock(mutex_);
    requests_.push_back({true, path, std::move(listener)});
    wake_.notify_one();
}

void Win32SoundPlayer::Stop() {
    std::lock_guard lock(mutex_);
    requests_.push_back({});
    wake_.notify_one();
}

void Win32SoundPlayer::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        wake_.notify_one();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

// Starts one sound: the system plays from `image` until the next call replaces it. Returns
// how long it plays, or nothing when it does not.
std::optional<double> Win32SoundPlayer::Start(const Request& request,
                                              std::unique_ptr<std::string>& image) const {
    std::string why;
    const std::optional<std::string> file = ReadSoundFile(request.path, why);
    WaveImage wave = file ? PrepareWave(*file, maxSeconds_) : WaveImage{};
    SoundEvent failed;
    if (!file) {
        failed = SoundFailed(SoundFailure::Unreadable, why);
    } else if (!wave.ok) {
        failed = SoundFailed(SoundFailure::Unreadable, wave.error);
    } else if (waveOutGetNumDevs() == 0) {
        failed = SoundFailed(SoundFailure::NoDevice, "the system has no audio output device");
    } else {
        auto next = std::make_unique<std::string>(std::move(wave.bytes));
        if (PlaySoundW(reinterpret_cast<LPCWSTR>(next->data()), nullptr,
                       SND_MEMORY | SND_ASYNC | SND_NODEFAULT)) {
            image = std::move(next); // the old one has been stopped by the call
            SoundEvent started{SoundEventKind::Started};
            started.device = DefaultDeviceName();
            started.form = wave.form;
            started.seconds = wave.seconds;
            started.fileSeconds = wave.fileSeconds;
            Tell(request.listener, started);
            return wave.seconds;
        }
        failed = SoundFailed(SoundFailure::DeviceFailed, "the system did not play it");
    }
    PlaySoundW(nullptr, nullptr, 0);
    image.reset();
    Tell(request.listener, failed);
    return std::nullopt;
}

// The sound's thread: `current` hears the sound that plays until `ends`.
void Win32SoundPlayer::Run() {
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<std::string> image;
    SoundListener current;
    Clock::time_point ends = Clock::time_point::max();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_until(lock, ends, [this] { return ending_ || !requests_.empty(); });
        if (ending_) {
            break;
        }
        ends = Clock::time_point::max();
        if (requests_.empty()) {
            lock.unlock();
            Tell(std::exchange(current, {}), {SoundEventKind::Finished});
            lock.lock();
            continue;
        }
        const Request request = std::move(requests_.front());
        requests_.pop_front();
        lock.unlock();
        if (!request.play) {
            PlaySoundW(nullptr, nullptr, 0);
            image.reset();
        }
        Tell(std::exchange(current, {}), {SoundEventKind::Stopped});
        if (request.play) {
            if (const std::optional<double> seconds = Start(request, image)) {
                current = request.listener;
                ends = Clock::now() +
                       std::chrono::microseconds(static_cast<std::int64_t>(*seconds * 1e6));
            }
        }
        lock.lock();
    }
    lock.unlock();
    PlaySoundW(nullptr, nullptr, 0);
}

} // namespace zarava
