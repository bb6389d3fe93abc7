#include "KioskSettings.h"

#include "text/Text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace zarava::kiosk {

namespace {

using Wanted = std::optional<std::string>;

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsWhiteSpace(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsWhiteSpace(text[at])) {
            ++at;
        }
        if (at > start) {
            words.emplace_back(text.substr(start, at - start));
        }
    }
    return words;
}

// --tick-ms paces every wait of the kiosk; only the tests shorten it, so it is not in the help.
constexpr OptionRow<KioskSettings> kOptions[] = {
    {"--config", "FILE",
     "the settings file (default: ~/.config/zarava-display/kiosk.conf, else "
     "/etc/zarava-display/kiosk.conf, the first that exists)",
     KeepText<&KioskSettings::configFile>},
    {"--folder", "DIR", "the issuer's program folder, holding zarava.ini",
     KeepText<&KioskSettings::folder>},
    {"--display", "PATH",
     "the display program (default: zarava-display beside this program, else on PATH)",
     KeepText<&KioskSettings::display>},
    {"--command-line", "WORDS",
     "the issuer's command line for the display, split at blanks (default: -tolv); the same "
     "as the words after --",
     [](KioskSettings& s, std::string_view v) -> Wanted {
         s.commandLine = SplitWords(v);
         if (s.commandLine.empty()) {
             return "the issuer's command line";
         }
         return {};
     }},
    {"--tick-ms", "MS", "",
     [](KioskSettings& s, std::string_view v) -> Wanted {
         const std::optional<double> ms = NumberWithin(v, 1, 60000, NumberKind::Whole);
         if (!ms) {
             return "a number of milliseconds from 1 to 60000";
         }
         s.tickMs = static_cast<int>(*ms);
         return {};
     }},
};

// The options that the settings file may give too, by the same name without the dashes.
constexpr std::string_view kFileSettings[] = {"--folder", "--display", "--command-line"};

const ProgramUsage kUsage{
    .program = "zarava-kiosk",
    .synopsis = {"[--config FILE] [--folder DIR] [--display PATH] [-- COMMAND LINE...]"},
    .about =
        "Starts the waiting-room display whenever the ticket issuer runs, on a PC that reads the\n"
        "issuer's program folder (usually a network share) without running the issuer itself.\n"
        "About once a second it reads FORM in the folder's zarava.ini; when bit 1 or 2 is set on\n"
        "two reads in a row it starts \"zarava-display --folder DIR COMMAND LINE\" and waits for\n"
        "it. The display closes by itself about 11 seconds after the issuer clears both bits, and\n"
        "the kiosk waits for them again. A display that ends while the issuer still runs (a\n"
        "crash, a signal, a close by hand) is started again; after 3 failed or quick ends in a\n"
        "row (an exit status other than 0, a signal, or an end within 10 seconds) the kiosk waits\n"
        "1 minute before the next start, twice as long after each further one, up to 10 minutes.\n"
        "A display that was killed cannot clear its running mark (bit 4 of FORM): the kiosk\n"
        "clears it. A folder that is missing or cannot be read, as a share not yet mounted at\n"
        "boot, is waited for.\n",
    .more =
        "Settings file: one \"name = value\" a line, with the names of the options (folder,\n"
        "display, command-line); blank lines and lines starting with # are skipped. What the\n"
        "command line gives wins over the file.\n"
        "\n"
        "Log: each start and end of the display and each change of what the kiosk waits for\n"
        "goes to standard error, after the date and time, and to the folder's operations log\n"
        "(Log/YYYYMMDD.log, shared with the display); while the folder or its zarava.ini cannot\n"
        "be read, to standard error only. A change that comes back within a minute is counted,\n"
        "not written again.\n"
        "\n"
        "SIGTERM, SIGINT and SIGHUP are passed on to the display, which closes as the user would\n"
        "close it; then the kiosk ends.\n"
        "\n"
        "Exit status: 0 stopped by a signal, 2 usage or settings error, 3 another zarava-kiosk\n"
        "of this user already follows the same folder with the same command line.\n",
    .operands = Operands::AfterEndMark,
    .operandsName = "the display's command line",
};

