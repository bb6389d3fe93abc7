#pragma once

#include "StubHost.h"
#include "TempFolder.h"
#include "mainwindow/Context.h"
#include "platform/VirtualTime.h"
#include "roomdisplay/Zarava_Display.h"

#include <cstddef>
#include <memory>
#include <string>

namespace zarava::room_test {

// Surroundings for child windows: a program folder with the given zarava.ini (code page 932
// bytes), virtual time, and a host that records what is published after every handler.
class Display {
public:
    explicit Display(const std::string& ini) : ctx(time, time, host, folder.Path()) {
        folder.Write("zarava.ini", ini);
        ctx.IniPath = folder / "zarava.ini";
        time.SetAfterEachHandler([this] { ctx.PublishChanges(); });
    }

    // Shows a window the way the main window does: inside one handler.
    template <typename W> std::unique_ptr<W> Show(int room = 0) {
        ctx.CurrentRoomNo = static_cast<std::int16_t>(room);
        auto w = std::make_unique<W>(ctx);
        ctx.Register(*w);
        Run([&w] { w->Show(); });
        return w;
    }
    std::unique_ptr<Zarava_Display> Room(int room) { return Show<Zarava_Display>(room); }

    template <typename F> void Run(F handler) {
        time.Post(handler);
        time.RunPending();
    }

    const WindowSnapshot& Published(const Window& w) const { return host.windows.at(w.Id()); }

    test::TempFolder folder;
    VirtualTime time;
    test::StubHost host;
    Context ctx;
};

// A control missing from the design throws, failing the test.
inline const ControlState& StateOf(const WindowSnapshot& s, const char* name, int index = -1) {
    return s.controls.at(static_cast<std::size_t>(s.design->Find(name, index)));
}

} // namespace zarava::room_test
