#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// One line of a room's queue file (`RoomQueueFile`, temp/<TODAY>_<room>.tmp, written by the
// issuer): the fields the display reads, decoded from code page 932 to UTF-8.
struct QueueRecord {
    std::string TicketNo;    // trimmed of spaces, as are the next four
    std::string IssuedAt;    // clock time of issue
    std::string CalledAt;    // clock time of the call; empty while not called
    std::string CounterNo;   // the counter the called ticket goes to
    std::string State;       // empty: waiting; "呼": being called; anything else: neither
    std::string TicketClass; // as the file has it: read as a number, blanks and all
};

// A record is a line of exactly this many Tab-separated fields.
inline constexpr std::size_t kQueueRecordFields = 11;

// The records of a queue file in file order. Lines end with CR LF as the issuer writes them;
// a lone LF or CR ends a line as well, and the last line counts without a line end. Lines that
// do not split into exactly eleven fields are skipped. Bytes that are not code page 932 read
// as U+FFFD, so such a field is simply no number.
std::vector<QueueRecord> ParseQueueFile(std::string_view cp932);

// The key of a queue file's last-write time (a local date-time value): its time of day as
// hhmmss, 13:05:09.7 giving 130509. The date is no part of it.
std::int32_t QueueFileStampKey(double lastWrite);

// The state of a ticket being called.
inline constexpr std::string_view kCalledState = "呼";

} // namespace zarava
