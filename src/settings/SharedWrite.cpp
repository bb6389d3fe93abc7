#include "settings/SharedWrite.h"

#include "engine/Clock.h"
#include "engine/DateTime.h"
#include "files/FileReplacement.h"
#include "files/Files.h"
#include "files/WriterLock.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <optional>

namespace zarava {

namespace {

// The longest pause between two pieces of another program's rewrite in place that a write sits
// out: the issuer has been seen to pause up to 300 ms between the halves of a save on a busy
// PC, and a PC or share busier still may hold the rest back longer. A paused rewriter looks
// like a finished one except by this.
constexpr int kWriterPauseMs = 500;
// A missing file may be one being deleted and made again. On a local disk or a share that
// takes one or two network round trips, a few milliseconds on a slow network.
constexpr int kMissingSettleMs = 10;
// How often a file that may be half written is looked at again while the write waits (a read
// of a few kilobytes): the end of another program's save is seen within this.
constexpr int kRecheckMs = 10;
// A file that never looks whole nor stands still this long (rewritten over and over) makes the
// write fail rather than guess: several of a rewriter's pauses, and not so long that a handler
// is held up for long by a file that never settles.
constexpr int kGuardCapMs = 2000;
// More time than a write takes: the wall clock was set while it ran.
constexpr std::int64_t kClockJumpMs = 60000;
// Reads that find the file changed just before the new bytes go in start the attempt again;
// after this many, it fails.
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
// A file grown from our last version must still end as it did: with the same key in its last
// line (up to this many bytes of it) and the same line end. A rewrite caught part way ends
// wherever the pause cut it, and almost never so.
constexpr std::size_t kEndingBytes = 64;

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

std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325u) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    return hash;
}

// A hash of how the file ends: its last line's key (the text up to its '=', at most
// kEndingBytes) and its line end. A value changed in the last line keeps it.
std::uint64_t EndingHash(std::string_view bytes) {
    std::size_t lineEnd = bytes.size();
    while (lineEnd > 0 && (bytes[lineEnd - 1] == '\r' || bytes[lineEnd - 1] == '\n')) {
        --lineEnd;
    }
    const std::size_t lineBreak =
        lineEnd == 0 ? std::string_view::npos : bytes.find_last_of("\r\n", lineEnd - 1);
    const std::size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
    const std::string_view line = bytes.substr(lineStart, lineEnd - lineStart);
    const std::size_t equals = line.find('=');
    const std::string_view key = line.substr(
        0, std::min(equals == std::string_view::npos ? line.size() : equals + 1, kEndingBytes));
    return HashBytes(bytes.substr(lineEnd), HashBytes(key));
}

// A whole version of the file, as a writer of ours leaves it described in the lock file for the
// next: its length and how it ends. (Not where the file lives: another program may have renamed
// a copy over it since, and another PC sees other numbers.)
struct WholeVersion {
    std::int64_t size = -1; // none known
    std::uint64_t endingHash = 0;

    static WholeVersion Of(std::string_view bytes) {
        return {static_cast<std::int64_t>(bytes.size()), EndingHash(bytes)};
    }

    std::string Note() const {
        char note[64];
        std::snprintf(note, sizeof note, "zarava whole version: %" PRId64 " %016" PRIx64 "\n", size,
                      endingHash);
        return note;
    }

    static WholeVersion FromNote(const std::string& note) {
        WholeVersion v;
        if (std::sscanf(note.c_str(), "zarava whole version: %" SCNd64 " %" SCNx64, &v.size,
                        &v.endingHash) != 2) {
            return {};
        }
        return v;
    }

    // Bytes that are whole by what we know, without waiting: this version, or a file grown
    // from it that still ends as it did, as the issuer's save of a call request or of another
    // setting leaves it. A rewrite caught part way is shorter, or ends elsewhere.
    bool Vouches(std::string_view bytes) const {
        return size >= 0 && static_cast<std::int64_t>(bytes.size()) >= size &&
               EndingHash(bytes) == endingHash;
    }
};

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

