#pragma once

#include <string>
#include <string_view>

namespace zarava::issuersim {

// Rewrites a file the way a Windows program does: opened with truncation, then written in
// several pieces with a pause of a few milliseconds between them, never through a temporary
// file and a rename. A reader can therefore meet the file empty or half written, as the
// display does in the field. The reason when it fails, otherwise empty.
std::string WriteInPlace(const std::string& path, std::string_view bytes);

// Whether a file can be made in the folder: makes a hidden probe file and removes it. The
// reason when it cannot, otherwise empty.
std::string ProbeFolder(const std::string& folder);

} // namespace zarava::issuersim
