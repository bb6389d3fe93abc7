#include "files/SingleInstance.h"

#include "SystemCalls.h"

namespace zarava {

using windows::FromNative;
using windows::ToNative;

namespace {

bool Lock(HANDLE file, DWORD flags) {
    OVERLAPPED range{}; // the first byte
    return LockFileEx(file, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range);
}

void Unlock(HANDLE file) {
    OVERLAPPED range{};
    UnlockFileEx(file, 0, 1, 0, &range);
}

} // namespace

std::string SingleInstance::DefaultLockPath() {
    // The user's own local application data, which no other user shares; else the user's
    // temporary folder.
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        length = GetTempPathW(MAX_PATH, folder);
    }
    return JoinPath(windows::Utf8({folder, length}), "zarava-display.lock");
}

SingleInstance::SingleInstance(const std::string& lockPath) {
    const HANDLE file =
        CreateFileW(windows::Wide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                    windows::kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return; // no lock file: behave as the only copy rather than refuse to start
    }
    file_ = ToNative(file);
    if (Lock(file, LOCKFILE_EXCLUSIVE_LOCK)) {
        Unlock(file);
    } else {
        another_ = GetLastError() == ERROR_LOCK_VIOLATION;
    }
    // Every copy keeps a shared hold, so later copies see it whatever this one's command line.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Lock(file, 0)) {
            break;
        }
        Sleep(2); // another copy is in its own brief exclusive test
    }
}

SingleInstance::~SingleInstance() {
    if (file_ != kNoFile) {
        Unlock(FromNative(file_));
        CloseHandle(FromNative(file_));
    }
}

} // namespace zarava
