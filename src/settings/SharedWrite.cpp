#include "settings/SharedWrite.h"

#include "platform/Clock.h"
#include "platform/FileReplacement.h"
#include "platform/Files.h"
#include "platform/WriterLock.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>

namespace zarava {

namespace {

// A settings file is a few kilobytes; anything beyond this is not one and is left alone.
constexpr std::size_t kMaxFileBytes = 64u << 20;

// How long the bytes must stay the same before a change is built on them. A Windows program
// rewrites a profile file in place with one write right after cutting it to nothing: over a
// share that is one or two network round trips, a few milliseconds on a slow network. 10 ms
// covers that, and spans at least two ticks of the coarse clock file systems stamp writes
// with, so a rewrite within the pause always shows in the times. It is paid only when the
// file was last written by another program (or is missing), under the lock.
constexpr int kSteadyMs = 10;
// Reads that find the file changed start the attempt again; after this many, it fails.
constexpr int kRounds = 8;
// The longest wait for another writer of ours, and the steps of the wait.
constexpr int kLockWaitMs = 2000;
constexpr int kLockPollMaxMs = 20;
// Temporary files of ours this old were left by a writer that was killed.
constexpr int kStaleTemporarySeconds = 60;

enum class EditKind { Unholdable, Unchanged, Changed };

struct Edit {
    EditKind kind;
    std::string bytes; // the new content, when built
};

Edit EditFor(std::string_view fileBytes, const ProfileChange& change, bool build) {
    ProfileContent content;
    const bool storable = content.Load(fileBytes);
    const std::optional<std::string> section = content.FromUtf8(change.section);
    const std::optional<std::string> key = content.FromUtf8(change.key);
    const std::optional<std::string> value = content.FromUtf8(change.value);
    if (!section || !key || !value) {
        return {EditKind::Unholdable, {}};
    }
    if (HoldsProfileValue(content.View(), *section, *key, *value, content.Text())) {
        return {EditKind::Unchanged, {}};
    }
    if (!storable) {
        return {EditKind::Unholdable, {}};
    }
    if (!build) {
        return {EditKind::Changed, {}};
    }
    return {EditKind::Changed,
            content.Store(SetProfileValue(content.View(), *section, *key, *value, content.Text()))};
}

std::uint64_t HashBytes(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    return hash;
}

// What a writer of ours leaves in the lock file: the version of the file it put in place and a
// hash of its bytes. The next writer that finds the file exactly so knows it is whole and
// need not wait for it to stay the same. (Not the device number: another PC sees another.)
std::string NoteFor(const FileVersion& v, std::string_view bytes) {
    char note[160];
    std::snprintf(note, sizeof note,
                  "written by zarava: %" PRIu64 " %" PRId64 " %" PRId64 ".%09" PRId32 " %" PRId64
                  ".%09" PRId32 " %016" PRIx64 "\n",
                  v.inode, v.size, v.modified.seconds, v.modified.nanoseconds, v.changed.seconds,
                  v.changed.nanoseconds, HashBytes(bytes));
    return note;
}

void TakeLock(Clock& clock, WriterLock& lock) {
    int waited = 0;
    for (int step = 1;; step = std::min(step * 2, kLockPollMaxMs)) {
        // Busy is waited out for a while; a lock the share does not support, or one held too
        // long (a writer stalled on a dead share), is gone on without.
        if (lock.TryTake() != WriterLock::Attempt::Busy || waited >= kLockWaitMs) {
            return;
        }
        clock.Sleep(step);
        waited += step;
    }
}

enum class CommitResult { Done, Changed, RenameRefused, Failed };

struct Commit {
    CommitResult result;
    std::optional<FileVersion> version; // when done
    bool renamed = false;
};

// Puts the new bytes in place if the file is still exactly `base`.
Commit CommitEdit(const std::string& target, const FileSnapshot& base, std::string_view bytes,
                  bool inPlace) {
    FileSnapshot check;
    if (base.result == ReadFileResult::Missing) {
        ReplacementFile fresh(target, bytes, nullptr);
        if (fresh.GetState() != ReplacementFile::State::Ready) {
            return {CommitResult::Failed, {}};
        }
        ReadFileSnapshot(target, check, kMaxFileBytes);
        if (!check.SameAs(base)) {
            return {CommitResult::Changed, {}};
        }
        switch (fresh.CreateOnly()) {
        case NewFileResult::Created:
            return {CommitResult::Done, fresh.Version(), true};
        case NewFileResult::NameTaken:
            return {CommitResult::Changed, {}};
        case NewFileResult::Failed:
            break;
        }
        return {CommitResult::Failed, {}};
    }
    // A rename would cut the file's other names off it, or drop its access list.
    if (!inPlace && base.version.links <= 1 && !base.version.accessList) {
        ReplacementFile next(target, bytes, &base.version);
        if (next.GetState() == ReplacementFile::State::Failed) {
            return {CommitResult::Failed, {}};
        }
        if (next.GetState() == ReplacementFile::State::Ready) {
            ReadFileSnapshot(target, check, kMaxFileBytes);
            if (!check.SameAs(base)) {
                return {CommitResult::Changed, {}};
            }
            if (!next.Replace()) {
                return {CommitResult::RenameRefused, {}};
            }
            return {CommitResult::Done, next.Version(), true};
        }
    }
    // In place: checked and written through one descriptor, so the file checked is the file
    // written.
    FileForUpdate file(target);
    if (!file.IsOpen()) {
        return {CommitResult::Failed, {}};
    }
    file.Read(check, kMaxFileBytes);
    if (!check.SameAs(base)) {
        return {CommitResult::Changed, {}};
    }
    if (!file.Overwrite(bytes)) {
        return {CommitResult::Failed, {}};
    }
    return {CommitResult::Done, file.Version(), false};
}

WriteOutcome WriteLocked(Clock& clock, const ProfileChange& change, const std::string& target,
                         WriterLock& lock) {
    FileSnapshot base;
    ReadFileSnapshot(target, base, kMaxFileBytes);
    bool inPlace = false;
    for (int round = 0; round < kRounds; ++round) {
        if (base.result != ReadFileResult::Ok && base.result != ReadFileResult::Missing) {
            // Writing now would replace bytes we could not see.
            return WriteOutcome::Refused;
        }
        const bool exists = base.result == ReadFileResult::Ok;
        if (exists && IsReadOnlyFile(target)) {
            return WriteOutcome::Refused;
        }
        if (!exists || lock.ReadNote() != NoteFor(base.version, base.bytes)) {
            // Another program may be in the middle of rewriting the file (or of deleting and
            // making it again): build only on bytes that stay the same for a moment.
            clock.Sleep(kSteadyMs);
            FileSnapshot again;
            ReadFileSnapshot(target, again, kMaxFileBytes);
            if (!again.SameAs(base)) {
                base = std::move(again);
                continue;
            }
        }
        const Edit edit = EditFor(base.bytes, change, true);
        if (edit.kind != EditKind::Changed) {
            return edit.kind == EditKind::Unchanged ? WriteOutcome::Written
                                                    : WriteOutcome::Unholdable;
        }
        const Commit commit = CommitEdit(target, base, edit.bytes, inPlace);
        switch (commit.result) {
        case CommitResult::Done:
            if (commit.version) {
                lock.WriteNote(NoteFor(*commit.version, edit.bytes));
                if (commit.renamed) {
                    RemoveStaleTemporaries(target, commit.version->modified,
                                           kStaleTemporarySeconds);
                }
            }
            return WriteOutcome::Written;
        case CommitResult::Changed:
            ReadFileSnapshot(target, base, kMaxFileBytes);
            break;
        case CommitResult::RenameRefused:
            inPlace = true;
            break;
        case CommitResult::Failed:
            return WriteOutcome::Refused;
        }
    }
    return WriteOutcome::Conflict;
}

} // namespace

WriteOutcome WriteProfileValueOnce(Clock& clock, const ProfileChange& change,
                                   const std::string& file) {
    {
        // Most writes find the value in place already (the close watchdog's, every two
        // seconds, often over a network share): they cost one read and take no lock.
        thread_local FileBytes bytes;
        const ReadFileResult read = ReadWholeFile(file, bytes, kMaxFileBytes);
        if (read != ReadFileResult::Ok && read != ReadFileResult::Missing) {
            return WriteOutcome::Refused;
        }
        const Edit edit = EditFor(bytes.View(), change, false);
        if (edit.kind == EditKind::Unholdable) {
            return WriteOutcome::Unholdable;
        }
        if (read == ReadFileResult::Ok) {
            if (edit.kind == EditKind::Unchanged) {
                return WriteOutcome::Written;
            }
            if (IsReadOnlyFile(file)) {
                return WriteOutcome::Refused;
            }
        }
    }
    // Written through a link is the file it names: the lock and the new file go beside that.
    const std::string target = FollowLinks(file);
    WriterLock lock(target);
    TakeLock(clock, lock);
    return WriteLocked(clock, change, target, lock);
}

} // namespace zarava
