#include "files/Files.h"

#include <algorithm>

namespace zarava {

std::string_view ReadFailureText(ReadFileResult result) {
    switch (result) {
    case ReadFileResult::Ok:
        return "";
    case ReadFileResult::Missing:
        return "not found";
    case ReadFileResult::NotAFile:
        return "not a regular file (a folder, a pipe or a device)";
    case ReadFileResult::TooLarge:
        return "too large";
    case ReadFileResult::Failed:
        break;
    }
    return "cannot be read";
}

std::string_view WriteFailureText(WriteFileResult result) {
    switch (result) {
    case WriteFileResult::Ok:
        return "";
    case WriteFileResult::Missing:
        return "its folder is missing";
    case WriteFileResult::NotAFile:
        return "not a regular file (a folder, a pipe or a device)";
    case WriteFileResult::Refused:
        return "not allowed";
    case WriteFileResult::Failed:
        break;
    }
    return "failed";
}

void FileBytes::Release() {
    data_.reset();
    capacity_ = 0;
    size_ = 0;
}

char* FileBytes::Grow(std::size_t capacity) {
    if (capacity > capacity_) {
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        std::copy_n(data_.get(), capacity_, grown.get());
        data_ = std::move(grown);
        capacity_ = capacity;
    }
    return data_.get();
}

ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
    FileBytes bytes;
    const ReadFileResult result = ReadWholeFile(path, bytes, maxBytes);
    content.assign(bytes.View());
    return result;
}

bool FileSnapshot::SameAs(const FileSnapshot& other) const {
    if (result != other.result) {
        return false;
    }
    return result != ReadFileResult::Ok || (version == other.version && bytes == other.bytes);
}

namespace {

// From the start of the open file until its end, or until more than `limit` bytes are in.
// `room(n)` makes room for n bytes, keeping those read, and gives the storage. One byte more
// than the size is asked for, so that a file growing meanwhile is noticed. The bytes read, or
// nothing on an error.
std::optional<std::size_t> ReadInPieces(std::size_t sizeHint, std::size_t limit,
                                        const std::function<char*(std::size_t)>& room,
                                        const ReadAtFunction& readAt) {
    std::size_t capacity = std::min(sizeHint, limit) + 1;
    char* data = room(capacity);
    std::size_t size = 0;
    while (size <= limit) {
        if (size == capacity) {
            capacity = std::min(capacity * 2, limit + 1);
            data = room(capacity);
        }
        const std::int64_t n = readAt(data + size, capacity - size, size);
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        size += static_cast<std::size_t>(n);
    }
    return size;
}

} // namespace

ReadFileResult ReadOpenFile(FileBytes& bytes, std::uint64_t size, std::size_t maxBytes,
                            const ReadAtFunction& readAt) {
    bytes.size_ = 0;
    if (size > maxBytes) {
        return ReadFileResult::TooLarge;
    }
    // The space kept from the last read is used as it is (the loop asks for one byte more than
    // the size it is given): only a larger file makes it grow.
    const std::size_t kept = bytes.capacity_ > 0 ? bytes.capacity_ - 1 : 0;
    const std::optional<std::size_t> read = ReadInPieces(
        std::max(static_cast<std::size_t>(size), kept), maxBytes,
        [&](std::size_t n) { return bytes.Grow(n); }, readAt);
    if (!read || *read > maxBytes) {
        return read ? ReadFileResult::TooLarge : ReadFileResult::Failed;
    }
    bytes.size_ = *read;
    return ReadFileResult::Ok;
}

ReadFileResult ReadOpenFile(FileSnapshot& snapshot, std::size_t maxBytes,
                            const ReadAtFunction& readAt) {
    snapshot.bytes.clear();
    if (static_cast<std::uint64_t>(snapshot.version.size) > maxBytes) {
        return snapshot.result = ReadFileResult::TooLarge;
    }
    const std::optional<std::size_t> size = ReadInPieces(
        static_cast<std::size_t>(snapshot.version.size), maxBytes,
        [&](std::size_t n) {
            snapshot.bytes.resize(n);
            return snapshot.bytes.data();
        },
        readAt);
    if (!size || *size > maxBytes) {
        snapshot.bytes.clear();
        return snapshot.result = size ? ReadFileResult::TooLarge : ReadFileResult::Failed;
    }
    snapshot.bytes.resize(*size);
    return snapshot.result = ReadFileResult::Ok;
}

ReadFileResult ReadOpenFileStart(std::string& bytes, std::uint64_t size, std::size_t maxBytes,
                                 const ReadAtFunction& readAt) {
    const std::optional<std::size_t> read = ReadInPieces(
        static_cast<std::size_t>(size), maxBytes,
        [&](std::size_t n) {
            bytes.resize(n);
            return bytes.data();
        },
        readAt);
    if (!read) {
        bytes.clear();
        return ReadFileResult::Failed;
    }
    // One byte beyond the limit tells a file that goes on from one that ends there.
    bytes.resize(std::min(*read, maxBytes));
    return *read > maxBytes ? ReadFileResult::TooLarge : ReadFileResult::Ok;
}

} // namespace zarava
