#pragma once

#include "engine/Clock.h"

namespace zarava {

// The wall clock in local time and a real pause of the calling thread. The one clock of the
// programs; the core only ever sees it as a Clock, so tests run on virtual time instead.
class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;
};

} // namespace zarava
