#pragma once

#include <string>

namespace zarava {

// Starts companion programs for the handlers.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;

    // Starts the program file with one argument, passed as it is (no shell reads it), and
    // returns at once without waiting for the program. False when it could not be started.
    virtual bool Start(const std::string& program, const std::string& argument) = 0;
};

// The POSIX way: the program runs detached from ours (its own session, standard input and
// output on /dev/null), and it is never our child, so no finished program is left as a zombie
// however long the display runs.
class PosixProgramStarter final : public ProgramStarter {
public:
    bool Start(const std::string& program, const std::string& argument) override;
};

} // namespace zarava
