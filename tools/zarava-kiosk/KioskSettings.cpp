#include "KioskSettings.h"

#include "text/Text.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace zarava::kiosk {

const std::string_view kUsage =
    "Usage: zarava-kiosk [--config FILE] [--folder DIR] [--display PATH] [-- COMMAND LINE...]\n"
    "  or:  zarava-kiosk --help | --version\n"
    "\n"
    "Starts the waiting-room display whenever the ticket issuer runs, on a PC that reads the\n"
    "issuer's program folder (usually a network share) without running the issuer itself.\n"
    "About once a second it reads FORM in the folder's zarava.ini; when bit 1 or 2 is set on\n"
    "two reads in a row it starts \"zarava-display --folder DIR COMMAND LINE\" and waits for\n"
    "it. The display closes by itself about 11 seconds after the issuer clears both bits, and\n"
    "the kiosk waits for them again. A display that ends while the issuer still runs (a\n"
    "crash, a signal, a close by hand) is started again; after 3 failed or quick ends in a\n"
    "row (an exit status other than 0, a signal, or an end within 10 seconds) the kiosk waits\n"
    "1 minute before the next start, twice as long after each further one, up to 10 minutes.\n"
    "A folder that is missing or cannot be read, as a share not yet mounted at boot, is waited\n"
    "for.\n"
    "\n"
    "Options:\n"
    "  --config FILE     the settings file (default: ~/.config/zarava-display/kiosk.conf,\n"
    "                    else /etc/zarava-display/kiosk.conf, the first that exists)\n"
    "  --folder DIR      the issuer's program folder, holding zarava.ini\n"
    "  --display PATH    the display program (default: zarava-display beside this program,\n"
    "                    else on PATH)\n"
    "  -- COMMAND LINE   the issuer's command line for the display, one word an argument\n"
    "                    (default: -tolv)\n"
    "  --command-line WORDS  the same as one argument, split at blanks\n"
    "  --help            shows this text\n"
    "  --version         shows the version\n"
    "\n"
    "Settings file: one \"name = value\" a line, with the names of the options (folder,\n"
    "display, command-line); blank lines and lines starting with # are skipped. What the\n"
    "command line gives wins over the file.\n"
    "\n"
    "Log: each start and end of the display and each change of what the kiosk waits for\n"
    "goes to standard error and to the folder's operations log (Log/YYYYMMDD.log, shared\n"
    "with the display); while the folder or its zarava.ini cannot be read, to standard error\n"
    "only. A change that comes back within a minute is counted, not written again.\n"
    "\n"
    "SIGTERM, SIGINT and SIGHUP are passed on to the display, which closes as the user would\n"
    "close it; then the kiosk ends.\n"
    "\n"
    "Exit status: 0 stopped by a signal, 2 usage or settings error, 3 another zarava-kiosk\n"
    "of this user already follows the same folder with the same command line.\n";

namespace {

enum class Name { Config, Folder, Display, CommandLine, TickMs };

struct OptionRow {
    std::string_view option;  // on the command line
    std::string_view setting; // in the settings file; empty: command line only
    Name name;
};

// --tick-ms paces every wait of the kiosk; only the tests shorten it, so it is not in the usage.
constexpr OptionRow kOptions[] = {
    {"--config", "", Name::Config},          {"--folder", "folder", Name::Folder},
    {"--display", "display", Name::Display}, {"--command-line", "command-line", Name::CommandLine},
    {"--tick-ms", "", Name::TickMs},
};

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

// Stores one value; the problem when it does not fit.
std::string Apply(Name name, std::string_view label, std::string_view value,
                  KioskSettings& settings) {
    if (value.empty()) {
        return std::string(label) + " needs a value";
    }
    switch (name) {
    case Name::Config:
        settings.configFile = value;
        break;
    case Name::Folder:
        settings.folder = value;
        break;
    case Name::Display:
        settings.display = value;
        break;
    case Name::CommandLine:
        settings.commandLine = SplitWords(value);
        if (settings.commandLine.empty()) {
            return std::string(label) + " needs a value";
        }
        break;
    case Name::TickMs: {
        char* end = nullptr;
        const std::string text(value);
        const long ms = std::strtol(text.c_str(), &end, 10);
        if (end == text.c_str() || *end != '\0' || ms < 1 || ms > 60000) {
            return std::string(label) + " needs a number of milliseconds from 1 to 60000";
        }
        settings.tickMs = static_cast<int>(ms);
        break;
    }
    }
    return {};
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Contains(const std::vector<std::string>& list, std::string_view item) {
    for (const std::string& entry : list) {
        if (entry == item) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string ApplyConfigText(std::string_view text, const std::string& fileName,
                            const std::vector<std::string>& given, KioskSettings& settings) {
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
        const std::string_view name = TrimWhiteSpace(line.substr(0, equals));
        const std::string_view value = TrimWhiteSpace(line.substr(equals + 1));
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : kOptions) {
            if (!candidate.setting.empty() && candidate.setting == name) {
                row = &candidate;
            }
        }
        if (row == nullptr) {
            return where + "unknown name '" + std::string(name) + "'";
        }
        if (Contains(given, row->setting)) {
            continue;
        }
        if (std::string problem = Apply(row->name, name, value, settings); !problem.empty()) {
            return where + problem;
        }
    }
    return {};
}

ParsedKioskArguments ParseKioskArguments(const std::vector<std::string>& args,
                                         const std::vector<std::string>& defaultConfigFiles) {
    ParsedKioskArguments parsed;
    KioskSettings& settings = parsed.settings;
    std::vector<std::string> given;
    bool configGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            parsed.help = true;
            return parsed;
        }
        if (arg == "--version") {
            parsed.version = true;
            return parsed;
        }
        if (arg == "--") {
            settings.commandLine.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                        args.end());
            if (settings.commandLine.empty()) {
                parsed.problem = "-- needs the display's command line after it";
                return parsed;
            }
            given.emplace_back("command-line");
            break;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view option = std::string_view(arg).substr(0, equals);
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : kOptions) {
            if (candidate.option == option) {
                row = &candidate;
            }
        }
        if (row == nullptr) {
            parsed.problem =
                arg.starts_with("-")
                    ? "unknown option " + arg
                    : "unexpected " + arg + " (the display's command line goes after --)";
            return parsed;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.problem = std::string(option) + " needs a value";
            return parsed;
        }
        if (std::string problem = Apply(row->name, option, value, settings); !problem.empty()) {
            parsed.problem = problem;
            return parsed;
        }
        configGiven = configGiven || row->name == Name::Config;
        if (!row->setting.empty()) {
            given.emplace_back(row->setting);
        }
    }

    if (!configGiven) {
        settings.configFile.clear();
        for (const std::string& candidate : defaultConfigFiles) {
            if (IsFile(candidate)) {
                settings.configFile = candidate;
                break;
            }
        }
    }
    if (!settings.configFile.empty()) {
        std::ifstream in(settings.configFile, std::ios::binary);
        if (!in) {
            parsed.problem = "cannot read the settings file " + settings.configFile;
            return parsed;
        }
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        parsed.problem = ApplyConfigText(text, settings.configFile, given, settings);
        if (!parsed.problem.empty()) {
            return parsed;
        }
    }
    if (settings.folder.empty()) {
        parsed.problem =
            "no program folder: give --folder DIR or set folder in the settings "
            "file (" +
            (settings.configFile.empty() ? std::string("none found") : settings.configFile) + ")";
    }
    return parsed;
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

} // namespace zarava::kiosk
