#pragma once

#include "files/Files.h"
#include "settings/SharedWrite.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zarava {

class Clock;

// One handler's reading of zarava.ini: the file is opened, read and parsed once, and every read
// of the handler is answered from those bytes, so a poll costs one read of the file instead of
// one per setting. A read that misses (a value missing or empty: the issuer may be rewriting
// the file right now) is answered from a fresh read taken once the retry pause has passed; one
// such read serves every miss of the handler. Nothing is kept beyond the handler, so the
// issuer's changes take effect at the next one.
//
// The fresh read is taken in one of two ways. A snapshot given a clock waits the pause on it at
// the first miss and reads there and then: handlers that do their file work in place (the
// start-up). One without a clock only notes the miss (WantsRetry) and leaves it to its owner to
// take the read once the pause has passed (TakeRetryRead), so that nobody waits meanwhile.
//
// Texts are UTF-8, as ReadSetting gives them. Not thread-safe: one thread at a time.
class SettingsSnapshot {
public:
    static constexpr int kRetryPauseMs = 100;

    explicit SettingsSnapshot(std::string file, Clock* waitForRetry = nullptr);
    ~SettingsSnapshot();
    SettingsSnapshot(SettingsSnapshot&&) noexcept;
    SettingsSnapshot& operator=(SettingsSnapshot&&) = delete;

    // The value as ReadSetting gives it (at most 255 bytes of the file, empty when missing).
    std::string Read(std::string_view section, std::string_view key);

    // A read missed and the fresh read that answers it has not been taken yet.
    bool WantsRetry() const;
    // The fresh read for the misses; at most one is taken.
    void TakeRetryRead();

    // The shared-write path of SettingsStore.h; what is written shows in later reads of the
    // snapshot, as it would in the file.
    std::int32_t Write(Clock& clock, std::string_view section, std::string_view key,
                       std::string_view value);
    std::int32_t Update(Clock& clock, std::string_view section, std::string_view key,
                        const ValueUpdate& update);

    const std::string& File() const { return file_; }
    // How the first read went: Ok, or why the file gave nothing.
    ReadFileResult FirstResult() const;

private:
    struct Reading;
    void SetInReadings(std::string_view section, std::string_view key, std::string_view value);

    std::string file_;
    Clock* waitForRetry_;
    std::unique_ptr<Reading> first_;
    std::unique_ptr<Reading> retry_;
    bool missed_ = false;
};

// What the log says of a first read that gave nothing: "missing", "not a file" ...
const char* SettingsFileProblem(ReadFileResult result);

} // namespace zarava
