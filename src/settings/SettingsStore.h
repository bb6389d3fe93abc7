#pragma once

#include "settings/SharedWrite.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zarava {

class Clock;

// The only access to zarava.ini. Texts are UTF-8 here and code page 932 in the file (or UTF-8
// or UTF-16 in a file that starts with a byte-order mark). A read or write that fails the first
// time waits 100 ms on the given clock and tries once more, because the issuer may be
// rewriting the file at that moment.

// The value, or the empty text when the key is missing, empty or unreadable. Never fails.
std::string ReadSetting(Clock& clock, std::string_view section, std::string_view key,
                        const std::string& file);

// Nonzero when the value was written. Callers may ignore the result: a failed write is silent.
// Writers of this program take turns, and a write never builds on bytes that change under it
// nor replaces a file that changed since it was read (see SharedWrite.h).
std::int32_t WriteSetting(Clock& clock, std::string_view section, std::string_view key,
                          std::string_view value, const std::string& file);

// A read-modify-write in one step: writes the value that `update` works out from the key's
// value in the bytes the write replaces, so that a change another program makes between a
// read and a write is never written over. `update` giving nothing writes nothing. Nonzero
// when written or left alone, with the same retry as WriteSetting.
std::int32_t UpdateSetting(Clock& clock, std::string_view section, std::string_view key,
                           const ValueUpdate& update, const std::string& file);

// Makes the file a normal, writable file when it has none of the given attribute bits
// (with 0: always).
void ResetFileAttributes(std::string_view path, std::uint16_t attributes);

} // namespace zarava
