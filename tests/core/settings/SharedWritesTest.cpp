// Writes into a settings file that others use at the same time, on real files and with real
// processes: writers of ours on different keys, another program's rewrite caught half done,
// file operations that fail, a file changed or deleted while a write is under way, the lock of
// another writer, files of other users and folders we may not write, and the leftovers of
// killed writers.

#include "OldFiles.h"
#include "PausingClock.h"
#include "SystemSide.h"
#include "TempFolder.h"
#include "settings/SettingsToolRun.h"

#include "files/FileFaults.h"
#include "files/WriterLock.h"
#include "settings/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace zarava {
namespace {

using test::PausingClock;
using test::RunSettingsTool; // zarava-settings, another writer of ours
using test::TempFolder;

std::uint64_t InodeOf(const std::string& path) {
    return ReadFileVersion(path).value_or(FileVersion{}).inode;
}

// The issuer's part of the file: its own keys, which nothing of ours may lose.
std::string IssuerFile() {
    std::string text = "[S]\r\nK=0\r\n\r\n[ISSUER]\r\n";
    for (int n = 1; n <= 16; ++n) {
        text += "PRINT MSG" + std::to_string(n) + "=" + std::string(40, 'a' + n) + "\r\n";
    }
    return text;
}

std::string WithK(std::string text, const std::string& value) {
    return text.replace(text.find("K=0"), 3, "K=" + value);
}

TEST(SharedWritesTest, TwoWritersOnDifferentKeysNeverLoseAValue) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", "[S]\r\nA=0\r\nB=0\r\n");
    // Each writer finds its own last value in place before it writes the next; what went wrong
    // first, if anything did.
    const auto writer = [&](std::string key) -> std::string {
        for (int i = 1; i <= 15; ++i) {
            const test::ToolRun got = RunSettingsTool({"--file", file, "get", "S", key});
            if (got.status != 0 || got.out != std::to_string(i - 1) + "\n") {
                return "get " + key + " gave " + std::to_string(got.status) + ": " + got.out +
                       got.err;
            }
            if (const int set =
                    RunSettingsTool({"--file", file, "set", "S", key, std::to_string(i)}).status) {
                return "set " + key + "=" + std::to_string(i) + " gave " + std::to_string(set);
            }
        }
        return "";
    };
    std::future<std::string> a = std::async(std::launch::async, writer, "A");
    EXPECT_EQ(writer("B"), "");
    EXPECT_EQ(a.get(), "");
    VirtualTime time;
    EXPECT_EQ(ReadSetting(time, "S", "A", file) + ReadSetting(time, "S", "B", file), "1515");
}

// Another program's rewrite in place, caught half done, is a whole file in every other respect:
// a write builds at once only on what our last write left, and otherwise only on bytes that
// have stood still longer than a rewriter pauses.
struct GuardCase {
    const char* file;
    const char* bytes; // put in place by another program after a write of ours ("": none)
    bool savedLongAgo;
    int waitMs;
    bool noteLost = false; // the writers' lock file, which notes our last write, deleted
};

