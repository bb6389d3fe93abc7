#include "files/FileAppend.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zarava {

bool AppendToFile(const std::string& path, std::string_view bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return false;
    }
    ssize_t n;
    do {
        n = write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    const bool closed = close(fd) == 0;
    return n == static_cast<ssize_t>(bytes.size()) && closed;
}

} // namespace zarava
