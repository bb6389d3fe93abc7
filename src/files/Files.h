#pragma once

#include "files/Folders.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// Whole-file access for small shared files that other programs, on this PC or another, read
// and rewrite at any moment. Nothing throws or logs: every failure shows in the result. On
// Windows every file is opened so that other programs may go on reading, writing and deleting
// it meanwhile, and one that another program holds without sharing reads as Failed.

// An open file as the system knows it: a descriptor, or a Windows handle. -1 for none.
using NativeFile = std::intptr_t;
inline constexpr NativeFile kNoFile = -1;

enum class ReadFileResult {
    Ok,
    Missing,  // no entry of that name (or a folder on the way is missing)
    NotAFile, // a folder, a device, a pipe: refused without waiting on it
    TooLarge, // more bytes than the caller's limit
    Failed,   // any other error (permissions, I/O)
};

// Why a file could not be read, for a line in the log: "not found", "not a regular file (a
// folder, a pipe or a device)", "too large", "cannot be read" (empty for Ok).
std::string_view ReadFailureText(ReadFileResult result);

enum class WriteFileResult {
    Ok,
    Missing,  // the folder it should be in is missing
    NotAFile, // a folder, a device, a pipe in the file's place: refused without waiting on it
    Refused,  // no right to write it, or a share that takes no changes
    Failed,   // any other error (a full disk, I/O); some bytes may have been written
};

// The same for a write: "its folder is missing", "not a regular file (a folder, a pipe or a
// device)", "not allowed", "failed" (empty for Ok).
std::string_view WriteFailureText(WriteFileResult result);

// How the implementations of the file layer read an open file: as the system does, the count
// of bytes read at `at`, 0 at the end, -1 on an error.
using ReadAtFunction = std::function<std::int64_t(char* bytes, std::size_t size, std::uint64_t at)>;

// Storage for whole-file reads. It keeps its space from one read to the next and never clears
// it, so reading a settings file several times a second neither allocates nor fills memory.
class FileBytes {
public:
    std::string_view View() const { return {data_.get(), size_}; }
    std::size_t Capacity() const { return capacity_; }
    // Gives the space back (after an unusually large file, say).
    void Release();

private:
    friend ReadFileResult ReadWholeFile(const std::string&, FileBytes&, std::size_t);
    friend ReadFileResult ReadOpenFile(FileBytes&, std::uint64_t, std::size_t,
                                       const ReadAtFunction&);
    // Makes room for at least `capacity` bytes, keeping those it holds, and gives the storage.
    char* Grow(std::size_t capacity);

    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

// Reads the whole regular file into `bytes` (empty unless the result is Ok). Anything else in
// the file's place (a folder, a pipe, a device) is NotAFile and never waited on.
ReadFileResult ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxBytes);

// The same into a string (replacing what it held), for callers that keep the bytes.
ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes);

// Opens a regular file for reading without ever waiting on what is in its place, for readers
// that take a C library descriptor (the sound decoder): Ok with `descriptor` set, which then
// belongs to the caller, or why not. On Windows the descriptor reads in binary mode.
ReadFileResult OpenRegularFile(const std::string& path, int& descriptor);

// The path with the symbolic links of its last component followed to the entry they end at,
// which need not exist (on Windows: must exist): writing a file through a link changes what
// the link points to.
std::string FollowLinks(const std::string& path);

