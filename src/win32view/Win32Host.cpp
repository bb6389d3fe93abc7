#include "win32view/Win32Host.h"

#include "ports/Monitors.h"
#include "win32view/FrameWindow.h"
#include "win32view/ViewWindow.h"
#include "win32view/Wide.h"

#include <future>
#include <utility>

namespace zarava {

namespace {

constexpr UINT kMailMessage = WM_APP + 3;

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) {
        // The text carries the blank that a non-negative number's text has ahead of it.
        const std::wstring text = L"APIｴﾗｰｺｰﾄﾞ =  " + std::to_wstring(GetLastError());
        MessageBoxW(nullptr, text.c_str(), nullptr, MB_ICONERROR);
        return TRUE;
    }
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<Rect>*>(data)->push_back(
        {r.left, r.top, r.right - r.left, r.bottom - r.top});
    return TRUE;
}

// The box goes to the middle of the display's monitor, not the primary one, once, as it
// first comes up.
thread_local Rect boxMonitor;
thread_local HHOOK boxHook = nullptr;

LRESULT CALLBACK CentreBox(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(w);
        RECT r{};
        GetWindowRect(box, &r);
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        SetWindowPos(box, nullptr, boxMonitor.left + (boxMonitor.width - width) / 2,
                     boxMonitor.top + (boxMonitor.height - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        UnhookWindowsHookEx(std::exchange(boxHook, nullptr));
        return 0;
    }
    return CallNextHookEx(nullptr, code, w, l);
}

} // namespace

std::vector<Rect> DesktopMonitors() {
    std::vector<Rect> screens;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&screens));
    return MonitorsLeftToRight(screens);
}

// "Local\" is the user's session: another user's display at the same PC is not counted.
SingleCopy::SingleCopy()
    : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\zarava-display.single-copy")),
      another_(mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {}

SingleCopy::~SingleCopy() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

Win32Host::Win32Host(FrameWindow& frame, std::vector<Rect> monitors)
    : frame_(frame), monitors_(std::move(monitors)) {
    mailboxWindow_ =
        CreateViewWindow(L"ZaravaMailbox", ForwardToView<Win32Host>, 0, 0, HWND_MESSAGE, this);
}

Win32Host::~Win32Host() {
    DestroyViewWindow(mailboxWindow_);
}

void Win32Host::RunOnGui(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    mailbox_.push_back(std::move(work));
    if (!wakePosted_) {
        wakePosted_ = PostMessageW(mailboxWindow_, kMailMessage, 0, 0) != FALSE;
    }
}

void Win32Host::Deliver() {
    std::deque<std::function<void()>> arrived;
    {
        std::lock_guard lock(mutex_);
        arrived.swap(mailbox_);
        wakePosted_ = false;
    }
    for (auto& work : arrived) {
        work();
    }
}

LRESULT Win32Host::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == kMailMessage) {
        Deliver();
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

void Win32Host::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    std::promise<void> closed;
    RunOnGui([&] {
        if (!stopping_) {
            boxMonitor = frame_.Monitor();
            boxHook = SetWindowsHookExW(WH_CBT, CentreBox, nullptr, GetCurrentThreadId());
            const UINT style = MB_OK | MB_TOPMOST | MB_SETFOREGROUND |
                               (icon == MessageIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION);
            const HWND owner = IsWindowVisible(frame_.Handle()) ? frame_.Handle() : nullptr;
            MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), style);
            if (boxHook != nullptr) {
                UnhookWindowsHookEx(std::exchange(boxHook, nullptr));
            }
        }
        closed.set_value();
    });
    closed.get_future().wait();
}

void Win32Host::MoveCursor(int x, int y) {
    RunOnGui([x, y] { SetCursorPos(x, y); });
}

void Win32Host::PublishFrame(const FrameSnapshot& frame) {
    RunOnGui([this, frame] { frame_.ApplyFrame(frame); });
}

void Win32Host::PublishWindow(const WindowChanges& changes) {
    RunOnGui([this, changes] { frame_.ApplyWindow(changes); });
}

void Win32Host::EndProcess(int exitCode) {
    RunOnGui([exitCode] { PostQuitMessage(exitCode); });
}

} // namespace zarava
