#include "platform/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zarava {

ReadFileResult ReadFileHead(const std::string& path, std::string& content, std::size_t maxBytes) {
    content.clear();
    // Non-blocking, so that a pipe in the file's place cannot stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadFileResult::Missing
                                                   : ReadFileResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadFileResult::NotAFile;
    }
    // The size is a first guess: the file may grow or shrink while it is read.
    std::size_t size = 0;
    content.resize(std::min(maxBytes, static_cast<std::size_t>(st.st_size) + 1));
    ReadFileResult result = ReadFileResult::Ok;
    while (size < maxBytes) {
        if (size == content.size()) {
            content.resize(std::min(maxBytes, std::max<std::size_t>(4096, 2 * content.size())));
        }
        const ssize_t n = ::read(fd, content.data() + size, content.size() - size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result = ReadFileResult::Failed;
            break;
        }
        if (n == 0) {
            break;
        }
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    content.resize(result == ReadFileResult::Ok ? size : 0);
    return result;
}

} // namespace zarava
