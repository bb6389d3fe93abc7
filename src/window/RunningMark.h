#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zarava {

class Program;
class SettingsSnapshot;

// The shared bit field [USER INFOMATION] FORM: bit values 1 and 2 are set by the issuer's
// programs while they run, 4 by the display while one of its windows is open.
inline constexpr std::int64_t kIssuerBits = 1 | 2;
inline constexpr std::int64_t kDisplayRunningBit = 4;

// FORM as a whole number (rounded, halves to even); nothing when it holds a number too large
// to be a bit field, which the display then neither trusts nor writes back.
std::optional<std::int64_t> FormBits(std::string_view value);

// Sets or clears the display's running mark, keeping the other programs' bits as they are:
// the bit is changed on FORM as the write finds it, so a change another program makes at the
// same moment is kept, and nothing is written when it is already as wanted.
void SetRunningMark(Program& program, SettingsSnapshot& settings, bool running);

} // namespace zarava
