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

// One byte more than the size is asked for, so that a file growing meanwhile is noticed.
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

} // namespace zarava
