#pragma once

// The system calls of the POSIX file layer that a test can make fail (FileFaults.h): each asks
// the plans first and, when one says so, fails as the system would, with errno set.

#include "files/FileFaults.h"
#include "files/Files.h"

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zarava::posix {

// True, with errno set, when a plan fails this operation on the path.
bool Faulted(FileOperation operation, const std::string& path);

// What an errno of a failed open or write means for its caller.
WriteFileResult WriteFailure(int error);

int Open(FileOperation operation, const std::string& path, int flags, mode_t mode = 0);

// Opens an existing entry for reading (and writing with O_RDWR) without ever waiting on it, and
// keeps it only when it is a regular file: a pipe or a device in a file's place (on a broken
// or hostile share) would block the reader or never end. -1 with `result` saying why.
int OpenRegular(const std::string& path, int flags, ReadFileResult& result);

// A write from `offset` (or at the end, with offset -1) that a full disk may cut short: then
// the bytes that fit are written and the call fails with ENOSPC.
ssize_t Write(const std::string& path, int fd, const char* bytes, std::size_t size,
              off_t offset = -1);
// Every byte, from `offset` (or at the end), going on after short writes. False at the first
// error.
bool WriteAll(const std::string& path, int fd, std::string_view bytes, off_t offset = -1);
ssize_t ReadAt(const std::string& path, int fd, char* bytes, std::size_t size, off_t offset);
// The reads of an open file through ReadAt, for ReadOpenFile.
ReadAtFunction ReaderOf(const std::string& path, int fd);
int Flush(const std::string& path, int fd);
int Rename(const std::string& from, const std::string& to);
int Unlink(const std::string& path);

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    void Reset(int fd = -1);
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace zarava::posix
