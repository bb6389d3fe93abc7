#include "infoband/NewsFile.h"

#include "files/FileStart.h"
#include "files/SharedFolder.h"
#include "text/Cp932.h"
#include "text/Text.h"

#include <cmath>

namespace zarava {

namespace {

constexpr std::int64_t kDaysFrom1899To1970 = 25569;

// The start of a file without its cut last line, or, when it is one line, without a
// double-byte character cut in half.
std::string_view WholeLines(std::string_view cp932) {
    const std::size_t lastBreak = cp932.find_last_of("\r\n");
    if (lastBreak != std::string_view::npos) {
        return cp932.substr(0, lastBreak + 1);
    }
    std::size_t end = 0;
    while (end < cp932.size()) {
        const std::size_t next = end + Cp932CharLength(cp932, end);
        if (next == cp932.size() && next - end == 1 &&
            IsCp932LeadByte(static_cast<unsigned char>(cp932[end]))) {
            break;
        }
        end = next;
    }
    return cp932.substr(0, end);
}

} // namespace

std::string NewsTextFromBytes(std::string_view cp932, NewsBytes bytes) {
    if (bytes == NewsBytes::Start) {
        cp932 = WholeLines(cp932);
    }
    // CR and LF never occur inside a double-byte character, so the lines can be split after
    // the conversion.
    const std::string text = Cp932ToUtf8(cp932);
    std::string news;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            news += "◆";
            news += TrimSpaces(std::string_view(text).substr(start, end - start));
            news += "　　";
        }
        // CR LF is one line end; a lone CR or LF is one too.
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return news;
}

bool SameDay(double dateValue, const LocalDateTime& today) {
    if (!std::isfinite(dateValue)) {
        return false;
    }
    const LocalDateTime day =
        CivilFromDays(static_cast<std::int64_t>(std::floor(dateValue)) - kDaysFrom1899To1970);
    return day.year % 100 == today.year % 100 && day.month == today.month && day.day == today.day;
}

std::optional<double> NewsFileWritten(const std::string& path) {
    if (!ReadFileAttributes(path)) {
        return std::nullopt;
    }
    // A file gone since the look keeps this value, which names no day of ours.
    double created = 0;
    double lastWrite = 0;
    double lastAccess = 0;
    GetFileTimes(path, created, lastWrite, lastAccess);
    return lastWrite;
}

std::string_view NewsFileTrouble(ReadFileResult read) {
    static_assert(kNewsReadLimit == 1u << 20, "the words below name the limit");
    switch (read) {
    case ReadFileResult::Ok:
    case ReadFileResult::Missing:
        return {};
    case ReadFileResult::NotAFile:
        return "is not a file but a folder, a pipe or a device";
    case ReadFileResult::TooLarge:
        return "is larger than 1 MiB: the band shows only its first lines";
    case ReadFileResult::Failed:
        break;
    }
    return "cannot be read (no permission, or the share failed)";
}

std::optional<std::string> ReadNewsText(const std::string& path, std::string& trouble) {
    std::string bytes;
    const ReadFileResult read = ReadFileStart(path, bytes, kNewsReadLimit);
    const std::string_view words = NewsFileTrouble(read);
    trouble = words.empty() ? std::string() : path + " " + std::string(words);
    switch (read) {
    case ReadFileResult::Ok:
        return NewsTextFromBytes(bytes, NewsBytes::Whole);
    case ReadFileResult::TooLarge:
        return NewsTextFromBytes(bytes, NewsBytes::Start);
    default:
        return std::nullopt;
    }
}

} // namespace zarava