// One version of a file: another program's write changes its size, its bytes or its times
// (and the change time, unlike the last-write time, cannot be set back). Windows has no owners
// or modes here (they stay 0): its files keep their access lists when they are replaced.
struct FileVersion {
    std::uint64_t device = 0; // on Windows, the volume's serial number
    std::uint64_t inode = 0;  // on Windows, the file's index on its volume
    std::int64_t size = 0;
    FileTime born; // where the file system keeps it (not over NFS): a file made again differs
    FileTime modified;
    FileTime changed;
    std::uint32_t mode = 0; // permission bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint64_t links = 0;
    bool accessList = false; // permissions beyond the mode bits, which a new file would not get
    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The version of an open file, or of the file a path names (opened, so that a network share
// reports it afresh); nothing when it cannot be read.
std::optional<FileVersion> VersionOfOpenFile(NativeFile file);
std::optional<FileVersion> ReadFileVersion(const std::string& path);

// The bytes of a file and the version they were read from.
struct FileSnapshot {
    ReadFileResult result = ReadFileResult::Missing;
    FileVersion version; // when the result is Ok
    std::string bytes;

    // The same result and, for a file, the same version and bytes: nobody wrote in between.
    bool SameAs(const FileSnapshot& other) const;
};

ReadFileResult ReadFileSnapshot(const std::string& path, FileSnapshot& snapshot,
                                std::size_t maxBytes);

// A file opened for reading and writing, to be changed in place: its entry, its owner, its
// permissions and its other names (hard links) stay as they are.
class FileForUpdate {
public:
    // Not open (IsOpen false) when the path names no regular file.
    explicit FileForUpdate(const std::string& path);
    ~FileForUpdate();
    FileForUpdate(const FileForUpdate&) = delete;
    FileForUpdate& operator=(const FileForUpdate&) = delete;

    bool IsOpen() const { return file_ != kNoFile; }
    ReadFileResult Read(FileSnapshot& snapshot, std::size_t maxBytes) const;

    // Writes the content over the file in one write from its start, then cuts the file to the
    // content's length, and flushes it to the disk. Space for a longer content is reserved
    // first, so that a full disk refuses before a byte changes (where the file system can say).
    bool Overwrite(std::string_view content);
    std::optional<FileVersion> Version() const;

private:
    std::string path_;
    NativeFile file_;
};

// File attribute bits as the shared folder's other programs know them.
inline constexpr std::uint16_t kAttributeReadOnly = 0x01;
inline constexpr std::uint16_t kAttributeHidden = 0x02;
inline constexpr std::uint16_t kAttributeDirectory = 0x10;
inline constexpr std::uint16_t kAttributeNormal = 0x80;

// The attributes of a file or folder (links followed); nothing when it does not exist. Of
// those above only: a file with none of them is normal. On POSIX systems read-only means that
// no write permission bit is set, whoever runs the program (root may write such a file anyway,
// but the other programs of the system treat it as read-only), and hidden a name starting with
// '.'; on Windows they are the file's own attributes.
std::optional<std::uint16_t> ReadFileAttributes(const std::string& path);

// Sets the attributes of a regular file. On Windows they become exactly the bits given (0: a
// normal file, read-only, hidden, system and archive cleared). On POSIX systems only the
// read-only state has an equivalent: with the read-only bit every write permission bit is
// cleared; without it, a file that has no write permission bit gets the owner's, and any other
// keeps its bits. False when the file cannot be changed.
bool WriteFileAttributes(const std::string& path, std::uint16_t attributes);

// True when the entry is a regular file that this program may not write: it has no write
// permission bit, or none that lets us write it (on Windows: the read-only attribute, or an
// access list that refuses us).
bool IsReadOnlyFile(const std::string& path);

// For the implementations of the file layer: what ReadWholeFile, ReadFileSnapshot (of a file
// described in snapshot.version) and ReadFileStart do once the regular file is open. The size
// known beforehand only sizes the first read: the file may grow or shrink meanwhile, and is
// read to its end.
ReadFileResult ReadOpenFile(FileBytes& bytes, std::uint64_t size, std::size_t maxBytes,
                            const ReadAtFunction& readAt);
ReadFileResult ReadOpenFile(FileSnapshot& snapshot, std::size_t maxBytes,
                            const ReadAtFunction& readAt);
ReadFileResult ReadOpenFileStart(std::string& bytes, std::uint64_t size, std::size_t maxBytes,
                                 const ReadAtFunction& readAt);

} // namespace zarava
