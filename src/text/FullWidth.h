#pragma once

#include <string>
#include <string_view>

namespace zarava {

// The text with the full-width forms of ASCII characters (U+FF01 to U+FF5E: "０１２", "：",
// "ＰＭ") turned into their ASCII originals, every other character unchanged. Japanese input
// methods write digits and letters in either form, and the issuer's fields hold what the
// reception typed. UTF-8 in and out.
std::string FoldFullWidthAscii(std::string_view utf8);

} // namespace zarava
