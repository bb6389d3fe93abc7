#include "files/FileStart.h"

#include "SystemCalls.h"

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
    return ReadOpenFileStart(bytes, *fileSize, maxBytes, windows::ReaderOf(path, file.Get()));
}

} // namespace zarava
