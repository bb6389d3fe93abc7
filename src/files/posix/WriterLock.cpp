#include "files/WriterLock.h"

#include "files/Folders.h"
#include "text/Text.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zarava {

namespace {

// The byte the lock covers: far beyond the end of any settings file, because a share served by
// Windows enforces byte-range locks against every reader of the range.
constexpr off_t kLockByte = 0x7FFFFFFE;

int OpenForLocking(const std::string& path) {
    ReadFileResult ignored = ReadFileResult::Ok;
    return posix::OpenRegular(path, O_RDWR, ignored);
}

} // namespace

WriterLock::WriterLock(const std::string& target) : target_(target) {
    const std::string path =
        JoinPath(FolderOfPath(target), "." + ToLowerAscii(EntryNameOf(target)) + ".lock");
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    file_ = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (file_ >= 0) {
        // Whoever may write the settings file must be able to take its lock: the lock file
        // gets the file's owner, group and read and write bits, where we may give them.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            [[maybe_unused]] const int chowned = ::fchown(file_, st.st_uid, st.st_gid);
            ::fchmod(file_, (st.st_mode & 0666) | S_IRUSR | S_IWUSR);
        }
    } else if (errno == EEXIST) {
        file_ = ::open(path.c_str(), kFlags);
        // Something else put in its place (a pipe, a device) carries no note and no lock.
        struct stat st {};
        if (file_ >= 0 && (::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(file_);
            file_ = -1;
        }
    }
    if (file_ < 0) {
        OpenTarget();
    }
}

WriterLock::~WriterLock() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

void WriterLock::OpenTarget() {
    if (file_ >= 0) {
        ::close(file_);
    }
    file_ = OpenForLocking(target_);
    onTarget_ = true;
}

WriterLock::Attempt WriterLock::TryTake() {
    if (file_ < 0 || posix::Faulted(FileOperation::Lock, target_)) {
        return Attempt::Unavailable;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    if (::fcntl(file_, processLock_ ? F_SETLK : F_OFD_SETLK, &lock) != 0) {
        if (errno == EAGAIN || errno == EACCES || errno == EINTR) {
            return Attempt::Busy;
        }
        if (errno == EINVAL && !processLock_) {
            processLock_ = true;
            return TryTake();
        }
        return Attempt::Unavailable;
    }
    if (onTarget_) {
        // A writer that renamed a new file over the one we locked has moved on to it.
        struct stat held {};
        struct stat now {};
        if (::fstat(file_, &held) != 0 || ::stat(target_.c_str(), &now) != 0 ||
            held.st_ino != now.st_ino || held.st_dev != now.st_dev) {
            OpenTarget();
            return Attempt::Busy;
        }
    }
    return Attempt::Held;
}

std::optional<FileTime> WriterLock::StampNow() {
    struct stat st {};
    if (onTarget_ || file_ < 0 || ::futimens(file_, nullptr) != 0 || ::fstat(file_, &st) != 0) {
        return std::nullopt;
    }
    return FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

std::string WriterLock::ReadNote() const {
    if (onTarget_ || file_ < 0) {
        return {};
    }
    char buffer[256];
    const ssize_t n = ::pread(file_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

void WriterLock::WriteNote(std::string_view note) {
    if (onTarget_ || file_ < 0) {
        return;
    }
    if (::pwrite(file_, note.data(), note.size(), 0) == static_cast<ssize_t>(note.size())) {
        [[maybe_unused]] const int cut = ::ftruncate(file_, static_cast<off_t>(note.size()));
    }
}

} // namespace zarava
