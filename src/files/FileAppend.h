#pragma once

#include "files/Files.h"

#include <string>
#include <string_view>

namespace zarava {

// Appends the bytes to the end of the file, creating it when missing, with one write of the
// whole text, so that a reader sees all of it or none of it, and several writers never mix
// their lines. Only a regular file is written: anything else in its place is never waited on.
WriteFileResult AppendToFile(const std::string& path, std::string_view bytes);

} // namespace zarava
