// zarava-issuer-sim: plays the ticket issuer of a clinic against a program folder, so that the
// display can be tried, changed and tested without the issuer itself. It writes the same files
// in the same way: the settings through the display's own settings store, the queue and news
// files in code page 932 and in place.

#include "Clinic.h"
#include "FolderAccess.h"
#include "Issuer.h"
#include "Options.h"
#include "Script.h"

#include "engine/SystemClock.h"
#include "files/Files.h"
#include "files/Folders.h"
#include "files/WriterLock.h"
#include "text/Numbers.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace zarava;
using namespace zarava::issuersim;

constexpr int kDone = 0;
constexpr int kFolderUnusable = 1;

constexpr std::int32_t kIssuerBit = 1;
constexpr double kCheckInInterval = 0.5;
// The loop wakes at least this often to notice a stop signal.
constexpr double kLongestNap = 0.1;
constexpr std::size_t kScriptLimit = 1024 * 1024;

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

// Ctrl-C, SIGTERM and SIGHUP only ask the loop to stop, so the running step finishes and the
// issuer bit is cleared. A closed output pipe must not kill the process before that either.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

int FolderUnusable(const std::string& problem) {
    std::fprintf(stderr, "zarava-issuer-sim: %s\n", problem.c_str());
    return kFolderUnusable;
}

// Sleeps up to the given real seconds; a signal ends the nap early.
void Nap(double seconds) {
    seconds = std::clamp(seconds, 0.0, kLongestNap);
    timespec nap{0, static_cast<long>(seconds * 1e9)};
    ::nanosleep(&nap, nullptr);
}

// The actions of the script file; the exit status when it cannot be used.
std::optional<int> LoadScript(const std::string& file, std::vector<Action>& actions) {
    std::string text;
    if (ReadWholeFile(file, text, kScriptLimit) != ReadFileResult::Ok) {
        return ReportUsageError("cannot read the script " + file);
    }
    ParsedScript parsed = ParseScript(text);
    if (!parsed.problem.empty()) {
        return ReportUsageError("script " + file + " " + parsed.problem);
    }
    actions = std::move(parsed.actions);
    return std::nullopt;
}

// Two simulators must never play one clinic: the writers' lock of a hidden file in the folder
// says whether another runs. A share without locks cannot tell; the simulator then goes on.
std::optional<int> TakeFolder(WriterLock& lock, const std::string& folder) {
    switch (lock.TryTake()) {
    case WriterLock::Attempt::Held:
        return std::nullopt;
    case WriterLock::Attempt::Busy:
        return FolderUnusable("another zarava-issuer-sim is already running on " + folder);
    case WriterLock::Attempt::Unavailable:
        std::fprintf(stderr,
                     "zarava-issuer-sim: %s takes no locks: a second simulator on it would not "
                     "be noticed\n",
                     folder.c_str());
        return std::nullopt;
    }
    return std::nullopt;
}

// Plays one action of a script at its clinic time; false when it ends the run.
bool Play(Issuer& issuer, const Action& action, double clinicSeconds) {
    switch (action.verb) {
    case Verb::Issue:
        issuer.IssueTicket(action.room, clinicSeconds, action.class1);
        break;
    case Verb::Call:
        issuer.CallTicket(action.room, clinicSeconds, action.counter);
        break;
    case Verb::Done:
        if (const std::optional<int> ticket = issuer.Room(action.room).OldestCalled()) {
            issuer.ServeTicket(action.room, *ticket);
        } else {
            issuer.Log().Line("room " + NumberText(action.room) + ": no ticket being called");
        }
        break;
    case Verb::Set:
        issuer.Write(action.section, action.key, action.value);
        break;
    case Verb::Form:
        issuer.WriteForm(action.form);
        break;
    case Verb::News:
        issuer.WriteNews(action.news);
        break;
    case Verb::Quit:
        issuer.Log().Line("quit");
        return false;
    }
    return true;
}

// The speed as given: whole numbers without a decimal point.
std::string SpeedText(double speed) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", speed);
    return text;
}

// The number of rooms: the option, else what the settings file says, else four.
int RoomCount(const Options& options, Issuer& issuer) {
    if (options.rooms) {
        return *options.rooms;
    }
    const std::string stored = issuer.Read("DAZUZE INFOMATION", "SHINSATSU");
    if (stored.empty()) {
        return 4;
    }
    const std::optional<std::int32_t> value = ToInt32(LenientNumber(stored));
    return value && *value >= 0 && *value <= 5 ? *value + 1 : 4;
}

// One run: the clinic clock, the script or the random clinic, and the loop that plays them.
class Reception {
public:
    Reception(const Options& options, Clock& clock, Issuer& issuer, std::vector<Action> script)
        : options_(options), clock_(clock), issuer_(issuer), script_(std::move(script)) {}

