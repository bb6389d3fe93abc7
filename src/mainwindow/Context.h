#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Scheduler.h"
#include "platform/Window.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// Process-wide values of the display and the services every window uses, handed to the
// windows through their constructors so tests can run several displays side by side.
struct Context {
    Context(Scheduler& s, Clock& c, Host& h, std::string folder)
        : scheduler(s), clock(c), host(h), programFolder(std::move(folder)) {}

    Scheduler& scheduler;
    Clock& clock;
    Host& host;
    std::string programFolder; // without a trailing separator

    std::string IniPath;
    std::int16_t CurrentRoomNo = 0;
    bool RoomsFromCommandLine = false;
    std::int16_t BlinkCounter = 0;
    bool BlinkOn = false;

    // The settings store on IniPath.
    std::string ReadSetting(std::string_view section, std::string_view key) const;
    void WriteSetting(std::string_view section, std::string_view key, std::string_view value);

    // A file or folder of the program folder, its name matched without regard to case when
    // the exact name is missing (the issuer names the files on a case-blind file system).
    std::string ProgramFile(std::string_view relative) const;

    // Open child windows, published after each handler.
    std::vector<Window*> windows;
    void Register(Window& w) { windows.push_back(&w); }
    // Publishes every changed window, and drops closed ones once their last state is out.
    void PublishChanges();
};

// Sets or clears the display's running mark (bit value 4) in the shared "FORM" bit field,
// keeping the other programs' bits as they are.
void SetRunningMark(Context& ctx, bool running);

} // namespace zarava
