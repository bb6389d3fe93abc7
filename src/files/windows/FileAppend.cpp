#include "files/FileAppend.h"

#include "SystemCalls.h"

namespace zarava {

WriteFileResult AppendToFile(const std::string& path, std::string_view bytes) {
    // A handle that may only append writes every piece at the end of the file as it is then,
    // as one write, whatever other writers do meanwhile.
    const windows::Handle file(
        windows::Open(FileOperation::Open, path, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS));
    if (!file.Valid()) {
        return windows::WriteFailure(GetLastError(), path);
    }
    if (!windows::IsRegular(file.Get())) {
        return WriteFileResult::NotAFile;
    }
    if (!windows::WriteAll(path, file.Get(), bytes)) {
        return windows::WriteFailure(GetLastError(), path);
    }
    return WriteFileResult::Ok;
}

} // namespace zarava
