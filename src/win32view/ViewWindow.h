#pragma once

#include <windows.h>

#include <functional>

namespace zarava {

// The window of a view object: messages go to the object's Handle(), found through the
// window's user data, which the window gets as it is created. The pointer is hidden over every
// view window (a kiosk), a click into a child window leaves the keyboard with the frame, and
// no view window paints a background of its own: each paints all of itself, double-buffered.
template <class View>
LRESULT CALLBACK ForwardToView(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
    }
    if (message == WM_SETCURSOR && LOWORD(l) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
    }
    if (message == WM_ERASEBKGND) {
        return TRUE;
    }
    if (message == WM_MOUSEACTIVATE && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0) {
        return MA_NOACTIVATE;
    }
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return view != nullptr ? view->Handle(window, message, w, l)
                           : DefWindowProcW(window, message, w, l);
}

// Registers the class on first use and creates a window of it for `view`.
HWND CreateViewWindow(const wchar_t* className, WNDPROC procedure, DWORD style, DWORD extended,
                      HWND parent, void* view, UINT classStyle = 0);

// Destroys the window without a last message reaching its view, which is going away.
void DestroyViewWindow(HWND window);

// Answers WM_PAINT through a buffer of the window's size: `paint` draws what lies in the area
// to repaint (window pixels), and that area reaches the screen at once, without flicker.
void PaintBuffered(HWND window, const std::function<void(HDC, const RECT&)>& paint);

} // namespace zarava
