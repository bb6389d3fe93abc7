#pragma once

#include "platform/Clock.h"

namespace zarava {

// The wall clock in local time; Sleep blocks the calling (engine) thread.
class QtClock final : public Clock {
public:
    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;
};

} // namespace zarava
