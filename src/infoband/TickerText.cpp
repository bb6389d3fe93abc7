#include "infoband/TickerText.h"

#include "text/Numbers.h"
#include "text/Text.h"

namespace zarava {

namespace {

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

std::string ClockText(std::string_view timeSetting, const LocalDateTime& now) {
    if (LenientNumber(timeSetting) != 1) {
        return {};
    }
    return "ただいま " + TwoDigits(now.hour) + "時" + TwoDigits(now.minute) + "分 です。　/　　";
}

bool NewsWanted(std::string_view newsSetting) {
    return LenientNumber(newsSetting) != 0;
}

std::string TickerLine(std::string_view clockText, std::string_view message,
                       std::string_view newsText) {
    std::string line(clockText);
    line += TrimSpaces(message);
    if (!newsText.empty()) {
        line += kNewsBanner;
        line += newsText;
    }
    return line;
}

} // namespace zarava
