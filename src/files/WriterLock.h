#pragma once

#include "files/Files.h"
#include "files/Folders.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// An exclusive lock between the writers of this program, on this PC or on others sharing the
// folder: an open-file-description lock on ".NAME.lock" beside the file, or on the file itself
// when no lock file can be opened (a folder we may not create files in). Advisory: other
// programs never notice it. Released when the object goes.
class WriterLock {
public:
    enum class Attempt { Held, Busy, Unavailable };

    explicit WriterLock(const std::string& target);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // One attempt; never waits.
    Attempt TryTake();

    // The present moment by the clock of the file system that holds the lock file: its times
    // set to now and read back. Nothing when the lock lives on the file itself.
    std::optional<FileTime> StampNow();

    // A short note that each holder leaves for the next, kept in the lock file (empty when the
    // lock lives on the file itself).
    std::string ReadNote() const;
    void WriteNote(std::string_view note);

private:
    void OpenTarget();

    std::string target_;
    NativeFile file_ = kNoFile; // a descriptor, or a Windows handle
    bool onTarget_ = false;
    bool processLock_ = false; // the file system knows only the older per-process locks
};

} // namespace zarava
