#pragma once

#include <string>
#include <string_view>

namespace zarava::issuersim {

// Rewrites a file the way a Windows program does: opened with truncation, then written in
// several pieces with a pause of a few milliseconds between them, never through a temporary
// file and a rename. A reader can therefore meet the file empty or half written, as the
// display does in the field. The reason when it fails, otherwise empty.
std::string WriteInPlace(const std::string& path, std::string_view bytes);

// Whether a file can be made in the folder: makes a hidden probe file and removes it. The
// reason when it cannot, otherwise empty.
std::string ProbeFolder(const std::string& folder);

// An exclusive lock on a hidden file in the program folder, held for the life of the object,
// so that two simulators never play one clinic. Open-file-description locks work across
// threads and over NFS, and the kernel drops them when the process ends however it ends.
class FolderLock {
public:
    enum class Result { Held, InUse, Failed };

    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    Result State() const { return result_; }
    const std::string& Reason() const { return reason_; }

private:
    int fd_ = -1;
    Result result_ = Result::Failed;
    std::string reason_;
};

} // namespace zarava::issuersim
