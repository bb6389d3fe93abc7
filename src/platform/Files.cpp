#include "platform/Files.h"

#include "text/Text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace zarava {

namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
// The byte the writer lock covers: far beyond the end of any settings file, because a share
// served by Windows enforces byte-range locks against every reader of the range.
constexpr off_t kLockByte = 0x7FFFFFFE;
constexpr int kMaxLinkHops = 40;

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of our temporary files' names beside the target; a short prefix of the name keeps
// them within the length limit.
std::string TemporaryPrefix(const std::string& target) {
    return "." + NameOf(target).substr(0, 100) + ".";
}

FileTime TimeOf(const struct timespec& t) {
    return {static_cast<std::int64_t>(t.tv_sec), static_cast<std::int32_t>(t.tv_nsec)};
}

FileVersion VersionOf(int fd, const struct stat& st) {
    FileVersion v;
    v.device = st.st_dev;
    v.inode = st.st_ino;
    v.size = st.st_size;
    v.modified = TimeOf(st.st_mtim);
    v.changed = TimeOf(st.st_ctim);
    v.mode = st.st_mode & 07777;
    v.owner = st.st_uid;
    v.group = st.st_gid;
    v.links = st.st_nlink;
    v.accessList = ::fgetxattr(fd, "system.posix_acl_access", nullptr, 0) > 0;
    return v;
}

std::optional<FileVersion> VersionOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    return VersionOf(fd, st);
}

ReadFileResult ReadSnapshotFrom(int fd, FileSnapshot& snapshot, std::size_t maxBytes) {
    snapshot.bytes.clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return snapshot.result = ReadFileResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        return snapshot.result = ReadFileResult::NotAFile;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        return snapshot.result = ReadFileResult::TooLarge;
    }
    snapshot.version = VersionOf(fd, st);
    // One byte more than the size, so that a file growing meanwhile is noticed.
    std::size_t size = 0;
    snapshot.bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    for (;;) {
        if (size == snapshot.bytes.size()) {
            if (size > maxBytes) {
                snapshot.bytes.clear();
                return snapshot.result = ReadFileResult::TooLarge;
            }
            snapshot.bytes.resize(std::min(size * 2, maxBytes + 1));
        }
        const ssize_t n = ::pread(fd, snapshot.bytes.data() + size, snapshot.bytes.size() - size,
                                  static_cast<off_t>(size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            snapshot.bytes.clear();
            return snapshot.result = ReadFileResult::Failed;
        }
        if (n == 0) {
            break;
        }
        size += static_cast<std::size_t>(n);
    }
    snapshot.bytes.resize(size);
    return snapshot.result = ReadFileResult::Ok;
}

int OpenForReading(const std::string& path, int extraFlags) {
    // Non-blocking, so that a pipe put in the file's place cannot stall the reader at open.
    return ::open(path.c_str(), O_CLOEXEC | O_NOCTTY | O_NONBLOCK | extraFlags);
}

ReadFileResult OpenFailure() {
    return errno == ENOENT || errno == ENOTDIR ? ReadFileResult::Missing : ReadFileResult::Failed;
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable; where the file system cannot do that, nothing is lost
    // but the guarantee, so a failure is ignored.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
}

// Whether files without a name can be given one here; cleared for good at the first refusal
// (no /proc, say), after which temporary files are named from the start.
std::atomic<bool> unnamedFilesWork{true};

std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// A new hidden temporary file beside the target that nobody else uses; -1 when none can be
// made.
int CreateNamedTemporary(const std::string& target, std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string prefix =
        FolderOf(target) + "/" + TemporaryPrefix(target) + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = prefix + "." + std::to_string(counter++) + ".tmp";
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool IsPermissionError(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

void FileBytes::Release() {
    data_.reset();
    capacity_ = 0;
    size_ = 0;
}

void FileBytes::Grow(std::size_t capacity) {
    if (capacity <= capacity_) {
        return;
    }
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    std::copy_n(data_.get(), size_, grown.get());
    data_ = std::move(grown);
    capacity_ = capacity;
}

ReadFileResult ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxBytes) {
    bytes.size_ = 0;
    FileDescriptor fd(OpenForReading(path, O_RDONLY));
    if (fd.Get() < 0) {
        return OpenFailure();
    }
    // No fstat first: a settings read should cost the system calls of reading the file and
    // no more. A settings file fits the first read; only a larger one is looked at.
    constexpr std::size_t kFirstRead = 16 * 1024;
    bytes.Grow(std::min(kFirstRead, maxBytes + 1));
    bool checked = false;
    for (;;) {
        if (bytes.size_ == bytes.capacity_) {
            if (bytes.size_ > maxBytes) {
                bytes.size_ = 0;
                return ReadFileResult::TooLarge;
            }
            std::size_t wanted = bytes.capacity_ * 2;
            if (!checked) {
                checked = true;
                struct stat st {};
                if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
                    bytes.size_ = 0;
                    return ReadFileResult::NotAFile;
                }
                // One byte more than the size, so that a file growing meanwhile is noticed.
                wanted = std::max(wanted, static_cast<std::size_t>(st.st_size) + 1);
            }
            bytes.Grow(std::min(wanted, maxBytes + 1));
        }
        const ssize_t n =
            ::read(fd.Get(), bytes.data_.get() + bytes.size_, bytes.capacity_ - bytes.size_);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const bool folder = errno == EISDIR;
            bytes.size_ = 0;
            return folder ? ReadFileResult::NotAFile : ReadFileResult::Failed;
        }
        if (n == 0) {
            if (bytes.size_ > maxBytes) {
                bytes.size_ = 0;
                return ReadFileResult::TooLarge;
            }
            return ReadFileResult::Ok;
        }
        bytes.size_ += static_cast<std::size_t>(n);
    }
}

ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
    FileBytes bytes;
    const ReadFileResult result = ReadWholeFile(path, bytes, maxBytes);
    content.assign(bytes.View());
    return result;
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target)) {
            return current;
        }
        const std::string_view next(target, static_cast<std::size_t>(n));
        current = next.front() == '/' ? std::string(next) : JoinPath(FolderOf(current), next);
    }
    return current;
}

