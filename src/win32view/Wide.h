#pragma once

#include <string>
#include <string_view>

namespace zarava {

// The core speaks UTF-8, Windows' wide calls UTF-16. Bytes that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

} // namespace zarava
