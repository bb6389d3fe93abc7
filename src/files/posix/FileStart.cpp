#include "files/FileStart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zarava {

ReadFileResult ReadFileStart(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    // Non-blocking, so that a pipe put in the file's place cannot stall the reader at open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadFileResult::Missing
                                                   : ReadFileResult::Failed;
    }
    ReadFileResult result = ReadFileResult::Ok;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result = ReadFileResult::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        result = ReadFileResult::NotAFile;
    } else {
        // One byte beyond the limit tells a file that goes on from one that ends there; the
        // size from fstat only sizes the buffer, as the file may grow or shrink meanwhile.
        const std::size_t wanted = maxBytes + 1;
        const auto size = static_cast<std::size_t>(st.st_size);
        bytes.resize(size < wanted ? size + 1 : wanted);
        std::size_t done = 0;
        while (result == ReadFileResult::Ok && done < wanted) {
            if (done == bytes.size()) {
                bytes.resize(std::min(wanted, 2 * bytes.size()));
            }
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n == 0) {
                break;
            }
            if (n < 0) {
                if (errno != EINTR) {
                    result = ReadFileResult::Failed;
                }
                continue;
            }
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(result == ReadFileResult::Ok ? done : 0);
        if (done > maxBytes && result == ReadFileResult::Ok) {
            bytes.resize(maxBytes);
            result = ReadFileResult::TooLarge;
        }
    }
    if (result != ReadFileResult::Ok && result != ReadFileResult::TooLarge) {
        bytes.clear();
    }
    ::close(fd);
    return result;
}

} // namespace zarava
