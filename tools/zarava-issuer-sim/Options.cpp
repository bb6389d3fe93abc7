#include "Options.h"

namespace zarava::issuersim {

namespace {

using Wanted = std::optional<std::string>;

// The highest speed: a whole clinic day in under a minute.
constexpr double kMaxSpeed = 3600;

constexpr OptionRow<Options> kOptions[] = {
    {"--folder", "DIR", "the program folder (default: the current folder)",
     KeepText<&Options::folder>},
    {"--rooms", "N",
     "rooms 1..6, written to SHINSATSU so that the display shows them (default: SHINSATSU + 1 "
     "from zarava.ini, else 4)",
     [](Options& o, std::string_view v) -> Wanted {
         const std::optional<double> rooms = NumberWithin(v, 1, 6, NumberKind::Whole);
         if (!rooms) {
             return "a whole number from 1 to 6";
         }
         o.rooms = static_cast<int>(*rooms);
         return {};
     }},
    {"--speed", "X",
     "clinic seconds per real second (default 1 = real time); above 1 the clinic clock starts "
     "at 9:00:00, otherwise at the time of day",
     [](Options& o, std::string_view v) -> Wanted {
         const std::optional<double> speed = NumberWithin(v, 0, kMaxSpeed, NumberKind::Fraction);
         if (!speed || *speed == 0) {
             return "a number above 0, at most 3600";
         }
         o.speed = *speed;
         return {};
     }},
    {"--seed", "S",
     "makes the random clinic repeat itself (default: a fresh seed, printed at the start)",
     [](Options& o, std::string_view v) -> Wanted {
         const std::optional<double> seed = NumberWithin(v, 0, 4294967295.0, NumberKind::Whole);
         if (!seed) {
             return "a whole number from 0 to 4294967295";
         }
         o.seed = static_cast<std::uint32_t>(*seed);
         return {};
     }},
    {"--duration", "SECONDS", "ends after that many real seconds (default: until stopped)",
     [](Options& o, std::string_view v) -> Wanted {
         const std::optional<double> seconds = ParseDecimal(v);
         if (!seconds || *seconds <= 0) {
             return "a number of seconds above 0";
         }
         o.duration = *seconds;
         return {};
     }},
    {"--script", "FILE", "plays the actions of FILE instead of the random clinic",
     KeepText<&Options::script>},
};

const ProgramUsage kUsage{
    .program = "zarava-issuer-sim",
    .synopsis = {"[--folder DIR] [--rooms N] [--speed X] [--seed S] [--duration SECONDS]",
                 "[--folder DIR] [--speed X] [--duration SECONDS] --script FILE"},
    .about =
        "Plays a clinic's reception against a program folder, writing zarava.ini, the rooms'\n"
        "queue files temp/<TODAY>_<room>.tmp and news.sjis as the ticket issuer does, and takes\n"
        "the codes that the display hands on in hkcode.tmp (printed as \"checked in: CODE\").\n"
        "Every action is printed with the real seconds since the start. While it runs, bit 1\n"
        "of FORM in [USER INFOMATION] is set; it is cleared at the end, also after Ctrl-C,\n"
        "SIGTERM or SIGHUP. TODAY is set to today's date at the start.\n",
    .more = "Script: one action per line; blank lines and lines starting with # are skipped.\n"
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
            "runs on it, 2 usage error.\n",
};

} // namespace

std::optional<int> ReadCommandLine(const std::vector<std::string>& args, Options& options) {
    return AnswerEarly(ParseCommandLine(args, kUsage, kOptions, options), kUsage, kOptions);
}

int ReportUsageError(std::string_view problem) {
    return zarava::ReportUsageError(kUsage, problem);
}

} // namespace zarava::issuersim
