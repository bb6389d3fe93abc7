#include "mainwindow/CommandLine.h"

#include "text/Text.h"

#include <cstdlib>

namespace zarava {

std::string UsageText() {
    return "Usage: zarava-display [--folder DIR] [--after SECONDS] [--screenshot FILE]\n"
           "                      [--state FILE] [ROOMS]\n"
           "       zarava-display [--folder DIR] --test-sound\n"
           "\n"
           "Waiting-room call display. ROOMS is the issuer's command line:\n"
           "  -tolv        every room open today, monitor from the TYPE setting\n"
           "  [a|b|c]DIGITS  first, second or third monitor, rooms by their digits (b12)\n"
           "  (empty)      ends at once, as when another copy runs\n"
           "\n"
           "Options:\n"
           "  --folder DIR        the program folder holding zarava.ini (default: the\n"
           "                      executable's folder)\n"
           "  --after SECONDS     with --screenshot or --state: run this long (up to 86400)\n"
           "                      after the start-up before writing them (default 0);\n"
           "                      alone: end after this long\n"
           "  --screenshot FILE   save a PNG of the whole frame, then end normally\n"
           "  --state FILE        save what every window shows as UTF-8 JSON, then end\n"
           "                      normally\n"
           "  --test-sound        play the chime (or start the voice program, as TALK\n"
           "                      SELECT says) once, say what happened and end: exit\n"
           "                      status 0 when it played, 1 when it could not\n"
           "  --help              show this text\n"
           "  --version           show the version\n";
}

namespace {

// The options of our own: a name, whether it takes a value, and where it goes.
struct OptionRow {
    const char* name;
    bool takesValue;
    void (*apply)(ProgramOptions&, const std::string& value);
};

constexpr OptionRow kOptions[] = {
    {"--folder", true, [](ProgramOptions& o, const std::string& v) { o.folder = v; }},
    {"--screenshot", true, [](ProgramOptions& o, const std::string& v) { o.screenshot = v; }},
    {"--state", true, [](ProgramOptions& o, const std::string& v) { o.state = v; }},
    {"--after", true,
     [](ProgramOptions& o, const std::string& v) {
         char* end = nullptr;
         const double seconds = std::strtod(v.c_str(), &end);
         if (end == v.c_str() || *end != '\0' || !(seconds >= 0) || seconds > 86400) {
             o.error = "--after needs a number of seconds, not " + v;
         }
         o.after = seconds;
         o.afterGiven = true;
     }},
    {"--test-sound", false, [](ProgramOptions& o, const std::string&) { o.testSound = true; }},
    {"--help", false, [](ProgramOptions& o, const std::string&) { o.help = true; }},
    {"--version", false, [](ProgramOptions& o, const std::string&) { o.version = true; }},
};

} // namespace

ProgramOptions ParseProgramArguments(const std::vector<std::string>& args) {
    ProgramOptions o;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            rest.push_back(a);
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : kOptions) {
            if (name == candidate.name) {
                row = &candidate;
            }
        }
        if (row == nullptr || (!row->takesValue && eq != std::string::npos)) {
            o.error = "unknown option " + a;
            return o;
        }
        std::string value;
        if (row->takesValue) {
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            }
            if (value.empty()) {
                o.error = name + " needs a value";
                return o;
            }
        }
        row->apply(o, value);
        if (!o.error.empty()) {
            return o;
        }
    }
    std::string joined;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        joined += (i ? " " : "") + rest[i];
    }
    o.commandLine = NormaliseCommandLine(joined);
    return o;
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
