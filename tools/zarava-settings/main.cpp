// zarava-settings: reads or writes one value of the display's settings file, exactly as the
// display does, so that administrators and scripts see what the display sees.

#include "platform/SystemClock.h"
#include "settings/IniRedWrt.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kNotWritten = 1;
constexpr int kUsageError = 2;

constexpr std::string_view kUsage =
    "Usage: zarava-settings [--file PATH] get SECTION KEY\n"
    "       zarava-settings [--file PATH] set SECTION KEY VALUE\n"
    "       zarava-settings --help\n"
    "\n"
    "Reads or writes one value of the display's settings file the way the display does:\n"
    "section and key names match without regard to ASCII case, and a missing or empty value\n"
    "is read once more after 100 ms. Texts are UTF-8 here and code page 932 in the file.\n"
    "\n"
    "  get   prints the value (at most 255 bytes of the file), then a newline; a missing\n"
    "        or empty value prints just the newline\n"
    "  set   writes the value, creating the file, the section or the key when missing;\n"
    "        every other byte of the file stays as it was\n"
    "\n"
    "Options:\n"
    "  --file PATH   the settings file (default: zarava.ini in the current folder)\n"
    "  --help        shows this text\n"
    "\n"
    "Exit status: 0 done, 1 the value could not be written, 2 usage error.\n";

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int UsageError(std::string_view problem) {
    Print(stderr, "zarava-settings: ");
    Print(stderr, problem);
    Print(stderr, "\n\n");
    Print(stderr, kUsage);
    return kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    std::string file = "zarava.ini";
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::size_t i = 0;
    // Options come before the command; everything after it is taken as given, so a value may
    // start with '-'.
    for (; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help") {
            Print(stdout, kUsage);
            return kDone;
        }
        if (arg == "--file") {
            if (i + 1 >= args.size()) {
                return UsageError("--file needs a path");
            }
            file = args[++i];
        } else if (arg.starts_with("--file=")) {
            file = arg.substr(7);
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            return UsageError("unknown option " + std::string(arg));
        } else {
            break;
        }
    }
    if (file.empty()) {
        return UsageError("--file needs a path");
    }
    if (i >= args.size()) {
        return UsageError("no command given");
    }
    const std::string_view command = args[i];
    const std::vector<std::string_view> operands(args.begin() + i + 1, args.end());
    zarava::SystemClock clock;
    if (command == "get") {
        if (operands.size() != 2) {
            return UsageError("get needs SECTION and KEY");
        }
        std::string value = zarava::ReadSetting(clock, operands[0], operands[1], file);
        value.push_back('\n');
        Print(stdout, value);
        return kDone;
    }
    if (command == "set") {
        if (operands.size() != 3) {
            return UsageError("set needs SECTION, KEY and VALUE");
        }
        return zarava::WriteSetting(clock, operands[0], operands[1], operands[2], file) != 0
                   ? kDone
                   : kNotWritten;
    }
    return UsageError("unknown command " + std::string(command));
}
