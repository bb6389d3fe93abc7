#pragma once

#include "engine/IoThread.h"
#include "engine/ThreadEngine.h"
#include "files/ProgramStart.h"
#include "mainwindow/MainFrame.h"
#include "win32view/Win32Display.h"
#include "win32view/Win32SoundPlayer.h"
#include "window/Program.h"

#include <functional>
#include <memory>
#include <string>

namespace zarava {

// The whole display wired together on Windows: the Win32 screen on the GUI thread, the main
// window's handlers on the engine thread, their file work on the I/O thread. Made on the GUI
// thread. The only place that knows
// how the engine is driven.
class DisplayWiring {
public:
    DisplayWiring(const std::string& programFolder, const std::string& commandLine, Clock& clock);
    ~DisplayWiring();

    // Posts the main window's load to the engine.
    void Start();
    // Asks the engine to close the display as the user would (any thread).
    void RequestClose();
    // The system stops the display: no message box waits for an answer any more, and the
    // display closes as the user would close it (GUI thread).
    void Stop();
    // Calls back on the GUI thread once the screen shows everything the engine's handlers did
    // until now.
    void WhenScreenCurrent(std::function<void()> callback);
    Win32Display& Screen() { return screen_; }

private:
    std::string commandLine_;
    Win32Display screen_;
    Win32SoundPlayer sound_;
    SystemProgramStarter programs_;
    ThreadEngine engine_; // also the handlers' clock
    Program program_;
    std::unique_ptr<MainFrame> frame_; // engine thread only
    // Last, so it goes first: the file work still queued is done before what it uses goes.
    IoThread files_;
};

} // namespace zarava
