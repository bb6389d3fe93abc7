#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace zarava::posix {

namespace {

int ErrorOf(FileFault fault) {
    switch (fault) {
    case FileFault::Refused:
        return EACCES;
    case FileFault::Vanished:
        return ENOENT;
    case FileFault::DiskFull:
        return ENOSPC;
    case FileFault::None:
        break;
    }
    return 0;
}

} // namespace

bool Faulted(FileOperation operation, const std::string& path) {
    const PlannedFault planned = FaultFor(operation, path);
    if (planned.fault == FileFault::None) {
        return false;
    }
    errno = ErrorOf(planned.fault);
    return true;
}

WriteFileResult WriteFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return WriteFileResult::Missing;
    case EISDIR:
    case ENXIO:
    case ENODEV:
        return WriteFileResult::NotAFile;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteFileResult::Refused;
    default:
        return WriteFileResult::Failed;
    }
}

int Open(FileOperation operation, const std::string& path, int flags, mode_t mode) {
    if (Faulted(operation, path)) {
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int OpenRegular(const std::string& path, int flags, ReadFileResult& result) {
    const int fd = Open(FileOperation::Open, path, flags | O_NONBLOCK);
    if (fd < 0) {
        result = errno == ENOENT || errno == ENOTDIR ? ReadFileResult::Missing
                 : errno == EISDIR || errno == ENXIO ? ReadFileResult::NotAFile
                                                     : ReadFileResult::Failed;
        return -1;
    }
    struct stat st {};
    const bool described = ::fstat(fd, &st) == 0;
    if (!described || !S_ISREG(st.st_mode)) {
        result = described ? ReadFileResult::NotAFile : ReadFileResult::Failed;
        ::close(fd);
        return -1;
    }
    // A regular file never blocks, but a descriptor handed on (to a decoder, say) behaves as
    // its reader expects.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    result = ReadFileResult::Ok;
    return fd;
}

ssize_t Write(const std::string& path, int fd, const char* bytes, std::size_t size, off_t offset) {
    const PlannedFault planned = FaultFor(FileOperation::Write, path);
    std::size_t allowed = size;
    if (planned.fault != FileFault::None) {
        allowed = planned.fault == FileFault::DiskFull ? std::min(size, planned.bytesWritten) : 0;
    }
    ssize_t n = 0;
    if (allowed > 0) {
        do {
            n = offset < 0 ? ::write(fd, bytes, allowed) : ::pwrite(fd, bytes, allowed, offset);
        } while (n < 0 && errno == EINTR);
    }
    if (planned.fault != FileFault::None && n >= 0) {
        errno = ErrorOf(planned.fault);
        return -1;
    }
    return n;
}

bool WriteAll(const std::string& path, int fd, std::string_view bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = Write(path, fd, bytes.data() + done, bytes.size() - done,
                                offset < 0 ? -1 : offset + static_cast<off_t>(done));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

ssize_t ReadAt(const std::string& path, int fd, char* bytes, std::size_t size, off_t offset) {
    if (Faulted(FileOperation::Read, path)) {
        errno = errno == EACCES ? EIO : errno;
        return -1;
    }
    ssize_t n;
    do {
        n = ::pread(fd, bytes, size, offset);
    } while (n < 0 && errno == EINTR);
    return n;
}

ReadAtFunction ReaderOf(const std::string& path, int fd) {
    return [&path, fd](char* bytes, std::size_t size, std::uint64_t at) {
        return static_cast<std::int64_t>(ReadAt(path, fd, bytes, size, static_cast<off_t>(at)));
    };
}

int Flush(const std::string& path, int fd) {
    return Faulted(FileOperation::Flush, path) ? -1 : ::fsync(fd);
}

int Rename(const std::string& from, const std::string& to) {
    return Faulted(FileOperation::Rename, to) ? -1 : ::rename(from.c_str(), to.c_str());
}

int Unlink(const std::string& path) {
    return Faulted(FileOperation::Remove, path) ? -1 : ::unlink(path.c_str());
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

} // namespace zarava::posix
