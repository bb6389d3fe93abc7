#include "KioskLog.h"

#include "engine/Clock.h"

#include <cstdio>

namespace zarava::kiosk {

KioskLog::KioskLog(Clock& clock, std::chrono::milliseconds quiet) : clock_(clock), quiet_(quiet) {}

void KioskLog::Introduce(const std::string& text) {
    introduction_ = text;
    Write(text);
}

void KioskLog::UseFolderLog(const std::string& logFolder) {
    const bool first = !fileInUse_;
    file_ = OperationsLog(clock_, logFolder);
    fileInUse_ = true;
    if (first && !introduction_.empty()) {
        file_.Write(introduction_);
    }
}

void KioskLog::Event(const std::string& text) {
    Write(text);
}

void KioskLog::State(const std::string& text, SteadyTime now) {
    if (text == state_) {
        return;
    }
    state_ = text;
    stateWritten_ = text.empty();
    stateCounted_ = false;
    WriteStateIfDue(now);
}

void KioskLog::Tick(SteadyTime now) {
    WriteStateIfDue(now);
}

void KioskLog::WriteStateIfDue(SteadyTime now) {
    if (stateWritten_) {
        return;
    }
    const auto last = stateLastWritten_.find(state_);
    if (last != stateLastWritten_.end() && now - last->second < quiet_) {
        if (!stateCounted_) {
            stateCounted_ = true;
            if (heldBack_++ == 0) {
                const LocalDateTime t = clock_.Now();
                char since[16];
                std::snprintf(since, sizeof since, "%02d:%02d:%02d", t.hour, t.minute, t.second);
                heldBackSince_ = since;
            }
        }
        return;
    }
    std::string text = state_;
    if (heldBack_ > 0) {
        text += " (" + std::to_string(heldBack_) + (heldBack_ == 1 ? " change" : " changes") +
                " since " + heldBackSince_ + " not logged)";
        heldBack_ = 0;
    }
    Write(text);
    stateLastWritten_[state_] = now;
    stateWritten_ = true;
}

void KioskLog::Write(const std::string& text) {
    // The session's log keeps the lines of many days, some without times of their own.
    const LocalDateTime t = clock_.Now();
    std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d.%03d zarava-kiosk: %s\n", t.year, t.month,
                 t.day, t.hour, t.minute, t.second, t.millisecond, text.c_str());
    std::fflush(stderr);
    if (fileInUse_) {
        file_.Write(text);
    }
}

} // namespace zarava::kiosk
