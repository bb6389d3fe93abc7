#include "files/FileAppend.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zarava {

WriteFileResult AppendToFile(const std::string& path, std::string_view bytes) {
    // Without waiting: a pipe nobody reads refuses at once (ENXIO) instead of blocking for good.
    posix::FileDescriptor fd(
        posix::Open(FileOperation::Open, path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK, 0666));
    struct stat st {};
    if (fd.Get() < 0) {
        return posix::WriteFailure(errno);
    }
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return WriteFileResult::NotAFile;
    }
    const ssize_t n = posix::Write(path, fd.Get(), bytes.data(), bytes.size());
    const int error = errno;
    if (::close(fd.Release()) != 0 || n != static_cast<ssize_t>(bytes.size())) {
        return n < 0 ? posix::WriteFailure(error) : WriteFileResult::Failed;
    }
    return WriteFileResult::Ok;
}

} // namespace zarava
