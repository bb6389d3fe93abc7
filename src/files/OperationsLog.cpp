#include "files/OperationsLog.h"

#include "engine/Clock.h"
#include "engine/DateTime.h"
#include "files/FileAppend.h"
#include "files/Folders.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace zarava {

namespace {

// "yyyymmdd.log" with a real date: the only files the log ever removes.
bool IsDayFileName(std::string_view name, std::int64_t& day) {
    if (name.size() != 12 || name.substr(8) != ".log") {
        return false;
    }
    int value[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < widths[part]; ++i, ++at) {
            if (name[at] < '0' || name[at] > '9') {
                return false;
            }
            value[part] = value[part] * 10 + (name[at] - '0');
        }
    }
    if (!IsValidDate(value[0], value[1], value[2])) {
        return false;
    }
    day = DaysFromCivil(value[0], value[1], value[2]);
    return true;
}

// "hh:mm:ss.mmm".
std::string Stamp(const LocalDateTime& at) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", at.hour, at.minute, at.second,
                  at.millisecond);
    return stamp;
}

// The stamp, the text and a line end; line breaks in the text become blanks.
std::string Line(std::string_view text, const LocalDateTime& at) {
    std::string line = Stamp(at) + " ";
    for (const char c : text) {
        line.push_back(c == '\r' || c == '\n' ? ' ' : c);
    }
    line.push_back('\n');
    return line;
}

} // namespace

OperationsLog::OperationsLog(Clock& clock, std::string logFolder, LostLines lost)
    : clock_(&clock), folder_(std::move(logFolder)), lostLines_(lost) {}

OperationsLog::OperationsLog(const OperationsLog& other) {
    *this = other;
}

OperationsLog& OperationsLog::operator=(const OperationsLog& other) {
    if (this != &other) {
        std::scoped_lock lock(mutex_, other.mutex_);
        clock_ = other.clock_;
        folder_ = other.folder_;
        lostLines_ = other.lostLines_;
    }
    return *this;
}

std::string OperationsLog::Folder() const {
    std::lock_guard lock(mutex_);
    return folder_;
}

// The file is written outside the lock: a share that stalls holds up only the thread that
// writes, and appends of whole lines never mix.
bool OperationsLog::Target(Clock*& clock, std::string& folder) const {
    std::lock_guard lock(mutex_);
    clock = clock_;
    folder = folder_;
    return clock != nullptr && !folder.empty();
}

void OperationsLog::Write(std::string_view text) {
    Clock* clock = nullptr;
    std::string folder;
    if (Target(clock, folder)) {
        Write(text, clock->Now());
    }
}

void OperationsLog::Write(std::string_view text, const LocalDateTime& at) {
    Clock* clock = nullptr;
    std::string folder;
    if (!Target(clock, folder)) {
        return;
    }
    NoteAppend(AppendToFile(JoinPath(folder, FormatYmd(at) + ".log"), Line(text, at)) ==
                   WriteFileResult::Ok,
               folder, at);
}

void OperationsLog::NoteAppend(bool written, const std::string& folder, const LocalDateTime& at) {
    std::int64_t lost = 0;
    LocalDateTime since;
    {
        std::lock_guard lock(mutex_);
        if (lostLines_ == LostLines::Dropped) {
            return;
        }
        if (!written) {
            if (lost_++ == 0) {
                lostSince_ = at;
                std::fprintf(stderr,
                             "log folder unusable: %s cannot be written; its lines are lost "
                             "until it can be written again\n",
                             folder.c_str());
            }
            return;
        }
        if (lost_ == 0) {
            return;
        }
        lost = std::exchange(lost_, 0);
        since = lostSince_;
    }
    std::fprintf(stderr, "log folder usable again: %s\n", folder.c_str());
    AppendToFile(JoinPath(folder, FormatYmd(at) + ".log"),
                 Line("log folder unusable from " + Stamp(since) + ": " + std::to_string(lost) +
                          (lost == 1 ? " line" : " lines") + " lost",
                      at));
}

void OperationsLog::RemoveOldFiles(int keepDays) {
    Clock* clock = nullptr;
    std::string folder;
    if (!Target(clock, folder)) {
        return;
    }
    const LocalDateTime now = clock->Now();
    const std::int64_t today = DaysFromCivil(now.year, now.month, now.day);
    for (const std::string& name : ListFolder(folder)) {
        std::int64_t day = 0;
        if (IsDayFileName(name, day) && day <= today - keepDays) {
            RemoveFile(JoinPath(folder, name));
        }
    }
}

} // namespace zarava
