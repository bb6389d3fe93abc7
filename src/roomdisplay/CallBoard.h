#pragma once

#include "roomdisplay/QueueFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// A board position's picture: an element of a digit palette, or nothing.
inline constexpr int kNoDigit = -1;
// The dash of the waiting-time palette.
inline constexpr int kDashDigit = 10;

// A waiting number on the waiting board: three digits, from the second palette for a ticket
// of class 1.
struct WaitingNumber {
    std::array<std::int16_t, 3> digits{};
    bool secondClass = false;
};

// A ticket being called: the digits of its number and of its counter, {-1, -1} for none.
struct CalledEntry {
    std::array<std::int16_t, 3> digits{};
    std::array<std::int16_t, 2> counter{-1, -1};
};

// What one refresh shows and records, worked out from the queue file's records and the room's
// TIME CALC number; no I/O, no window. Only the fields of the tickets that show, and the times
// of the last ten measured ones, are decoded, so a long file costs little more than its read.
struct CallBoard {
    std::vector<WaitingNumber> waiting; // the board's slots, the first twelve waiting tickets
    std::int16_t waitingCount = 0;      // every waiting ticket
    std::array<int, 3> countDigits{kNoDigit, kNoDigit,
                                   kNoDigit}; // ImgMachi(0..2), no zeros in front
    std::array<int, 3> timeDigits{kNoDigit, kNoDigit,
                                  kNoDigit}; // ImgTime(0..2), dashes when unknown
    std::vector<CalledEntry> called;         // the first ten tickets being called
};

CallBoard WorkOutCallBoard(const std::vector<QueueRecord>& records, double timeCalc);

// The digits a ticket number is drawn with: the number formatted with at least three digits
// (leading zeros, a minus sign in front of a negative one), then its first, second and last
// character, each a digit or 0 for anything else. A text that is no number stays as it is.
// Full-width digits count as digits. UTF-8 text.
std::array<std::int16_t, 3> TicketDigits(std::string_view ticketNo);

// The counter digits (tens, units) of a called ticket; {-1, -1} when it has no counter (0 or
// less, empty, not a number).
std::array<std::int16_t, 2> CounterDigits(std::string_view counterNo);

// A refresh records the first this many tickets being called.
inline constexpr std::size_t kCalledEntries = 10;

// The call records of a room window, filled by every refresh and shown in turn by the blink:
// `CalledDigits`(digit, entry) (hundreds, tens, units) and `CalledCounterDigits`(digit, entry)
// (tens, units) for the entries, and `CallCursor`, the entry to look at first at the next
// switch-on. An entry whose digits are all 0 holds no ticket.
struct CallRecords {
    std::array<std::array<std::int16_t, kCalledEntries>, 3> CalledDigits{};
    std::array<std::array<std::int16_t, kCalledEntries>, 2> CalledCounterDigits{};
    std::int16_t CallCursor = 0;

    // Takes a refresh's called entries over: every called digit cleared and the cursor back
    // to the first entry, then the entries filled. The counter digits of entries that the
    // refresh does not fill keep what they held.
    void Record(const std::vector<CalledEntry>& called);
};

} // namespace zarava
