#pragma once

#include "engine/DateTime.h"

namespace zarava {

// The only way the core learns the time or waits. Production reads the wall clock and really
// sleeps (in the file work, or on the engine during the start-up and the close, never on the
// GUI thread); tests advance virtual time instead.
class Clock {
public:
    virtual ~Clock() = default;

    // The current local date and time.
    virtual LocalDateTime Now() const = 0;

    // Blocks the caller for the given time; used by the settings store's pauses and the
    // write-access probe.
    virtual void Sleep(int milliseconds) = 0;
};

} // namespace zarava
