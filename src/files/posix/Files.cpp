#include "files/Files.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <functional>

namespace zarava {

using posix::FileDescriptor;

namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr int kMaxLinkHops = 40;

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

ReadFileResult ReadSnapshotFrom(const std::string& path, int fd, FileSnapshot& snapshot,
                                std::size_t maxBytes) {
    snapshot.bytes.clear();
    bool regular = false;
    if (!Describe(fd, snapshot.version, regular)) {
        return snapshot.result = ReadFileResult::Failed;
    }
    if (!regular) {
        return snapshot.result = ReadFileResult::NotAFile;
    }
    return ReadOpenFile(snapshot, maxBytes, posix::ReaderOf(path, fd));
}

} // namespace

ReadFileResult ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxBytes) {
    bytes.size_ = 0;
    ReadFileResult result = ReadFileResult::Ok;
    FileDescriptor fd(posix::OpenRegular(path, O_RDONLY, result));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        return fd.Get() < 0 ? result : ReadFileResult::Failed;
    }
    return ReadOpenFile(bytes, static_cast<std::uint64_t>(st.st_size), maxBytes,
                        posix::ReaderOf(path, fd.Get()));
}

ReadFileResult OpenRegularFile(const std::string& path, int& descriptor) {
    ReadFileResult result = ReadFileResult::Ok;
    descriptor = posix::OpenRegular(path, O_RDONLY, result);
    return result;
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

std::optional<FileVersion> VersionOfOpenFile(NativeFile file) {
    FileVersion version;
    bool regular = false;
    if (!Describe(static_cast<int>(file), version, regular)) {
        return std::nullopt;
    }
    return version;
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
    FileDescriptor fd(posix::Open(FileOperation::Open, path, O_RDONLY | O_NONBLOCK));
    return VersionOfOpenFile(fd.Get());
}

ReadFileResult ReadFileSnapshot(const std::string& path, FileSnapshot& snapshot,
                                std::size_t maxBytes) {
    ReadFileResult opened = ReadFileResult::Ok;
    FileDescriptor fd(posix::OpenRegular(path, O_RDONLY, opened));
    if (fd.Get() < 0) {
        snapshot.bytes.clear();
        return snapshot.result = opened;
    }
    return ReadSnapshotFrom(path, fd.Get(), snapshot, maxBytes);
}

FileForUpdate::FileForUpdate(const std::string& path) : path_(path) {
    ReadFileResult opened = ReadFileResult::Ok;
    file_ = posix::OpenRegular(path, O_RDWR, opened);
}

FileForUpdate::~FileForUpdate() {
    if (file_ != kNoFile) {
        ::close(static_cast<int>(file_));
    }
}

ReadFileResult FileForUpdate::Read(FileSnapshot& snapshot, std::size_t maxBytes) const {
    if (file_ == kNoFile) {
        snapshot.bytes.clear();
        return snapshot.result = ReadFileResult::Failed;
    }
    return ReadSnapshotFrom(path_, static_cast<int>(file_), snapshot, maxBytes);
}

bool FileForUpdate::Overwrite(std::string_view content) {
    const int fd = static_cast<int>(file_);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        return false;
    }
    const auto length = static_cast<off_t>(content.size());
    // Kept at its size: a longer file would show readers zeros at its end.
    if (length > st.st_size &&
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, st.st_size, length - st.st_size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        return false;
    }
    return posix::WriteAll(path_, fd, content, 0) && ::ftruncate(fd, length) == 0 &&
           posix::Flush(path_, fd) == 0;
}

std::optional<FileVersion> FileForUpdate::Version() const {
    return VersionOfOpenFile(file_);
}

std::optional<std::uint16_t> ReadFileAttributes(const std::string& path) {
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

bool WriteFileAttributes(const std::string& path, std::uint16_t attributes) {
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
