#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The program's own options (two dashes) taken off the arguments, and the rest joined with
// single blanks as the issuer's command line, trimmed and lower-cased.
struct ProgramOptions {
    std::string folder;     // --folder DIR; empty: the executable's folder
    std::string screenshot; // --screenshot FILE
    std::string state;      // --state FILE
    double after = 0;       // --after SECONDS
    bool afterGiven = false;
    bool testSound = false; // --test-sound: announce once as TALK SELECT says, and end
    bool help = false;
    bool version = false;
    std::string commandLine;
    std::string error; // not empty: a usage error to report before anything is touched
};

// The longest --after: a day.
inline constexpr double kLongestAfterSeconds = 86400;

ProgramOptions ParseProgramArguments(const std::vector<std::string>& args);

// Answers --help, --version or a usage error as every program of ours does, and gives the exit
// status then; nothing when the display is to run.
std::optional<int> AnswerEarly(const ProgramOptions& options);

// The whole text of --help.
std::string UsageText();

// Trims the blanks of both ends and lower-cases ASCII letters.
std::string NormaliseCommandLine(std::string_view text);

// What a command line other than "-tolv" asks for: the monitor by its first letter "a", "b" or
// "c" (0, 1, 2), and the rooms by their digits 1..roomCount.
struct RoomSelection {
    int monitor = 0;
    std::array<bool, 7> rooms{}; // index 1..6
    bool fromCommandLine = false;
};

RoomSelection SelectRooms(std::string_view commandLine, int roomCount);

// The monitor that the TYPE setting names: 1 or 6 the second, 8 or 9 the third, else the first.
int MonitorFromType(double type);

} // namespace zarava
