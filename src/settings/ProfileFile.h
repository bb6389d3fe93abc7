#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// The private-profile ("INI") file format as the issuer's platform reads and writes it,
// working on the file's bytes without converting them. Its rules, some of them little known:
//
// - Any CR or LF ends a line (CR LF counts as one line end); a last line without one counts.
// - White space is the bytes 09..0D, 1A and 20, nothing else: the full-width space is text.
// - A line whose first non-blank byte is '[' starts a section, whatever follows. The name runs
//   to the last ']' of the line (to the line end when there is none) and is trimmed.
// - Any other line is split at its first '='; the key before it is trimmed, the value after it
//   ends at the line end or at a NUL byte, whichever comes first, and loses its white space at
//   both ends. Lines without '=' and lines whose first non-blank byte is ';' are never keys,
//   and nothing inside a value line is a comment.
// - Names match without regard to case for the ASCII letters only; full-width letters and the
//   second byte of a double-byte character are compared as they are.
// - Of two sections with the same name only the first is searched, and in it the first of two
//   same-named keys wins. Lines before the first section belong to no section.
// - A value of two bytes or more enclosed in a matching pair of '"' or '\'' is read without
//   them.

// How the text of the file is stored. Code page 932 is the format's own; a file that starts
// with a Unicode byte-order mark is read as Unicode, and its text arrives here as UTF-8.
enum class ProfileText {
    // Scans for '[', ']', '=' and letters step over double-byte characters, whose second byte
    // may be any of those ('表' is 95 5C, 'ゼ' is 83 5B).
    Cp932,
    // No byte of a multi-byte character is ASCII, so every byte can be looked at alone.
    Utf8,
};

// The names as the file compares them: the caller's text without surrounding spaces (only
// spaces: a tab in a name is part of it).
std::string_view TrimNameArgument(std::string_view name);

// Whether a value written under these names reads back from them: once trimmed, neither name
// may keep white space at an end (the file's names lose it), and the key may hold no '=' nor
// start as a comment (';') or a section line ('['). Any other name would be written as a line
// that is not that key, again at every write.
bool CanHoldNames(std::string_view section, std::string_view key);

// The value of the key in the section, quotes taken off, at full length; nothing when the
// section or the key is missing.
std::optional<std::string_view> FindProfileValue(std::string_view file, std::string_view section,
                                                 std::string_view key,
                                                 ProfileText text = ProfileText::Cp932);

// True when the key of the section holds exactly the value (without white space at either
// end), so that writing it would change no byte of the file.
bool HoldsProfileValue(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view value, ProfileText text = ProfileText::Cp932);

// The file with the key of the section set to the value, every other byte unchanged:
// - an existing key keeps its line, its position and its spelling: the bytes up to and
//   including its first '=' stay, the rest of the line up to its line end becomes the value;
// - a missing key is inserted as "KEY=value" CR LF right after the section's last non-blank
//   line, so blank lines that separate the section from the next stay after it;
// - a missing section is appended at the end as "[SECTION]" CR LF "KEY=value" CR LF, with no
//   blank line before it (a CR LF first when the last line lacks a line end).
// Names are written as trimmed by TrimNameArgument, the value without white space at either
// end (a read would not give it back).
std::string SetProfileValue(std::string_view file, std::string_view section, std::string_view key,
                            std::string_view value, ProfileText text = ProfileText::Cp932);

// The longest start of the value that fits a buffer of maxBytes bytes of code page 932: never
// half a character, and a Unicode value counted as the code page would store it.
// Whether the text holds bytes that would end the line a name or value is written on, letting
// it spill into new lines or sections, or (NUL) cut it short.
inline bool BreaksProfileLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A settings file is a few kilobytes; anything beyond this is not one and is left alone.
inline constexpr std::size_t kMaxSettingsFileBytes = 64u << 20;

// The most a read gives of a value: its buffer holds 256 bytes with the terminating NUL.
inline constexpr std::size_t kMaxSettingValueBytes = 255;

std::string_view ClipProfileValue(std::string_view value, std::size_t maxBytes,
                                  ProfileText text = ProfileText::Cp932);

} // namespace zarava
