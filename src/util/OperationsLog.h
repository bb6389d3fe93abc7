#pragma once

#include <string>
#include <string_view>

namespace zarava {

class Clock;

// The display's log for the clinic's IT: one plain UTF-8 text file per day in the program
// folder's Log folder ("Log/YYYYMMDD.log"), one line per event, starting with the time of
// day. Only appends; a line that cannot be written is dropped without a word, as the display
// must go on whatever happens to its log. Nothing of it is ever shown on the screen.
class OperationsLog {
public:
    // No folder: a log that writes nothing (tests of other things, tools).
    OperationsLog() = default;
    OperationsLog(Clock& clock, std::string logFolder);

    // Appends "hh:mm:ss.mmm text" to today's file. Line breaks in the text become blanks, so
    // one event stays one line.
    void Write(std::string_view text);

    // Removes the day files older than `keepDays` days (today counts as the first), and
    // nothing else in the folder.
    void RemoveOldFiles(int keepDays = 31);

    const std::string& Folder() const { return folder_; }

private:
    Clock* clock_ = nullptr;
    std::string folder_;
};

} // namespace zarava
