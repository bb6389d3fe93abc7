#include "files/FileStart.h"

#include "SystemCalls.h"

#include <algorithm>

namespace zarava {

ReadFileResult ReadFileStart(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    ReadFileResult result = ReadFileResult::Ok;
    const windows::Handle file(windows::OpenRegular(path, GENERIC_READ, result));
    const std::optional<std::uint64_t> fileSize =
        file.Valid() ? windows::SizeOf(file.Get()) : std::nullopt;
    if (!fileSize) {
        return file.Valid() ? ReadFileResult::Failed : result;
    }
    const std::optional<std::size_t> size = windows::ReadFrom(
        path, file.Get(), static_cast<std::size_t>(std::min<std::uint64_t>(*fileSize, maxBytes)),
        maxBytes, [&](std::size_t n) {
            bytes.resize(n);
            return bytes.data();
        });
    if (!size) {
        bytes.clear();
        return ReadFileResult::Failed;
    }
    // One byte beyond the limit tells a file that goes on from one that ends there.
    bytes.resize(std::min(*size, maxBytes));
    return *size > maxBytes ? ReadFileResult::TooLarge : ReadFileResult::Ok;
}

} // namespace zarava
