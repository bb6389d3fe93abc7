#pragma once

#include "DisplayChild.h"
#include "KioskLog.h"
#include "KioskSettings.h"

#include <cstdint>
#include <string>

namespace zarava {
class Clock;
}

namespace zarava::kiosk {

// Follows the issuer through FORM in the program folder: starts the display when an issuer bit
// has been set on two polls in a row, waits for the display to end (its own watchdog closes it
// once the issuer has gone), and waits again. Runs until a stop signal.
class Follower {
public:
    Follower(const KioskSettings& settings, std::string displayProgram, Clock& clock,
             KioskLog& log);

    // The exit status of the kiosk.
    int Run(SignalWait& waits);

private:
    enum class Sight { Unreadable, NoSettings, IssuerAbsent, IssuerRuns };
    struct View {
        Sight sight;
        std::string detail; // why the folder or its settings cannot be read
        std::int64_t form = 0;
    };

    View Look() const;
    void Report(const View& view, SteadyTime now);
    // False when a stop signal ended the kiosk while the display ran.
    bool RunDisplay(std::int64_t form, SignalWait& waits);
    // A display that was killed could not clear its running mark (bit 4 of FORM) on its way
    // out: the kiosk clears it, in one step on FORM as the write finds it, as the display does,
    // so a bit the issuer changes at that moment is kept. True when it was set and is cleared.
    bool ClearRunningMark();
    void CountEnd(const std::string& how, bool failed, std::chrono::milliseconds ran,
                  SteadyTime now);
    std::chrono::milliseconds Ticks(int count) const;

    const KioskSettings& settings_;
    const std::string display_;
    std::vector<std::string> displayArgs_;
    Clock& clock_;
    KioskLog& log_;

    bool sawUnreadable_ = false;
    bool folderLogInUse_ = false;
    bool lastSawSettings_ = false;
    int issuerSeen_ = 0;    // polls in a row that found an issuer bit set
    int failuresInRow_ = 0; // failed or quick ends since the last good run
    std::string lastEnd_;   // how the display ended last time
    int sameEndInRow_ = 0;
    SteadyTime notBefore_{}; // no start before this, after repeated failures
};

} // namespace zarava::kiosk
