#include "CheckIn.h"

#include "text/Cp932.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace zarava::issuersim {

namespace {

constexpr std::size_t kLongestLine = 4096;

// Appends what the file holds from `offset` on; false on a read error.
bool ReadFrom(int fd, off_t offset, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        into.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

} // namespace

std::vector<std::string> CheckInReader::Poll(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    std::string data;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadFrom(fd, 0, data) &&
        !data.empty()) {
        // A code appended between the read and the truncation would be lost: read once more
        // right before truncating, so that window stays as short as the system allows. Codes
        // that cannot be taken off the file are left for the next round, never taken twice.
        if (!ReadFrom(fd, static_cast<off_t>(data.size()), data) || ::ftruncate(fd, 0) != 0) {
            data.clear();
        }
    }
    ::close(fd);

    std::vector<std::string> codes;
    partial_ += data;
    std::string_view rest = partial_;
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            codes.push_back(Cp932ToUtf8(line));
        }
    }
    // A line that never ends is not a code; dropping it keeps memory bounded.
    partial_ = rest.size() <= kLongestLine ? std::string(rest) : std::string();
    return codes;
}

} // namespace zarava::issuersim
