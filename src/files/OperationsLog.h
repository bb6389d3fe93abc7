#pragma once

#include "engine/DateTime.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace zarava {

class Clock;

// The display's log for the clinic's IT: one plain UTF-8 text file per day in the program
// folder's Log folder ("Log/YYYYMMDD.log"), one line per event, starting with the time of
// day. Only appends; the program goes on whatever happens to its log, and nothing of it is
// ever shown on the screen. Safe to use from several threads; each line goes to the file in
// one append, so lines never mix.
class OperationsLog {
public:
    // What becomes of lines that cannot be written. Reported: standard error (which the
    // session keeps) says once that the log folder is unusable and once that it is usable
    // again, and the log then says how many lines were lost. Dropped: nothing is said.
    enum class LostLines { Dropped, Reported };

    // No folder: a log that writes nothing (tests of other things, tools).
    OperationsLog() = default;
    OperationsLog(Clock& clock, std::string logFolder, LostLines lost = LostLines::Dropped);
    OperationsLog(const OperationsLog& other);
    // Points the log at another folder; lines being written meanwhile go to one or the other.
    OperationsLog& operator=(const OperationsLog& other);

    // Appends "hh:mm:ss.mmm text" to today's file. Line breaks in the text become blanks, so
    // one event stays one line.
    void Write(std::string_view text);
    // The same for an event of that moment, written later (by the file work's thread).
    void Write(std::string_view text, const LocalDateTime& at);

    // Removes the day files older than `keepDays` days (today counts as the first), and
    // nothing else in the folder.
    void RemoveOldFiles(int keepDays = 31);

    std::string Folder() const;

private:
    // The clock and folder as they are now; false for a log that writes nothing.
    bool Target(Clock*& clock, std::string& folder) const;
    // Keeps count of the lines lost while the folder is unusable, and says when it starts and
    // ends.
    void NoteAppend(bool written, const std::string& folder, const LocalDateTime& at);

    mutable std::mutex mutex_;
    Clock* clock_ = nullptr;                   // guarded by mutex_
    std::string folder_;                       // guarded by mutex_
    LostLines lostLines_ = LostLines::Dropped; // guarded by mutex_
    std::int64_t lost_ = 0;   // lines lost since the folder became unusable; guarded
    LocalDateTime lostSince_; // guarded by mutex_
};

} // namespace zarava