// The row of a name that the settings file may give; nothing for any other name.
const OptionRow<KioskSettings>* FileSetting(std::string_view name) {
    for (const std::string_view option : kFileSettings) {
        if (option.substr(2) == name) {
            return &*std::find_if(std::begin(kOptions), std::end(kOptions),
                                  [option](const auto& row) { return row.name == option; });
        }
    }
    return nullptr;
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The settings file given, or else the first of the defaults that exists; empty: none.
std::string ConfigFile(const KioskSettings& settings, const ParsedCommandLine& parsed,
                       const std::vector<std::string>& defaultConfigFiles) {
    if (std::find(parsed.given.begin(), parsed.given.end(), "--config") != parsed.given.end()) {
        return settings.configFile;
    }
    for (const std::string& candidate : defaultConfigFiles) {
        if (IsFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

// What the settings file adds to the command line; the problem, or empty.
std::string ReadConfigFile(KioskSettings& settings, const ParsedCommandLine& parsed) {
    std::ifstream in(settings.configFile, std::ios::binary);
    if (!in) {
        return "cannot read the settings file " + settings.configFile;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ApplyConfigText(text, settings.configFile, parsed.given, settings);
}

} // namespace

std::string ApplyConfigText(std::string_view text, const std::string& fileName,
                            const std::vector<std::string_view>& given, KioskSettings& settings) {
    int lineNo = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = TrimWhiteSpace(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNo;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::string where = fileName + " line " + std::to_string(lineNo) + ": ";
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return where + "expected name = value";
        }
        const std::string name(TrimWhiteSpace(line.substr(0, equals)));
        const std::string_view value = TrimWhiteSpace(line.substr(equals + 1));
        const OptionRow<KioskSettings>* row = FileSetting(name);
        if (row == nullptr) {
            return where + "unknown name '" + name + "'";
        }
        if (std::find(given.begin(), given.end(), row->name) != given.end()) {
            continue;
        }
        if (value.empty()) {
            return where + name + " needs a value";
        }
        if (const Wanted wanted = row->apply(settings, value)) {
            return where + name + " needs " + *wanted + ", not '" + std::string(value) + "'";
        }
    }
    return {};
}

ParsedKioskArguments ParseKioskArguments(const std::vector<std::string>& args,
                                         const std::vector<std::string>& defaultConfigFiles) {
    ParsedKioskArguments result;
    KioskSettings& settings = result.settings;
    ParsedCommandLine& parsed = result.parsed;
    parsed = ParseCommandLine(args, kUsage, kOptions, settings);
    if (!parsed.problem.empty() || parsed.request != ParsedCommandLine::Request::Run) {
        return result;
    }
    if (parsed.endMark) {
        if (parsed.operands.empty()) {
            parsed.problem = "-- needs the display's command line after it";
            return result;
        }
        settings.commandLine = parsed.operands;
        parsed.given.push_back("--command-line");
    }
    settings.configFile = ConfigFile(settings, parsed, defaultConfigFiles);
    if (!settings.configFile.empty()) {
        parsed.problem = ReadConfigFile(settings, parsed);
        if (!parsed.problem.empty()) {
            return result;
        }
    }
    if (settings.folder.empty()) {
        parsed.problem =
            "no program folder: give --folder DIR or set folder in the settings file (" +
            (settings.configFile.empty() ? std::string("none found") : settings.configFile) + ")";
    }
    return result;
}

std::vector<std::string> DefaultConfigFiles() {
    std::vector<std::string> files;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        files.push_back(std::string(configHome) + "/zarava-display/kiosk.conf");
    } else if (home != nullptr && home[0] == '/') {
        files.push_back(std::string(home) + "/.config/zarava-display/kiosk.conf");
    }
    files.emplace_back("/etc/zarava-display/kiosk.conf");
    return files;
}

std::optional<int> AnswerEarly(const ParsedKioskArguments& arguments) {
    return zarava::AnswerEarly(arguments.parsed, kUsage, kOptions);
}

int ReportUsageError(std::string_view problem) {
    return zarava::ReportUsageError(kUsage, problem);
}

} // namespace zarava::kiosk
