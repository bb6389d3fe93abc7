#pragma once

#include "options/CommandLineOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava::kiosk {

// What the kiosk follows and how it starts the display.
struct KioskSettings {
    std::string folder;                            // the issuer's program folder
    std::string display;                           // empty: found beside this program or on PATH
    std::vector<std::string> commandLine{"-tolv"}; // the issuer's command line for the display
    std::string configFile;                        // where the settings came from; empty: none
    int tickMs = 1000;                             // the pace of every wait; shorter only in tests
};

struct ParsedKioskArguments {
    KioskSettings settings;
    // The help or the version asked for, or a mistake in the command line or the settings file.
    ParsedCommandLine parsed;
};

// The command line first, then the settings file it names, or else the first of
// `defaultConfigFiles` that exists; the command line wins over the file.
ParsedKioskArguments ParseKioskArguments(const std::vector<std::string>& args,
                                         const std::vector<std::string>& defaultConfigFiles);

// Reads the settings file's lines ("name = value", '#' comments) into `settings`, leaving out
// the options listed in `given`. The problem, with its line number, or empty.
std::string ApplyConfigText(std::string_view text, const std::string& fileName,
                            const std::vector<std::string_view>& given, KioskSettings& settings);

// The user's file, then the system's: $XDG_CONFIG_HOME (or ~/.config)/zarava-display/kiosk.conf
// and /etc/zarava-display/kiosk.conf.
std::vector<std::string> DefaultConfigFiles();

// Answers the help, the version or a mistake; the exit status then, nothing when the kiosk is
// to run.
std::optional<int> AnswerEarly(const ParsedKioskArguments& arguments);

// Reports a mistake found later (a display that is not there); the exit status.
int ReportUsageError(std::string_view problem);

} // namespace zarava::kiosk
