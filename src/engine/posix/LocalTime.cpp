#include "engine/LocalTime.h"

#include <ctime>

namespace zarava {

std::int64_t LocalOffsetAt(std::int64_t utcSeconds) {
    const auto asTimeT = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
    return ::localtime_r(&asTimeT, &local) != nullptr ? local.tm_gmtoff : 0;
}

} // namespace zarava
