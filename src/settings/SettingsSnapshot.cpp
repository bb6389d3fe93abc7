#include "settings/SettingsSnapshot.h"

#include "engine/Clock.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsStore.h"

#include <optional>

namespace zarava {

// The bytes of one read of the file and their text. The text may point into the bytes, so a
// reading stays where it was made.
struct SettingsSnapshot::Reading {
    explicit Reading(const std::string& file) {
        result = ReadWholeFile(file, bytes, kMaxSettingsFileBytes);
        content.Load(bytes);
    }

    // The value at full length in the file's own text, clipped as a read clips it.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const {
        const std::optional<std::string> s = content.FromUtf8(section);
        const std::optional<std::string> k = content.FromUtf8(key);
        if (!s || !k) {
            return std::nullopt; // names the file's text cannot hold are in no file
        }
        const std::optional<std::string_view> found =
            FindProfileValue(content.View(), *s, *k, content.Text());
        if (!found) {
            return std::nullopt;
        }
        return ClipProfileValue(*found, kMaxSettingValueBytes, content.Text());
    }

    // The text as it would be after a write of the value, in the file's own form.
    void Set(std::string_view section, std::string_view key, std::string_view value) {
        const std::optional<std::string> s = content.FromUtf8(section);
        const std::optional<std::string> k = content.FromUtf8(key);
        const std::optional<std::string> v = content.FromUtf8(value);
        if (!s || !k || !v) {
            return;
        }
        std::string changed =
            content.Store(SetProfileValue(content.View(), *s, *k, *v, content.Text()));
        bytes = std::move(changed);
        content.Load(bytes);
    }

    std::string bytes;
    ProfileContent content;
    ReadFileResult result = ReadFileResult::Missing;
};

SettingsSnapshot::SettingsSnapshot(std::string file, Clock* waitForRetry)
    : file_(std::move(file)), waitForRetry_(waitForRetry),
      first_(std::make_unique<Reading>(file_)) {}

SettingsSnapshot::~SettingsSnapshot() = default;
SettingsSnapshot::SettingsSnapshot(SettingsSnapshot&&) noexcept = default;

std::string SettingsSnapshot::Read(std::string_view section, std::string_view key) {
    std::optional<std::string_view> value = first_->Find(section, key);
    if (value && !value->empty()) {
        return first_->content.ToUtf8(*value);
    }
    missed_ = true;
    if (!retry_ && waitForRetry_ != nullptr) {
        waitForRetry_->Sleep(kRetryPauseMs);
        TakeRetryRead();
    }
    if (!retry_) {
        return {};
    }
    value = retry_->Find(section, key);
    return value ? retry_->content.ToUtf8(*value) : std::string();
}

bool SettingsSnapshot::WantsRetry() const {
    return missed_ && !retry_;
}

void SettingsSnapshot::TakeRetryRead() {
    if (!retry_) {
        retry_ = std::make_unique<Reading>(file_);
    }
}

std::int32_t SettingsSnapshot::Write(Clock& clock, std::string_view section, std::string_view key,
                                     std::string_view value) {
    const std::int32_t written = WriteSetting(clock, section, key, value, file_);
    if (written != 0) {
        SetInReadings(section, key, value);
    }
    return written;
}

std::int32_t SettingsSnapshot::Update(Clock& clock, std::string_view section, std::string_view key,
                                      const ValueUpdate& update) {
    // The value the file holds after the write: what the update made of the value it found,
    // or that value itself when it left it alone.
    std::string result;
    const ValueUpdate noting = [&update, &result](std::string_view current) {
        std::optional<std::string> next = update(current);
        result = next ? *next : std::string(current);
        return next;
    };
    const std::int32_t written = UpdateSetting(clock, section, key, noting, file_);
    if (written != 0) {
        SetInReadings(section, key, result);
    }
    return written;
}

void SettingsSnapshot::SetInReadings(std::string_view section, std::string_view key,
                                     std::string_view value) {
    first_->Set(section, key, value);
    if (retry_) {
        retry_->Set(section, key, value);
    }
}

ReadFileResult SettingsSnapshot::FirstResult() const {
    return first_->result;
}

const char* SettingsFileProblem(ReadFileResult result) {
    switch (result) {
    case ReadFileResult::Ok:
        break;
    case ReadFileResult::Missing:
        return "missing";
    case ReadFileResult::NotAFile:
        return "not a file";
    case ReadFileResult::TooLarge:
        return "too large to be a settings file";
    case ReadFileResult::Failed:
        return "refused or failing";
    }
    return "readable";
}

} // namespace zarava