    // Says what is played, sets up the clinic and plays until a stop signal, the end of the
    // duration or the script's quit.
    void Run() {
        Begin();
        // Script times and the clinic clock count from here, once the set-up (with its
        // settings reads that wait 100 ms when a key is missing) is done; --duration counts
        // from the start.
        origin_ = Log().Elapsed();
        const std::string end = Loop();
        if (!end.empty()) {
            Log().Line(end);
        }
    }

private:
    const ActionLog& Log() const { return issuer_.Log(); }

    double ClinicAt(double realSeconds) const {
        return clinicStart_ + realSeconds * options_.speed;
    }

    void Begin() {
        // Above real time the clinic clock starts at nine, so that a morning fits into minutes.
        const LocalDateTime now = clock_.Now();
        clinicStart_ = options_.speed > 1 ? 9 * 3600.0
                                          : now.hour * 3600.0 + now.minute * 60.0 + now.second +
                                                now.millisecond / 1000.0;
        std::string start = "folder " + options_.folder + ", TODAY " + issuer_.Today() +
                            ", speed " + SpeedText(options_.speed) + ", clinic clock from " +
                            ClockText(clinicStart_);
        if (options_.script) {
            start += ", script " + *options_.script + " (" +
                     NumberText(static_cast<std::int64_t>(script_.size())) + " actions)";
        } else {
            const std::uint32_t seed = options_.seed.value_or(std::random_device{}());
            if (options_.rooms) {
                // The issuer's own settings say how many rooms the display shows.
                issuer_.Write("DAZUZE INFOMATION", "SHINSATSU", NumberText(*options_.rooms - 1));
            }
            const int rooms = RoomCount(options_, issuer_);
            start += ", " + NumberText(rooms) + " rooms, seed " + NumberText(seed);
            clinic_.emplace(issuer_, rooms, seed, clinicStart_);
        }
        Log().Line(start);
        if (clinic_) {
            clinic_->Start();
        }
    }

    // Why the run ended; empty when the script's quit said so itself.
    std::string Loop() {
        double nextCheckIn = 0;
        while (stopSignal == 0) {
            const double elapsed = Log().Elapsed();
            const double played = elapsed - origin_;
            if (options_.duration && elapsed >= *options_.duration) {
                return "duration over";
            }
            if (!PlayDue(played)) {
                return {};
            }
            if (elapsed >= nextCheckIn) {
                issuer_.TakeCheckIns();
                nextCheckIn = elapsed + kCheckInInterval;
            }
            Nap(NextWake(nextCheckIn) - Log().Elapsed());
        }
        return "stopped by signal";
    }

    // Plays the script's actions and the clinic's events that are due; false at a quit.
    bool PlayDue(double played) {
        while (nextAction_ < script_.size() && script_[nextAction_].at <= played) {
            const Action& action = script_[nextAction_++];
            if (!Play(issuer_, action, ClinicAt(action.at))) {
                return false;
            }
        }
        if (clinic_) {
            clinic_->RunUntil(ClinicAt(played));
        }
        return true;
    }

    // The real seconds since the start at which something is next due.
    double NextWake(double nextCheckIn) const {
        double wake = nextCheckIn;
        if (options_.duration) {
            wake = std::min(wake, *options_.duration);
        }
        if (nextAction_ < script_.size()) {
            wake = std::min(wake, origin_ + script_[nextAction_].at);
        }
        if (clinic_) {
            wake =
                std::min(wake, origin_ + (clinic_->NextEventAt() - clinicStart_) / options_.speed);
        }
        return wake;
    }

    const Options& options_;
    Clock& clock_;
    Issuer& issuer_;
    const std::vector<Action> script_;
    std::optional<RandomClinic> clinic_;
    double clinicStart_ = 0;
    double origin_ = 0;
    std::size_t nextAction_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    const ActionLog log;
    Options options;
    if (const std::optional<int> status = ReadCommandLine({argv + 1, argv + argc}, options)) {
        return *status;
    }
    std::vector<Action> script;
    if (options.script) {
        if (const std::optional<int> status = LoadScript(*options.script, script)) {
            return *status;
        }
    }
    if (const std::string problem = ProbeFolder(options.folder); !problem.empty()) {
        return FolderUnusable(problem);
    }
    WriterLock lock(JoinPath(options.folder, "zarava-issuer-sim"));
    if (const std::optional<int> status = TakeFolder(lock, options.folder)) {
        return *status;
    }
    CatchStopSignals();

    SystemClock clock;
    Issuer issuer(options.folder, clock, log);
    issuer.SetFormBits(kIssuerBit);
    issuer.StartDay();
    Reception(options, clock, issuer, std::move(script)).Run();
    issuer.ClearFormBits(kIssuerBit);
    return kDone;
}
