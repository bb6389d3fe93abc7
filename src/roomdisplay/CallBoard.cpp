#include "roomdisplay/CallBoard.h"

#include "text/ClockTime.h"
#include "text/Cp932.h"
#include "text/FullWidth.h"
#include "text/Numbers.h"

#include <algorithm>
#include <limits>

namespace zarava {

namespace {

constexpr std::size_t kBoardSlots = 12;
constexpr std::size_t kMeasuredWaits = 10;
constexpr double kMostMinutesShown = 180;
constexpr int kSecondsPerDay = 86400;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text formatted with at least `width` digits, as a number pattern of zeros does: a
// decimal number (sign, digits, an optional fraction) is rounded to a whole one, halves away
// from zero, and given leading zeros; any other text comes back unchanged.
std::string FormatWithZeros(std::string_view text, std::size_t width) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++i;
    }
    const std::size_t wholeStart = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    std::string whole(text.substr(wholeStart, i - wholeStart));
    bool roundUp = false;
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        roundUp = i < text.size() && IsDigit(text[i]) && text[i] >= '5';
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++fractionDigits;
        }
    }
    if (i != text.size() || whole.size() + fractionDigits == 0) {
        return std::string(text);
    }
    if (roundUp) {
        std::size_t d = whole.size();
        while (d > 0 && whole[d - 1] == '9') {
            whole[--d] = '0';
        }
        if (d == 0) {
            whole.insert(whole.begin(), '1');
        } else {
            ++whole[d - 1];
        }
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    const bool zero = whole.empty();
    if (whole.size() < width) {
        whole.insert(0, width - whole.size(), '0');
    }
    return negative && !zero ? "-" + whole : whole;
}

// Where each character of UTF-8 text starts.
std::vector<std::size_t> CharacterStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            starts.push_back(i);
        }
    }
    return starts;
}

// The number of one character: its digit, or 0 for anything else (and for no character).
std::int16_t DigitAt(std::string_view text, const std::vector<std::size_t>& starts,
                     std::size_t index) {
    if (index >= starts.size()) {
        return 0;
    }
    const char c = text[starts[index]]; // a digit is always a character of one byte
    return IsDigit(c) ? static_cast<std::int16_t>(c - '0') : 0;
}

// Whole minutes, ties to even; dashes above three hours.
std::array<int, 3> TimeDigits(std::optional<double> minutes) {
    if (!minutes || RoundHalfEven(*minutes) > kMostMinutesShown) {
        return {kDashDigit, kDashDigit, kDashDigit};
    }
    const std::string text = NumberText(static_cast<std::int64_t>(RoundHalfEven(*minutes)));
    std::array<int, 3> digits{kNoDigit, kNoDigit, kNoDigit};
    for (std::size_t i = 0; i < text.size() && i < 3; ++i) {
        digits[3 - text.size() + i] = text[i] - '0';
    }
    return digits;
}

std::array<int, 3> CountDigits(std::int16_t count) {
    const std::string text = NumberText(count);
    std::array<int, 3> digits{kNoDigit, kNoDigit, kNoDigit};
    const std::size_t shown = std::min<std::size_t>(text.size(), 3);
    for (std::size_t i = 0; i < shown; ++i) {
        digits[3 - shown + i] = text[i] - '0';
    }
    return digits;
}

// Seconds from issue to call, across midnight when the call reads earlier; 0 when either
// time cannot be read, which leaves the ticket out of the average.
int MeasuredWait(const QueueRecord& record) {
    const std::optional<int> issued = ParseClockTime(Cp932ToUtf8(record.IssuedAt));
    const std::optional<int> called = ParseClockTime(Cp932ToUtf8(record.CalledAt));
    if (!issued || !called) {
        return 0;
    }
    const int seconds = *called - *issued;
    return seconds < 0 ? seconds + kSecondsPerDay : seconds;
}

void CountUp(std::int16_t& n) {
    if (n < std::numeric_limits<std::int16_t>::max()) {
        ++n;
    }
}

} // namespace

std::array<std::int16_t, 3> TicketDigits(std::string_view ticketNo) {
    const std::string text = FormatWithZeros(FoldFullWidthAscii(ticketNo), 3);
    const std::vector<std::size_t> starts = CharacterStarts(text);
    return {DigitAt(text, starts, 0), DigitAt(text, starts, 1),
            DigitAt(text, starts, starts.empty() ? 0 : starts.size() - 1)};
}

std::array<std::int16_t, 2> CounterDigits(std::string_view counterNo) {
    const std::string text = FormatWithZeros(FoldFullWidthAscii(counterNo), 2);
    if (LenientNumber(text) <= 0) {
        return {-1, -1};
    }
    const std::vector<std::size_t> starts = CharacterStarts(text);
    return {DigitAt(text, starts, 0), DigitAt(text, starts, starts.size() - 1)};
}

CallBoard WorkOutCallBoard(const std::vector<QueueRecord>& records, double timeCalc) {
    CallBoard board;
    std::int16_t measured = 0;
    // The last ten measured tickets, oldest first; only their times are ever read.
    std::array<const QueueRecord*, kMeasuredWaits> lastMeasured{};

    for (const QueueRecord& record : records) {
        const double ticketClass = LenientNumber(record.TicketClass);
        if (record.State.empty()) {
            if (board.waiting.size() < kBoardSlots) {
                board.waiting.push_back(
                    {TicketDigits(Cp932ToUtf8(record.TicketNo)), ticketClass == 1});
            }
            CountUp(board.waitingCount);
        } else if (ticketClass <= 0 && !record.CalledAt.empty()) {
            CountUp(measured);
            std::rotate(lastMeasured.begin(), lastMeasured.begin() + 1, lastMeasured.end());
            lastMeasured.back() = &record;
        }
        if (record.State == kCalledState && board.called.size() < kCalledEntries) {
            board.called.push_back({TicketDigits(Cp932ToUtf8(record.TicketNo)),
                                    CounterDigits(Cp932ToUtf8(record.CounterNo))});
        }
    }

    board.countDigits = CountDigits(board.waitingCount);

    std::optional<double> minutes;
    if (timeCalc > 0) {
        minutes = board.waitingCount > 0 ? timeCalc * board.waitingCount : 0.0;
    } else if (measured > 0) {
        double sum = 0;
        int counted = 0;
        for (const QueueRecord* record : lastMeasured) {
            const int wait = record != nullptr ? MeasuredWait(*record) : 0;
            if (wait > 0) {
                sum += wait;
                ++counted;
            }
        }
        minutes = board.waitingCount > 0 && counted > 0
                      ? sum / counted * board.waitingCount / 60 + 0.5
                      : 0.0;
    }
    board.timeDigits = TimeDigits(minutes);
    return board;
}

void CallRecords::Record(const std::vector<CalledEntry>& called) {
    for (auto& row : CalledDigits) {
        row.fill(0);
    }
    CallCursor = 0;
    for (std::size_t e = 0; e < called.size() && e < kCalledEntries; ++e) {
        for (std::size_t d = 0; d < 3; ++d) {
            CalledDigits[d][e] = called[e].digits[d];
        }
        CalledCounterDigits[0][e] = called[e].counter[0];
        CalledCounterDigits[1][e] = called[e].counter[1];
    }
}

} // namespace zarava
