#include "FuzzCheck.h"

#include "text/ClockTime.h"
#include "text/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The clock times of a queue file's fields: the bytes taken as UTF-8 (whatever they are) and,
// as a refresh takes them, as code page 932. A time read is a time of day, and reads the same
// in full-width forms, between blanks, after a date and in the issuer's other ways of writing
// that time.

namespace {

using namespace zarava;

constexpr int kSecondsPerDay = 86400;

// The text with its ASCII characters in their full-width forms and its spaces ideographic.
std::string FullWidth(std::string_view text) {
    std::string wide;
    for (const char c : text) {
        if (c == ' ') {
            wide += "\u3000";
        } else if (c > ' ' && c < 0x7F) {
            const int offset = c - '!';
            wide += "\xEF";
            wide += static_cast<char>(offset < 0x3F ? 0xBC : 0xBD);
            wide += static_cast<char>(offset < 0x3F ? 0x81 + offset : 0x80 + offset - 0x3F);
        } else {
            wide += c;
        }
    }
    return wide;
}

std::string TwoDigits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

void CheckForms(int seconds) {
    const int hour = seconds / 3600;
    const std::string minutes = TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60);
    const std::string hour12 = std::to_string(hour % 12);
    const char* const half = hour < 12 ? "AM" : "PM";
    const std::string forms[] = {
        std::to_string(hour) + ":" + minutes,
        TwoDigits(hour) + ":" + minutes,
        "2024/12/02 " + std::to_string(hour) + ":" + minutes,
        "2024-12-02T" + TwoDigits(hour) + ":" + minutes,
        hour12 + ":" + minutes + " " + half,
        std::string(hour < 12 ? "午前" : "午後") + hour12 + ":" + minutes,
        "2024年12月2日 " + std::string(hour < 12 ? "午前" : "午後") + hour12 + ":" + minutes,
        "12/2 " + hour12 + ":" + minutes + std::string(hour < 12 ? "a.m." : "P.M."),
    };
    for (const std::string& form : forms) {
        FUZZ_CHECK(ParseClockTime(form) == seconds);
    }
}

void CheckText(std::string_view text) {
    const std::optional<int> seconds = ParseClockTime(text);
    FUZZ_CHECK(!seconds || (*seconds >= 0 && *seconds < kSecondsPerDay));
    FUZZ_CHECK(ParseClockTime(FullWidth(text)) == seconds);
    FUZZ_CHECK(ParseClockTime(" \u3000" + std::string(text) + "\t ") == seconds);
    if (seconds) {
        CheckForms(*seconds);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<int> raw = ParseClockTime(bytes);
    FUZZ_CHECK(!raw || (*raw >= 0 && *raw < kSecondsPerDay));
    CheckText(Cp932ToUtf8(bytes));
    return 0;
}
