#pragma once

#include "StubHost.h"
#include "TempFolder.h"
#include "mainwindow/Context.h"
#include "platform/VirtualTime.h"
#include "roomdisplay/Zarava_Display.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace zarava::room_test {

// A fresh program folder under /tmp, removed with everything in it afterwards.
using ProgramFolder = test::TempFolder;

// One display's worth of surroundings for child windows: a program folder with the given
// zarava.ini (code page 932 bytes), virtual time and a host that records what is published.
class Display {
public:
    explicit Display(const std::string& ini) : ctx(time, time, host, folder.Path()) {
        folder.Write("zarava.ini", ini);
        ctx.IniPath = folder.Path() + "/zarava.ini";
        time.SetAfterEachHandler([this] { ctx.PublishChanges(); });
    }

    // Creates and shows a window the way the main window does: one handler, which ends with
    // the window's state published.
    template <typename W> std::unique_ptr<W> Show(int room = 0) {
        ctx.CurrentRoomNo = static_cast<std::int16_t>(room);
        auto w = std::make_unique<W>(ctx);
        ctx.Register(*w);
        time.Post([&w] { w->Show(); });
        time.RunPending();
        return w;
    }
    std::unique_ptr<Zarava_Display> Room(int room) { return Show<Zarava_Display>(room); }

    // Runs something as a handler of the engine, then publishes.
    template <typename F> void Run(F handler) {
        time.Post(handler);
        time.RunPending();
    }

    // What the view last received of a window.
    const WindowSnapshot& Published(const Window& w) const { return host.windows.at(w.Id()); }

    ProgramFolder folder;
    VirtualTime time;
    test::StubHost host;
    Context ctx;
};

// A control's state in a published snapshot.
inline const ControlState& StateOf(const WindowSnapshot& s, const char* name, int index = -1) {
    const int i = s.design->Find(name, index);
    if (i < 0) {
        std::abort();
    }
    return s.controls[static_cast<std::size_t>(i)];
}

} // namespace zarava::room_test
