#include "text/Text.h"

namespace zarava {

std::string_view TrimSpaces(std::string_view text) {
    return TrimIf(text, IsSpace);
}

std::string_view TrimWhiteSpace(std::string_view text) {
    return TrimIf(text, IsWhiteSpace);
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = ToLowerAscii(c);
    }
    return lower;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace zarava
