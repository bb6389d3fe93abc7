#include "files/FileStart.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace zarava {

ReadFileResult ReadFileStart(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    ReadFileResult result = ReadFileResult::Ok;
    posix::FileDescriptor fd(posix::OpenRegular(path, O_RDONLY, result));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        return fd.Get() < 0 ? result : ReadFileResult::Failed;
    }
    const std::optional<std::size_t> size = posix::ReadFrom(
        path, fd.Get(), static_cast<std::size_t>(st.st_size), maxBytes, [&](std::size_t n) {
            bytes.resize(n);
            return bytes.data();
        });
    if (!size) {
        bytes.clear();
        return ReadFileResult::Failed;
    }
    // One byte beyond the limit tells a file that goes on from one that ends there.
    bytes.resize(std::min(*size, maxBytes));
    return *size > maxBytes ? ReadFileResult::TooLarge : ReadFileResult::Ok;
}

} // namespace zarava
