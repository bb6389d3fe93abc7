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

std::optional<std::int64_t> ReadFormBits(Program& program) {
    return FormBits(program.ReadSetting("USER INFOMATION", "FORM"));
}

void SetRunningMark(Program& program, bool running) {
    const auto marked = [running](std::int64_t form) {
        return running ? (form | kDisplayRunningBit) : (form & ~kDisplayRunningBit);
    };
    const std::optional<std::int64_t> form = ReadFormBits(program);
    if (!form || marked(*form) == *form) {
        return; // already as wanted, or not a number we could write back without garbling it
    }
    // The bit is set or cleared on FORM as it is when written, not as it was read: the issuer
    // may have changed its own bits in between.
    program.UpdateSetting("USER INFOMATION", "FORM",
                          [&marked](std::string_view current) -> std::optional<std::string> {
                              const std::optional<std::int64_t> now = FormBits(current);
                              if (!now || marked(*now) == *now) {
                                  return std::nullopt;
                              }
                              return NumberText(marked(*now));
                          });
}

} // namespace zarava
