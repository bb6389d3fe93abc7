// zarava-settings: reads or writes one value of the display's settings file, exactly as the
// display does, so that administrators and scripts see what the display sees.

#include "engine/SystemClock.h"
#include "files/Files.h"
#include "files/Folders.h"
#include "files/ThisProgram.h"
#include "options/CommandLineOptions.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zarava;

constexpr int kDone = 0;
constexpr int kFileProblem = 1;

struct Settings {
    std::string file; // empty: zarava.ini in the current folder, its name in any case
};

constexpr OptionRow<Settings> kOptions[] = {
    {"--file", "PATH",
     "the settings file (default: zarava.ini in the current folder, its name in any case)",
     KeepText<&Settings::file>},
};

const ProgramUsage kUsage{
    .program = "zarava-settings",
    .synopsis = {"[--file PATH] get SECTION KEY", "[--file PATH] set SECTION KEY VALUE"},
    .about =
        "Reads or writes one value of the display's settings file the way the display does:\n"
        "section and key names match without regard to ASCII case, and a missing or empty value\n"
        "is read once more after 100 ms. Texts are UTF-8 here and code page 932 in the file (a\n"
        "file that starts with a UTF-8 or UTF-16 byte-order mark is read and written in that).\n"
        "\n"
        "  get   prints the value (at most 255 bytes of the file), then a newline; a missing\n"
        "        or empty value prints just the newline; a missing file is an error\n"
        "  set   writes the value, creating the file, the section or the key when missing;\n"
        "        every other byte of the file stays as it was\n"
        "\n"
        "Refused as mistakes: names that could never be read back (that start with '[' or ';'\n"
        "or with a tab, or hold '=', ']' or a line break), a value with a line break, and text\n"
        "that the file cannot hold (in code page 932, accented letters or emoji).\n",
    .more = "Exit status: 0 done, 1 the file or its folder cannot be read or written, 2 usage\n"
            "error or text the file cannot hold.\n",
    .operands = Operands::AfterOptions,
};

int Fail(const std::string& problem) {
    std::fprintf(stderr, "zarava-settings: %s\n", problem.c_str());
    return kFileProblem;
}

// Why a section or key name could never be read back from the file, if it could not: it
// would start a section or a comment line, end the name early, or break the line. The store
// trims spaces off names, but no other white space, which the file's own names never keep.
std::optional<std::string> UnreadableName(std::string_view name) {
    const std::string_view trimmed = TrimNameArgument(name);
    if (trimmed.starts_with('[') || trimmed.starts_with(';')) {
        return "starts with '" + std::string(1, trimmed.front()) + "'";
    }
    for (const char c : {'=', ']'}) {
        if (trimmed.find(c) != std::string_view::npos) {
            return "holds '" + std::string(1, c) + "'";
        }
    }
    if (BreaksProfileLine(trimmed)) {
        return "holds a line break";
    }
    const auto blank = [](char c) { return c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; };
    if (!trimmed.empty() && (blank(trimmed.front()) || blank(trimmed.back()))) {
        return "starts or ends with white space other than spaces";
    }
    return std::nullopt;
}

// The text as a message can show it, control characters written as C escapes.
std::string Shown(std::string_view text) {
    std::string shown;
    for (const char c : text) {
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

// The first character of the UTF-8 text that the file's form cannot hold, or the whole text
// when it is not UTF-8; nothing when the file can hold it all.
std::optional<std::string> Unholdable(std::string_view text, const ProfileContent& content) {
    if (content.FromUtf8(text)) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        while (at + length < text.size() && (text[at + length] & 0xC0) == 0x80) {
            ++length;
        }
        const std::string_view character = text.substr(at, length);
        if (!content.FromUtf8(character)) {
            return std::string(character);
        }
        at += length;
    }
    return std::string(text);
}

constexpr const char* kWhat[] = {"section name", "key name", "value"};

// A usage mistake in the names or the value, found before the file is read: text that the
// file could never give back as written.
std::optional<std::string> WordMistake(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (i < 2) {
            if (const std::optional<std::string> why = UnreadableName(word)) {
                return std::string(kWhat[i]) + " \"" + Shown(word) +
                       "\" could never be read back: it " + *why;
            }
        } else if (BreaksProfileLine(word)) {
            return "the value \"" + Shown(word) + "\" holds a line break, which a setting cannot";
        }
    }
    return std::nullopt;
}

// A word with a character that the file's text form cannot hold.
std::optional<std::string> TextMistake(const std::vector<std::string>& words,
                                       const ProfileContent& content) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (const std::optional<std::string> character = Unholdable(words[i], content)) {
            return std::string(kWhat[i]) + " \"" + Shown(words[i]) + "\": " +
                   (content.Form() == ProfileForm::Cp932
                        ? "\"" + *character + "\" is not in code page 932, the file's text form"
                        : std::string("not UTF-8 text"));
        }
    }
    return std::nullopt;
}

