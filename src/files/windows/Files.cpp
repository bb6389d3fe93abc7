#include "files/Files.h"

#include "SystemCalls.h"

#include <fcntl.h>
#include <io.h>

namespace zarava {

using windows::FromNative;
using windows::Handle;
using windows::ToNative;

namespace {

constexpr std::uint16_t kKnownAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeDirectory;
// The attributes a program may set on a file; the others belong to the system.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The version of an open file, and whether it is a regular one; false when it cannot be read.
// The change time comes from the basic information: the classic call leaves it out.
bool Describe(HANDLE file, FileVersion& v, bool& regular) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return false;
    }
    v.device = info.dwVolumeSerialNumber;
    v.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    v.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                       info.nFileSizeLow);
    v.born = windows::FromSystemTime(basic.CreationTime);
    v.modified = windows::FromSystemTime(basic.LastWriteTime);
    v.changed = windows::FromSystemTime(basic.ChangeTime);
    v.links = info.nNumberOfLinks;
    regular = GetFileType(file) == FILE_TYPE_DISK &&
              (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return true;
}

ReadFileResult ReadSnapshotFrom(const std::string& path, HANDLE file, FileSnapshot& snapshot,
                                std::size_t maxBytes) {
    snapshot.bytes.clear();
    bool regular = false;
    if (!Describe(file, snapshot.version, regular)) {
        return snapshot.result = ReadFileResult::Failed;
    }
    if (!regular) {
        return snapshot.result = ReadFileResult::NotAFile;
    }
    return ReadOpenFile(snapshot, maxBytes, windows::ReaderOf(path, file));
}

// The path the system reaches through a link, without the "\\?\" it puts before it.
std::string FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length);
    }
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        path.replace(0, 8, L"\\\\");
    } else if (path.starts_with(L"\\\\?\\")) {
        path.erase(0, 4);
    }
    return windows::Utf8(path);
}

} // namespace

ReadFileResult ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxBytes) {
    bytes.size_ = 0;
    ReadFileResult result = ReadFileResult::Ok;
    const Handle file(windows::OpenRegular(path, GENERIC_READ, result));
    const std::optional<std::uint64_t> size =
        file.Valid() ? windows::SizeOf(file.Get()) : std::nullopt;
    if (!size) {
        return file.Valid() ? ReadFileResult::Failed : result;
    }
    return ReadOpenFile(bytes, *size, maxBytes, windows::ReaderOf(path, file.Get()));
}

ReadFileResult OpenRegularFile(const std::string& path, int& descriptor) {
    ReadFileResult result = ReadFileResult::Ok;
    Handle file(windows::OpenRegular(path, GENERIC_READ, result));
    descriptor = -1;
    if (file.Valid()) {
        descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.Get()), _O_RDONLY | _O_BINARY);
        if (descriptor < 0) {
            return ReadFileResult::Failed;
        }
        file.Release(); // the descriptor owns it now
    }
    return result;
}

std::string FollowLinks(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(windows::Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return path;
    }
    const Handle file(CreateFileW(windows::Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                  windows::kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::string target = file.Valid() ? FinalPath(file.Get()) : std::string();
    return target.empty() ? path : target;
}

std::optional<FileVersion> VersionOfOpenFile(NativeFile file) {
    FileVersion version;
    bool regular = false;
    if (!Describe(FromNative(file), version, regular)) {
        return std::nullopt;
    }
    return version;
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
    // Attributes only: such an open never meets another program's sharing, yet a share
    // answers it afresh.
    const Handle file(windows::Open(FileOperation::Open, path, FILE_READ_ATTRIBUTES, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS));
    return VersionOfOpenFile(ToNative(file.Get()));
}

ReadFileResult ReadFileSnapshot(const std::string& path, FileSnapshot& snapshot,
                                std::size_t maxBytes) {
    ReadFileResult opened = ReadFileResult::Ok;
    const Handle file(windows::OpenRegular(path, GENERIC_READ, opened));
    if (!file.Valid()) {
        snapshot.bytes.clear();
        return snapshot.result = opened;
    }
    return ReadSnapshotFrom(path, file.Get(), snapshot, maxBytes);
}

FileForUpdate::FileForUpdate(const std::string& path) : path_(path) {
    ReadFileResult opened = ReadFileResult::Ok;
    file_ = ToNative(windows::OpenRegular(path, GENERIC_READ | GENERIC_WRITE, opened));
}

FileForUpdate::~FileForUpdate() {
    if (file_ != kNoFile) {
        CloseHandle(FromNative(file_));
    }
}

ReadFileResult FileForUpdate::Read(FileSnapshot& snapshot, std::size_t maxBytes) const {
    if (file_ == kNoFile) {
        snapshot.bytes.clear();
        return snapshot.result = ReadFileResult::Failed;
    }
    return ReadSnapshotFrom(path_, FromNative(file_), snapshot, maxBytes);
}

bool FileForUpdate::Overwrite(std::string_view content) {
    const HANDLE file = FromNative(file_);
    const std::optional<std::uint64_t> size =
        file_ != kNoFile ? windows::SizeOf(file) : std::nullopt;
    if (!size) {
        return false;
    }
    // Space for a longer content first, the file kept at its size: a full disk refuses here,
    // before a byte has changed.
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(content.size());
    if (content.size() > *size &&
        !SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room) &&
        GetLastError() == ERROR_DISK_FULL) {
        return false;
    }
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(content.size());
    return windows::WriteAll(path_, file, content, 0) &&
           SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) &&
           windows::Flush(path_, file);
}

std::optional<FileVersion> FileForUpdate::Version() const {
    return VersionOfOpenFile(file_);
}

std::optional<std::uint16_t> ReadFileAttributes(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(windows::Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    const auto known = static_cast<std::uint16_t>(attributes & kKnownAttributes);
    return known == 0 ? kAttributeNormal : known;
}

bool WriteFileAttributes(const std::string& path, std::uint16_t attributes) {
    const std::wstring wide = windows::Wide(path);
    const DWORD now = GetFileAttributesW(wide.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    const DWORD wanted = attributes & kSettableAttributes;
    return SetFileAttributesW(wide.c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted);
}

bool IsReadOnlyFile(const std::string& path) {
    const std::wstring wide = windows::Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return true;
    }
    // Whether the access list lets us write it shows only when we ask to.
    const Handle file(CreateFileW(wide.c_str(), GENERIC_WRITE, windows::kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file.Valid() && GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace zarava
