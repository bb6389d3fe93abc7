#include "roomdisplay/QueueFile.h"

#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zarava {

std::vector<QueueRecord> ParseQueueFile(std::string_view cp932) {
    std::vector<QueueRecord> records;
    // At most one record a line: one allocation instead of a row of growing ones.
    records.reserve(
        static_cast<std::size_t>(std::max(std::count(cp932.begin(), cp932.end(), '\n'),
                                          std::count(cp932.begin(), cp932.end(), '\r'))) +
        1);
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
        if (count != kQueueRecordFields) {
            continue;
        }
        records.push_back({TrimSpaces(fields[0]), TrimSpaces(fields[1]), TrimSpaces(fields[2]),
                           TrimSpaces(fields[3]), TrimSpaces(fields[4]), fields[7]});
    }
    return records;
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
