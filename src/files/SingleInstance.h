#pragma once

#include "files/Files.h"

#include <string>

namespace zarava {

// Tells whether another copy of the display runs for the same user, whatever its command line.
// Every copy holds a shared lock on one file for its whole life; a copy that cannot take the
// lock exclusively, even for a moment, knows another holds it. The lock goes with the process,
// so a crashed copy never leaves a stale mark.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& lockPath = DefaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool AnotherCopyRunning() const { return another_; }

    // $XDG_RUNTIME_DIR/zarava-display.lock, else /tmp/zarava-display-<uid>.lock.
    static std::string DefaultLockPath();

private:
    NativeFile file_ = kNoFile; // a descriptor, or a Windows handle
    bool another_ = false;
};

} // namespace zarava
