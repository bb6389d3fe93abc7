#include "Follower.h"

#include "engine/Clock.h"
#include "files/SharedFolder.h"
#include "settings/SettingsStore.h"
#include "text/Numbers.h"
#include "window/RunningMark.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace zarava::kiosk {

namespace {

using std::chrono::milliseconds;

// Every wait of the kiosk in ticks of --tick-ms (a second unless a test shortens it).
constexpr int kIssuerPollsToStart = 2;
// The display cannot end by its own watchdog sooner than about 11 s after its start: an end
// within this time is a failure whatever its exit status (another copy runs, a broken screen).
constexpr int kQuickEndTicks = 10;
constexpr int kFailuresBeforePause = 3;
constexpr int kFirstPauseTicks = 60;
constexpr int kLongestPauseTicks = 600;
// A run this long forgets the failures before it.
constexpr int kGoodRunTicks = 600;
// After passing on a stop signal, the display gets this long to close before it is killed.
constexpr int kCloseGraceTicks = 30;

SteadyTime Now() {
    return std::chrono::steady_clock::now();
}

std::string Ordinal(int n) {
    const int lastTwo = n % 100;
    const int last = n % 10;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        suffix = last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
    }
    return std::to_string(n) + suffix;
}

std::string Span(milliseconds span) {
    const long long ms = span.count();
    char text[48];
    if (ms < 10000) {
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000);
    } else if (ms < 60000) {
        std::snprintf(text, sizeof text, "%lld s", ms / 1000);
    } else if (ms < 3600000 && ms / 1000 % 60 == 0) {
        std::snprintf(text, sizeof text, "%lld min", ms / 60000);
    } else if (ms < 3600000) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", ms / 60000, ms / 1000 % 60);
    } else if (ms / 60000 % 60 == 0) {
        std::snprintf(text, sizeof text, "%lld h", ms / 3600000);
    } else {
        std::snprintf(text, sizeof text, "%lld h %02lld min", ms / 3600000, ms / 60000 % 60);
    }
    return text;
}

std::string Joined(const std::string& program, const std::vector<std::string>& args) {
    std::string text = program;
    for (const std::string& arg : args) {
        text += ' ';
        text += arg;
    }
    return text;
}

} // namespace

Follower::Follower(const KioskSettings& settings, std::string displayProgram, Clock& clock,
                   KioskLog& log)
    : settings_(settings), display_(std::move(displayProgram)), clock_(clock), log_(log) {
    displayArgs_ = {"--folder", settings_.folder};
    displayArgs_.insert(displayArgs_.end(), settings_.commandLine.begin(),
                        settings_.commandLine.end());
}

milliseconds Follower::Ticks(int count) const {
    return milliseconds(static_cast<long long>(count) * settings_.tickMs);
}

Follower::View Follower::Look() const {
    const std::string& folder = settings_.folder;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return {Sight::Unreadable, std::strerror(errno)};
    }
    if (!S_ISDIR(info.st_mode)) {
        return {Sight::Unreadable, "not a folder"};
    }
    if (::access(folder.c_str(), R_OK | X_OK) != 0) {
        return {Sight::Unreadable, std::strerror(errno)};
    }
    const std::string ini = ResolveInFolder(folder, "zarava.ini");
    if (::access(ini.c_str(), R_OK) != 0) {
        return {Sight::NoSettings, std::strerror(errno)};
    }
    // A FORM that is no bit field at all counts as no issuer, as the display's watchdog sees it.
    const std::int64_t form =
        FormBits(ReadSetting(clock_, "USER INFOMATION", "FORM", ini)).value_or(0);
    return {(form & kIssuerBits) != 0 ? Sight::IssuerRuns : Sight::IssuerAbsent, {}, form};
}

void Follower::Report(const View& view, SteadyTime now) {
    const std::string& folder = settings_.folder;
    if (view.sight == Sight::Unreadable) {
        sawUnreadable_ = true;
        lastSawSettings_ = false;
        log_.State("program folder " + folder + " cannot be read (" + view.detail +
                       "); waiting for it",
                   now);
        return;
    }
    if (sawUnreadable_) {
        sawUnreadable_ = false;
        log_.State("program folder " + folder + " can be read again", now);
    }
    if (view.sight == Sight::NoSettings) {
        lastSawSettings_ = false;
        log_.State("no zarava.ini in " + folder + " (" + view.detail +
                       "); waiting for it (is the share mounted?)",
                   now);
        return;
    }
    if (!lastSawSettings_) {
        // The display makes the Log folder too; the kiosk makes it first so that its own
        // lines land beside the display's even before the first start.
        lastSawSettings_ = true;
        const std::string logFolder = ResolveInFolder(folder, "Log");
        EnsureFolder(logFolder);
        if (!folderLogInUse_) {
            folderLogInUse_ = true;
            log_.UseFolderLog(logFolder);
        }
    }
    if (view.sight == Sight::IssuerAbsent) {
        log_.State("waiting for the issuer: FORM is " + std::to_string(view.form) +
                       ", bits 1 and 2 clear",
                   now);
    }
}

