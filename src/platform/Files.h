#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// Whole-file access for small shared files that other programs, on this PC or another, read
// and rewrite at any moment. Plain POSIX; nothing throws or logs: every failure shows in the
// result.

enum class ReadFileResult {
    Ok,
    Missing,  // no entry of that name (or a folder on the way is missing)
    NotAFile, // a folder, a device, a pipe
    TooLarge, // more bytes than the caller's limit
    Failed,   // any other error (permissions, I/O)
};

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
    // Makes room for at least `capacity` bytes, keeping the bytes read so far.
    void Grow(std::size_t capacity);

    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

// Reads the whole file into `bytes` (empty unless the result is Ok). A file in place that is
// not a regular one is never waited on: a pipe reads as empty, a folder as NotAFile, and a
// device stops at the limit.
ReadFileResult ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxBytes);

// The same into a string (replacing what it held), for callers that keep the bytes.
ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes);

// Replaces the file's content so that a reader sees either the old or the new bytes, never a
// mix: the new bytes go to a temporary file in the same folder, are flushed to the disk and
// renamed over the file. An existing file keeps its permission bits (and owner, where
// allowed); a link is followed and its target replaced. A new file gets the bits a plain
// create gives. False, with the old file untouched, when anything fails.
bool ReplaceFileAtomically(const std::string& path, std::string_view content);

// File attribute bits as the shared folder's other programs know them.
inline constexpr std::uint16_t kAttributeReadOnly = 0x01;
inline constexpr std::uint16_t kAttributeHidden = 0x02;
inline constexpr std::uint16_t kAttributeDirectory = 0x10;
inline constexpr std::uint16_t kAttributeNormal = 0x80;

// The attributes of a file or folder (links followed); nothing when it does not exist.
// Read-only means that no write permission bit is set, whoever runs the program: root may
// write such a file anyway, but the other programs of the system treat it as read-only.
// Hidden means a name starting with '.'. A file with neither is normal.
std::optional<std::uint16_t> GetFileAttributes(const std::string& path);

// Sets the read-only state of a regular file from the attribute bits: with the read-only bit
// every write permission bit is cleared, without it the owner's write bit is set. The other
// bits have no equivalent here and are ignored. False when the file cannot be changed.
bool SetFileAttributes(const std::string& path, std::uint16_t attributes);

// True when the entry is a regular file without any write permission bit.
bool IsReadOnlyFile(const std::string& path);

} // namespace zarava
