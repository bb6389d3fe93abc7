#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace zarava {

class Clock;

// The display's log for the clinic's IT: one plain UTF-8 text file per day in the program
// folder's Log folder ("Log/YYYYMMDD.log"), one line per event, starting with the time of
// day. Only appends; a line that cannot be written is dropped without a word, as the display
// must go on whatever happens to its log. Nothing of it is ever shown on the screen. Safe to
// use from several threads (the sound's thread tells what became of a chime); each line goes
// to the file in one append, so lines never mix.
class OperationsLog {
public:
    // No folder: a log that writes nothing (tests of other things, tools).
    OperationsLog() = default;
    OperationsLog(Clock& clock, std::string logFolder);
    OperationsLog(const OperationsLog& other);
    // Points the log at another folder; lines being written meanwhile go to one or the other.
    OperationsLog& operator=(const OperationsLog& other);

    // Appends "hh:mm:ss.mmm text" to today's file. Line breaks in the text become blanks, so
    // one event stays one line.
    void Write(std::string_view text);

    // Removes the day files older than `keepDays` days (today counts as the first), and
    // nothing else in the folder.
    void RemoveOldFiles(int keepDays = 31);

    std::string Folder() const;

private:
    // The clock and folder as they are now; false for a log that writes nothing.
    bool Target(Clock*& clock, std::string& folder) const;

    mutable std::mutex mutex_;
    Clock* clock_ = nullptr; // guarded by mutex_
    std::string folder_;     // guarded by mutex_
};

} // namespace zarava
