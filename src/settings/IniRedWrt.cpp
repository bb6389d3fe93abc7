#include "settings/IniRedWrt.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/ProfileFile.h"
#include "text/Cp932.h"
#include "text/Text.h"

#include <optional>

namespace zarava {

namespace {

// The read buffer holds 256 bytes with the terminating NUL, so a value gives at most 255.
constexpr std::size_t kMaxValueBytes = 255;
// The pause before the one retry, and the attributes that make a file a normal one.
constexpr int kRetryPauseMs = 100;
constexpr std::uint16_t kNormalFile = 0;
// A settings file is a few kilobytes; anything beyond this is not one and is left alone.
constexpr std::size_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kKeptBufferBytes = 1u << 20;

// Bytes that would end the line a name or value is written on, letting it spill into new
// lines or sections, or (NUL) cut it short.
bool BreaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

struct ReadAttempt {
    std::size_t count = 0; // bytes of the value, as the platform call reports them
    std::string value;
};

ReadAttempt ReadFrom(std::string_view content, const std::string& section, const std::string& key) {
    ReadAttempt attempt;
    const std::optional<std::string_view> found = FindProfileValue(content, section, key);
    if (!found) {
        return attempt;
    }
    const std::string_view clipped = ClipProfileValue(*found, kMaxValueBytes);
    attempt.count = clipped.size();
    if (clipped.find('\0') == std::string_view::npos) {
        attempt.value = Cp932ToUtf8(clipped);
    } else {
        std::string withoutNul;
        for (const char c : clipped) {
            if (c != '\0') {
                withoutNul.push_back(c);
            }
        }
        attempt.value = Cp932ToUtf8(withoutNul);
    }
    return attempt;
}

ReadAttempt ReadOnce(const std::string& section, const std::string& key, const std::string& file) {
    // Reused between reads: settings are read several times per poll and this spares the
    // allocation each time. Only a buffer of settings-file size is kept.
    thread_local FileBytes content;
    ReadAttempt attempt;
    if (ReadWholeFile(file, content, kMaxFileBytes) == ReadFileResult::Ok) {
        attempt = ReadFrom(content.View(), section, key);
    }
    if (content.Capacity() > kKeptBufferBytes) {
        content.Release();
    }
    return attempt;
}

enum class WriteOutcome { Written, Refused };

WriteOutcome WriteOnce(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) {
    FileBytes bytes;
    const ReadFileResult read = ReadWholeFile(file, bytes, kMaxFileBytes);
    const std::string_view content = bytes.View();
    if (read != ReadFileResult::Ok && read != ReadFileResult::Missing) {
        // Writing now would replace bytes we could not see.
        return WriteOutcome::Refused;
    }
    if (read == ReadFileResult::Ok && IsReadOnlyFile(file)) {
        return WriteOutcome::Refused;
    }
    const std::string updated = SetProfileValue(content, section, key, value);
    if (read == ReadFileResult::Ok && updated == content) {
        // Nothing changes: leave the file and its time stamp alone. The close watchdog writes
        // the same value every two seconds, often over a network share.
        return WriteOutcome::Written;
    }
    return ReplaceFileAtomically(file, updated) ? WriteOutcome::Written : WriteOutcome::Refused;
}

} // namespace

std::string ReadSetting(Clock& clock, std::string_view section, std::string_view key,
                        const std::string& file) {
    const std::optional<std::string> fileSection = Utf8ToCp932(section);
    const std::optional<std::string> fileKey = Utf8ToCp932(key);
    ReadAttempt attempt;
    if (fileSection && fileKey) {
        attempt = ReadOnce(*fileSection, *fileKey, file);
    }
    if (attempt.count >= 1) {
        return attempt.value;
    }
    // Missing or empty: the issuer may be rewriting the file right now.
    clock.Sleep(kRetryPauseMs);
    if (fileSection && fileKey) {
        attempt = ReadOnce(*fileSection, *fileKey, file);
    }
    return attempt.count >= 1 ? attempt.value : std::string();
}

std::int32_t WriteSetting(Clock& clock, std::string_view section, std::string_view key,
                          std::string_view value, const std::string& file) {
    const std::optional<std::string> fileSection = Utf8ToCp932(section);
    const std::optional<std::string> fileKey = Utf8ToCp932(key);
    const std::optional<std::string> fileValue = Utf8ToCp932(value);
    if (!fileSection || !fileKey || !fileValue || BreaksLine(*fileSection) ||
        BreaksLine(*fileKey) || BreaksLine(*fileValue)) {
        // Text the file cannot hold as asked; no retry can change that, and nothing is written.
        return 0;
    }
    if (WriteOnce(*fileSection, *fileKey, *fileValue, file) == WriteOutcome::Written) {
        return 1;
    }
    ResetFileAttributes(file, kNormalFile);
    clock.Sleep(kRetryPauseMs);
    return WriteOnce(*fileSection, *fileKey, *fileValue, file) == WriteOutcome::Written ? 1 : 0;
}

void ResetFileAttributes(std::string_view path, std::uint16_t attributes) {
    const std::string trimmed(TrimSpaces(path));
    if (trimmed.empty()) {
        return;
    }
    const std::optional<std::uint16_t> current = GetFileAttributes(trimmed);
    if (current && (*current & attributes) == 0) {
        SetFileAttributes(trimmed, attributes);
    }
}

} // namespace zarava
