#pragma once

#include "ports/ProgramStarter.h"

#include <memory>
#include <string>

namespace zarava {

// The system's way of starting programs. On POSIX systems the program runs in its own session
// in its own folder, its standard input and output on /dev/null and none of our other files
// open, so nothing of it is tied to the display. A Windows program (a file starting with "MZ") runs
// through wine when wine is on the PATH; anything else is run directly, a script through its own
// "#!" line. Finished programs are reaped by a thread of the starter within a second, so none is
// left as a zombie however long the display runs, and whatever the system's first process does with
// orphans.
class SystemProgramStarter final : public ProgramStarter {
public:
    SystemProgramStarter();
    // Programs that still run go on running.
    ~SystemProgramStarter() override;

    StartOutcome Start(const std::string& program, const std::string& argument) override;

private:
    class Reaper;
    std::unique_ptr<Reaper> reaper_;
};

// The first executable file of that name in the folders of the PATH; empty when none.
std::string FindOnPath(const std::string& name);

} // namespace zarava
