#pragma once

#include "options/CommandLineOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava::issuersim {

// What the command line asks for.
struct Options {
    std::string folder = ".";
    std::optional<int> rooms;          // 1..6; otherwise from the settings file
    double speed = 1;                  // clinic seconds per real second
    std::optional<std::uint32_t> seed; // otherwise a fresh one, printed at start
    std::optional<double> duration;    // real seconds; otherwise until stopped
    std::optional<std::string> script; // a file of timed actions; no random clinic then
};

// Reads the arguments into `options`. The exit status when the program is not to run: the help
// or the version was shown, or a mistake was reported.
std::optional<int> ReadCommandLine(const std::vector<std::string>& args, Options& options);

// Reports a mistake found after the command line was read (in the script, say); the exit status.
int ReportUsageError(std::string_view problem);

} // namespace zarava::issuersim
