#include "mainwindow/CloseWatchdog.h"

#include "window/Program.h"
#include "window/RunningMark.h"

namespace zarava {

CloseWatchdog::CloseWatchdog(Program& program, std::function<void()> close)
    : program_(program), close_(std::move(close)),
      timer_(program.scheduler.CreateTimer(kFirstPassMs, false, [this] { Pass(); })),
      read_(program, [this](std::int64_t& form, FileWork& work) { OnForm(form, work); }) {}

void CloseWatchdog::Start() {
    timer_->SetEnabled(true);
}

void CloseWatchdog::Stop() {
    timer_->SetEnabled(false);
    read_.Cancel();
}

void CloseWatchdog::Pass() {
    timer_->SetEnabled(false);
    // A FORM that is no bit field at all counts as no issuer running, as an empty one does.
    read_.Start([](SettingsSnapshot& settings) {
        return FormBits(settings.Read("USER INFOMATION", "FORM")).value_or(0);
    });
}

void CloseWatchdog::OnForm(std::int64_t form, FileWork& work) {
    if ((form & kIssuerBits) == 0) {
        if (closePending_) {
            program_.Log("closing: the issuer bits of FORM stayed clear");
            close_();
            return;
        }
        closePending_ = true;
        timer_->SetInterval(kConfirmMs);
        timer_->SetEnabled(true);
        return;
    }
    Program& program = program_;
    work.Then([&program](SettingsSnapshot& settings) { SetRunningMark(program, settings, true); });
    timer_->SetInterval(kPassMs);
    timer_->SetEnabled(true);
    closePending_ = false;
}

} // namespace zarava