TEST(SharedWritesTest, AWriteWaitsOnlyForAFileThatMayBeHalfWritten) {
    const std::string ours = "[S]\r\nK=0\r\n[T]\r\nL=1\r\n";
    const std::vector<GuardCase> cases = {
        {"ours", "", false, 0},
        {"ours, moved by another program", "[S]\r\nK=0\r\n[T]\r\nL=1\r\n", false, 0},
        {"grown from ours (a call request)", "[S]\r\nK=0\r\nCALL=1\r\n[T]\r\nL=1\r\n", false, 0},
        {"shorter than ours, saved an hour ago", "[S]\r\nK=0\r\n[T]\r\nL=", true, 0},
        {"shorter than ours", "[S]\r\nK=0\r\n[T]\r\nL=", false, 500},
        {"longer, not ending as ours did", "[S]\r\nK=0\r\nCALL=1\r\n[T]\r\nL=1\r\n[U", false, 500},
        {"missing", nullptr, false, 10},
        {"ours, but the note of it lost", "", false, 500, true},
        {"shorter than ours, the note lost", "[S]\r\nK=0\r\n[T]\r\nL=", false, 500, true},
    };
    for (const GuardCase& c : cases) {
        TempFolder folder;
        const std::string file = folder.File("zarava.ini");
        folder.Write("zarava.ini", WithK(ours, "9"));
        test::MakeOld(file);
        VirtualTime time;
        ASSERT_NE(WriteSetting(time, "S", "K", "0", file), 0);
        ASSERT_EQ(time.Slept(), 0) << c.file;
        if (c.bytes == nullptr) {
            std::filesystem::remove(file);
        } else if (*c.bytes != '\0') {
            folder.Write("new.tmp", c.bytes);
            std::filesystem::rename(folder.File("new.tmp"), file);
        }
        if (c.savedLongAgo) {
            test::MakeOld(file);
        }
        if (c.noteLost) {
            std::filesystem::remove(folder.File(".zarava.ini.lock"));
        }
        EXPECT_NE(WriteSetting(time, "S", "K", "1", file), 0) << c.file;
        EXPECT_EQ(time.Slept(), c.waitMs) << c.file;
        EXPECT_EQ(ReadSetting(time, "S", "K", file), "1") << c.file;
    }
}

// secondName: a hard link, so the write goes in place; inPlace: the file keeps its entry;
// retried: written at the second attempt, 100 ms later.
struct FaultCase {
    const char* fault;
    FileOperation operation;
    PlannedFault planned;
    bool secondName, inPlace, retried;
};

TEST(SharedWritesTest, AFailedFileOperationLosesNoByte) {
    using enum FileOperation;
    const std::vector<FaultCase> cases = {
        {"a refused rename: written in place", Rename, {FileFault::Refused}, false, true, false},
        {"a folder that takes no new file", Create, {FileFault::Refused}, false, true, false},
        {"a share without locks", Lock, {FileFault::Refused}, false, false, false},
        {"a new file cut short: disk full", Write, {FileFault::DiskFull, 10}, false, false, true},
        {"a new file that cannot be flushed", Flush, {FileFault::Refused}, false, false, true},
        {"a write in place cut short", Write, {FileFault::DiskFull, 10}, true, true, true},
        {"the file gone as it is opened", Open, {FileFault::Vanished}, true, true, true},
    };
    const std::string before = IssuerFile();
    for (const FaultCase& c : cases) {
        TempFolder folder;
        const std::string file = folder.File("zarava.ini");
        folder.Write("zarava.ini", before);
        test::MakeOld(file);
        if (c.secondName) {
            std::filesystem::create_hard_link(test::PathOf(file),
                                              test::PathOf(folder.File("other.ini")));
        }
        const std::uint64_t inode = InodeOf(file);
        int faults = 0;
        const ScopedFileFaults failing(folder.Path(), [&](FileOperation op, const std::string&) {
            return op == c.operation && faults++ == (op == Open ? 2 : 0) ? c.planned
                                                                         : PlannedFault{};
        });
        // What the file holds whenever the write pauses: never a part of it.
        PausingClock clock;
        std::set<std::string> seen;
        clock.onSleep = [&] { seen.insert(folder.Read("zarava.ini")); };
        EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0) << c.fault;
        EXPECT_EQ(folder.Read("zarava.ini"), WithK(before, "1")) << c.fault;
        EXPECT_EQ(clock.Slept() >= 100, c.retried) << c.fault;
        EXPECT_EQ(seen, c.retried ? std::set{before} : std::set<std::string>{}) << c.fault;
        EXPECT_EQ(InodeOf(file) == inode, c.inPlace) << c.fault;
        EXPECT_EQ(folder.Names().count(".zarava.ini.lock") + 1 + c.secondName,
                  folder.Names().size())
            << c.fault << ": no temporary file left";
    }
}

// The bytes are put in place at the write's first pause (nullptr: the file deleted).
struct ChangeCase {
    const char *change, *bytes, *expected;
};

