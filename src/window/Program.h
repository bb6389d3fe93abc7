#pragma once

#include "engine/Clock.h"
#include "engine/Scheduler.h"
#include "files/OperationsLog.h"
#include "ports/Host.h"
#include "ports/ProgramStarter.h"
#include "ports/SoundPlayer.h"
#include "settings/SharedWrite.h"
#include "window/BlinkPhase.h"
#include "window/Window.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The services of the system that every window uses.
struct Services {
    Scheduler& scheduler;
    Clock& clock;
    Host& host;
    SoundPlayer& sound;
    ProgramStarter& programs;
};

// The running display as its windows share it: the process-wide values (IniPath,
// CurrentRoomNo, the blink phase) and the services. Handed to each window through its
// constructor, so that tests can run several displays side by side.
class Program {
public:
    Program(const Services& services, std::string programFolder);

    Scheduler& scheduler;
    Clock& clock;
    Host& host;
    SoundPlayer& sound;
    ProgramStarter& programs;
    const std::string programFolder; // without a trailing separator

    std::string IniPath;
    std::int16_t CurrentRoomNo = 0;
    bool RoomsFromCommandLine = false;
    BlinkPhase blinkPhase;
    OperationsLog log; // writes nothing until the start-up has made the Log folder

    // The settings store on IniPath. A write that fails after its retry is logged; the callers
    // go on as if it had been written.
    std::string ReadSetting(std::string_view section, std::string_view key) const;
    void WriteSetting(std::string_view section, std::string_view key, std::string_view value);
    // A read-modify-write that never writes over another program's change (SettingsStore.h).
    void UpdateSetting(std::string_view section, std::string_view key, const ValueUpdate& update);

    // A file or folder of the program folder, its name matched without regard to case when
    // the exact name is missing (the issuer names the files on a case-blind file system).
    std::string ProgramFile(std::string_view relative) const;

    // Open windows, whose changes are handed to the screen after each handler.
    void Register(Window& window) { windows_.push_back(&window); }
    // Hands over what changed in every window, and forgets closed windows once their last
    // state is out.
    void PublishChanges();

private:
    std::vector<Window*> windows_;
};

} // namespace zarava