bool FileSnapshot::SameAs(const FileSnapshot& other) const {
    if (result != other.result) {
        return false;
    }
    return result != ReadFileResult::Ok || (version == other.version && bytes == other.bytes);
}

ReadFileResult ReadFileSnapshot(const std::string& path, FileSnapshot& snapshot,
                                std::size_t maxBytes) {
    FileDescriptor fd(OpenForReading(path, O_RDONLY));
    if (fd.Get() < 0) {
        snapshot.bytes.clear();
        return snapshot.result = OpenFailure();
    }
    return ReadSnapshotFrom(fd.Get(), snapshot, maxBytes);
}

FileForUpdate::FileForUpdate(const std::string& path) : fd_(OpenForReading(path, O_RDWR)) {}

FileForUpdate::~FileForUpdate() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

ReadFileResult FileForUpdate::Read(FileSnapshot& snapshot, std::size_t maxBytes) const {
    if (fd_ < 0) {
        snapshot.bytes.clear();
        return snapshot.result = ReadFileResult::Failed;
    }
    return ReadSnapshotFrom(fd_, snapshot, maxBytes);
}

bool FileForUpdate::Overwrite(std::string_view content) {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        return false;
    }
    const auto length = static_cast<off_t>(content.size());
    // Kept at its size: a longer file would show readers zeros at its end.
    if (length > st.st_size &&
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, st.st_size, length - st.st_size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        return false;
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::pwrite(fd_, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::ftruncate(fd_, length) == 0 && ::fsync(fd_) == 0;
}

std::optional<FileVersion> FileForUpdate::Version() const {
    return VersionOf(fd_);
}

ReplacementFile::ReplacementFile(const std::string& target, std::string_view content,
                                 const FileVersion* old)
    : target_(target), content_(content) {
    if (old != nullptr) {
        old_ = *old;
    }
    if (unnamedFilesWork.load()) {
        fd_ = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && IsPermissionError(errno)) {
            state_ = State::InPlaceOnly;
            return;
        }
        if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            unnamedFilesWork = false;
        }
    }
    if (fd_ < 0) {
        fd_ = CreateNamedTemporary(target, tempPath_);
        if (fd_ < 0) {
            state_ = IsPermissionError(errno) ? State::InPlaceOnly : State::Failed;
            return;
        }
    }
    state_ = Prepare() ? State::Ready : state_;
    if (state_ != State::Ready) {
        Discard();
    }
}

bool ReplacementFile::Prepare() {
    if (!WriteAll(fd_, content_)) {
        return false;
    }
    if (old_) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            return false;
        }
        if ((st.st_uid != old_->owner || st.st_gid != old_->group) &&
            ::fchown(fd_, old_->owner, old_->group) != 0) {
            // Renaming this over the file would hand it to us and lock its owner out.
            state_ = State::InPlaceOnly;
            return false;
        }
        if (::fchmod(fd_, old_->mode) != 0) {
            return false;
        }
    }
    return ::fsync(fd_) == 0;
}

