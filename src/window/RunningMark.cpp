#include "window/RunningMark.h"

#include "text/Numbers.h"
#include "window/Program.h"

#include <cmath>

namespace zarava {

std::optional<std::int64_t> ReadFormBits(Program& program) {
    const double value =
        RoundHalfEven(LenientNumber(program.ReadSetting("USER INFOMATION", "FORM")));
    // Beyond 2^53 a double no longer holds every whole number: its low bits mean nothing.
    constexpr double kLargestExact = 9007199254740992.0;
    if (!(std::fabs(value) <= kLargestExact)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

void SetRunningMark(Program& program, bool running) {
    const std::optional<std::int64_t> form = ReadFormBits(program);
    if (!form) {
        return; // not a number we could write back without garbling it
    }
    const std::int64_t value =
        running ? (*form | kDisplayRunningBit) : (*form & ~kDisplayRunningBit);
    if (value != *form) {
        program.WriteSetting("USER INFOMATION", "FORM", NumberText(value));
    }
}

} // namespace zarava
