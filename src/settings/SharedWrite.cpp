#include "settings/SharedWrite.h"

#include "engine/Clock.h"
#include "files/FileReplacement.h"
#include "files/Files.h"
#include "files/WriterLock.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <vector>

namespace zarava {

namespace {

// How long the bytes must stay the same before a change is built on them. A Windows program
// rewrites a profile file in place with one write right after cutting it to nothing: over a
// share that is one or two network round trips, a few milliseconds on a slow network. 10 ms
// covers that several times over and still lets a write through between rewrites that come
// every 20 ms. (Times, sizes and bytes are all compared: a rewrite within one tick of the
// coarse clock that stamps file times still shows.) It is paid only when the file was last
// written by another program (or is missing), under the lock.
constexpr int kSteadyMs = 10;
// The same for the file a writer of ours put in place, made shorter in place since by another
// program: most likely a rewrite under way, which a busy PC or share may stall for longer.
constexpr int kShrunkSteadyMs = 200;
// More time than a write takes: the wall clock was set while it ran.
constexpr std::int64_t kClockJumpMs = 60000;
// Reads that find the file changed start the attempt again; after this many, it fails.
constexpr int kRounds = 12;
// The wait for other writers of ours: while they keep changing the file the lock is alive and
// is waited for, up to the cap; a holder that changes nothing for 2 s is stalled (on a dead
// share, say) and is gone on without. Short steps, so that a waiter is not always beaten to a
// freed lock by a writer that comes later.
constexpr int kLockStalledMs = 2000;
constexpr int kLockWaitCapMs = 10000;
constexpr int kLockPollMaxMs = 5;
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
    if (!section || !key) {
        return {EditKind::Unholdable, {}};
    }
    std::string updated;
    if (change.update) {
        const std::optional<std::string_view> found =
            FindProfileValue(content.View(), *section, *key, content.Text());
        std::optional<std::string> next = change.update(
            found ? content.ToUtf8(ClipProfileValue(*found, kMaxSettingValueBytes, content.Text()))
                  : std::string());
        if (!next) {
            return {EditKind::Unchanged, {}};
        }
        if (BreaksProfileLine(*next)) {
            return {EditKind::Unholdable, {}};
        }
        updated = std::move(*next);
    }
    const std::optional<std::string> value =
        content.FromUtf8(change.update ? std::string_view(updated) : change.value);
    if (!value) {
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

// What a writer of ours leaves in the lock file: the version of the file it put in place, the
// length and a hash of its bytes (their length, not the file's: another program may be
// rewriting it already when its version is taken). The next writer that finds the file exactly
// so knows it is whole and need not wait for it to stay the same. (Not the device number:
// another PC sees another.)
std::string NoteFor(const FileVersion& v, std::string_view bytes) {
    char note[192];
    std::snprintf(note, sizeof note,
                  "written by zarava: %" PRIu64 " %" PRId64 ".%09" PRId32 " %" PRId64 " %" PRId64
                  ".%09" PRId32 " %" PRId64 ".%09" PRId32 " %016" PRIx64 "\n",
                  v.inode, v.born.seconds, v.born.nanoseconds,
                  static_cast<std::int64_t>(bytes.size()), v.modified.seconds,
                  v.modified.nanoseconds, v.changed.seconds, v.changed.nanoseconds,
                  HashBytes(bytes));
    return note;
}

// How long the bytes must stand before a change is built on them (see kSteadyMs), given the
// note of the last writer of ours.
int SteadyTime(const std::string& note, const FileSnapshot& base) {
    if (base.result != ReadFileResult::Ok) {
        return kSteadyMs;
    }
    if (note == NoteFor(base.version, base.bytes)) {
        return 0; // exactly what a writer of ours left: whole
    }
    // The same file (not one made again under the same number) with fewer bytes.
    std::uint64_t inode = 0;
    FileTime born;
    std::int64_t size = 0;
    const bool shrunk =
        std::sscanf(note.c_str(), "written by zarava: %" SCNu64 " %" SCNd64 ".%" SCNd32 " %" SCNd64,
                    &inode, &born.seconds, &born.nanoseconds, &size) == 4 &&
        inode == base.version.inode && born == base.version.born && base.version.size < size;
    return shrunk ? kShrunkSteadyMs : kSteadyMs;
}

void TakeLock(Clock& clock, WriterLock& lock, const std::string& target) {
    int waited = 0;
    int stalled = 0;
    std::optional<FileVersion> seen;
    for (int step = 1;; step = std::min(step + 1, kLockPollMaxMs)) {
        // A lock the share does not support is gone on without at once.
        if (lock.TryTake() != WriterLock::Attempt::Busy || stalled >= kLockStalledMs ||
            waited >= kLockWaitCapMs) {
            return;
        }
        if (waited == 0) {
            seen = ReadFileVersion(target);
        }
        clock.Sleep(step);
        waited += step;
        stalled += step;
        std::optional<FileVersion> now = ReadFileVersion(target);
        if (now != seen) {
            seen = std::move(now);
            stalled = 0;
        }
    }
}

// Waits until the bytes a change is built on have stood for kSteadyMs since they were read,
// counting the time the new file took to write: another program may be in the middle of
// rewriting the file in place (or of deleting and making it again). Bytes that are exactly
// what a writer of ours left are whole, and need no wait.
class Settling {
public:
    Settling(Clock& clock, int steadyMs)
        : clock_(clock), steadyMs_(steadyMs), start_(clock.Now()) {}

    void Wait() const {
        if (steadyMs_ == 0) {
            return;
        }
        std::int64_t elapsed = MillisecondsOf(clock_.Now()) - MillisecondsOf(start_);
        if (elapsed < 0 || elapsed > kClockJumpMs) {
            elapsed = 0; // the wall clock was set meanwhile: wait the whole time
        }
        if (elapsed < steadyMs_) {
            clock_.Sleep(static_cast<int>(steadyMs_ - elapsed));
        }
    }

private:
    static std::int64_t MillisecondsOf(const LocalDateTime& t) {
        return ((DaysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60000 +
               t.second * 1000 + t.millisecond;
    }

    Clock& clock_;
    int steadyMs_;
    LocalDateTime start_;
};

enum class CommitResult { Done, Changed, RenameRefused, Failed };

struct Commit {
    CommitResult result;
    std::optional<FileVersion> version; // when done
    bool renamed = false;
};

// Puts the new bytes in place if the file, read again once it has settled, is still exactly
// `base`. `check` is that second read.
Commit CommitEdit(const std::string& target, const FileSnapshot& base, std::string_view bytes,
                  bool inPlace, const Settling& settling, FileSnapshot& check) {
    if (base.result == ReadFileResult::Missing) {
        ReplacementFile fresh(target, bytes, nullptr);
        if (fresh.GetState() != ReplacementFile::State::Ready) {
            return {CommitResult::Failed, {}};
        }
        settling.Wait();
        ReadFileSnapshot(target, check, kMaxSettingsFileBytes);
        if (!check.SameAs(base)) {
            return {CommitResult::Changed, {}};
        }
        switch (fresh.CreateOnly()) {
        case NewFileResult::Created:
            return {CommitResult::Done, fresh.Version(), true};
        case NewFileResult::NameTaken:
            ReadFileSnapshot(target, check, kMaxSettingsFileBytes);
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
            settling.Wait();
            ReadFileSnapshot(target, check, kMaxSettingsFileBytes);
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
    settling.Wait();
    FileForUpdate file(target);
    if (!file.IsOpen()) {
        return {CommitResult::Failed, {}};
    }
    file.Read(check, kMaxSettingsFileBytes);
    if (!check.SameAs(base)) {
        return {CommitResult::Changed, {}};
    }
    if (!file.Overwrite(bytes)) {
        return {CommitResult::Failed, {}};
    }
    return {CommitResult::Done, file.Version(), false};
}

// The contents one attempt has read. A file that is the start of longer bytes read moments
// ago is most likely being rewritten in place, however long it has stood (a rewrite can stall
// longer than the settling time on a busy PC or share): it is not built on while the attempt
// lasts. A file really cut short is then written by the next attempt.
class SeenContents {
public:
    void Add(const FileSnapshot& snapshot) {
        if (snapshot.result != ReadFileResult::Ok) {
            return;
        }
        for (const std::string& seen : seen_) {
            if (seen == snapshot.bytes) {
                return;
            }
        }
        if (seen_.size() == kKept) {
            seen_.erase(seen_.begin());
        }
        seen_.push_back(snapshot.bytes);
    }

    bool CutShort(const FileSnapshot& snapshot) const {
        return snapshot.result == ReadFileResult::Ok &&
               std::any_of(seen_.begin(), seen_.end(), [&](const std::string& seen) {
                   return seen.size() > snapshot.bytes.size() && seen.starts_with(snapshot.bytes);
               });
    }

private:
    static constexpr std::size_t kKept = 4;
    std::vector<std::string> seen_;
};

WriteOutcome WriteLocked(Clock& clock, const ProfileChange& change, const std::string& target,
                         WriterLock& lock, SeenContents& seen) {
    FileSnapshot base;
    ReadFileSnapshot(target, base, kMaxSettingsFileBytes);
    bool inPlace = false;
    for (int round = 0; round < kRounds; ++round) {
        if (base.result != ReadFileResult::Ok && base.result != ReadFileResult::Missing) {
            // Writing now would replace bytes we could not see.
            return WriteOutcome::Refused;
        }
        if (seen.CutShort(base)) {
            clock.Sleep(kSteadyMs);
            ReadFileSnapshot(target, base, kMaxSettingsFileBytes);
            continue;
        }
        seen.Add(base);
        const bool exists = base.result == ReadFileResult::Ok;
        if (exists && IsReadOnlyFile(target)) {
            return WriteOutcome::Refused;
        }
        const Settling settling(clock, SteadyTime(lock.ReadNote(), base));
        const Edit edit = EditFor(base.bytes, change, true);
        if (edit.kind != EditKind::Changed) {
            return edit.kind == EditKind::Unchanged ? WriteOutcome::Written
                                                    : WriteOutcome::Unholdable;
        }
        FileSnapshot check;
        const Commit commit = CommitEdit(target, base, edit.bytes, inPlace, settling, check);
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
            // The bytes changed under us: the read that saw it is the base of the next round.
            seen.Add(check);
            base = std::move(check);
            break;
        case CommitResult::RenameRefused:
            inPlace = true;
            ReadFileSnapshot(target, base, kMaxSettingsFileBytes);
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
    SeenContents seen;
    {
        // Most writes find the value in place already (the close watchdog's, every two
        // seconds, often over a network share): they cost one read and take no lock.
        thread_local FileBytes bytes;
        const ReadFileResult read = ReadWholeFile(file, bytes, kMaxSettingsFileBytes);
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
            seen.Add({read, {}, std::string(bytes.View())});
        }
    }
    // Written through a link is the file it names: the lock and the new file go beside that.
    const std::string target = FollowLinks(file);
    WriterLock lock(target);
    TakeLock(clock, lock, target);
    return WriteLocked(clock, change, target, lock, seen);
}

} // namespace zarava
