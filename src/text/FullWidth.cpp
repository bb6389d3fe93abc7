#include "text/FullWidth.h"

namespace zarava {

std::string FoldFullWidthAscii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // U+FF01..U+FF3F are EF BC 81..BF, U+FF40..U+FF5E are EF BD 80..9E.
        if (static_cast<unsigned char>(utf8[i]) == 0xEF && i + 2 < utf8.size()) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            int ascii = -1;
            if (second == 0xBC && third >= 0x81 && third <= 0xBF) {
                ascii = third - 0x81 + 0x21;
            } else if (second == 0xBD && third >= 0x80 && third <= 0x9E) {
                ascii = third - 0x80 + 0x60;
            }
            if (ascii >= 0) {
                out += static_cast<char>(ascii);
                i += 2;
                continue;
            }
        }
        out += utf8[i];
    }
    return out;
}

} // namespace zarava
