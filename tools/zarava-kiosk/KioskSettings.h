#pragma once

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
    bool help = false;
    bool version = false;
    std::string problem; // empty when everything was understood
};

// The command line first, then the settings file it names, or else the first of
// `defaultConfigFiles` that exists; the command line wins over the file.
ParsedKioskArguments ParseKioskArguments(const std::vector<std::string>& args,
                                         const std::vector<std::string>& defaultConfigFiles);

// Reads the settings file's lines ("name = value", '#' comments) into `settings`, leaving out
// the names listed in `given`. The problem, with its line number, or empty.
std::string ApplyConfigText(std::string_view text, const std::string& fileName,
                            const std::vector<std::string>& given, KioskSettings& settings);

// The user's file, then the system's: $XDG_CONFIG_HOME (or ~/.config)/zarava-display/kiosk.conf
// and /etc/zarava-display/kiosk.conf.
std::vector<std::string> DefaultConfigFiles();

extern const std::string_view kUsage;

} // namespace zarava::kiosk
