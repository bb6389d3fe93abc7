#pragma once

#include "files/Files.h"
#include "files/Folders.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// A new version of a file, written beside it and flushed to the disk, waiting to take the
// file's place in one rename, so that a reader sees either the old or the new bytes. It has no
// name until then where the file system allows, so a writer killed meanwhile leaves nothing;
// otherwise it is a hidden ".NAME.*.tmp" file.
class ReplacementFile {
public:
    enum class State {
        Ready,
        // The folder takes no new file, or the old one's owner and group cannot be given to a
        // new one (only root may give a file away): the file must be changed in place.
        InPlaceOnly,
        Failed, // writing it failed (a full disk, say)
    };

    // With `old`, the new file gets its owner, group and permission bits; without, those a
    // plain create gives.
    ReplacementFile(const std::string& target, std::string_view content, const FileVersion* old);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    State GetState() const { return state_; }

    // Renames it over the target.
    bool Replace();
    // Puts it at the target's name only while nothing has that name.
    NewFileResult CreateOnly();
    // The version at the target's name after Replace or CreateOnly.
    std::optional<FileVersion> Version() const;

private:
    bool Prepare();
    bool GiveName();
    void Discard();

    std::string target_;
    std::string_view content_;
    std::optional<FileVersion> old_;
    State state_ = State::Failed;
    NativeFile file_ = kNoFile; // a descriptor, or a Windows handle
    std::string tempPath_;      // empty while the file has no name
};

// Removes the temporary files that writes of this program left beside the target (a writer
// killed between writing one and renaming it) once they are older than maxAgeSeconds, by the
// file system's own clock: `now` is the modification time of a file just written.
void RemoveStaleTemporaries(const std::string& target, FileTime now, int maxAgeSeconds);

} // namespace zarava
