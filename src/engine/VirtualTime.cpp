#include "engine/VirtualTime.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zarava {

VirtualTime::VirtualTime(LocalDateTime start)
    : wallBase_(start), dispatcher_([this] { return now_; }) {}

std::unique_ptr<Timer> VirtualTime::CreateTimer(int intervalMs, bool enabled,
                                                std::function<void()> tick) {
    return dispatcher_.CreateTimer(intervalMs, enabled, std::move(tick));
}

void VirtualTime::Post(std::function<void()> handler) {
    dispatcher_.Post(std::move(handler));
}

LocalDateTime VirtualTime::Now() const {
    return AddMilliseconds(wallBase_, now_ - wallBaseAt_);
}

void VirtualTime::Sleep(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    slept_ += milliseconds;
    if (!inFileWork_) {
        now_ += milliseconds;
    }
}

void VirtualTime::Submit(std::function<void()> work) {
    SubmitAfter(0, std::move(work));
}

void VirtualTime::SubmitAfter(int milliseconds, std::function<void()> work) {
    files_.push_back({now_ + std::max(milliseconds, 0), ++fileSeq_, std::move(work)});
}

void VirtualTime::Finish() {
    while (!files_.empty()) {
        RunFileWork(std::min_element(files_.begin(), files_.end(),
                                     [](const auto& a, const auto& b) { return a.seq < b.seq; }));
    }
}

std::deque<VirtualTime::FileWork>::iterator VirtualTime::NextFileWork(std::int64_t limit) {
    if (filesHeld_) {
        return files_.end();
    }
    auto next = files_.end();
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (it->at <= limit &&
            (next == files_.end() || std::pair(it->at, it->seq) < std::pair(next->at, next->seq))) {
            next = it;
        }
    }
    return next;
}

void VirtualTime::RunFileWork(std::deque<FileWork>::iterator it) {
    std::function<void()> work = std::move(it->work);
    files_.erase(it);
    inFileWork_ = true;
    work();
    inFileWork_ = false;
}

// Handlers due by a moment run before the file work due then: the file work is another
// thread's, and its findings come back as handlers posted behind the ones already due.
void VirtualTime::AdvanceBy(std::int64_t milliseconds) {
    const std::int64_t limit = now_ + std::max<std::int64_t>(milliseconds, 0);
    for (;;) {
        const auto due = dispatcher_.NextDue();
        const auto file = NextFileWork(limit);
        if (due && *due <= limit && (file == files_.end() || *due <= file->at)) {
            now_ = std::max(now_, *due);
            dispatcher_.RunNext(now_);
            if (afterEach_) {
                afterEach_();
            }
        } else if (file != files_.end()) {
            now_ = std::max(now_, file->at);
            RunFileWork(file);
        } else {
            break;
        }
    }
    now_ = std::max(now_, limit);
}

void VirtualTime::RunPending() {
    AdvanceBy(0);
    for (;;) {
        const auto file = NextFileWork(std::numeric_limits<std::int64_t>::max());
        if (file == files_.end()) {
            break;
        }
        AdvanceBy(std::max<std::int64_t>(file->at - now_, 0));
    }
}

void VirtualTime::SetWallClock(LocalDateTime t) {
    wallBase_ = t;
    wallBaseAt_ = now_;
}

} // namespace zarava