// Gives a file made without a name a hidden temporary one, so that it can be renamed.
bool ReplacementFile::GiveName() {
    if (!tempPath_.empty()) {
        return true;
    }
    static std::atomic<unsigned> counter{0};
    const std::string prefix =
        FolderOf(target_) + "/" + TemporaryPrefix(target_) + std::to_string(::getpid()) + ".u";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = prefix + std::to_string(counter++) + ".tmp";
        if (::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            tempPath_ = path;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    // The file cannot be named here: write a named one instead, and from now on at once.
    unnamedFilesWork = false;
    ::close(fd_);
    fd_ = CreateNamedTemporary(target_, tempPath_);
    if (fd_ < 0 || !Prepare()) {
        state_ = State::Failed;
        Discard();
        return false;
    }
    return true;
}

bool ReplacementFile::Replace() {
    if (state_ != State::Ready || !GiveName() ||
        ::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        return false;
    }
    tempPath_.clear();
    state_ = State::Failed; // used up
    SyncFolder(FolderOf(target_));
    return true;
}

NewFileResult ReplacementFile::CreateOnly() {
    if (state_ != State::Ready) {
        return NewFileResult::Failed;
    }
    int rc = -1;
    if (tempPath_.empty()) {
        rc =
            ::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW);
        if (rc != 0 && errno != EEXIST && !GiveName()) {
            return NewFileResult::Failed;
        }
    }
    if (rc != 0 && errno != EEXIST) {
        // A second name never replaces an entry; where the file system has no hard links, a
        // rename that refuses to replace does the same.
        rc = ::link(tempPath_.c_str(), target_.c_str());
        if (rc != 0 && errno != EEXIST) {
            rc = ::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, target_.c_str(),
                             RENAME_NOREPLACE);
            if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
                rc = ::rename(tempPath_.c_str(), target_.c_str());
            }
            if (rc == 0) {
                tempPath_.clear(); // renamed: the name is the target's now
            }
        }
    }
    if (rc != 0) {
        return errno == EEXIST ? NewFileResult::NameTaken : NewFileResult::Failed;
    }
    state_ = State::Failed; // used up
    Discard();
    SyncFolder(FolderOf(target_));
    return NewFileResult::Created;
}

std::optional<FileVersion> ReplacementFile::Version() const {
    // The descriptor still refers to the file now in place, with the times the rename gave it.
    return VersionOf(fd_);
}

// Removes the temporary name, if the file still has one.
void ReplacementFile::Discard() {
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RemoveStaleTemporaries(const std::string& target, FileTime now, int maxAgeSeconds) {
    DIR* dir = ::opendir(FolderOf(target).c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = TemporaryPrefix(target);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix) || !name.ends_with(".tmp")) {
            continue;
        }
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_mtim.tv_sec < now.seconds - maxAgeSeconds) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

WriterLock::WriterLock(const std::string& target) : target_(target) {
    const std::string path =
        JoinPath(FolderOf(target), "." + ToLowerAscii(NameOf(target)) + ".lock");
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
    fd_ = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd_ >= 0) {
        // Whoever may write the settings file must be able to take its lock: the lock file
        // gets the file's owner, group and read and write bits, where we may give them.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            [[maybe_unused]] const int chowned = ::fchown(fd_, st.st_uid, st.st_gid);
            ::fchmod(fd_, (st.st_mode & 0666) | S_IRUSR | S_IWUSR);
        }
    } else if (errno == EEXIST) {
        fd_ = ::open(path.c_str(), kFlags);
    }
    if (fd_ < 0) {
        OpenTarget();
    }
}

WriterLock::~WriterLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WriterLock::OpenTarget() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = OpenForReading(target_, O_RDWR);
    onTarget_ = true;
}

WriterLock::Attempt WriterLock::TryTake() {
    if (fd_ < 0) {
        return Attempt::Unavailable;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    if (::fcntl(fd_, processLock_ ? F_SETLK : F_OFD_SETLK, &lock) != 0) {
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
        if (::fstat(fd_, &held) != 0 || ::stat(target_.c_str(), &now) != 0 ||
            held.st_ino != now.st_ino || held.st_dev != now.st_dev) {
            OpenTarget();
            return Attempt::Busy;
        }
    }
    return Attempt::Held;
}

std::string WriterLock::ReadNote() const {
    if (onTarget_ || fd_ < 0) {
        return {};
    }
    char buffer[256];
    const ssize_t n = ::pread(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

void WriterLock::WriteNote(std::string_view note) {
    if (onTarget_ || fd_ < 0) {
        return;
    }
    if (::pwrite(fd_, note.data(), note.size(), 0) == static_cast<ssize_t>(note.size())) {
        [[maybe_unused]] const int cut = ::ftruncate(fd_, static_cast<off_t>(note.size()));
    }
}

std::optional<std::uint16_t> GetFileAttributes(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    std::uint16_t attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= kAttributeDirectory;
    }
    if ((st.st_mode & kAnyWriteBit) == 0) {
        attributes |= kAttributeReadOnly;
    }
    const std::string name = NameOf(path);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") {
        attributes |= kAttributeHidden;
    }
    return attributes == 0 ? kAttributeNormal : attributes;
}

bool SetFileAttributes(const std::string& path, std::uint16_t attributes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const mode_t mode = st.st_mode & 07777;
    mode_t wanted = mode;
    if ((attributes & kAttributeReadOnly) != 0) {
        wanted = mode & ~kAnyWriteBit;
    } else if ((mode & kAnyWriteBit) == 0) {
        wanted = mode | S_IWUSR;
    }
    return wanted == mode || ::chmod(path.c_str(), wanted) == 0;
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    return (st.st_mode & kAnyWriteBit) == 0 ||
           (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT);
}

} // namespace zarava
