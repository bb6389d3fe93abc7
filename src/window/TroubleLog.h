#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace zarava {

class OperationsLog;

// Something that can go wrong for a while and leave the screen empty or stale (a room's queue
// file, the news file, the settings file, the log folder), told in the operations log once
// when the trouble starts and once when it ends, however often it is looked at in between.
// One object per thing watched, used by one handler at a time.
class TroubleLog {
public:
    // The lines go to `write`: the program's log, from whichever thread the caller runs on.
    explicit TroubleLog(std::function<void(std::string_view)> write) : write_(std::move(write)) {}
    explicit TroubleLog(OperationsLog& log);

    // What the latest look at `about` found: the trouble in words, or empty when all is well.
    // A trouble other than the one told last is written as "<about>: <trouble>"; the first look
    // without one after a trouble writes "<about>: all right again". The words must name the
    // cause and not the moment, so that the same cause reads the same at every look.
    void Report(std::string_view about, std::string_view trouble);

private:
    std::function<void(std::string_view)> write_;
    std::string trouble_;
};

} // namespace zarava
