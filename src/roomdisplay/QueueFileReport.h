#pragma once

#include "files/Files.h"

#include <string>
#include <string_view>

namespace zarava {

// What the operations log says of a room's queue file, in words that name the file and the
// cause (never the moment, so the same trouble reads the same at every poll); empty when the
// room can show the file.

// A refresh read the file at `path` with this result and these bytes.
std::string QueueFileTroubleAfterRead(const std::string& path, ReadFileResult read,
                                      std::string_view bytes);

// A poll found no file at `path`. A name that is there but leads to nothing readable is
// trouble; no name at all is not, as the issuer has simply not written the file yet.
std::string QueueFileTroubleWhenMissing(const std::string& path);

} // namespace zarava
