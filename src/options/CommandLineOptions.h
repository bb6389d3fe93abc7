#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The command line of each of our programs, read the same way: options with two dashes, a
// value after a blank or an '=' ("--folder DIR", "--folder=DIR"), "-h" and "--help" for the
// help, "--version", and "--" before words that are never options. A mistake is told in one
// line with the short usage and a pointer to --help, and ends the program with status 2
// before it has touched anything.

// Where words that are not options may stand.
enum class Operands {
    None,         // nowhere
    AfterEndMark, // only after "--"
    AfterOptions, // from the first one on every word is one, so a value may start with '-'
    Anywhere,     // among the options, one-dash words included (the issuer's "-tolv")
};

// What a program's usage and help are made of, besides its options.
struct ProgramUsage {
    std::string_view program;               // "zarava-settings"
    std::vector<std::string_view> synopsis; // each form of the command line after the name
    std::string_view about;                 // what the program does, before the options
    std::string_view more;                  // after the options: files, exit status ...
    Operands operands = Operands::None;
    std::string_view operandsName = "other words"; // what goes after "--", for a mistake
};

// One option of a program's table. `apply` stores the value and returns what the value should
// have been when it does not fit ("a whole number from 1 to 6"), or nothing.
template <class Settings> struct OptionRow {
    std::string_view name;  // "--folder"
    std::string_view value; // what it takes, as the help names it ("DIR"); empty: a switch
    std::string_view help;  // one sentence for --help; empty: left out (options for tests)
    std::optional<std::string> (*apply)(Settings&, std::string_view value);
};

// The apply of an option whose value is kept as given, in the member named:
// {"--folder", "DIR", "...", KeepText<&Settings::folder>}.
template <class Pointer> struct MemberOf;
template <class Class, class Type> struct MemberOf<Type Class::*> { using Owner = Class; };
template <auto Member>
std::optional<std::string> KeepText(typename MemberOf<decltype(Member)>::Owner& settings,
                                    std::string_view value) {
    settings.*Member = std::string(value);
    return std::nullopt;
}

struct ParsedCommandLine {
    enum class Request { Run, Help, Version };
    Request request = Request::Run;
    std::vector<std::string> operands;
    std::vector<std::string_view> given; // the options given, by name
    bool endMark = false;                // "--" was given
    std::string problem;                 // a usage mistake; empty when all was understood
};

// The help of one option, as every program's table gives it.
struct OptionHelp {
    std::string_view name;
    std::string_view value;
    std::string_view help;
};

namespace options_detail {
using ApplyRow = std::function<std::optional<std::string>(std::size_t row, std::string_view)>;
ParsedCommandLine Parse(const std::vector<std::string>& args, const ProgramUsage& usage,
                        std::span<const OptionHelp> rows, const ApplyRow& apply);
std::string Help(const ProgramUsage& usage, std::span<const OptionHelp> rows);
std::optional<int> Answer(const ParsedCommandLine& parsed, const ProgramUsage& usage,
                          std::span<const OptionHelp> rows);

template <class Settings, std::size_t N>
std::vector<OptionHelp> HelpOf(const OptionRow<Settings> (&rows)[N]) {
    std::vector<OptionHelp> help;
    for (const OptionRow<Settings>& row : rows) {
        help.push_back({row.name, row.value, row.help});
    }
    return help;
}
} // namespace options_detail

// Reads the arguments (without the program's name) into `settings` through the table. Stops at
// the first mistake, or at -h, --help or --version.
template <class Settings, std::size_t N>
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args, const ProgramUsage& usage,
                                   const OptionRow<Settings> (&rows)[N], Settings& settings) {
    return options_detail::Parse(
        args, usage, options_detail::HelpOf(rows),
        [&](std::size_t row, std::string_view value) { return rows[row].apply(settings, value); });
}

// The whole text of --help: the usage, what the program does, every option, and the rest.
template <class Settings, std::size_t N>
std::string HelpText(const ProgramUsage& usage, const OptionRow<Settings> (&rows)[N]) {
    return options_detail::Help(usage, options_detail::HelpOf(rows));
}

// "Usage: PROGRAM FORM" and "  or:  PROGRAM FORM" lines.
std::string UsageLines(const ProgramUsage& usage);

// The lines of a usage mistake: the program's name and the problem, the usage, and where to
// find more.
std::string UsageErrorText(const ProgramUsage& usage, std::string_view problem);

// Writes the lines of a usage mistake on standard error; returns the exit status for it.
int ReportUsageError(const ProgramUsage& usage, std::string_view problem);

// "zarava-settings 0.1.0".
std::string VersionText(const ProgramUsage& usage);

// The version of this build.
std::string_view ProgramVersion();

// Exit statuses that every program shares.
inline constexpr int kExitUsage = 2;

// Answers a request for help or the version, or a mistake, on standard output or error;
// returns the exit status then, and nothing when the program is to run.
template <class Settings, std::size_t N>
std::optional<int> AnswerEarly(const ParsedCommandLine& parsed, const ProgramUsage& usage,
                               const OptionRow<Settings> (&rows)[N]) {
    return options_detail::Answer(parsed, usage, options_detail::HelpOf(rows));
}

// A decimal number that is the whole text ("2", "-1", "0.25"); nothing for anything else
// (blanks, exponents, "inf", "nan").
std::optional<double> ParseDecimal(std::string_view text);

// A decimal number within [low, high] (whole, when asked); nothing otherwise.
enum class NumberKind { Whole, Fraction };
std::optional<double> NumberWithin(std::string_view text, double low, double high, NumberKind kind);

} // namespace zarava
