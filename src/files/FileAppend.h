#pragma once

#include <string>
#include <string_view>

namespace zarava {

// Appends the bytes to the end of the file, creating it when missing, with one write of the
// whole text, so that a reader sees all of it or none of it, and several writers never mix
// their lines. False when the file cannot be opened or not every byte was written.
bool AppendToFile(const std::string& path, std::string_view bytes);

} // namespace zarava
