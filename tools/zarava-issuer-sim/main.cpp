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
#include "text/Numbers.h"

#include <algorithm>
#include <cerrno>
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
constexpr int kUsageError = 2;

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

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int UsageError(std::string_view problem) {
    Print(stderr, "zarava-issuer-sim: " + std::string(problem) + "\n\n");
    Print(stderr, kUsage);
    return kUsageError;
}

int FolderUnusable(std::string_view problem) {
    Print(stderr, "zarava-issuer-sim: " + std::string(problem) + "\n");
    return kFolderUnusable;
}

// Sleeps up to the given real seconds; a signal ends the nap early.
void Nap(double seconds) {
    seconds = std::clamp(seconds, 0.0, kLongestNap);
    timespec nap{0, static_cast<long>(seconds * 1e9)};
    ::nanosleep(&nap, nullptr);
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

} // namespace

int main(int argc, char** argv) {
    const ActionLog log;
    const ParsedOptions parsed = ParseOptions(std::vector<std::string_view>(argv + 1, argv + argc));
    if (!parsed.problem.empty()) {
        return UsageError(parsed.problem);
    }
    const Options& options = parsed.options;
    if (options.help) {
        Print(stdout, kUsage);
        return kDone;
    }
    std::vector<Action> script;
    if (options.script) {
        std::string text;
        if (ReadWholeFile(*options.script, text, kScriptLimit) != ReadFileResult::Ok) {
            return UsageError("cannot read the script " + *options.script);
        }
        ParsedScript parsedScript = ParseScript(text);
        if (!parsedScript.problem.empty()) {
            return UsageError("script " + *options.script + " " + parsedScript.problem);
        }
        script = std::move(parsedScript.actions);
    }

    if (const std::string problem = ProbeFolder(options.folder); !problem.empty()) {
        return FolderUnusable(problem);
    }
    const FolderLock lock(options.folder);
    if (lock.State() != FolderLock::Result::Held) {
        return FolderUnusable(lock.Reason());
    }
    CatchStopSignals();

    SystemClock clock;
    Issuer issuer(options.folder, clock, log);
    issuer.SetFormBits(kIssuerBit);
    issuer.StartDay();

    // Above real time the clinic clock starts at nine, so that a morning fits into minutes.
    const LocalDateTime now = clock.Now();
    const double clinicStart = options.speed > 1 ? 9 * 3600.0
                                                 : now.hour * 3600.0 + now.minute * 60.0 +
                                                       now.second + now.millisecond / 1000.0;
    const auto clinicAt = [&](double realSeconds) {
        return clinicStart + realSeconds * options.speed;
    };

    std::optional<RandomClinic> clinic;
    std::string start = "folder " + options.folder + ", TODAY " + issuer.Today() + ", speed " +
                        SpeedText(options.speed) + ", clinic clock from " + ClockText(clinicStart);
    if (options.script) {
        start += ", script " + *options.script + " (" +
                 NumberText(static_cast<std::int64_t>(script.size())) + " actions)";
    } else {
        const std::uint32_t seed = options.seed.value_or(std::random_device{}());
        const int rooms = RoomCount(options, issuer);
        start += ", " + NumberText(rooms) + " rooms, seed " + NumberText(seed);
        clinic.emplace(issuer, rooms, seed, clinicStart);
    }
    log.Line(start);
    if (clinic) {
        clinic->Start();
    }

    // Script times and the clinic clock count from here, once the set-up (with its settings
    // reads that wait 100 ms when a key is missing) is done; --duration counts from the start.
    const double origin = log.Elapsed();
    std::size_t nextAction = 0;
    double nextCheckIn = 0;
    std::string end = "stopped by signal";
    while (stopSignal == 0) {
        const double elapsed = log.Elapsed();
        const double played = elapsed - origin;
        if (options.duration && elapsed >= *options.duration) {
            end = "duration over";
            break;
        }
        bool quit = false;
        while (!quit && nextAction < script.size() && script[nextAction].at <= played) {
            const Action& action = script[nextAction++];
            quit = !Play(issuer, action, clinicAt(action.at));
        }
        if (quit) {
            end.clear();
            break;
        }
        if (clinic) {
            clinic->RunUntil(clinicAt(played));
        }
        if (elapsed >= nextCheckIn) {
            issuer.TakeCheckIns();
            nextCheckIn = elapsed + kCheckInInterval;
        }
        double wake = nextCheckIn;
        if (options.duration) {
            wake = std::min(wake, *options.duration);
        }
        if (nextAction < script.size()) {
            wake = std::min(wake, origin + script[nextAction].at);
        }
        if (clinic) {
            wake = std::min(wake, origin + (clinic->NextEventAt() - clinicStart) / options.speed);
        }
        Nap(wake - log.Elapsed());
    }
    if (!end.empty()) {
        log.Line(end);
    }
    issuer.ClearFormBits(kIssuerBit);
    return kDone;
}
