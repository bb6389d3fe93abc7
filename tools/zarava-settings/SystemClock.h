#pragma once

#include "platform/Clock.h"

namespace zarava {

// The wall clock and a real pause, for the command-line tool. The display itself gets its
// clock from the Qt platform; the core never reads the system clock on its own.
class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;
};

} // namespace zarava
