// zarava-settings: reads or writes one value of the display's settings file, exactly as the
// display does, so that administrators and scripts see what the display sees.

#include "engine/SystemClock.h"
#include "files/Folders.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <optional>
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
    "is read once more after 100 ms. Texts are UTF-8 here and code page 932 in the file (a\n"
    "file that starts with a UTF-8 or UTF-16 byte-order mark is read and written in that).\n"
    "\n"
    "  get   prints the value (at most 255 bytes of the file), then a newline; a missing\n"
    "        or empty value prints just the newline\n"
    "  set   writes the value, creating the file, the section or the key when missing;\n"
    "        every other byte of the file stays as it was\n"
    "\n"
    "Names that could never be read back are refused: names that start with '[' or ';' or\n"
    "with a tab, or hold '=', ']' or a line break.\n"
    "\n"
    "Options:\n"
    "  --file PATH   the settings file (default: zarava.ini in the current folder, its name\n"
    "                in any case)\n"
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

// Why a section or key name could never be read back from the file, if it could not: it
// would start a section or a comment line, end the name early, or break the line. The store
// trims spaces off names, but no other white space, which the file's own names never keep.
std::optional<std::string> UnreadableName(std::string_view name) {
    const std::string_view trimmed = zarava::TrimNameArgument(name);
    if (trimmed.starts_with('[') || trimmed.starts_with(';')) {
        return "starts with '" + std::string(1, trimmed.front()) + "'";
    }
    for (const char c : {'=', ']'}) {
        if (trimmed.find(c) != std::string_view::npos) {
            return "holds '" + std::string(1, c) + "'";
        }
    }
    if (trimmed.find_first_of("\r\n") != std::string_view::npos) {
        return "holds a line break";
    }
    const auto blank = [](char c) { return c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; };
    if (!trimmed.empty() && (blank(trimmed.front()) || blank(trimmed.back()))) {
        return "starts or ends with white space other than spaces";
    }
    return std::nullopt;
}

// The name as a message can show it, control characters written as C escapes.
std::string Shown(std::string_view name) {
    std::string shown;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}

// A usage error for the first of the names that could never be read back.
std::optional<int> CheckNames(std::string_view section, std::string_view key) {
    for (const auto& [what, name] : {std::pair{"section", section}, std::pair{"key", key}}) {
        if (const std::optional<std::string> why = UnreadableName(name)) {
            return UsageError(std::string(what) + " name \"" + Shown(name) +
                              "\" could never be read back: it " + *why);
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    std::string file;
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
            if (file.empty()) {
                return UsageError("--file needs a path");
            }
        } else if (arg.starts_with("--file=")) {
            file = arg.substr(7);
            if (file.empty()) {
                return UsageError("--file needs a path");
            }
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
        // The display finds its settings file whatever the case of its name; so does this.
        file = zarava::FindEntryIgnoringCase(".", "zarava.ini").value_or("zarava.ini");
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
        if (const std::optional<int> error = CheckNames(operands[0], operands[1])) {
            return *error;
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
        if (const std::optional<int> error = CheckNames(operands[0], operands[1])) {
            return *error;
        }
        return zarava::WriteSetting(clock, operands[0], operands[1], operands[2], file) != 0
                   ? kDone
                   : kNotWritten;
    }
    return UsageError("unknown command " + std::string(command));
}
