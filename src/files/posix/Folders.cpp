#include "files/Folders.h"

#include "SystemCalls.h"

#include "text/Text.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace zarava {

namespace {

FileTime FromStatx(const struct statx_timestamp& t) {
    return {static_cast<std::int64_t>(t.tv_sec), static_cast<std::int32_t>(t.tv_nsec)};
}

} // namespace

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) {
    return !posix::Faulted(FileOperation::Create, path) && ::mkdir(path.c_str(), 0777) == 0;
}

bool IsLocalFileSystem(const std::string& path) {
    // The disks of a PC; a network share, or a file system in user space that may sit on one,
    // answers with another type.
    constexpr std::array<unsigned long, 10> kLocal = {
        EXT4_SUPER_MAGIC,      XFS_SUPER_MAGIC,  BTRFS_SUPER_MAGIC, TMPFS_MAGIC,
        OVERLAYFS_SUPER_MAGIC, F2FS_SUPER_MAGIC, MSDOS_SUPER_MAGIC, 0x2011BAB0 /* exFAT */,
        0x7366746E /* NTFS */, 0x2FC12FC1 /* ZFS */};
    struct statfs fs {};
    return ::statfs(path.c_str(), &fs) == 0 &&
           std::find(kLocal.begin(), kLocal.end(), static_cast<unsigned long>(fs.f_type)) !=
               kLocal.end();
}

std::optional<FileStamps> ReadFileStamps(const std::string& path) {
    struct statx sx {};
    const unsigned wanted = STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, path.c_str(), 0, wanted, &sx) != 0) {
        return std::nullopt;
    }
    if ((sx.stx_mask & (STATX_ATIME | STATX_MTIME)) != (STATX_ATIME | STATX_MTIME)) {
        return std::nullopt;
    }
    FileStamps stamps;
    stamps.lastWrite = FromStatx(sx.stx_mtime);
    stamps.lastAccess = FromStatx(sx.stx_atime);
    // The status change time is never earlier than the last write, so it cannot stand in for
    // a creation time; the last write can.
    if ((sx.stx_mask & STATX_BTIME) != 0) {
        stamps.created = FromStatx(sx.stx_btime);
        stamps.createdFrom = CreationSource::Birth;
    } else {
        stamps.created = stamps.lastWrite;
        stamps.createdFrom = CreationSource::LastWrite;
    }
    return stamps;
}

NewFileResult CreateNewFile(const std::string& path, std::string_view content) {
    posix::FileDescriptor fd(
        posix::Open(FileOperation::Create, path, O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (fd.Get() < 0) {
        return errno == EEXIST ? NewFileResult::NameTaken : NewFileResult::Failed;
    }
    // A full disk or a refusing share: the file exists all the same.
    [[maybe_unused]] const bool complete = posix::WriteAll(path, fd.Get(), content);
    return NewFileResult::Created;
}

bool RemoveFile(const std::string& path) {
    return posix::Unlink(path) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

std::optional<std::string> FindEntryIgnoringCase(const std::string& folder, std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (EntryExists(JoinPath(folder, name))) {
        return std::string(name);
    }
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    // Only ASCII letters fold: names here are UTF-8, whose multi-byte sequences never hold an
    // ASCII byte. One pass keeping the smallest match: the folder may hold many files and is
    // searched on every poll while an expected file is still missing.
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate(entry->d_name);
        if (EqualIgnoringAsciiCase(candidate, name) && (!best || candidate < *best)) {
            best = std::string(candidate);
        }
    }
    ::closedir(dir);
    return best;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string EntryNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace zarava
