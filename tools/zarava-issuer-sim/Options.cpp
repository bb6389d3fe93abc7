#include "Options.h"

#include <cmath>
#include <cstdlib>

namespace zarava::issuersim {

const std::string_view kUsage =
    "Usage: zarava-issuer-sim [--folder DIR] [--rooms N] [--speed X] [--seed S]\n"
    "                         [--duration SECONDS] [--script FILE]\n"
    "       zarava-issuer-sim --help\n"
    "\n"
    "Plays a clinic's reception against a program folder, writing zarava.ini, the rooms'\n"
    "queue files temp/<TODAY>_<room>.tmp and news.sjis as the ticket issuer does, and takes\n"
    "the codes that the display hands on in hkcode.tmp (printed as \"checked in: CODE\").\n"
    "Every action is printed with the real seconds since the start.\n"
    "\n"
    "Options:\n"
    "  --folder DIR        the program folder (default: the current folder)\n"
    "  --rooms N           rooms 1..6 (default: SHINSATSU + 1 from zarava.ini, else 4)\n"
    "  --speed X           clinic seconds per real second (default 1 = real time); above 1\n"
    "                      the clinic clock starts at 9:00:00, otherwise at the time of day\n"
    "  --seed S            makes the random clinic repeat itself (default: a fresh seed,\n"
    "                      printed at the start)\n"
    "  --duration SECONDS  ends after that many real seconds (default: until stopped)\n"
    "  --script FILE       plays the actions of FILE instead of the random clinic\n"
    "  --help              shows this text\n"
    "\n"
    "While it runs, bit 1 of FORM in [USER INFOMATION] is set; it is cleared at the end,\n"
    "also after Ctrl-C, SIGTERM or SIGHUP. TODAY is set to today's date at the start.\n"
    "\n"
    "Script: one action per line; blank lines and lines starting with # are skipped.\n"
    "SECONDS are real seconds since the start (fractions allowed), whatever the speed;\n"
    "actions run in time order, those with equal times in file order. Words with blanks\n"
    "are written in double quotes.\n"
    "  at SECONDS issue ROOM [class1]    issues the room's next ticket\n"
    "  at SECONDS call ROOM [COUNTER]    calls the oldest waiting ticket, then sets\n"
    "                                    <ROOM>CALL SOUND to 1\n"
    "  at SECONDS done ROOM              the oldest called ticket has been served\n"
    "  at SECONDS set SECTION KEY VALUE  writes one setting\n"
    "  at SECONDS form BITS              writes FORM\n"
    "  at SECONDS news TEXT|TEXT...      writes news.sjis, one item per TEXT\n"
    "  at SECONDS quit                   ends the run\n"
    "\n"
    "Exit status: 0 normal end, 1 the folder cannot be written or another simulator\n"
    "runs on it, 2 usage error.\n";

namespace {

enum class Kind { Folder, Rooms, Speed, Seed, Duration, Script };

struct OptionRow {
    std::string_view name;
    Kind kind;
};

constexpr OptionRow kOptions[] = {
    {"--folder", Kind::Folder}, {"--rooms", Kind::Rooms},       {"--speed", Kind::Speed},
    {"--seed", Kind::Seed},     {"--duration", Kind::Duration}, {"--script", Kind::Script},
};

// The highest speed: a whole clinic day in under a minute.
constexpr double kMaxSpeed = 3600;

// Stores one option's value; the problem when the value does not fit.
std::string Apply(Kind kind, std::string_view name, std::string_view value, Options& options) {
    const std::optional<double> number = ParseDecimal(value);
    const std::string bad = "bad value for " + std::string(name) + ": '" + std::string(value) + "'";
    switch (kind) {
    case Kind::Folder:
        if (value.empty()) {
            return bad;
        }
        options.folder = value;
        return {};
    case Kind::Script:
        if (value.empty()) {
            return bad;
        }
        options.script = std::string(value);
        return {};
    case Kind::Rooms:
        if (!number || *number != std::floor(*number) || *number < 1 || *number > 6) {
            return bad + " (a whole number from 1 to 6)";
        }
        options.rooms = static_cast<int>(*number);
        return {};
    case Kind::Speed:
        if (!number || *number <= 0 || *number > kMaxSpeed) {
            return bad + " (a number above 0, at most 3600)";
        }
        options.speed = *number;
        return {};
    case Kind::Seed:
        if (!number || *number != std::floor(*number) || *number < 0 || *number > 4294967295.0) {
            return bad + " (a whole number from 0 to 4294967295)";
        }
        options.seed = static_cast<std::uint32_t>(*number);
        return {};
    case Kind::Duration:
        if (!number || *number <= 0) {
            return bad + " (seconds above 0)";
        }
        options.duration = *number;
        return {};
    }
    return bad;
}

} // namespace

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

ParsedOptions ParseOptions(const std::vector<std::string_view>& args) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help") {
            parsed.options.help = true;
            return parsed;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : kOptions) {
            if (candidate.name == name) {
                row = &candidate;
            }
        }
        if (row == nullptr) {
            parsed.problem = "unknown option '" + std::string(arg) + "'";
            return parsed;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.problem = std::string(name) + " needs a value";
            return parsed;
        }
        parsed.problem = Apply(row->kind, name, value, parsed.options);
        if (!parsed.problem.empty()) {
            return parsed;
        }
    }
    return parsed;
}

} // namespace zarava::issuersim
