#include "FuzzCheck.h"

#include "roomdisplay/CallBoard.h"
#include "roomdisplay/QueueFile.h"
#include "text/Numbers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A room's queue file as the issuer, an editor or a broken share may leave it, read into
// records and worked out into the call board as a refresh does. The room's TIME CALC is picked
// by the input's size among the kinds of value it can have, so that both the given and the
// measured estimate are reached.

namespace {

using namespace zarava;

constexpr double kTimeCalcs[] = {0, 3, 2.5, -1, 0.01, 1e9};

bool IsDigit(std::int16_t d) {
    return d >= 0 && d <= 9;
}

// The digits shown in a row of three positions: right-aligned, nothing after a gap.
std::string Shown(const std::array<int, 3>& row) {
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (row[i] == kNoDigit) {
            FUZZ_CHECK(text.empty());
        } else {
            FUZZ_CHECK(row[i] >= 0 && row[i] <= kDashDigit);
            text += row[i] == kDashDigit ? '-' : static_cast<char>('0' + row[i]);
        }
    }
    return text;
}

void CheckRecords(std::string_view bytes, const std::vector<QueueRecord>& records) {
    const auto lines = std::count(bytes.begin(), bytes.end(), '\n') +
                       std::count(bytes.begin(), bytes.end(), '\r') + 1;
    FUZZ_CHECK(static_cast<std::ptrdiff_t>(records.size()) <= lines);
    // The issuer's own form of the records reads back as the same records.
    std::string again;
    for (const QueueRecord& r : records) {
        for (const std::string_view field :
             {r.TicketNo, r.IssuedAt, r.CalledAt, r.CounterNo, r.State, r.TicketClass}) {
            FUZZ_CHECK(field.find_first_of("\t\r\n") == std::string_view::npos);
            FUZZ_CHECK(field.data() >= bytes.data() &&
                       field.data() + field.size() <= bytes.data() + bytes.size());
        }
        for (const std::string_view field :
             {r.TicketNo, r.IssuedAt, r.CalledAt, r.CounterNo, r.State}) {
            FUZZ_CHECK(!field.starts_with(' ') && !field.ends_with(' '));
        }
        again += std::string(r.TicketNo) + '\t' + std::string(r.IssuedAt) + '\t' +
                 std::string(r.CalledAt) + '\t' + std::string(r.CounterNo) + '\t' +
                 std::string(r.State) + "\t\t\t" + std::string(r.TicketClass) + "\t\t\t\r\n";
    }
    const std::vector<QueueRecord> reread = ParseQueueFile(again);
    FUZZ_CHECK(reread.size() == records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(reread[i].TicketNo == records[i].TicketNo &&
                   reread[i].CalledAt == records[i].CalledAt &&
                   reread[i].State == records[i].State &&
                   reread[i].TicketClass == records[i].TicketClass);
    }
}

// The board never holds more than its positions show, and every position a picture that
// exists.
void CheckBoard(const std::vector<QueueRecord>& records, const CallBoard& board) {
    std::size_t waiting = 0;
    std::size_t called = 0;
    for (const QueueRecord& r : records) {
        waiting += r.State.empty() ? 1 : 0;
        called += r.State == kCalledState ? 1 : 0;
    }
    FUZZ_CHECK(board.waiting.size() == std::min<std::size_t>(waiting, 12));
    FUZZ_CHECK(board.waitingCount ==
               static_cast<std::int16_t>(std::min<std::size_t>(waiting, 32767)));
    FUZZ_CHECK(board.called.size() == std::min<std::size_t>(called, 10));
    for (const WaitingNumber& w : board.waiting) {
        FUZZ_CHECK(std::all_of(w.digits.begin(), w.digits.end(), IsDigit));
    }
    for (const CalledEntry& c : board.called) {
        FUZZ_CHECK(std::all_of(c.digits.begin(), c.digits.end(), IsDigit));
        FUZZ_CHECK((c.counter[0] == -1 && c.counter[1] == -1) ||
                   (IsDigit(c.counter[0]) && IsDigit(c.counter[1])));
    }
    FUZZ_CHECK(Shown(board.countDigits) == NumberText(board.waitingCount).substr(0, 3));
    const std::string time = Shown(board.timeDigits);
    FUZZ_CHECK(time == "---" ||
               (!time.empty() && (time == "0" || time[0] != '0') && std::stoi(time) <= 180));

    CallRecords calls;
    calls.CallCursor = 5;
    calls.Record(board.called);
    FUZZ_CHECK(calls.CallCursor == 0);
    for (std::size_t e = 0; e < kCalledEntries; ++e) {
        for (std::size_t d = 0; d < 3; ++d) {
            FUZZ_CHECK(calls.CalledDigits[d][e] ==
                       (e < board.called.size() ? board.called[e].digits[d] : 0));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<QueueRecord> records = ParseQueueFile(bytes);
    CheckRecords(bytes, records);
    CheckBoard(records, WorkOutCallBoard(records, kTimeCalcs[size % std::size(kTimeCalcs)]));
    return 0;
}
