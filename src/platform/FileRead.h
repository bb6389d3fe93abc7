#pragma once

#include "platform/Files.h"

#include <cstddef>
#include <string>

namespace zarava {

// Reads at most `maxBytes` from the start of a file into `content` (replacing what it held),
// in one go. A longer file is cut there and still reads as Ok: for a file that another program
// rewrites in place, whatever is there when it is read is the best there is. Never waits on
// something that is not a regular file: a folder, a pipe or a device reads as NotAFile, and
// leaves `content` empty, as every result but Ok does.
ReadFileResult ReadFileHead(const std::string& path, std::string& content, std::size_t maxBytes);

} // namespace zarava
