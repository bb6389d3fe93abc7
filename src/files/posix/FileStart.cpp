#include "files/FileStart.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace zarava {

ReadFileResult ReadFileStart(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    ReadFileResult result = ReadFileResult::Ok;
    posix::FileDescriptor fd(posix::OpenRegular(path, O_RDONLY, result));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        return fd.Get() < 0 ? result : ReadFileResult::Failed;
    }
    return ReadOpenFileStart(bytes, static_cast<std::uint64_t>(st.st_size), maxBytes,
                             posix::ReaderOf(path, fd.Get()));
}

} // namespace zarava
