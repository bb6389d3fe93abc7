#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

namespace zarava::test {

// Sets the file's last write an hour back: a file its writer saved long ago, which a settings
// write may build on at once.
inline void MakeOld(const std::string& path) {
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace zarava::test
