#include "mainwindow/CloseWatchdog.h"

#include "window/Program.h"
#include "window/RunningMark.h"

namespace zarava {

CloseWatchdog::CloseWatchdog(Program& program, Strand strand, std::function<void()> close)
    : program_(program), close_(std::move(close)),
      timer_(program.scheduler.CreateTimer(strand, kFirstPassMs, false, [this] { Pass(); })) {}

void CloseWatchdog::Pass() {
    timer_->SetEnabled(false);
    // A FORM that is no bit field at all counts as no issuer running, as an empty one does.
    const std::int64_t form = ReadFormBits(program_).value_or(0);
    if ((form & kIssuerBits) == 0) {
        if (closePending_) {
            program_.log.Write("closing: the issuer bits of FORM stayed clear");
            close_();
            return;
        }
        closePending_ = true;
        timer_->SetInterval(kConfirmMs);
        timer_->SetEnabled(true);
        return;
    }
    SetRunningMark(program_, true);
    timer_->SetInterval(kPassMs);
    timer_->SetEnabled(true);
    closePending_ = false;
}

} // namespace zarava
