#include "files/FileReplacement.h"

#include "SystemCalls.h"

#include <atomic>

namespace zarava {

using windows::FromNative;
using windows::Handle;
using windows::ToNative;
using windows::Wide;

namespace {

// The start of our temporary files' names beside the target; a short prefix of the name keeps
// them within the length limit.
std::string TemporaryPrefix(const std::string& target) {
    return "." + EntryNameOf(target).substr(0, 100) + ".";
}

bool IsPermissionError(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
           error == ERROR_NETWORK_ACCESS_DENIED;
}

// A new temporary file beside the target that nobody else uses; INVALID_HANDLE_VALUE when none
// can be made. It is not given the hidden attribute, which a replace could pass on to the
// target.
HANDLE CreateTemporary(const std::string& target, std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string prefix = JoinPath(FolderOfPath(target), TemporaryPrefix(target)) +
                               std::to_string(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = prefix + "." + std::to_string(counter++) + ".tmp";
        const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

// The new file is written, flushed and closed before it takes the target's place: Windows
// renames no file that is open without sharing its deletion, and deletes no open file.
ReplacementFile::ReplacementFile(const std::string& target, std::string_view content,
                                 const FileVersion* old)
    : target_(target), content_(content) {
    if (old != nullptr) {
        old_ = *old;
    }
    if (windows::Faulted(FileOperation::Create, target)) {
        state_ = IsPermissionError(GetLastError()) ? State::InPlaceOnly : State::Failed;
        return;
    }
    file_ = ToNative(CreateTemporary(target, tempPath_));
    if (file_ == kNoFile) {
        tempPath_.clear();
        state_ = IsPermissionError(GetLastError()) ? State::InPlaceOnly : State::Failed;
        return;
    }
    state_ = Prepare() ? State::Ready : State::Failed;
    CloseHandle(FromNative(file_));
    file_ = kNoFile;
    if (state_ != State::Ready) {
        Discard();
    }
}

bool ReplacementFile::Prepare() {
    return windows::WriteAll(target_, FromNative(file_), content_) &&
           windows::Flush(target_, FromNative(file_));
}

// Windows' temporary files always have a name.
bool ReplacementFile::GiveName() {
    return !tempPath_.empty();
}

bool ReplacementFile::Replace() {
    if (state_ != State::Ready || !GiveName() || windows::Faulted(FileOperation::Rename, target_)) {
        return false;
    }
    const std::wstring from = Wide(tempPath_);
    const std::wstring to = Wide(target_);
    // The replaced file's access list, attributes and creation time go to the new one, as its
    // owner and permissions do on other systems.
    bool replaced = ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                 nullptr, nullptr);
    const DWORD error = replaced ? ERROR_SUCCESS : GetLastError();
    // Gone meanwhile, or moved aside by a replace that could not finish: the new file is put
    // in its place all the same.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        replaced = MoveFileExW(from.c_str(), to.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!replaced) {
        return false;
    }
    tempPath_.clear();
    state_ = State::Failed; // used up
    return true;
}

NewFileResult ReplacementFile::CreateOnly() {
    if (state_ != State::Ready || windows::Faulted(FileOperation::Rename, target_)) {
        return NewFileResult::Failed;
    }
    // Without MOVEFILE_REPLACE_EXISTING a rename never takes the place of an entry.
    if (!MoveFileExW(Wide(tempPath_).c_str(), Wide(target_).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
                   ? NewFileResult::NameTaken
                   : NewFileResult::Failed;
    }
    tempPath_.clear();
    state_ = State::Failed; // used up
    return NewFileResult::Created;
}

std::optional<FileVersion> ReplacementFile::Version() const {
    return ReadFileVersion(target_);
}

void ReplacementFile::Discard() {
    if (!tempPath_.empty()) {
        DeleteFileW(Wide(tempPath_).c_str());
        tempPath_.clear();
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void RemoveStaleTemporaries(const std::string& target, FileTime now, int maxAgeSeconds) {
    const std::string folder = FolderOfPath(target);
    const std::string prefix = TemporaryPrefix(target);
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW(Wide(JoinPath(folder, prefix + "*.tmp")).c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        // The pattern also matches short 8.3 names: the long name decides.
        const std::string name = windows::Utf8(found.cFileName);
        const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (name.starts_with(prefix) && name.ends_with(".tmp") &&
            (found.dwFileAttributes & notAFile) == 0 &&
            windows::FromSystemTime(found.ftLastWriteTime).seconds < now.seconds - maxAgeSeconds) {
            DeleteFileW(Wide(JoinPath(folder, name)).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace zarava
