#include "files/WriterLock.h"

#include "files/Folders.h"
#include "text/Text.h"

#include "SystemCalls.h"

namespace zarava {

using windows::FromNative;
using windows::ToNative;

namespace {

// The byte the lock covers: far beyond the end of any settings file, because Windows enforces
// byte-range locks against every reader and writer of the range.
constexpr DWORD kLockByte = 0x7FFFFFFE;
constexpr std::size_t kMaxNote = 256;

OVERLAPPED LockRange() {
    OVERLAPPED range{};
    range.Offset = kLockByte;
    return range;
}

// The volume and index that name a file, or nothing.
std::optional<std::pair<DWORD, std::uint64_t>> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return std::nullopt;
    }
    return std::pair{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace

WriterLock::WriterLock(const std::string& target) : target_(target) {
    const std::string path =
        JoinPath(FolderOfPath(target), "." + ToLowerAscii(EntryNameOf(target)) + ".lock");
    // Hidden, as its name makes it elsewhere; it stays for the next writer.
    windows::Handle file(CreateFileW(windows::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     windows::kShareAll, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_HIDDEN, nullptr));
    // Something else put in its place (a device, say) carries no note and no lock.
    if (file.Valid() && windows::IsRegular(file.Get())) {
        file_ = ToNative(file.Release());
    } else {
        OpenTarget();
    }
}

WriterLock::~WriterLock() {
    if (file_ != kNoFile) {
        // Unlocked at once: a lock left to the closing is freed whenever the system gets to it.
        OVERLAPPED range = LockRange();
        UnlockFileEx(FromNative(file_), 0, 1, 0, &range);
        CloseHandle(FromNative(file_));
    }
}

void WriterLock::OpenTarget() {
    if (file_ != kNoFile) {
        CloseHandle(FromNative(file_));
    }
    ReadFileResult ignored = ReadFileResult::Ok;
    file_ = ToNative(windows::OpenRegular(target_, GENERIC_READ | GENERIC_WRITE, ignored));
    onTarget_ = true;
}

WriterLock::Attempt WriterLock::TryTake() {
    if (file_ == kNoFile || windows::Faulted(FileOperation::Lock, target_)) {
        return Attempt::Unavailable;
    }
    OVERLAPPED range = LockRange();
    if (!LockFileEx(FromNative(file_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &range)) {
        const DWORD error = GetLastError();
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Attempt::Busy
                                                                          : Attempt::Unavailable;
    }
    if (onTarget_) {
        // A writer that renamed a new file over the one we locked has moved on to it.
        const windows::Handle now(CreateFileW(windows::Wide(target_).c_str(), FILE_READ_ATTRIBUTES,
                                              windows::kShareAll, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        const auto held = IdentityOf(FromNative(file_));
        if (!held || !now.Valid() || held != IdentityOf(now.Get())) {
            OpenTarget();
            return Attempt::Busy;
        }
    }
    return Attempt::Held;
}

std::optional<FileTime> WriterLock::StampNow() {
    const HANDLE file = FromNative(file_);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    FILE_BASIC_INFO basic{};
    // Read back: the file system keeps the time at its own precision (two seconds on FAT).
    if (onTarget_ || file_ == kNoFile || !SetFileTime(file, nullptr, nullptr, &now) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    return windows::FromSystemTime(basic.LastWriteTime);
}

std::string WriterLock::ReadNote() const {
    if (onTarget_ || file_ == kNoFile) {
        return {};
    }
    char buffer[kMaxNote];
    DWORD read = 0;
    OVERLAPPED start{};
    if (!ReadFile(FromNative(file_), buffer, sizeof buffer, &read, &start)) {
        return {};
    }
    return std::string(buffer, read);
}

void WriterLock::WriteNote(std::string_view note) {
    if (onTarget_ || file_ == kNoFile) {
        return;
    }
    const HANDLE file = FromNative(file_);
    DWORD written = 0;
    OVERLAPPED start{};
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(note.size());
    if (WriteFile(file, note.data(), static_cast<DWORD>(note.size()), &written, &start) &&
        written == note.size()) {
        SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end);
    }
}

} // namespace zarava
