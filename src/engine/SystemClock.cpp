#include "engine/SystemClock.h"

#include "engine/LocalTime.h"

#include <chrono>
#include <thread>

namespace zarava {

LocalDateTime SystemClock::Now() const {
    using namespace std::chrono;
    const std::int64_t ms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::int64_t seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    // Wall-clock arithmetic from the start of 1970, shifted by the zone's offset of the moment.
    return AddMilliseconds(CivilFromDays(0), ms + LocalOffsetAt(seconds) * 1000);
}

void SystemClock::Sleep(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

} // namespace zarava
