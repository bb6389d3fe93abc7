#pragma once

#include "engine/DateTime.h"

#include <string>
#include <string_view>

namespace zarava {

// The line the information band runs: an optional clock sentence, the band message and, when
// news is on, the day's news. Pure: setting values, the time and the news text in, the line
// (UTF-8) out.

// The banner in front of the news items.
inline constexpr std::string_view kNewsBanner = "　　◆◆トピックス 　";

// The clock sentence, "ただいま 09時05分 です。　/　　" at 9:05, when TIME is exactly 1 as a
// number ("1", "1.0", "01" and "1abc" all are); empty for any other value.
std::string ClockText(std::string_view timeSetting, const LocalDateTime& now);

// Whether NEWS asks for the news: any number but 0.
bool NewsWanted(std::string_view newsSetting);

// The clock text, the message without blanks at either end, then the banner and the news
// text when there is any news.
std::string TickerLine(std::string_view clockText, std::string_view message,
                       std::string_view newsText);

} // namespace zarava
