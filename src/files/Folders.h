#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The few file-system operations the shared-folder utilities need, over the system's own
// calls. Nothing here throws or logs: every failure shows in the result, so the callers can
// stay silent as the display must. Paths are UTF-8 text. On POSIX systems they are joined with
// '/'; on Windows a backslash and '/' both separate, and a path is joined with the separator
// it already uses (a backslash when it has none).

// The path of a name inside a folder.
std::string JoinPath(const std::string& folder, std::string_view name);

// The folder that holds the entry a path names ("." for a bare name), and the entry's name.
std::string FolderOfPath(const std::string& path);
std::string EntryNameOf(const std::string& path);

// True when an entry of that name exists (a file, a folder, even a dangling link).
bool EntryExists(const std::string& path);

// True when the path names a folder (links followed).
bool FolderExists(const std::string& path);

// Creates one folder level; the parent must exist. False when it could not be made.
bool CreateFolder(const std::string& path);

// True when the entry lies on a disk of this PC, so that every time stamp on it comes from this
// PC's clock; false on a network share (whose server may stamp times with a clock of its own)
// and wherever it cannot tell.
bool IsLocalFileSystem(const std::string& path);

// A moment as the file system stores it: seconds and nanoseconds since 1970-01-01 UTC.
struct FileTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// Where the creation time of `FileStamps` came from.
enum class CreationSource {
    Birth,     // the file system recorded when the file was born
    LastWrite, // it did not; the last write is the earliest moment we know the file existed
};

struct FileStamps {
    FileTime created;
    FileTime lastWrite;
    FileTime lastAccess;
    CreationSource createdFrom = CreationSource::LastWrite;
};

// The three time stamps of a file or folder (links followed); nothing when it cannot be read.
std::optional<FileStamps> ReadFileStamps(const std::string& path);

enum class NewFileResult {
    Created,   // the file is there (whether or not every byte could be written)
    NameTaken, // an entry of that name already exists and was left untouched
    Failed,    // no file was made
};

// Creates a file that must not exist yet and writes the content into it. Never overwrites.
NewFileResult CreateNewFile(const std::string& path, std::string_view content);

// Deletes a file (not a folder). False when it could not be deleted.
bool RemoveFile(const std::string& path);

// The names of the entries in the folder, "." and ".." left out, in the folder's own order;
// empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);

// The name inside the folder that stands for `name` when names are compared without regard to
// ASCII case: `name` itself when such an entry exists, otherwise the smallest (in byte order)
// entry equal to it ignoring case, so the choice does not depend on the directory's order.
// Nothing when neither exists or the folder cannot be read. On Windows, whose file systems
// match names without regard to case themselves, the name as the folder holds it.
std::optional<std::string> FindEntryIgnoringCase(const std::string& folder, std::string_view name);

} // namespace zarava
