#pragma once

namespace zarava {

// Names the calling thread as the system's tools show it (at most 15 characters), so that a
// trace or a benchmark can tell the program's threads apart. Where the system cannot name
// threads, nothing happens.
void NameThisThread(const char* name);

} // namespace zarava
