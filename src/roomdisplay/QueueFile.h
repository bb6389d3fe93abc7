#pragma once

#include "files/Files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// One line of a room's queue file (`RoomQueueFile`, temp/<TODAY>_<room>.tmp, written by the
// issuer): the fields the display reads, as code page 932 text. They are views into the bytes
// parsed and valid as long as those are. A file may hold thousands of lines of which the board
// shows a few dozen, so a field is decoded only where it is used.
struct QueueRecord {
    std::string_view TicketNo;    // trimmed of spaces, as are the next four
    std::string_view IssuedAt;    // clock time of issue
    std::string_view CalledAt;    // clock time of the call; empty while not called
    std::string_view CounterNo;   // the counter the called ticket goes to
    std::string_view State;       // empty: waiting; 呼: being called; anything else: neither
    std::string_view TicketClass; // as the file has it: read as a number, blanks and all
};

// A record is a line of exactly this many Tab-separated fields.
inline constexpr std::size_t kQueueRecordFields = 11;

// The records of a queue file in file order. Lines end with CR LF as the issuer writes them;
// a lone LF or CR ends a line as well, and the last line counts without a line end. Lines that
// do not split into exactly eleven fields are skipped. Tab, CR and LF are never the second byte
// of a double-byte character, so the bytes are split before anything is decoded.
std::vector<QueueRecord> ParseQueueFile(std::string_view cp932);

// Why a room cannot show the queue its file holds, or shows only part of it.
enum class QueueFileTrouble {
    None,
    Unreadable, // no permission, a link that leads nowhere or round in a loop, a share's error
    NotAFile,   // a folder, a pipe or a device
    HoldsNul,   // NUL bytes: damaged, or text in a wide encoding
    Utf8,       // UTF-8 rather than code page 932: the called state 呼 is never found
    NotText,    // no queue line, and bytes that code page 932 text cannot hold
    NoRecords,  // text, but not one line of eleven Tab-separated fields
    TooLarge,   // longer than any queue: only its start was read
};

// The trouble of one read of a queue file: its result and the bytes it gave. A missing file is
// none, as the issuer has simply not written one yet.
QueueFileTrouble QueueFileTroubleOf(ReadFileResult read, std::string_view bytes);

// The trouble in words for the log, after the file's name; empty for none.
std::string_view QueueFileTroubleText(QueueFileTrouble trouble);

// The key of a queue file's last-write time (a local date-time value): its time of day as
// hhmmss, 13:05:09.7 giving 130509. The date is no part of it.
std::int32_t QueueFileStampKey(double lastWrite);

// The state of a ticket being called: 呼 in code page 932.
inline constexpr std::string_view kCalledState = "\x8c\xc4";

} // namespace zarava