// Why the settings file cannot be read; nothing when it can. A missing file or folder is
// told apart from an empty value, so that a share that is not mounted shows.
std::optional<std::string> ReadProblemOnce(const std::string& file, FileBytes& bytes) {
    switch (ReadWholeFile(file, bytes, kMaxSettingsFileBytes)) {
    case ReadFileResult::Ok:
        return std::nullopt;
    case ReadFileResult::Missing:
        if (!FolderExists(FolderOfPath(file))) {
            return "no folder " + FolderOfPath(file) + " (is the share mounted?)";
        }
        return "no settings file " + file;
    case ReadFileResult::NotAFile:
        return file + " is not a file";
    case ReadFileResult::TooLarge:
        return file + " is too large for a settings file";
    case ReadFileResult::Failed:
        break;
    }
    return "cannot read " + file + ": " + AccessRefusal(file, Access::Read).value_or("I/O error");
}

// A file that cannot be read at the first look is looked at once more after the display's
// pause, as the display does: another writer may be putting a new file in its place right then
// (Wine's file replacement leaves the name missing for an instant).
std::optional<std::string> ReadProblem(Clock& clock, const std::string& file, FileBytes& bytes) {
    if (!ReadProblemOnce(file, bytes)) {
        return std::nullopt;
    }
    clock.Sleep(SettingsSnapshot::kRetryPauseMs);
    return ReadProblemOnce(file, bytes);
}

// Why a write that failed did so, as far as can be seen afterwards.
std::string WriteProblem(const std::string& file) {
    const std::string folder = FolderOfPath(file);
    if (!FolderExists(folder)) {
        return "no folder " + folder + " (is the share mounted?)";
    }
    if (EntryExists(file)) {
        if (FolderExists(file)) {
            return file + " is a folder";
        }
        if (const std::optional<std::string> refusal = AccessRefusal(file, Access::Write)) {
            return "cannot write " + file + ": " + *refusal;
        }
    } else if (const std::optional<std::string> refusal = AccessRefusal(folder, Access::CreateIn)) {
        return "cannot create " + file + ": " + *refusal;
    }
    return file + " was not written: it kept changing under the write (another program "
                  "rewrites it), or the share refused it";
}

int Get(Clock& clock, const std::string& file, const std::vector<std::string>& words) {
    if (const std::optional<std::string> mistake = WordMistake(words)) {
        return ReportUsageError(kUsage, *mistake);
    }
    FileBytes bytes;
    if (const std::optional<std::string> problem = ReadProblem(clock, file, bytes)) {
        return Fail(*problem);
    }
    ProfileContent content;
    content.Load(bytes.View());
    if (const std::optional<std::string> mistake = TextMistake(words, content)) {
        return ReportUsageError(kUsage, *mistake);
    }
    std::string value = ReadSetting(clock, words[0], words[1], file);
    value.push_back('\n');
    std::fwrite(value.data(), 1, value.size(), stdout);
    return kDone;
}

int Set(Clock& clock, const std::string& file, const std::vector<std::string>& words) {
    if (const std::optional<std::string> mistake = WordMistake(words)) {
        return ReportUsageError(kUsage, *mistake);
    }
    FileBytes bytes;
    (void)ReadWholeFile(file, bytes, kMaxSettingsFileBytes); // a new file is code page 932
    ProfileContent content;
    content.Load(bytes.View());
    if (const std::optional<std::string> mistake = TextMistake(words, content)) {
        return ReportUsageError(kUsage, *mistake);
    }
    if (WriteSetting(clock, words[0], words[1], words[2], file) == 0) {
        return Fail(WriteProblem(file));
    }
    return kDone;
}

} // namespace

int main(int argc, char** argv) {
    PrepareStandardStreams();
    Settings settings;
    const ParsedCommandLine parsed =
        ParseCommandLine(ProgramArguments(argc, argv), kUsage, kOptions, settings);
    if (const std::optional<int> status = AnswerEarly(parsed, kUsage, kOptions)) {
        return *status;
    }
    if (parsed.operands.empty()) {
        return ReportUsageError(kUsage, "no command given");
    }
    const std::string& command = parsed.operands.front();
    const std::vector<std::string> words(parsed.operands.begin() + 1, parsed.operands.end());
    // The display finds its settings file whatever the case of its name; so does this.
    const std::string file = !settings.file.empty()
                                 ? settings.file
                                 : FindEntryIgnoringCase(".", "zarava.ini").value_or("zarava.ini");
    SystemClock clock;
    if (command == "get") {
        return words.size() == 2 ? Get(clock, file, words)
                                 : ReportUsageError(kUsage, "get needs SECTION and KEY");
    }
    if (command == "set") {
        return words.size() == 3 ? Set(clock, file, words)
                                 : ReportUsageError(kUsage, "set needs SECTION, KEY and VALUE");
    }
    return ReportUsageError(kUsage, "unknown command " + command);
}
