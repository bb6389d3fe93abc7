#include "files/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace zarava {

namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
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

FileTime TimeOf(const struct statx_timestamp& t) {
    return {static_cast<std::int64_t>(t.tv_sec), static_cast<std::int32_t>(t.tv_nsec)};
}

// The version of an open file, and whether it is a regular one; false when it cannot be read.
bool Describe(int fd, FileVersion& v, bool& regular) {
    struct statx sx {};
    if (fd < 0 || ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return false;
    }
    v.device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    v.inode = sx.stx_ino;
    v.size = static_cast<std::int64_t>(sx.stx_size);
    v.born = (sx.stx_mask & STATX_BTIME) != 0 ? TimeOf(sx.stx_btime) : FileTime{};
    v.modified = TimeOf(sx.stx_mtime);
    v.changed = TimeOf(sx.stx_ctime);
    v.mode = sx.stx_mode & 07777;
    v.owner = sx.stx_uid;
    v.group = sx.stx_gid;
    v.links = sx.stx_nlink;
    v.accessList = ::fgetxattr(fd, "system.posix_acl_access", nullptr, 0) > 0;
    regular = S_ISREG(sx.stx_mode);
    return true;
}

ReadFileResult ReadSnapshotFrom(int fd, FileSnapshot& snapshot, std::size_t maxBytes) {
    snapshot.bytes.clear();
    bool regular = false;
    if (!Describe(fd, snapshot.version, regular)) {
        return snapshot.result = ReadFileResult::Failed;
    }
    if (!regular) {
        return snapshot.result = ReadFileResult::NotAFile;
    }
    if (static_cast<std::uint64_t>(snapshot.version.size) > maxBytes) {
        return snapshot.result = ReadFileResult::TooLarge;
    }
    // One byte more than the size, so that a file growing meanwhile is noticed.
    std::size_t size = 0;
    snapshot.bytes.resize(static_cast<std::size_t>(snapshot.version.size) + 1);
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
        current = next.front() == '/' ? std::string(next) : JoinPath(FolderOfPath(current), next);
    }
    return current;
}

std::optional<FileVersion> VersionOfOpenFile(int fd) {
    FileVersion version;
    bool regular = false;
    if (!Describe(fd, version, regular)) {
        return std::nullopt;
    }
    return version;
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
    FileDescriptor fd(OpenForReading(path, O_RDONLY));
    return VersionOfOpenFile(fd.Get());
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
    return VersionOfOpenFile(fd_);
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
    const std::string name = EntryNameOf(path);
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
