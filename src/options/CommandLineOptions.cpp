#include "options/CommandLineOptions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#ifndef ZARAVA_VERSION
#define ZARAVA_VERSION "0"
#endif

namespace zarava {

namespace {

constexpr OptionHelp kHelpRow{"-h, --help", "", "show this help and exit"};
constexpr OptionHelp kVersionRow{"--version", "", "show the version and exit"};
// Help lines fit a terminal of 80 columns; the descriptions of the options start at most this
// far in, and below the option's name when it is longer.
constexpr std::size_t kLineWidth = 79;
constexpr std::size_t kWidestColumn = 24;

// The index of the row of that name, or nothing.
std::optional<std::size_t> FindRow(std::span<const OptionHelp> rows, std::string_view name) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

// A word that is not an option, where the program may or may not take one.
std::string Operand(ParsedCommandLine& parsed, const ProgramUsage& usage, const std::string& arg,
                    bool& operandsOnly) {
    switch (usage.operands) {
    case Operands::None:
        return "unexpected " + arg;
    case Operands::AfterEndMark:
        return "unexpected " + arg + ": put " + std::string(usage.operandsName) + " after --";
    case Operands::AfterOptions:
        operandsOnly = true;
        break;
    case Operands::Anywhere:
        break;
    }
    parsed.operands.push_back(arg);
    return {};
}

// One option, with its value taken from after '=' or from the next argument.
std::string Option(ParsedCommandLine& parsed, std::span<const OptionHelp> rows,
                   const options_detail::ApplyRow& apply, const std::vector<std::string>& args,
                   std::size_t& i) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name == "--help" || name == "--version") {
        return name + " takes no value";
    }
    const std::optional<std::size_t> row = FindRow(rows, name);
    if (!row) {
        return "unknown option " + name;
    }
    const OptionHelp& option = rows[*row];
    std::string value;
    if (option.value.empty()) {
        if (equals != std::string::npos) {
            return name + " takes no value";
        }
    } else {
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        if (value.empty()) {
            return name + " needs " + std::string(option.value);
        }
    }
    if (const std::optional<std::string> wanted = apply(*row, value)) {
        return name + " needs " + *wanted + ", not '" + value + "'";
    }
    parsed.given.push_back(option.name);
    return {};
}

// The text broken at blanks into lines of at most `width` characters.
std::vector<std::string> Wrapped(std::string_view text, std::size_t width) {
    std::vector<std::string> lines(1);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, end - at);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) {
            lines.emplace_back();
        }
        if (!lines.back().empty()) {
            lines.back() += ' ';
        }
        lines.back() += word;
        at = end + 1;
    }
    return lines;
}

std::string OptionLines(std::span<const OptionHelp> rows) {
    const auto left = [](const OptionHelp& row) {
        return "  " + std::string(row.name) + (row.value.empty() ? "" : " ") +
               std::string(row.value);
    };
    std::size_t column = 0;
    for (const OptionHelp& row : rows) {
        column = std::max(column, left(row).size() + 2);
    }
    column = std::min(column, kWidestColumn);
    std::string text;
    for (const OptionHelp& row : rows) {
        std::string line = left(row);
        if (line.size() + 2 > column) {
            text += line + "\n";
            line.clear();
        }
        for (const std::string& part : Wrapped(row.help, kLineWidth - column)) {
            line.resize(column, ' ');
            text += line + part + "\n";
            line.clear();
        }
    }
    return text;
}

} // namespace

namespace options_detail {

ParsedCommandLine Parse(const std::vector<std::string>& args, const ProgramUsage& usage,
                        std::span<const OptionHelp> rows, const ApplyRow& apply) {
    ParsedCommandLine parsed;
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size() && parsed.problem.empty(); ++i) {
        const std::string& arg = args[i];
        const bool dashed = arg.size() > 1 && arg.front() == '-';
        if (operandsOnly) {
            parsed.operands.push_back(arg);
        } else if (arg == "--") {
            parsed.endMark = operandsOnly = true;
            if (usage.operands == Operands::None && i + 1 < args.size()) {
                parsed.problem = "unexpected " + args[i + 1];
            }
        } else if (arg == "-h" || arg == "--help") {
            parsed.request = ParsedCommandLine::Request::Help;
            return parsed;
        } else if (arg == "--version") {
            parsed.request = ParsedCommandLine::Request::Version;
            return parsed;
        } else if (arg.starts_with("--") || (dashed && usage.operands != Operands::Anywhere)) {
            parsed.problem = Option(parsed, rows, apply, args, i);
        } else {
            parsed.problem = Operand(parsed, usage, arg, operandsOnly);
        }
    }
    return parsed;
}

std::string Help(const ProgramUsage& usage, std::span<const OptionHelp> rows) {
    std::vector<OptionHelp> listed;
    for (const OptionHelp& row : rows) {
        if (!row.help.empty()) {
            listed.push_back(row);
        }
    }
    listed.push_back(kHelpRow);
    listed.push_back(kVersionRow);
    std::string text = UsageLines(usage);
    text += '\n';
    text += usage.about;
    text += "\nOptions:\n";
    text += OptionLines(listed);
    if (!usage.more.empty()) {
        text += '\n';
        text += usage.more;
    }
    return text;
}

std::optional<int> Answer(const ParsedCommandLine& parsed, const ProgramUsage& usage,
                          std::span<const OptionHelp> rows) {
    if (!parsed.problem.empty()) {
        return ReportUsageError(usage, parsed.problem);
    }
    switch (parsed.request) {
    case ParsedCommandLine::Request::Help:
        std::fputs(Help(usage, rows).c_str(), stdout);
        return 0;
    case ParsedCommandLine::Request::Version:
        std::fputs(VersionText(usage).c_str(), stdout);
        return 0;
    case ParsedCommandLine::Request::Run:
        break;
    }
    return std::nullopt;
}

} // namespace options_detail

std::string UsageLines(const ProgramUsage& usage) {
    std::string text;
    for (const std::string_view form : usage.synopsis) {
        text += (text.empty() ? "Usage: " : "  or:  ") + std::string(usage.program) + " " +
                std::string(form) + "\n";
    }
    return text;
}

std::string UsageErrorText(const ProgramUsage& usage, std::string_view problem) {
    const std::string program(usage.program);
    return program + ": " + std::string(problem) + "\n" + UsageLines(usage) + "Try '" + program +
           " --help' for more information.\n";
}

int ReportUsageError(const ProgramUsage& usage, std::string_view problem) {
    std::fputs(UsageErrorText(usage, problem).c_str(), stderr);
    return kExitUsage;
}

std::string VersionText(const ProgramUsage& usage) {
    return std::string(usage.program) + " " + std::string(ProgramVersion()) + "\n";
}

std::string_view ProgramVersion() {
    return ZARAVA_VERSION;
}

std::optional<double> ParseDecimal(std::string_view text) {
    std::size_t i = text.starts_with('-') ? 1 : 0;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

std::optional<double> NumberWithin(std::string_view text, double low, double high,
                                   NumberKind kind) {
    const std::optional<double> number = ParseDecimal(text);
    if (!number || *number < low || *number > high ||
        (kind == NumberKind::Whole && *number != std::floor(*number))) {
        return std::nullopt;
    }
    return number;
}

} // namespace zarava