// The display clears its bit 4 of FORM, as the write finds it, while another program changes
// the file.
TEST(SharedWritesTest, AChangeWhileAWriteIsUnderWayIsKept) {
    const std::vector<ChangeCase> cases = {
        {"the issuer clears its bit 1", "[S]\r\nFORM=4\r\nX=1\r\n", "[S]\r\nFORM=0\r\nX=1\r\n"},
        {"rewritten", "[S]\r\nFORM=7\r\nY=2", "[S]\r\nFORM=3\r\nY=2"},
        {"deleted: not made again from the old bytes", nullptr, ""},
    };
    const ValueUpdate clearBit4 = [](std::string_view form) -> std::optional<std::string> {
        const int bits = std::atoi(std::string(form).c_str());
        return (bits & 4) != 0 ? std::optional(std::to_string(bits & ~4)) : std::nullopt;
    };
    for (const ChangeCase& c : cases) {
        TempFolder folder;
        const std::string file = folder.File("zarava.ini");
        folder.Write("zarava.ini", "[S]\r\nFORM=5\r\nX=1\r\n");
        PausingClock clock;
        bool first = true;
        clock.onSleep = [&] {
            if (std::exchange(first, false)) {
                c.bytes ? folder.Write("zarava.ini", c.bytes) : (void)std::filesystem::remove(file);
            }
        };
        EXPECT_NE(UpdateSetting(clock, "S", "FORM", clearBit4, file), 0) << c.change;
        EXPECT_EQ(folder.Read("zarava.ini"), c.expected) << c.change;
    }
}

// The holder keeps changing the file until changesUntilMs and lets go of the lock at
// releasesAtMs (never: -1); the write waits at least waitedAtLeastMs before it goes ahead.
struct LockCase {
    const char* holder;
    int changesUntilMs, releasesAtMs, waitedAtLeastMs;
};

TEST(SharedWritesTest, AnotherWritersLockIsWaitedForWhileItMakesProgress) {
    const std::vector<LockCase> cases = {
        {"lets go at once", 0, 0, 0},
        {"stalled (a dead share): gone on without after 2 s", 0, -1, 2000},
        {"busy writing for 3 s, then lets go", 3000, 3000, 3000},
        {"busy writing for good: gone on without after 10 s", 10000, -1, 10000},
    };
    for (const LockCase& c : cases) {
        TempFolder folder;
        const std::string file = folder.File("zarava.ini");
        folder.Write("zarava.ini", "[S]\r\nK=0\r\n");
        auto other = std::make_unique<WriterLock>(file);
        ASSERT_EQ(other->TryTake(), WriterLock::Attempt::Held);
        PausingClock clock;
        int changes = 0;
        clock.onSleep = [&] {
            // A change every 100 ms is progress enough.
            if (clock.Slept() < c.changesUntilMs && clock.Slept() / 100 >= changes) {
                folder.Write("zarava.ini", "[S]\r\nK=0\r\nN=" + std::to_string(++changes) + "\r\n");
            }
            if (c.releasesAtMs >= 0 && clock.Slept() >= c.releasesAtMs) {
                other.reset();
            }
        };
        EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0) << c.holder;
        // And then the holder's last change (or the test's) is sat out for half a second, as
        // another program's would be.
        EXPECT_GE(clock.Slept(), c.waitedAtLeastMs) << c.holder;
        EXPECT_LT(clock.Slept(), c.waitedAtLeastMs + 600) << c.holder;
        const std::string last = changes > 0 ? "N=" + std::to_string(changes) + "\r\n" : "";
        EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=1\r\n" + last) << c.holder;
    }
}

// Each case is a folder and a file as another user sets them up; the tool then writes as the
// unprivileged user 65534. Refused is what the tool says it cannot do, "" when it writes.
struct PermissionCase {
    const char* setup;
    unsigned folderMode;
    bool file;
    unsigned fileOwner, fileGroup, fileMode;
    const char* refused;
    unsigned modeAfter;
};

