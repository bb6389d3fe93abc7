#pragma once

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
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string problem; // empty when the command line was understood
};

ParsedOptions ParseOptions(const std::vector<std::string_view>& args);

// A decimal number that is the whole text (fractions allowed); nothing otherwise.
std::optional<double> ParseDecimal(std::string_view text);

extern const std::string_view kUsage;

} // namespace zarava::issuersim
