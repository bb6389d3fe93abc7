#include "util/Lib.h"

#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "settings/IniRedWrt.h"
#include "text/Numbers.h"

#include <cstdint>
#include <optional>

// The opening-day calendar, apart from the file utilities because it needs the settings store.

namespace zarava {

bool IsOpenToday(Clock& clock, const std::string& iniPath, int room) {
    if (room <= 1) {
        return true;
    }
    const int weekday = WeekdayOfDateText(FormatYmd(clock.Now()));
    std::string mask = ReadSetting(clock, "DAZUZE INFOMATION", "WEEK" + NumberText(room), iniPath);
    if (mask.empty()) {
        mask = "127";
    }
    // A mask too large for 32 bits is no mask at all: the room counts as closed.
    const std::optional<std::int32_t> bits = ToInt32(LenientNumber(mask));
    if (!bits || weekday < 1 || weekday > 7) {
        return false;
    }
    return ((static_cast<std::uint32_t>(*bits) >> (weekday - 1)) & 1u) != 0;
}

} // namespace zarava
