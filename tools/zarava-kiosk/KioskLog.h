#pragma once

#include "files/OperationsLog.h"

#include <chrono>
#include <map>
#include <string>

namespace zarava {
class Clock;
}

namespace zarava::kiosk {

using SteadyTime = std::chrono::steady_clock::time_point;

// Where the kiosk says what it does: always on standard error (kept by the session's log or
// the journal) after the date and time, and in the program folder's operations log once the
// folder can be read.
//
// Events, such as the display's starts and ends, are written as they come. The kiosk's waiting
// state is written when it changes; but a state that was last written less than the quiet time
// ago is held back and counted, and written with that count once the quiet time is over if it
// still holds. So a share that comes and goes, or a FORM that flips, cannot flood the log.
class KioskLog {
public:
    KioskLog(Clock& clock, std::chrono::milliseconds quiet);

    // The first line, saying what the kiosk follows; it goes to the operations log too when
    // that becomes available later.
    void Introduce(const std::string& text);

    // From now on lines go to the operations log in this folder as well.
    void UseFolderLog(const std::string& logFolder);

    void Event(const std::string& text);

    // What the kiosk waits for now; empty while it waits for nothing (the display runs).
    void State(const std::string& text, SteadyTime now);

    // Writes a held-back state whose quiet time is over.
    void Tick(SteadyTime now);

private:
    void Write(const std::string& text);
    void WriteStateIfDue(SteadyTime now);

    Clock& clock_;
    std::chrono::milliseconds quiet_;
    OperationsLog file_;
    bool fileInUse_ = false;
    std::string introduction_;

    std::string state_;
    bool stateWritten_ = true;
    bool stateCounted_ = false;
    std::map<std::string, SteadyTime> stateLastWritten_;
    int heldBack_ = 0;
    std::string heldBackSince_; // time of day of the first change held back
};

} // namespace zarava::kiosk
