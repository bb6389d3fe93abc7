#include "mainwindow/CommandLine.h"

#include "options/CommandLineOptions.h"
#include "text/Text.h"

namespace zarava {

namespace {

using Wanted = std::optional<std::string>;

constexpr OptionRow<ProgramOptions> kOptions[] = {
    {"--folder", "DIR", "the program folder holding zarava.ini (default: the executable's folder)",
     KeepText<&ProgramOptions::folder>},
    {"--after", "SECONDS",
     "with --screenshot or --state: write them this long after the start-up (default 0, at "
     "most 86400), in a moment when the called numbers show; alone: end after this long",
     [](ProgramOptions& o, std::string_view v) -> Wanted {
         const std::optional<double> seconds =
             NumberWithin(v, 0, kLongestAfterSeconds, NumberKind::Fraction);
         if (!seconds) {
             return "a number of seconds from 0 to 86400";
         }
         o.after = *seconds;
         o.afterGiven = true;
         return {};
     }},
    {"--screenshot", "FILE", "save a PNG picture of the whole frame, then end normally",
     KeepText<&ProgramOptions::screenshot>},
    {"--state", "FILE", "save what every window shows as UTF-8 JSON, then end normally",
     KeepText<&ProgramOptions::state>},
    {"--test-sound", "",
     "play the chime (or start the voice program, as TALK SELECT says) once, say what "
     "happened and end: exit status 0 when it played, 1 when it could not",
     [](ProgramOptions& o, std::string_view) -> Wanted {
         o.testSound = true;
         return {};
     }},
};

const ProgramUsage kUsage{
    .program = "zarava-display",
    .synopsis = {"[OPTION]... [-tolv | [a|b|c]ROOMS]", "[--folder DIR] --test-sound"},
    .about = "The waiting-room call display of a clinic's reception-ticket system: it reads the\n"
             "ticket issuer's program folder, shows a window for each consultation room under\n"
             "an information band, and ends when the issuer does. The words that are not\n"
             "options are the issuer's command line (case does not matter):\n"
             "  -tolv           every room open today, on the monitor that TYPE names\n"
             "  [a|b|c]ROOMS    the first, second or third monitor from the left, and the\n"
             "                  rooms by their digits (b12); digits above the number of\n"
             "                  rooms are skipped\n"
             "  (nothing)       ends at once, as when another copy runs\n",
    .more = "Without a screen, run it offscreen: QT_QPA_PLATFORM=offscreen, with --screenshot\n"
            "or --state to see what it shows.\n"
            "\n"
            "Exit status: 0 normal end, 1 the program folder cannot be written, there is no\n"
            "screen, or --test-sound could not play, 2 usage error.\n",
    .operands = Operands::Anywhere,
};

} // namespace

ProgramOptions ParseProgramArguments(const std::vector<std::string>& args) {
    ProgramOptions o;
    const ParsedCommandLine parsed = ParseCommandLine(args, kUsage, kOptions, o);
    o.help = parsed.request == ParsedCommandLine::Request::Help;
    o.version = parsed.request == ParsedCommandLine::Request::Version;
    o.error = parsed.problem;
    std::string joined;
    for (const std::string& word : parsed.operands) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    o.commandLine = NormaliseCommandLine(joined);
    return o;
}

std::optional<int> AnswerEarly(const ProgramOptions& options) {
    ParsedCommandLine parsed;
    parsed.problem = options.error;
    if (options.help) {
        parsed.request = ParsedCommandLine::Request::Help;
    } else if (options.version) {
        parsed.request = ParsedCommandLine::Request::Version;
    }
    return AnswerEarly(parsed, kUsage, kOptions);
}

std::string UsageText() {
    return HelpText(kUsage, kOptions);
}

std::string NormaliseCommandLine(std::string_view text) {
    return ToLowerAscii(TrimWhiteSpace(text));
}

RoomSelection SelectRooms(std::string_view commandLine, int roomCount) {
    RoomSelection sel;
    std::string rest(commandLine);
    // Only the first letter found counts; all of its occurrences go before the digits are read.
    static constexpr char kLetters[] = {'a', 'b', 'c'};
    for (int m = 0; m < 3; ++m) {
        if (rest.find(kLetters[m]) != std::string::npos) {
            std::erase(rest, kLetters[m]);
            sel.monitor = m;
            break;
        }
    }
    for (char c : rest) {
        const int room = c - '0';
        if (c >= '0' && c <= '9' && room > 0 && room <= roomCount) {
            sel.rooms[static_cast<std::size_t>(room)] = true;
            sel.fromCommandLine = true;
        }
    }
    return sel;
}

int MonitorFromType(double type) {
    if (type == 1 || type == 6) {
        return 1;
    }
    if (type == 8 || type == 9) {
        return 2;
    }
    return 0;
}

} // namespace zarava
