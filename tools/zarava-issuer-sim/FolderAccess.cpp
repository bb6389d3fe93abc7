#include "FolderAccess.h"

#include "files/Folders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace zarava::issuersim {

namespace {

// A program's buffered writes reach the file in pieces of about this size.
constexpr std::size_t kPieceSize = 1024;

std::string ErrnoText(std::string_view what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

void PauseMilliseconds(int ms) {
    timespec pause{0, ms * 1'000'000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// Every byte, going on after short writes and interruptions, as a program's stream does.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string WriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrnoText("cannot open", path);
    }
    // At least two pieces, cut anywhere (even inside a line or a character), as a buffer
    // boundary falls.
    static std::minstd_rand pauses(std::random_device{}());
    const std::size_t pieces =
        std::max<std::size_t>(2, (bytes.size() + kPieceSize - 1) / kPieceSize);
    const std::size_t pieceSize = (bytes.size() + pieces - 1) / pieces;
    std::string problem;
    for (std::size_t done = 0; done < bytes.size() && problem.empty(); done += pieceSize) {
        if (done > 0) {
            PauseMilliseconds(1 + static_cast<int>(pauses() % 5));
        }
        if (!WriteAll(fd, bytes.substr(done, pieceSize))) {
            problem = ErrnoText("cannot write", path);
        }
    }
    if (::close(fd) != 0 && problem.empty()) {
        problem = ErrnoText("cannot write", path);
    }
    return problem;
}

std::string ProbeFolder(const std::string& folder) {
    if (!FolderExists(folder)) {
        return folder + " is not a folder";
    }
    const std::string probe =
        JoinPath(folder, ".zarava-issuer-sim-probe-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrnoText("cannot write in", folder);
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

} // namespace zarava::issuersim
