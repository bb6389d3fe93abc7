#include "files/FileReplacement.h"

#include "SystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zarava {

namespace {

// The start of our temporary files' names beside the target; a short prefix of the name keeps
// them within the length limit.
std::string TemporaryPrefix(const std::string& target) {
    return "." + EntryNameOf(target).substr(0, 100) + ".";
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable; where the file system cannot do that, nothing is lost
    // but the guarantee, so a failure is ignored.
    const posix::FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
        FolderOfPath(target) + "/" + TemporaryPrefix(target) + std::to_string(::getpid());
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

ReplacementFile::ReplacementFile(const std::string& target, std::string_view content,
                                 const FileVersion* old)
    : target_(target), content_(content) {
    if (old != nullptr) {
        old_ = *old;
    }
    if (posix::Faulted(FileOperation::Create, target)) {
        state_ = IsPermissionError(errno) ? State::InPlaceOnly : State::Failed;
        return;
    }
    if (unnamedFilesWork.load()) {
        file_ = ::open(FolderOfPath(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (file_ < 0 && IsPermissionError(errno)) {
            state_ = State::InPlaceOnly;
            return;
        }
        if (file_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            unnamedFilesWork = false;
        }
    }
    if (file_ < 0) {
        file_ = CreateNamedTemporary(target, tempPath_);
        if (file_ < 0) {
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
    if (!posix::WriteAll(target_, file_, content_)) {
        return false;
    }
    if (old_) {
        struct stat st {};
        if (::fstat(file_, &st) != 0) {
            return false;
        }
        if ((st.st_uid != old_->owner || st.st_gid != old_->group) &&
            ::fchown(file_, old_->owner, old_->group) != 0) {
            // Renaming this over the file would hand it to us and lock its owner out.
            state_ = State::InPlaceOnly;
            return false;
        }
        if (::fchmod(file_, old_->mode) != 0) {
            return false;
        }
    }
    return posix::Flush(target_, file_) == 0;
}

// Gives a file made without a name a hidden temporary one, so that it can be renamed.
bool ReplacementFile::GiveName() {
    if (!tempPath_.empty()) {
        return true;
    }
    static std::atomic<unsigned> counter{0};
    const std::string prefix =
        FolderOfPath(target_) + "/" + TemporaryPrefix(target_) + std::to_string(::getpid()) + ".u";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = prefix + std::to_string(counter++) + ".tmp";
        if (::linkat(AT_FDCWD, ProcPath(file_).c_str(), AT_FDCWD, path.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            tempPath_ = path;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    // The file cannot be named here: write a named one instead, and from now on at once.
    unnamedFilesWork = false;
    ::close(file_);
    file_ = CreateNamedTemporary(target_, tempPath_);
    if (file_ < 0 || !Prepare()) {
        state_ = State::Failed;
        Discard();
        return false;
    }
    return true;
}

bool ReplacementFile::Replace() {
    if (state_ != State::Ready || !GiveName() || posix::Rename(tempPath_, target_) != 0) {
        return false;
    }
    tempPath_.clear();
    state_ = State::Failed; // used up
    SyncFolder(FolderOfPath(target_));
    return true;
}

NewFileResult ReplacementFile::CreateOnly() {
    if (state_ != State::Ready) {
        return NewFileResult::Failed;
    }
    int rc = -1;
    if (tempPath_.empty()) {
        rc = ::linkat(AT_FDCWD, ProcPath(file_).c_str(), AT_FDCWD, target_.c_str(),
                      AT_SYMLINK_FOLLOW);
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
    SyncFolder(FolderOfPath(target_));
    return NewFileResult::Created;
}

std::optional<FileVersion> ReplacementFile::Version() const {
    // The descriptor still refers to the file now in place, with the times the rename gave it.
    return VersionOfOpenFile(file_);
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
    if (file_ >= 0) {
        ::close(file_);
    }
}

void RemoveStaleTemporaries(const std::string& target, FileTime now, int maxAgeSeconds) {
    DIR* dir = ::opendir(FolderOfPath(target).c_str());
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

} // namespace zarava
