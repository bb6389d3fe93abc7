#pragma once

#include "files/Files.h"

#include <cstddef>
#include <string>

namespace zarava {

// Reads at most `maxBytes` from the start of a regular file into `bytes`, for files that other
// programs write and that may be far larger than anything the reader can use. Ok when that was
// the whole file; TooLarge when the file goes on beyond it, with `bytes` holding its first
// `maxBytes`. Missing, NotAFile (a folder, a pipe, a device: never waited on) and Failed leave
// `bytes` empty.
ReadFileResult ReadFileStart(const std::string& path, std::string& bytes, std::size_t maxBytes);

} // namespace zarava
