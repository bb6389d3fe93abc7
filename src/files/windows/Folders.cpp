#include "files/Folders.h"

#include "SystemCalls.h"

namespace zarava {

using windows::Handle;
using windows::Wide;

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Where the last separator of the path stands, or npos.
std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/");
}

// The length of the path's root that must keep its separator: "C:\" or "\" (a bare "C:" means
// the drive's current folder, another place), or "\\server\share" of a network path.
std::size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        const std::size_t server = path.find_first_of("\\/", 2);
        const std::size_t share =
            server == std::string::npos ? server : path.find_first_of("\\/", server + 1);
        return share == std::string::npos ? path.size() : share;
    }
    if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) {
        return 3;
    }
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

} // namespace

bool EntryExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::string& path) {
    return !windows::Faulted(FileOperation::Create, path) &&
           CreateDirectoryW(Wide(path).c_str(), nullptr);
}

bool IsLocalFileSystem(const std::string& path) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(Wide(path).c_str(), volume, MAX_PATH)) {
        return false;
    }
    const UINT type = GetDriveTypeW(volume);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

std::optional<FileStamps> ReadFileStamps(const std::string& path) {
    // Opened for its attributes only: another program's sharing never stands in the way, and a
    // share answers afresh where a look by name may get a copy the system keeps for seconds.
    const Handle file(CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, windows::kShareAll,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_BASIC_INFO basic{};
    if (!file.Valid() ||
        !GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    FileStamps stamps;
    stamps.created = windows::FromSystemTime(basic.CreationTime);
    stamps.lastWrite = windows::FromSystemTime(basic.LastWriteTime);
    stamps.lastAccess = windows::FromSystemTime(basic.LastAccessTime);
    stamps.createdFrom = CreationSource::Birth;
    return stamps;
}

NewFileResult CreateNewFile(const std::string& path, std::string_view content) {
    const Handle file(windows::Open(FileOperation::Create, path, GENERIC_WRITE, CREATE_NEW));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                   ? NewFileResult::NameTaken
                   : NewFileResult::Failed;
    }
    // A full disk or a refusing share: the file exists all the same.
    [[maybe_unused]] const bool complete = windows::WriteAll(path, file.Get(), content);
    return NewFileResult::Created;
}

bool RemoveFile(const std::string& path) {
    return !windows::Faulted(FileOperation::Remove, path) && DeleteFileW(Wide(path).c_str());
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(Wide(JoinPath(folder, "*")).c_str(), FindExInfoBasic,
                                           &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring_view name(found.cFileName);
        if (name != L"." && name != L"..") {
            names.push_back(windows::Utf8(name));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::optional<std::string> FindEntryIgnoringCase(const std::string& folder, std::string_view name) {
    // The system matches names without regard to case itself, and tells the name as the folder
    // holds it. Wildcards would match other names: no file may hold them.
    if (name.empty() || name.find_first_of("*?<>\"|\\/") != std::string_view::npos) {
        return std::nullopt;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW(Wide(JoinPath(folder.empty() ? "." : folder, name)).c_str(),
                         FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    FindClose(search);
    return windows::Utf8(found.cFileName);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && !IsSeparator(path.back()) && path.back() != ':') {
        // The folder's own separator: a path written with '/' stays so.
        const std::size_t last = LastSeparator(path);
        path += last != std::string::npos && path[last] == '/' ? '/' : '\\';
    }
    path += name;
    return path;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t separator = LastSeparator(path);
    if (separator == std::string::npos) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    }
    return path.substr(0, std::max(separator, RootLength(path)));
}

std::string EntryNameOf(const std::string& path) {
    const std::size_t separator = LastSeparator(path);
    if (separator == std::string::npos) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
    }
    return path.substr(separator + 1);
}

} // namespace zarava
