#include "files/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zarava {

std::string SingleInstance::DefaultLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0' && access(runtime, W_OK) == 0) {
        return std::string(runtime) + "/zarava-display.lock";
    }
    return "/tmp/zarava-display-" + std::to_string(getuid()) + ".lock";
}

SingleInstance::SingleInstance(const std::string& lockPath) {
    file_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file_ < 0) {
        return; // no lock file: behave as the only copy rather than refuse to start
    }
    if (flock(file_, LOCK_EX | LOCK_NB) != 0) {
        another_ = errno == EWOULDBLOCK;
    }
    // Every copy keeps a shared hold, so later copies see it whatever this one's command line.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (flock(file_, LOCK_SH | LOCK_NB) == 0) {
            break;
        }
        usleep(2000); // another copy is in its own brief exclusive test
    }
}

SingleInstance::~SingleInstance() {
    if (file_ >= 0) {
        close(file_);
    }
}

} // namespace zarava
