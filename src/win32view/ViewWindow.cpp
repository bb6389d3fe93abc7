#include "win32view/ViewWindow.h"

#include "win32view/GdiText.h"

namespace zarava {

HWND CreateViewWindow(const wchar_t* className, WNDPROC procedure, DWORD style, DWORD extended,
                      HWND parent, void* view, UINT classStyle) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wanted{};
    if (!GetClassInfoExW(instance, className, &wanted)) {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.style = classStyle;
        c.lpfnWndProc = procedure;
        c.hInstance = instance;
        c.lpszClassName = className;
        RegisterClassExW(&c);
    }
    return CreateWindowExW(extended, className, L"", style, 0, 0, 0, 0, parent, nullptr, instance,
                           view);
}

void DestroyViewWindow(HWND window) {
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

void PaintBuffered(HWND window, const std::function<void(HDC, const RECT&)>& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    const RECT& r = ps.rcPaint;
    const OffscreenDc buffer(dc, client.right, client.bottom);
    paint(buffer.Dc(), r);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer.Dc(), r.left, r.top,
           SRCCOPY);
    EndPaint(window, &ps);
}

} // namespace zarava
