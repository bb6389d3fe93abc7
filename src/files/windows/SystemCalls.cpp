#include "SystemCalls.h"

#include <algorithm>
#include <cwctype>

namespace zarava::windows {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
// One call reads or writes at most this much; a DWORD counts the bytes.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

DWORD ErrorOf(FileFault fault) {
    switch (fault) {
    case FileFault::Refused:
        return ERROR_ACCESS_DENIED;
    case FileFault::Vanished:
        return ERROR_FILE_NOT_FOUND;
    case FileFault::DiskFull:
        return ERROR_DISK_FULL;
    case FileFault::None:
        break;
    }
    return ERROR_SUCCESS;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_NAME;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// One WriteFile of at most kMaxPiece bytes; the count written, -1 on an error.
std::int64_t WritePiece(HANDLE file, const char* bytes, std::size_t size, std::int64_t offset) {
    DWORD written = 0;
    OVERLAPPED at = At(static_cast<std::uint64_t>(offset));
    const BOOL ok = WriteFile(file, bytes, static_cast<DWORD>(std::min(size, kMaxPiece)), &written,
                              offset < 0 ? nullptr : &at);
    return ok ? static_cast<std::int64_t>(written) : -1;
}

} // namespace

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && std::iswspace(words.back())) {
        words.pop_back();
    }
    return words.empty() ? "error " + std::to_string(error) : Utf8(words);
}

bool Faulted(FileOperation operation, const std::string& path) {
    const PlannedFault planned = FaultFor(operation, path);
    if (planned.fault == FileFault::None) {
        return false;
    }
    SetLastError(ErrorOf(planned.fault));
    return true;
}

WriteFileResult WriteFailure(DWORD error, const std::string& path) {
    if (IsMissing(error)) {
        return WriteFileResult::Missing;
    }
    switch (error) {
    case ERROR_PIPE_BUSY:
        return WriteFileResult::NotAFile;
    case ERROR_ACCESS_DENIED:
        // A folder in the file's place is refused with the same error as a file we may not
        // write.
        return IsFolder(path) ? WriteFileResult::NotAFile : WriteFileResult::Refused;
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return WriteFileResult::Refused;
    default:
        return WriteFileResult::Failed;
    }
}

HANDLE Open(FileOperation operation, const std::string& path, DWORD access, DWORD disposition,
            DWORD flags) {
    if (Faulted(operation, path)) {
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

bool IsRegular(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

HANDLE OpenRegular(const std::string& path, DWORD access, ReadFileResult& result) {
    Handle file(Open(FileOperation::Open, path, access, OPEN_EXISTING));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        // A pipe whose every instance is taken answers busy: it is a pipe all the same.
        result = IsMissing(error) ? ReadFileResult::Missing
                 : error == ERROR_PIPE_BUSY || (error == ERROR_ACCESS_DENIED && IsFolder(path))
                     ? ReadFileResult::NotAFile
                     : ReadFileResult::Failed;
        return INVALID_HANDLE_VALUE;
    }
    if (!IsRegular(file.Get())) {
        result = ReadFileResult::NotAFile;
        return INVALID_HANDLE_VALUE;
    }
    result = ReadFileResult::Ok;
    return file.Release();
}

std::optional<std::uint64_t> SizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool WriteAll(const std::string& path, HANDLE file, std::string_view bytes, std::int64_t offset) {
    const PlannedFault planned = FaultFor(FileOperation::Write, path);
    std::size_t allowed = bytes.size();
    if (planned.fault != FileFault::None) {
        allowed =
            planned.fault == FileFault::DiskFull ? std::min(allowed, planned.bytesWritten) : 0;
    }
    std::size_t done = 0;
    while (done < allowed) {
        const std::int64_t n =
            WritePiece(file, bytes.data() + done, allowed - done,
                       offset < 0 ? -1 : offset + static_cast<std::int64_t>(done));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (planned.fault != FileFault::None) {
        SetLastError(ErrorOf(planned.fault));
        return false;
    }
    return true;
}

std::int64_t ReadAt(const std::string& path, HANDLE file, char* bytes, std::size_t size,
                    std::uint64_t offset) {
    if (Faulted(FileOperation::Read, path)) {
        return -1;
    }
    DWORD read = 0;
    OVERLAPPED at = At(offset);
    if (!ReadFile(file, bytes, static_cast<DWORD>(std::min(size, kMaxPiece)), &read, &at)) {
        // Reading from beyond the end is the end, not an error.
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return static_cast<std::int64_t>(read);
}

ReadAtFunction ReaderOf(const std::string& path, HANDLE file) {
    return [&path, file](char* bytes, std::size_t size, std::uint64_t at) {
        return ReadAt(path, file, bytes, size, at);
    };
}

bool Flush(const std::string& path, HANDLE file) {
    return !Faulted(FileOperation::Flush, path) && FlushFileBuffers(file);
}

FileTime FromSystemTime(const LARGE_INTEGER& time) {
    const std::int64_t ticks = time.QuadPart;
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    return {seconds - kSecondsFrom1601To1970, static_cast<std::int32_t>(rest * 100)};
}

FileTime FromSystemTime(const FILETIME& time) {
    LARGE_INTEGER ticks{};
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = static_cast<LONG>(time.dwHighDateTime);
    return FromSystemTime(ticks);
}

void Handle::Reset(HANDLE handle) {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
    }
    handle_ = handle;
}

} // namespace zarava::windows
