#include "files/ThisProgram.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

namespace zarava {

namespace {

UINT consoleCodePage = 0;

void RestoreConsoleCodePage() {
    SetConsoleOutputCP(consoleCodePage);
}

} // namespace

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(windows::Utf8(words[i]));
    }
    LocalFree(words);
    return args;
}

void PrepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The console is the user's: its code page goes back to what it was when the program ends.
    consoleCodePage = GetConsoleOutputCP();
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        std::atexit(RestoreConsoleCodePage);
    }
}

std::optional<std::string> AccessRefusal(const std::string& path, Access access) {
    if (access == Access::CreateIn) {
        return std::nullopt;
    }
    // Opened as a read or a write would open it: the read-only attribute, the access list and
    // another program holding the file without sharing all show here.
    const windows::Handle file(CreateFileW(
        windows::Wide(path).c_str(), access == Access::Read ? GENERIC_READ : GENERIC_WRITE,
        windows::kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return windows::SystemErrorText(GetLastError());
    }
    return std::nullopt;
}

} // namespace zarava
