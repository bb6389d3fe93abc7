#pragma once

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

} // namespace zarava