std::int64_t MillisecondsOf(const LocalDateTime& t) {
    return ((DaysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60000 +
           t.second * 1000 + t.millisecond;
}

std::int64_t MillisecondsOf(const FileTime& t) {
    return t.seconds * 1000 + t.nanoseconds / 1'000'000;
}

// Keeps a write from building on a file that another program is still writing. A rewrite in
// place caught part way is a whole file in every other respect, so the bytes are built on only
// when they are whole by what the last writer of ours left (WholeVersion), or when they have
// stood still longer than a rewriter pauses: as seen from here, or by the file's own time
// stamps where they come from this PC's clock (a share's server may run another).
class WholeFileGuard {
public:
    WholeFileGuard(Clock& clock, WriterLock& lock, const std::string& target)
        : clock_(clock), lock_(lock), target_(target),
          known_(WholeVersion::FromNote(lock.ReadNote())) {}

    // Waits until `base` may be built on, reading it again as it goes; false when it never
    // became so within kGuardCapMs.
    bool WaitUntilWhole(FileSnapshot& base) {
        for (;;) {
            const std::int64_t required = RequiredQuietMs(base);
            std::int64_t quiet = ObservedQuietMs();
            if (quiet < required && base.result == ReadFileResult::Ok) {
                quiet = std::max(quiet, FileSystemAgeMs(base.version));
            }
            if (quiet >= required) {
                return true;
            }
            if (waitedMs_ >= kGuardCapMs) {
                return false;
            }
            const int step = static_cast<int>(std::min<std::int64_t>(required - quiet, kRecheckMs));
            clock_.Sleep(step);
            waitedMs_ += step;
            FileSnapshot again;
            ReadFileSnapshot(target_, again, kMaxSettingsFileBytes);
            if (!again.SameAs(base)) {
                Changed(base, std::move(again));
            }
        }
    }

    // The file was found changed: the new bytes have stood still for no time yet.
    void Changed(FileSnapshot& base, FileSnapshot&& now) {
        base = std::move(now);
        sinceMs_ = kNotSeen;
    }

    void Written(std::string_view bytes) { lock_.WriteNote(WholeVersion::Of(bytes).Note()); }

private:
    std::int64_t RequiredQuietMs(const FileSnapshot& base) const {
        if (base.result == ReadFileResult::Missing) {
            return kMissingSettleMs;
        }
        return known_.Vouches(base.bytes) ? 0 : kWriterPauseMs;
    }

    // How long the bytes have been seen to stand still, by our clock.
    std::int64_t ObservedQuietMs() {
        const std::int64_t now = MillisecondsOf(clock_.Now());
        if (sinceMs_ == kNotSeen || now < sinceMs_ || now - sinceMs_ > kClockJumpMs) {
            sinceMs_ = now; // first seen now, or the wall clock was set meanwhile
        }
        return now - sinceMs_;
    }

    // The time since the file was last written, where its stamps and the present come from one
    // clock; 0 where they may not.
    std::int64_t FileSystemAgeMs(const FileVersion& version) {
        if (local_ == Local::Unknown) {
            local_ = IsLocalFileSystem(target_) ? Local::Yes : Local::No;
        }
        const std::optional<FileTime> now = local_ == Local::Yes ? lock_.StampNow() : std::nullopt;
        if (!now) {
            return 0;
        }
        return std::max<std::int64_t>(0, MillisecondsOf(*now) - MillisecondsOf(version.modified));
    }

    static constexpr std::int64_t kNotSeen = INT64_MIN;
    enum class Local { Unknown, Yes, No };

    Clock& clock_;
    WriterLock& lock_;
    const std::string& target_;
    WholeVersion known_;
    std::int64_t sinceMs_ = kNotSeen; // when the bytes were first seen as they are
    Local local_ = Local::Unknown;
    int waitedMs_ = 0;
};

enum class CommitResult { Done, Changed, RenameRefused, Failed };

struct Commit {
    CommitResult result;
    std::optional<FileVersion> version; // when done
    bool renamed = false;
};

Commit CreateFile(const std::string& target, const FileSnapshot& base, std::string_view bytes,
                  FileSnapshot& check) {
    ReplacementFile fresh(target, bytes, nullptr);
    if (fresh.GetState() != ReplacementFile::State::Ready) {
        return {CommitResult::Failed, {}};
    }
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

// Checked and written through one descriptor, so the file checked is the file written.
Commit OverwriteInPlace(const std::string& target, const FileSnapshot& base, std::string_view bytes,
                        FileSnapshot& check) {
    FileForUpdate file(target);
    if (!file.IsOpen()) {
        return {CommitResult::Failed, {}};
    }
    file.Read(check, kMaxSettingsFileBytes);
    if (!check.SameAs(base)) {
        return {CommitResult::Changed, {}};
    }
    if (!file.Overwrite(bytes)) {
        // Cut short (a full disk, a share gone): the bytes that were there go back, so that a
        // failed write never leaves a part of the file behind.
        file.Overwrite(base.bytes);
        return {CommitResult::Failed, {}};
    }
    return {CommitResult::Done, file.Version(), false};
}

// Puts the new bytes in place if the file, read again just before, is still exactly `base`.
// `check` is that second read.
Commit CommitEdit(const std::string& target, const FileSnapshot& base, std::string_view bytes,
                  bool inPlace, FileSnapshot& check) {
    if (base.result == ReadFileResult::Missing) {
        return CreateFile(target, base, bytes, check);
    }
    // A rename would cut the file's other names off it, or drop its access list.
    if (!inPlace && base.version.links <= 1 && !base.version.accessList) {
        ReplacementFile next(target, bytes, &base.version);
        if (next.GetState() == ReplacementFile::State::Failed) {
            return {CommitResult::Failed, {}};
        }
        if (next.GetState() == ReplacementFile::State::Ready) {
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
    return OverwriteInPlace(target, base, bytes, check);
}

WriteOutcome WriteLocked(const ProfileChange& change, const std::string& target,
                         WholeFileGuard& guard) {
    FileSnapshot base;
    ReadFileSnapshot(target, base, kMaxSettingsFileBytes);
    bool inPlace = false;
    for (int round = 0; round < kRounds; ++round) {
        if (base.result != ReadFileResult::Ok && base.result != ReadFileResult::Missing) {
            // Writing now would replace bytes we could not see.
            return WriteOutcome::Refused;
        }
        if (!guard.WaitUntilWhole(base)) {
            return WriteOutcome::Conflict;
        }
        if (base.result == ReadFileResult::Ok && IsReadOnlyFile(target)) {
            return WriteOutcome::Refused;
        }
        const Edit edit = EditFor(base.bytes, change, true);
        if (edit.kind != EditKind::Changed) {
            return edit.kind == EditKind::Unchanged ? WriteOutcome::Written
                                                    : WriteOutcome::Unholdable;
        }
        FileSnapshot check;
        const Commit commit = CommitEdit(target, base, edit.bytes, inPlace, check);
        switch (commit.result) {
        case CommitResult::Done:
            guard.Written(edit.bytes);
            if (commit.renamed && commit.version) {
                RemoveStaleTemporaries(target, commit.version->modified, kStaleTemporarySeconds);
            }
            return WriteOutcome::Written;
        case CommitResult::Changed:
            // The bytes changed under us: the read that saw it is the base of the next round.
            guard.Changed(base, std::move(check));
            break;
        case CommitResult::RenameRefused:
            inPlace = true;
            ReadFileSnapshot(target, check, kMaxSettingsFileBytes);
            if (!check.SameAs(base)) {
                guard.Changed(base, std::move(check));
            }
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
        const ReadFileResult read = ReadWholeFile(file, bytes, kMaxSettingsFileBytes);
        if (read != ReadFileResult::Ok && read != ReadFileResult::Missing) {
            return WriteOutcome::Refused;
        }
        const Edit edit = EditFor(bytes.View(), change, false);
        if (edit.kind == EditKind::Unholdable) {
            return WriteOutcome::Unholdable;
        }
        if (read == ReadFileResult::Ok && edit.kind == EditKind::Unchanged) {
            return WriteOutcome::Written;
        }
        if (read == ReadFileResult::Ok && IsReadOnlyFile(file)) {
            return WriteOutcome::Refused;
        }
    }
    // Written through a link is the file it names: the lock and the new file go beside that.
    const std::string target = FollowLinks(file);
    WriterLock lock(target);
    TakeLock(clock, lock, target);
    WholeFileGuard guard(clock, lock, target);
    return WriteLocked(change, target, guard);
}

} // namespace zarava
