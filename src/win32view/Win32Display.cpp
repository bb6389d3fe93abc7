#include "win32view/Win32Display.h"

#include "ports/StateReport.h"
#include "win32view/FrameWindow.h"
#include "win32view/PicturePainter.h"
#include "win32view/Wide.h"
#include "win32view/Win32Host.h"

#include <windows.h>

#include <algorithm>
#include <map>

namespace zarava {

namespace {

// The display lays out in the monitor's own pixels; without saying so, Windows would stretch
// the whole frame as a picture on a monitor scaled above 100 %.
struct AwareOfDpi {
    AwareOfDpi() {
        using SetContext = BOOL(WINAPI*)(HANDLE);
        const FARPROC found =
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext");
        const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(found));
        const auto perMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)); // V2
        if (set == nullptr || !set(perMonitor)) {
            SetProcessDPIAware(); // before Windows 10 1703: the primary monitor's scale
        }
    }
};

// A waiting-room screen must not go dark while the display runs; the system's own idle rules
// come back when it ends.
class ScreenKeptLit {
public:
    ScreenKeptLit() {
        SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    }
    ~ScreenKeptLit() { SetThreadExecutionState(ES_CONTINUOUS); }
};

// Timers of the GUI thread by their id, for After().
std::map<UINT_PTR, std::function<void()>>& Timers() {
    static std::map<UINT_PTR, std::function<void()>> timers;
    return timers;
}

void CALLBACK TimerFired(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const auto it = Timers().find(id);
    if (it != Timers().end()) {
        const std::function<void()> callback = std::move(it->second);
        Timers().erase(it);
        callback();
    }
}

BOOL CALLBACK CloseBox(HWND window, LPARAM) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"#32770") { // a dialog box of this thread: the message box
        EndDialog(window, IDOK);
    }
    return TRUE;
}

} // namespace

struct Win32Display::Parts {
    AwareOfDpi dpi; // before any window or monitor is looked at
    GdiPlusSession gdiPlus;
    ScreenKeptLit screen;
    std::vector<Rect> monitors = DesktopMonitors();
    FrameWindow frame{monitors};
    Win32Host host{frame, monitors};
};

Win32Display::Win32Display() : parts_(std::make_unique<Parts>()) {}

Win32Display::~Win32Display() = default;

Host& Win32Display::host() {
    return parts_->host;
}

void Win32Display::OnTickerNotification(std::function<void(TickerNotification)> callback) {
    parts_->frame.onTickerNotification = std::move(callback);
}

void Win32Display::OnCloseRequest(std::function<void()> callback) {
    parts_->frame.onCloseRequest = std::move(callback);
}

void Win32Display::OnKeyPress(std::function<void(int, char32_t)> callback) {
    parts_->frame.onKeyPress = std::move(callback);
}

void Win32Display::OnStartupDrawn(std::function<void()> callback) {
    parts_->frame.onStartupDrawn = std::move(callback);
}

void Win32Display::RunOnGui(std::function<void()> work) {
    parts_->host.RunOnGui(std::move(work));
}

void Win32Display::After(int milliseconds, std::function<void()> callback) {
    const UINT_PTR id =
        SetTimer(nullptr, 0, static_cast<UINT>(std::max(0, milliseconds)), TimerFired);
    Timers()[id] = std::move(callback);
}

void Win32Display::SetStopping() {
    parts_->host.SetStopping();
    EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0);
}

int Win32Display::Run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

bool Win32Display::SaveScreenshot(const std::string& utf8Path) const {
    HBITMAP picture = parts_->frame.Render();
    const bool saved = SavePng(picture, Widen(utf8Path));
    DeleteObject(picture);
    return saved;
}

std::string Win32Display::State() const {
    return StateReport(parts_->frame.Frame(), parts_->frame.ShownWindows());
}

bool Win32Display::BlinkOn() const {
    return parts_->frame.Frame().blinkOn;
}

} // namespace zarava
