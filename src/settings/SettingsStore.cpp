#include "settings/SettingsStore.h"

#include "engine/Clock.h"
#include "files/Files.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"
#include "settings/SharedWrite.h"
#include "text/Cp932.h"
#include "text/Text.h"

#include <optional>

namespace zarava {

namespace {

// The pause before the one retry, and the attributes that make a file a normal one.
constexpr int kRetryPauseMs = 100;
constexpr std::uint16_t kNormalFile = 0;
constexpr std::size_t kKeptBufferBytes = 1u << 20;

// The names of one read: as given (for a Unicode file) and in code page 932, converted once
// for both attempts.
struct Names {
    std::string_view section;
    std::string_view key;
    std::optional<std::string> cp932Section;
    std::optional<std::string> cp932Key;
};

struct ReadAttempt {
    std::size_t count = 0; // bytes of the value, as the platform call reports them
    std::string value;
};

ReadAttempt ReadOnce(const Names& names, const std::string& file) {
    // Reused between reads: settings are read several times per poll and this spares the
    // allocation each time. Only buffers of settings-file size are kept.
    thread_local FileBytes bytes;
    thread_local ProfileContent content;
    ReadAttempt attempt;
    if (ReadWholeFile(file, bytes, kMaxSettingsFileBytes) == ReadFileResult::Ok) {
        content.Load(bytes.View());
        const bool cp932 = content.Form() == ProfileForm::Cp932;
        std::optional<std::string_view> found;
        if (!cp932) {
            found = FindProfileValue(content.View(), names.section, names.key, content.Text());
        } else if (names.cp932Section && names.cp932Key) {
            found = FindProfileValue(content.View(), *names.cp932Section, *names.cp932Key);
        }
        if (found) {
            const std::string_view clipped =
                ClipProfileValue(*found, kMaxSettingValueBytes, content.Text());
            attempt.count = clipped.size();
            attempt.value = content.ToUtf8(clipped);
        }
    }
    if (bytes.Capacity() > kKeptBufferBytes) {
        bytes.Release();
        content.Load({});
    }
    return attempt;
}

} // namespace

std::string ReadSetting(Clock& clock, std::string_view section, std::string_view key,
                        const std::string& file) {
    const Names names{section, key, Utf8ToCp932(section), Utf8ToCp932(key)};
    ReadAttempt attempt = ReadOnce(names, file);
    if (attempt.count >= 1) {
        return attempt.value;
    }
    // Missing or empty: the issuer may be rewriting the file right now.
    clock.Sleep(kRetryPauseMs);
    attempt = ReadOnce(names, file);
    return attempt.count >= 1 ? attempt.value : std::string();
}

namespace {

std::int32_t WriteChange(Clock& clock, const ProfileChange& change, const std::string& file) {
    if (BreaksProfileLine(change.section) || BreaksProfileLine(change.key) ||
        BreaksProfileLine(change.value) || !CanHoldNames(change.section, change.key)) {
        // Text the file cannot hold as asked; no retry can change that, and nothing is written.
        return 0;
    }
    const WriteOutcome first = WriteProfileValueOnce(clock, change, file);
    if (first == WriteOutcome::Written) {
        return 1;
    }
    if (first == WriteOutcome::Unholdable) {
        return 0;
    }
    ResetFileAttributes(file, kNormalFile);
    clock.Sleep(kRetryPauseMs);
    return WriteProfileValueOnce(clock, change, file) == WriteOutcome::Written ? 1 : 0;
}

} // namespace

std::int32_t WriteSetting(Clock& clock, std::string_view section, std::string_view key,
                          std::string_view value, const std::string& file) {
    return WriteChange(clock, {section, key, value, {}}, file);
}

std::int32_t UpdateSetting(Clock& clock, std::string_view section, std::string_view key,
                           const ValueUpdate& update, const std::string& file) {
    return WriteChange(clock, {section, key, {}, update}, file);
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
