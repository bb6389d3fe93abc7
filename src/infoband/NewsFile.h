#pragma once

#include "engine/DateTime.h"
#include "files/Files.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// The news file of the information band: "news.sjis" in the program folder, code page 932, one
// news item a line, used only on the day it was written.

// The most bytes taken from the news file. A day's news is a few kilobytes; a file beyond this
// is a mistake, and the band shows its first lines rather than stall the reading of it.
inline constexpr std::size_t kNewsReadLimit = 1u << 20;

// Whether the bytes are the whole file or only its start, cut at the read limit.
enum class NewsBytes { Whole, Start };

// NewsText of the file's bytes: each line of length above 0, in file order, as "◆", the line
// without blanks at either end, and two full-width blanks. Lines end in CR LF, or in a lone CR
// or LF as other editors write them. Bytes that do not decode show as U+FFFD. Of a file's start
// the cut last line is left out, unless it is the only one.
std::string NewsTextFromBytes(std::string_view cp932, NewsBytes bytes = NewsBytes::Whole);

// Whether a local date-time value (days since 1899-12-30) falls on the day of `today`,
// compared as two-digit year, month and day.
bool SameDay(double dateValue, const LocalDateTime& today);

// When the news file was last written, as a local date-time value; nothing when there is no
// such file.
std::optional<double> NewsFileWritten(const std::string& path);

// Why one read of the news file leaves the band without its news, or with only part of it: the
// words for the log after the file's name; empty for none. A file gone since it was looked at
// is none: there is no news to show.
std::string_view NewsFileTrouble(ReadFileResult read);

// NewsText of the file, read afresh; nothing when it cannot be read (gone since it was looked
// at, a folder, no permission). `trouble` gets what the read found wrong, for the log: the
// file's name and the cause, or nothing.
std::optional<std::string> ReadNewsText(const std::string& path, std::string& trouble);

} // namespace zarava
