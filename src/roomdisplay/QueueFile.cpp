#include "roomdisplay/QueueFile.h"

#include "settings/ProfileEncoding.h"
#include "text/Cp932.h"
#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zarava {

namespace {

// Calls `onRecord` with the fields of each line that is a record, in file order, until it
// returns false.
template <typename OnRecord> void ForEachRecord(std::string_view cp932, OnRecord onRecord) {
    std::array<std::string_view, kQueueRecordFields> fields;
    std::size_t start = 0;
    while (start < cp932.size()) {
        std::size_t end = start;
        while (end < cp932.size() && cp932[end] != '\n' && cp932[end] != '\r') {
            ++end;
        }
        const std::string_view line = cp932.substr(start, end - start);
        start = end + 1;
        if (end + 1 < cp932.size() && cp932[end] == '\r' && cp932[end + 1] == '\n') {
            ++start;
        }

        std::size_t count = 0;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', from);
            if (count == kQueueRecordFields) {
                count = 0; // too many fields
                break;
            }
            fields[count++] = line.substr(from, tab == std::string_view::npos ? tab : tab - from);
            if (tab == std::string_view::npos) {
                break;
            }
            from = tab + 1;
        }
        if (count == kQueueRecordFields && !onRecord(fields)) {
            return;
        }
    }
}

// Whether the bytes are text as code page 932 holds it: no control bytes but Tab, CR and LF,
// no byte that starts no character, and every lead byte followed by a second byte but at the
// very end, where a read cut at its limit may have split a character.
bool IsCp932Text(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = Cp932CharLength(bytes, i);
        if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F || b == 0x80 ||
            b == 0xA0 || b >= 0xFD || (length == 1 && IsCp932LeadByte(b) && i + 1 < bytes.size())) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::vector<QueueRecord> ParseQueueFile(std::string_view cp932) {
    std::vector<QueueRecord> records;
    // At most one record a line: one allocation instead of a row of growing ones.
    records.reserve(
        static_cast<std::size_t>(std::max(std::count(cp932.begin(), cp932.end(), '\n'),
                                          std::count(cp932.begin(), cp932.end(), '\r'))) +
        1);
    ForEachRecord(cp932, [&records](const auto& fields) {
        records.push_back({TrimSpaces(fields[0]), TrimSpaces(fields[1]), TrimSpaces(fields[2]),
                           TrimSpaces(fields[3]), TrimSpaces(fields[4]), fields[7]});
        return true;
    });
    return records;
}

QueueFileTrouble QueueFileTroubleOf(ReadFileResult read, std::string_view bytes) {
    switch (read) {
    case ReadFileResult::Ok:
    case ReadFileResult::TooLarge:
        break;
    case ReadFileResult::Missing:
        return QueueFileTrouble::None;
    case ReadFileResult::NotAFile:
        return QueueFileTrouble::NotAFile;
    case ReadFileResult::Failed:
        return QueueFileTrouble::Unreadable;
    }
    // Every refresh asks, so the common file costs a look at its first line and characters:
    // the whole bytes are scanned only when no line of them is a record.
    if (bytes.find('\0') != std::string_view::npos) {
        return QueueFileTrouble::HoldsNul;
    }
    // Code page 932 text is no UTF-8 within a character or two of its first beyond ASCII.
    const auto high = std::find_if(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (high != bytes.end() && IsValidUtf8(bytes.substr(high - bytes.begin()))) {
        return QueueFileTrouble::Utf8;
    }
    bool anyRecord = false;
    ForEachRecord(bytes, [&anyRecord](const auto&) {
        anyRecord = true;
        return false;
    });
    if (!anyRecord && bytes.find_first_not_of("\r\n") != std::string_view::npos) {
        return IsCp932Text(bytes) ? QueueFileTrouble::NoRecords : QueueFileTrouble::NotText;
    }
    return read == ReadFileResult::TooLarge ? QueueFileTrouble::TooLarge : QueueFileTrouble::None;
}

std::string_view QueueFileTroubleText(QueueFileTrouble trouble) {
    switch (trouble) {
    case QueueFileTrouble::None:
        return {};
    case QueueFileTrouble::Unreadable:
        return "cannot be read (no permission, a link that leads nowhere, or the share failed)";
    case QueueFileTrouble::NotAFile:
        return "is not a file but a folder, a pipe or a device";
    case QueueFileTrouble::HoldsNul:
        return "holds NUL bytes: it is damaged or not code page 932 text";
    case QueueFileTrouble::Utf8:
        return "is UTF-8, not code page 932 text: no ticket shows as called";
    case QueueFileTrouble::NotText:
        return "is not code page 932 text";
    case QueueFileTrouble::NoRecords:
        return "holds no queue line (eleven fields separated by Tabs)";
    case QueueFileTrouble::TooLarge:
        return "is larger than any queue: only its start is shown";
    }
    return {};
}

std::int32_t QueueFileStampKey(double lastWrite) {
    constexpr std::int64_t kMsPerDay = 86'400'000;
    // Whole milliseconds first, so that 12:00:00.000 stored as 11:59:59.99999... stays 12:00:00.
    std::int64_t ms = std::llround((lastWrite - std::floor(lastWrite)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
    }
    const auto seconds = static_cast<std::int32_t>(ms / 1000);
    return seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
}

} // namespace zarava