int Follower::Run(SignalWait& waits) {
    while (true) {
        const View view = Look();
        SteadyTime now = Now();
        Report(view, now);
        issuerSeen_ = view.sight == Sight::IssuerRuns ? issuerSeen_ + 1 : 0;
        if (issuerSeen_ >= kIssuerPollsToStart && now >= notBefore_) {
            issuerSeen_ = 0;
            if (!RunDisplay(view.form, waits)) {
                return 0;
            }
            continue;
        }
        log_.Tick(now);
        const int signal = waits.Wait(Ticks(1));
        if (SignalWait::IsStop(signal)) {
            log_.Event("stopped by " + SignalName(signal));
            return 0;
        }
    }
}

bool Follower::RunDisplay(std::int64_t form, SignalWait& waits) {
    const SteadyTime started = Now();
    log_.State({}, started);
    DisplayChild child;
    const std::string problem = child.Start(display_, displayArgs_);
    if (!problem.empty()) {
        CountEnd("could not be started: " + problem, true, {}, started);
        return true;
    }
    log_.Event("issuer runs (FORM " + std::to_string(form) + "): display started, pid " +
               std::to_string(child.Pid()) + ": " + Joined(display_, displayArgs_));

    int stopSignal = 0;
    SteadyTime askedToClose{};
    bool killed = false;
    int status = 0;
    while (!child.Ended(status)) {
        const int signal = waits.Wait(Ticks(1));
        const SteadyTime now = Now();
        if (SignalWait::IsStop(signal) && stopSignal == 0) {
            stopSignal = signal;
            askedToClose = now;
            log_.Event("stopping on " + SignalName(signal) + ": the display is asked to close");
            child.Send(signal);
        } else if (stopSignal != 0 && !killed && now - askedToClose >= Ticks(kCloseGraceTicks)) {
            killed = true;
            log_.Event("the display did not close within " + Span(Ticks(kCloseGraceTicks)) +
                       ": killing it");
            child.Send(SIGKILL);
        }
    }
    const SteadyTime ended = Now();
    const auto ran = std::chrono::duration_cast<milliseconds>(ended - started);
    std::string how = DescribeEnd(status);
    if (WIFSIGNALED(status) && ClearRunningMark()) {
        how += ", running mark cleared";
    }
    if (stopSignal != 0) {
        log_.Event("display ended (" + how + ") after " + Span(ran) + "; kiosk stopped");
        return false;
    }
    const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    CountEnd(how, !clean || ran < Ticks(kQuickEndTicks), ran, ended);
    return true;
}

bool Follower::ClearRunningMark() {
    bool cleared = false;
    const auto unmarked = [&cleared](std::string_view current) -> std::optional<std::string> {
        const std::optional<std::int64_t> form = FormBits(current);
        cleared = form && (*form & kDisplayRunningBit) != 0;
        if (!cleared) {
            return std::nullopt;
        }
        return NumberText(*form & ~kDisplayRunningBit);
    };
    const std::string ini = ResolveInFolder(settings_.folder, "zarava.ini");
    return UpdateSetting(clock_, "USER INFOMATION", "FORM", unmarked, ini) != 0 && cleared;
}

void Follower::CountEnd(const std::string& how, bool failed, milliseconds ran, SteadyTime now) {
    if (!failed) {
        failuresInRow_ = 0;
    } else if (ran >= Ticks(kGoodRunTicks)) {
        failuresInRow_ = 1;
    } else {
        ++failuresInRow_;
    }
    sameEndInRow_ = how == lastEnd_ ? sameEndInRow_ + 1 : 1;
    lastEnd_ = how;

    std::string line = how.starts_with("could not")
                           ? "display " + how
                           : "display ended (" + how + ") after " + Span(ran);
    if (sameEndInRow_ > 1) {
        line += ", " + Ordinal(sameEndInRow_) + " time in a row";
    }
    if (failuresInRow_ >= kFailuresBeforePause) {
        const int doublings = std::min(failuresInRow_ - kFailuresBeforePause, 10);
        const int pauseTicks = std::min(kFirstPauseTicks << doublings, kLongestPauseTicks);
        notBefore_ = now + Ticks(pauseTicks);
        line += "; next start in " + Span(Ticks(pauseTicks)) + " at the earliest";
    }
    log_.Event(line);
}

} // namespace zarava::kiosk
