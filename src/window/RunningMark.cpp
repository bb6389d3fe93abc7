#include "window/RunningMark.h"

#include "text/Numbers.h"
#include "window/Program.h"

#include <cmath>

namespace zarava {

std::optional<std::int64_t> FormBits(std::string_view value) {
    const double number = RoundHalfEven(LenientNumber(value));
    // Beyond 2^53 a double no longer holds every whole number: its low bits mean nothing.
    constexpr double kLargestExact = 9007199254740992.0;
    if (!(std::fabs(number) <= kLargestExact)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
}

void SetRunningMark(Program& program, SettingsSnapshot& settings, bool running) {
    const auto marked = [running](std::int64_t form) {
        return running ? (form | kDisplayRunningBit) : (form & ~kDisplayRunningBit);
    };
    program.UpdateSetting(settings, "USER INFOMATION", "FORM",
                          [&marked](std::string_view current) -> std::optional<std::string> {
                              // A number we could not write back without garbling it is left.
                              const std::optional<std::int64_t> now = FormBits(current);
                              if (!now || marked(*now) == *now) {
                                  return std::nullopt;
                              }
                              return NumberText(marked(*now));
                          });
}

} // namespace zarava
