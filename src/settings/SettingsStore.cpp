#include "settings/SettingsStore.h"

#include "engine/Clock.h"
#include "files/Files.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SharedWrite.h"
#include "text/Text.h"

#include <optional>

namespace zarava {

namespace {

// The pause before the one retry, and the attributes that make a file a normal one.
constexpr int kRetryPauseMs = SettingsSnapshot::kRetryPauseMs;
constexpr std::uint16_t kNormalFile = 0;

} // namespace

std::string ReadSetting(Clock& clock, std::string_view section, std::string_view key,
                        const std::string& file) {
    // Missing or empty: the issuer may be rewriting the file right now; the snapshot reads it
    // once more after the pause.
    return SettingsSnapshot(file, &clock).Read(section, key);
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
    const std::optional<std::uint16_t> current = ReadFileAttributes(trimmed);
    if (current && (*current & attributes) == 0) {
        WriteFileAttributes(trimmed, attributes);
    }
}

} // namespace zarava