TEST(SharedWritesTest, PermissionsOfFilesAndFoldersAreRespected) {
    SKIP_ON_WINDOWS("it needs POSIX owners and modes, and another user");
    if (!test::RunningAsRoot() || !std::filesystem::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    }
    constexpr unsigned kUs = 65534;
    constexpr unsigned kRoot = 0;
    const std::vector<PermissionCase> cases = {
        {"another user's file in an open folder", 0777, true, kRoot, kRoot, 0644, "write", 0644},
        {"another user's file writable by our group", 0777, true, kRoot, kUs, 0664, "", 0664},
        {"our file in a folder closed to us", 0755, true, kUs, kUs, 0644, "", 0644},
        {"our read-only file in a folder closed to us", 0755, true, kUs, kUs, 0444, "", 0644},
        {"another user's read-only file", 0777, true, kRoot, kRoot, 0444, "write", 0444},
        {"no file in a folder closed to us", 0755, false, 0, 0, 0, "create", 0},
    };
    for (const PermissionCase& c : cases) {
        SCOPED_TRACE(c.setup);
        TempFolder dir;
        const std::string file = dir / "zarava.ini";
        if (c.file) {
            dir.Write("zarava.ini", "[S]\r\nK=0\r\n");
            test::SetOwner(file, c.fileOwner, c.fileGroup);
            std::filesystem::permissions(file, std::filesystem::perms(c.fileMode));
        }
        std::filesystem::permissions(dir.Path(), std::filesystem::perms(c.folderMode));
        const std::uint64_t inode = InodeOf(file);

        const test::ToolRun run =
            RunSettingsTool({"--file", file, "set", "S", "K", "1"}, {.asNobody = true});
        EXPECT_EQ(run.status, *c.refused ? 1 : 0);
        EXPECT_EQ(run.err, *c.refused ? "zarava-settings: cannot " + std::string(c.refused) + " " +
                                            file + ": Permission denied\n"
                                      : "");
        std::set<std::string> names = dir.Names();
        names.erase(".zarava.ini.lock");
        EXPECT_EQ(names, c.file ? std::set<std::string>{"zarava.ini"} : std::set<std::string>{});
        EXPECT_EQ(dir.Read("zarava.ini"), !c.file      ? ""
                                          : *c.refused ? "[S]\r\nK=0\r\n"
                                                       : "[S]\r\nK=1\r\n");
        // Changed in place, still its owner's, with its bits (all none without a file).
        const FileVersion after = ReadFileVersion(file).value_or(FileVersion{});
        EXPECT_EQ(std::tuple(after.inode, after.owner, after.group, after.mode),
                  std::tuple(inode, c.fileOwner, c.fileGroup, c.modeAfter));
    }
}

TEST(SharedWritesTest, TemporaryFilesOfKilledWritersGoAtTheNextWrite) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", IssuerFile());
    // Writers killed 1 to 9 ms after their start, on a file they may build on at once.
    const TempFolder output;
    for (int i = 0; i < 20; ++i) {
        test::MakeOld(file);
        const test::ProgramRun writer(
            output, {ZARAVA_SETTINGS_TOOL, "--file", file, "set", "S", "K", std::to_string(i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 9));
    }
    // A minute later by the file's clock: whatever they left is old. One more file is another
    // writer's, still at work, and one is not ours at all.
    folder.Write(".zarava.ini.4242.7.tmp", "[S]\r\nK=9\r\n");
    folder.Write(".zarava.ini.bak", "");
    for (const std::string& name : folder.Names()) {
        test::MakeOld(folder.File(name));
    }
    folder.Write(".zarava.ini.4242.8.tmp", "[S]\r\nK=8\r\n");

    VirtualTime time;
    EXPECT_NE(WriteSetting(time, "S", "K", "done", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), WithK(IssuerFile(), "done"));
    EXPECT_EQ(folder.Names(), (std::set<std::string>{".zarava.ini.4242.8.tmp", ".zarava.ini.bak",
                                                     ".zarava.ini.lock", "zarava.ini"}));
}

} // namespace
} // namespace zarava
