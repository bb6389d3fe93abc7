#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

class Clock;

// One attempt at writing a value into a settings file that other programs read and rewrite
// at any moment, on this PC or others sharing the folder:
// - the writers of this program take turns (a lock beside the file, waited for while they make
//   progress; a stalled holder or a share without locks does not stop the write);
// - the change is never built on a file that another program may still be writing: only on
//   bytes that are whole by what the last writer of ours left beside the file, or that have
//   stood still longer than a rewriter pauses between two pieces of a save;
// - the file is replaced only if it is still exactly those bytes just before the replace;
//   otherwise the attempt starts again from a fresh read, a few times; a write in place that
//   fails part way puts the old bytes back;
// - the file keeps its owner, group, permissions and other names, and links are followed.
// Texts are UTF-8; the file keeps its own form (code page 932, or UTF-8 or UTF-16 after a
// byte-order mark). All pauses go through the clock.

enum class WriteOutcome {
    Written,    // written, or the file held the value already
    Refused,    // read-only, unreadable, not a file, or the folder refused
    Unholdable, // the file's text form cannot hold the names or the value
    Conflict,   // the file kept changing under us, or never looked whole
};

// Works out the value to write from the key's value in the very bytes that the write replaces
// (UTF-8, as ReadSetting gives it; empty when the key is missing); nothing leaves the file as
// it is. Called once for each look at the file, so it must depend on `current` alone.
using ValueUpdate = std::function<std::optional<std::string>(std::string_view current)>;

struct ProfileChange {
    std::string_view section;
    std::string_view key;
    std::string_view value;
    ValueUpdate update; // when set, the value comes from it and `value` is not used
};

WriteOutcome WriteProfileValueOnce(Clock& clock, const ProfileChange& change,
                                   const std::string& file);

} // namespace zarava
