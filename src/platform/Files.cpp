#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zarava {

namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

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
    // Closes now and reports whether the close succeeded (a deferred write error shows here).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

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

// Creates a temporary file beside the target that nobody else uses; -1 when none can be made.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    // A short prefix of the name keeps the temporary name within the length limit.
    const std::string prefix =
        FolderOf(target) + "/." + NameOf(target).substr(0, 100) + "." + std::to_string(getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix + "." + std::to_string(counter++) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable; where the file system cannot do that, nothing is lost
    // but the guarantee, so a failure is ignored.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
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
    // Non-blocking, so that a pipe put in the file's place cannot stall the reader at open.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadFileResult::Missing
                                                   : ReadFileResult::Failed;
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

bool ReplaceFileAtomically(const std::string& path, std::string_view content) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Renaming over the link would turn it into a file; replace what it points to.
        char* real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr) {
            return false;
        }
        target = real;
        std::free(real);
    }
    bool exists = false;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return false;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return false;
    }

    std::string tempPath;
    FileDescriptor fd(CreateTemporaryBeside(target, tempPath));
    if (fd.Get() < 0) {
        return false;
    }
    bool ok = WriteAll(fd.Get(), content);
    if (ok && exists) {
        // Only root may hand the new file to the old one's owner; anyone else ends up owning
        // it, with the old permission bits.
        const bool sameOwner = st.st_uid == ::geteuid() && st.st_gid == ::getegid();
        [[maybe_unused]] const bool chowned =
            sameOwner || ::fchown(fd.Get(), st.st_uid, st.st_gid) == 0;
        ok = ::fchmod(fd.Get(), st.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
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
    const mode_t wanted =
        (attributes & kAttributeReadOnly) != 0 ? mode & ~kAnyWriteBit : mode | S_IWUSR;
    return wanted == mode || ::chmod(path.c_str(), wanted) == 0;
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & kAnyWriteBit) == 0;
}

} // namespace zarava
