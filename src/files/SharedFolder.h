#pragma once

#include <string>
#include <string_view>

namespace zarava {

class Clock;

// Utilities of the shared program folder: names, folders, file times and the write-access
// probe. None of them fails towards its caller; a problem shows only in the result. Folders are
// given without a trailing separator and joined as JoinPath joins them.

// The path of relativePath inside the program folder, with every component (separated by '/'
// or '\') matched without regard to ASCII case when the exact name is missing, because the
// issuer names its files as a case-blind system allows ("Temp" and "temp", "Chime.WAV").
// Components that match nothing are kept as given, so a file about to be made gets the name
// asked for.
std::string ResolveInFolder(const std::string& folder, std::string_view relativePath);

// Makes the folder (one level) when neither it nor an entry differing only in case exists.
// When it cannot be made nothing happens: the write-access probe that follows at start-up
// reports the problem to the user.
void EnsureFolder(const std::string& folder);

// The file's creation, last-write and last-access times as local date-time values (days since
// 1899-12-30 with the time of day as the fraction, whole milliseconds). The outputs are left
// as they were when the file cannot be found. Creation is the birth time where the file system
// records it, otherwise the last write.
void GetFileTimes(const std::string& path, double& created, double& lastWrite, double& lastAccess);

// True when a file could be made in the folder: writes "<random 1..999999>.rad" holding
// today's "yyyymmdd" and CR LF, waits 200 ms on the clock and deletes it again. Never touches
// an existing file of that name; no file is left behind on failure.
bool ProbeWriteAccess(Clock& clock, const std::string& folder);

} // namespace zarava
