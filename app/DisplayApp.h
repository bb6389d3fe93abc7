#pragma once

#include "engine/IoThread.h"
#include "engine/ThreadEngine.h"
#include "files/ProgramStart.h"
#include "files/SingleInstance.h"
#include "mainwindow/MainFrame.h"
#include "qtview/DisplayView.h"
#include "qtview/PulseSoundPlayer.h"
#include "qtview/QtHost.h"
#include "window/Program.h"

#include <functional>
#include <memory>
#include <string>

namespace zarava {

// The whole display wired together: the frame view on the GUI thread, the main window's
// handlers on the engine thread, their file work on the I/O thread. Made on the GUI thread
// after the QApplication.
class DisplayApp {
public:
    DisplayApp(const std::string& programFolder, const std::string& commandLine, Clock& clock);
    ~DisplayApp();

    // Posts the main window's load to the engine.
    void Start();
    // Asks the engine to close the display as the user would (from the GUI thread).
    void RequestClose();
    // The system stops the display: no message box waits for an answer any more, and the
    // display closes as the user would close it (GUI thread).
    void Stop();
    // Called on the GUI thread once the start-up has finished and every window is drawn.
    void OnStartupDrawn(std::function<void()> callback) {
        view_.onStartupDrawn = std::move(callback);
    }
    DisplayView& View() { return view_; }
    // The total of pauses by design so far (benchmarks).
    std::int64_t PausesMs() const { return engine_.Waited(); }
    // Calls back on the GUI thread once the screen shows everything the engine's handlers
    // did until now (GUI thread).
    void WhenScreenCurrent(std::function<void()> callback);

private:
    std::string commandLine_;
    SingleInstance instance_;
    DisplayView view_;
    QtHost host_;
    PulseSoundPlayer sound_;
    SystemProgramStarter programs_;
    ThreadEngine engine_; // also the handlers' clock
    Program program_;
    std::unique_ptr<MainFrame> frame_; // engine thread only
    // Last, so it goes first: the file work still queued is done before what it uses goes.
    IoThread files_;
};

} // namespace zarava
