#include "files/ProgramStart.h"

#include "SystemCalls.h"

#include <algorithm>
#include <vector>

namespace zarava {

using windows::Utf8;
using windows::Wide;

// Nothing to wait for on Windows: a started program's handles are closed at once, and a
// program that ends leaves nothing behind.
class SystemProgramStarter::Reaper {};

namespace {

std::string StartErrorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "not found";
    case ERROR_ACCESS_DENIED:
        return "not executable (permission denied)";
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return "not a program this system can run";
    default:
        return windows::SystemErrorText(error);
    }
}

// One word of a command line as the started program's runtime splits it again
// (CommandLineToArgvW's rules): quoted when it holds blanks or quotes, with the backslashes
// before a quote doubled.
std::wstring Quoted(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return word;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

bool IsProgramFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring Variable(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

// The list's entries, split at ';', with the quotes that may surround one removed.
std::vector<std::wstring> Entries(const std::wstring& list) {
    std::vector<std::wstring> entries;
    std::size_t begin = 0;
    while (begin <= list.size()) {
        const std::size_t end = std::min(list.find(L';', begin), list.size());
        std::wstring entry = list.substr(begin, end - begin);
        std::erase(entry, L'"');
        if (!entry.empty()) {
            entries.push_back(std::move(entry));
        }
        begin = end + 1;
    }
    return entries;
}

} // namespace

std::string FindOnPath(const std::string& name) {
    // A name without an extension is tried with each of the extensions that make a program.
    std::vector<std::wstring> extensions = {L""};
    if (EntryNameOf(name).find('.') == std::string::npos) {
        const std::wstring known = Variable(L"PATHEXT");
        for (std::wstring& extension : Entries(known.empty() ? L".COM;.EXE;.BAT;.CMD" : known)) {
            extensions.push_back(std::move(extension));
        }
    }
    for (const std::wstring& folder : Entries(Variable(L"PATH"))) {
        for (const std::wstring& extension : extensions) {
            const std::wstring candidate = Wide(JoinPath(Utf8(folder), name)) + extension;
            if (IsProgramFile(candidate)) {
                return Utf8(candidate);
            }
        }
    }
    return {};
}

SystemProgramStarter::SystemProgramStarter() = default;

SystemProgramStarter::~SystemProgramStarter() = default;

StartOutcome SystemProgramStarter::Start(const std::string& program, const std::string& argument) {
    StartOutcome outcome;
    const std::wstring path = Wide(program);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        outcome.reason = program + ": " + StartErrorText(GetLastError());
        return outcome;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        outcome.reason = program + ": is a folder, not a program";
        return outcome;
    }
    // Its own folder as its working folder, none of our handles, no console of ours: nothing
    // of it is tied to the display, and the display never waits for it.
    std::wstring commandLine = Quoted(path) + L" " + Quoted(Wide(argument));
    const std::wstring folder = Wide(FolderOfPath(program));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS, nullptr, folder.c_str(),
                        &startup, &started)) {
        outcome.reason = program + ": " + StartErrorText(GetLastError());
        return outcome;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    outcome.started = true;
    outcome.command = program + " " + argument;
    return outcome;
}

} // namespace zarava
