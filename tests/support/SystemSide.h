#pragma once

// The one place where the tests tell the systems apart. What each system does its own way (file
// times, the environment, read-only files) has one function for both; what only POSIX systems
// have (FIFOs, owners and modes, another user) has a function that does nothing on Windows,
// where the tests that need it skip themselves first with SKIP_ON_WINDOWS("why").

#include "TempFolder.h"
#include "files/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zarava::test {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// What a file made writable again from read-only shows: the owner's write bit back, or on
// Windows, which has only the read-only attribute, every write bit.
inline constexpr std::filesystem::perms kWritableAgain =
    std::filesystem::perms(kWindows ? 0666 : 0644);

// Skips the rest of the test on Windows, saying why.
#define SKIP_ON_WINDOWS(why)                                                                       \
    if (::zarava::test::kWindows)                                                                  \
    GTEST_SKIP() << "not on Windows: " << (why)

#ifdef _WIN32

inline FILETIME SystemTimeOf(FileTime t) {
    const auto ticks =
        static_cast<std::uint64_t>((t.seconds + 11'644'473'600) * 10'000'000 + t.nanoseconds / 100);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

inline bool SetFileTimes(const std::string& path, FileTime access, FileTime write) {
    const HANDLE file = CreateFileW(PathOf(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FILETIME accessed = SystemTimeOf(access);
    const FILETIME written = SystemTimeOf(write);
    const bool set =
        file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, &accessed, &written);
    CloseHandle(file);
    return set;
}

inline void SetEnvironment(const char* name, const char* value) {
    _putenv_s(name, value != nullptr ? value : "");
}

inline bool SetReadOnly(const std::string& path, bool readOnly) {
    return SetFileAttributesW(PathOf(path).c_str(),
                              readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

inline bool RunningAsRoot() {
    return false;
}
inline bool MakeFifo(const std::string&) {
    return false;
}
inline bool SetOwner(const std::string&, unsigned, unsigned) {
    return false;
}
inline void KillProcess(int) {}
inline bool AZombieChild() {
    return false;
}
struct FifoHeldOpen {
    explicit FifoHeldOpen(const std::string&) {}
    bool Held() const { return false; }
};
template <typename F> void AsUnprivileged(F f) {
    f();
}

#else

inline bool SetFileTimes(const std::string& path, FileTime access, FileTime write) {
    const timespec times[2] = {{access.seconds, access.nanoseconds},
                               {write.seconds, write.nanoseconds}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

inline void SetEnvironment(const char* name, const char* value) {
    value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
}

// Read-only for everyone, or writable by its owner again.
inline bool SetReadOnly(const std::string& path, bool readOnly) {
    return ::chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
}

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}
inline bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}
inline bool SetOwner(const std::string& path, unsigned owner, unsigned group) {
    return ::chown(path.c_str(), owner, group) == 0;
}

inline void KillProcess(int pid) {
    ::kill(pid, SIGKILL);
}

// Whether a child of ours has ended and was not waited for: looked at, left as it is.
inline bool AZombieChild() {
    siginfo_t child{};
    return ::waitid(P_ALL, 0, &child, WEXITED | WNOHANG | WNOWAIT) == 0 && child.si_pid != 0;
}

// A FIFO that another program holds open at both ends while the object lives.
class FifoHeldOpen {
public:
    explicit FifoHeldOpen(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK)) {}
    ~FifoHeldOpen() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FifoHeldOpen(const FifoHeldOpen&) = delete;
    FifoHeldOpen& operator=(const FifoHeldOpen&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

// Runs `f` with this thread's file accesses made as the unprivileged user "nobody" when the
// tests run as root, whom permission bits do not stop; as any other user it just runs `f`.
template <typename F> void AsUnprivileged(F f) {
    const bool root = RunningAsRoot();
    if (root) {
        ::setfsgid(65534);
        ::setfsuid(65534);
    }
    f();
    if (root) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
}

#endif

} // namespace zarava::test
