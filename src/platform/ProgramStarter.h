#pragma once

#include <memory>
#include <string>

namespace zarava {

struct StartOutcome {
    bool started = false;
    std::string command; // when started: what runs, its words joined by blanks
    std::string reason;  // when not: why, in words for the clinic's IT
};

// Starts companion programs for the handlers.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;

    // Starts the program file with one argument, passed as it is (no shell reads it), and
    // returns at once without waiting for the program.
    virtual StartOutcome Start(const std::string& program, const std::string& argument) = 0;
};

// The POSIX way. The program runs in its own session in its own folder, its standard input
// and output on /dev/null and none of our other files open, so nothing of it is tied to the
// display. A Windows program (a file starting with "MZ") runs through wine when wine is on
// the PATH; anything else is run directly, a script through its own "#!" line. Finished
// programs are reaped by a thread of the starter within a second, so none is left as a
// zombie however long the display runs, and whatever the system's first process does with
// orphans.
class PosixProgramStarter final : public ProgramStarter {
public:
    PosixProgramStarter();
    // Programs that still run go on running.
    ~PosixProgramStarter() override;

    StartOutcome Start(const std::string& program, const std::string& argument) override;

private:
    class Reaper;
    std::unique_ptr<Reaper> reaper_;
};

// The first executable file of that name in the folders of the PATH; empty when none.
std::string FindOnPath(const std::string& name);

} // namespace zarava
