#pragma once

// The Win32 calls of the Windows file layer, each asking the plans of FileFaults.h first and,
// when one says so, failing as the system would, with the last error set. Paths are UTF-8 in
// the core and UTF-16 here: every call is a wide one, so no name depends on the ANSI code page.

#include "files/FileFaults.h"
#include "files/Files.h"
#include "files/Folders.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zarava::windows {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Every file of ours is opened so that other programs may still read, write, rename and
// delete it: the issuer's saves must never fail because the display is looking at the file.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The system's own words for an error (in the language of the system), without the line
// break it ends them with.
std::string SystemErrorText(DWORD error);

// True, with the last error set, when a plan fails this operation on the path.
bool Faulted(FileOperation operation, const std::string& path);

// What the last error of a failed open or write means for its caller.
WriteFileResult WriteFailure(DWORD error, const std::string& path);

HANDLE Open(FileOperation operation, const std::string& path, DWORD access, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL);

// Opens an existing entry with `access` and keeps it only when it is a regular file on a disk
// or share: a folder, a pipe or a device in a file's place is refused. INVALID_HANDLE_VALUE
// with `result` saying why.
HANDLE OpenRegular(const std::string& path, DWORD access, ReadFileResult& result);

// True for a handle on a regular file (not a folder, pipe, console or device).
bool IsRegular(HANDLE file);

// The file's size; nothing when it cannot be read.
std::optional<std::uint64_t> SizeOf(HANDLE file);

// Every byte, from `offset`, or at the end for a handle opened to append only (offset -1).
// A full disk may cut it short; false at the first error.
bool WriteAll(const std::string& path, HANDLE file, std::string_view bytes,
              std::int64_t offset = -1);
// The bytes read from `offset`, 0 at the end of the file, -1 on an error.
std::int64_t ReadAt(const std::string& path, HANDLE file, char* bytes, std::size_t size,
                    std::uint64_t offset);
// The reads of an open file through ReadAt, for ReadOpenFile.
ReadAtFunction ReaderOf(const std::string& path, HANDLE file);
bool Flush(const std::string& path, HANDLE file);

// A moment as the system counts it (100 ns since 1601) in the core's form, and back.
FileTime FromSystemTime(const FILETIME& time);
FileTime FromSystemTime(const LARGE_INTEGER& time);

// Closes the handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE);
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

private:
    HANDLE handle_;
};

// The handle kept in the core's headers (NativeFile) and back.
inline NativeFile ToNative(HANDLE handle) {
    return reinterpret_cast<NativeFile>(handle);
}
inline HANDLE FromNative(NativeFile file) {
    return reinterpret_cast<HANDLE>(file);
}

} // namespace zarava::windows
