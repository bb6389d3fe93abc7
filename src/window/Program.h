#pragma once

#include "engine/Clock.h"
#include "engine/IoWorker.h"
#include "engine/Scheduler.h"
#include "files/OperationsLog.h"
#include "ports/Host.h"
#include "ports/ProgramStarter.h"
#include "ports/SoundPlayer.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SharedWrite.h"
#include "window/BlinkPhase.h"
#include "window/Window.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The services of the system that every window uses.
struct Services {
    Scheduler& scheduler;
    Clock& clock;
    IoWorker& files;
    Host& host;
    SoundPlayer& sound;
    ProgramStarter& programs;
};

// The running display as its windows share it: the services, the program folder with its
// settings file (IniPath) and log, and the shared blink phase. Handed to each window through
// its constructor, so that tests can run several displays side by side.
//
// The handlers run on the engine and never touch a file there, save the start-up's and the
// close's, which are rare and do theirs in place. Everything else that reads or writes the
// program folder (ProgramFile included) is file work on the I/O worker (FileWork).
class Program {
public:
    Program(const Services& services, std::string programFolder);

    Scheduler& scheduler;
    Clock& clock;
    IoWorker& files;
    Host& host;
    SoundPlayer& sound;
    ProgramStarter& programs;
    const std::string programFolder; // without a trailing separator
    BlinkPhase blinkPhase;

    // The start-up's first file work: makes the Temp and Log folders when missing, points the
    // log at Log and clears out its old days, and finds zarava.ini (IniPath).
    void OpenProgramFolder();
    const std::string& IniPath() const { return iniPath_; }

    // zarava.ini read once for a handler. In place, a read that misses waits for its retry
    // there and then; for file work the retry is the work's own business (FileWork).
    SettingsSnapshot SettingsInPlace();
    std::shared_ptr<SettingsSnapshot> SettingsForFileWork();

    // Writes through a handler's snapshot. A write that fails after its retry is logged; the
    // callers go on as if it had been written.
    void WriteSetting(SettingsSnapshot& settings, std::string_view section, std::string_view key,
                      std::string_view value);
    // A read-modify-write that never writes over another program's change (SettingsStore.h).
    void UpdateSetting(SettingsSnapshot& settings, std::string_view section, std::string_view key,
                       const ValueUpdate& update);

    // A line of the operations log, stamped now and written by the I/O worker after the work
    // it was handed before. From any thread.
    void Log(std::string_view text);

    // A file or folder of the program folder, its name matched without regard to case when
    // the exact name is missing (the issuer names the files on a case-blind file system).
    std::string ProgramFile(std::string_view relative) const;

    // Open windows, whose changes are handed to the screen after each handler.
    void Register(Window& window) { windows_.push_back(&window); }
    // Hands over what changed in every window, and forgets closed windows once their last
    // state is out.
    void PublishChanges();

private:
    // The log says once when the settings file cannot be read, and once when it can again.
    void NoteSettingsRead(const SettingsSnapshot& settings);

    std::string iniPath_;
    OperationsLog log_; // writes nothing until the start-up has made the Log folder
    std::atomic<bool> settingsUnreadable_{false};
    std::vector<Window*> windows_;
};

} // namespace zarava
