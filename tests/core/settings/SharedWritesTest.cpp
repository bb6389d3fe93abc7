// Writes into a settings file that others use at the same time, on real files and with real
// processes: writers of ours on different keys, another program's rewrite caught half done,
// a file changed or deleted while a write is under way, the lock of another writer, files of
// other users and folders we may not write, links, and the leftovers of killed writers.

#include "PausingClock.h"
#include "TempFolder.h"

#include "files/WriterLock.h"
#include "settings/SettingsStore.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace zarava {
namespace {

using test::PausingClock;
using test::TempFolder;

const std::string kTool = ZARAVA_SETTINGS_TOOL;

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
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

// The issuer's rewrite in place, half by half: the first half cuts the file and writes the
// start of `full`, the second appends the rest.
bool WriteHalf(const std::string& file, const std::string& full, bool first) {
    const std::size_t half = full.size() / 2;
    const int fd = ::open(file.c_str(), O_WRONLY | (first ? O_TRUNC : O_APPEND));
    const std::size_t size = first ? half : full.size() - half;
    const bool written =
        ::write(fd, full.data() + (first ? 0 : half), size) == static_cast<ssize_t>(size);
    ::close(fd);
    return written;
}

TEST(SharedWritesTest, TwoWritersOnDifferentKeysNeverLoseAValue) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", "[S]\r\nA=0\r\nB=0\r\n");
    // Each writer finds its own last value in place before it writes the next.
    const auto loop = [&](const char* key) {
        const std::string tool = kTool + " --file " + file;
        return "for i in $(seq 1 40); do [ \"$(" + tool + " get S " + key +
               ")\" = $((i - 1)) ] || exit 3; " + tool + " set S " + key + " $i || exit 1; done";
    };
    ASSERT_EQ(Shell("(" + loop("A") + ") & a=$!; (" + loop("B") +
                    "); b=$?; wait $a && "
                    "[ $b = 0 ]"),
              0);
    VirtualTime time;
    EXPECT_EQ(ReadSetting(time, "S", "A", file), "40");
    EXPECT_EQ(ReadSetting(time, "S", "B", file), "40");
}

TEST(SharedWritesTest, ARewriteInPlaceCaughtHalfDoneIsNotSaved) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    const std::string full = IssuerFile();
    // The issuer has cut the file to nothing and written its first half; the rest follows
    // while the write waits for the bytes to stay the same.
    folder.Write("zarava.ini", full.substr(0, full.size() / 2));
    PausingClock clock;
    bool rest = true;
    clock.onSleep = [&] {
        if (std::exchange(rest, false)) {
            ASSERT_TRUE(WriteHalf(file, full, false));
        }
    };
    EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), WithK(full, "1"));
}

TEST(SharedWritesTest, AnUpdateChangesTheValueAsTheWriteFindsItNotAsItWasFirstRead) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", "[USER INFOMATION]\r\nFORM=5\r\nTODAY=20240108\r\n");
    // The display clears its bit 4 while the issuer, ending, clears its bit 1.
    PausingClock clock;
    bool issuerEnds = true;
    clock.onSleep = [&] {
        if (std::exchange(issuerEnds, false)) {
            folder.Write("zarava.ini", "[USER INFOMATION]\r\nFORM=4\r\nTODAY=20240108\r\n");
        }
    };
    const ValueUpdate clearBit4 = [](std::string_view form) -> std::optional<std::string> {
        const int bits = std::stoi(std::string(form));
        return (bits & 4) != 0 ? std::optional(std::to_string(bits & ~4)) : std::nullopt;
    };
    EXPECT_NE(UpdateSetting(clock, "USER INFOMATION", "FORM", clearBit4, file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), "[USER INFOMATION]\r\nFORM=0\r\nTODAY=20240108\r\n");
    // Nothing to change: the file is not touched.
    const auto before = std::filesystem::last_write_time(file);
    EXPECT_NE(UpdateSetting(clock, "USER INFOMATION", "FORM", clearBit4, file), 0);
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
}

TEST(SharedWritesTest, ARewriteStalledLongerThanTheSettlingTimeIsNotSavedEither) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    const std::string full = IssuerFile();
    folder.Write("zarava.ini", full);
    // The write reads the whole file, then waits for another writer's lock; meanwhile the
    // issuer cuts the file and writes half of it, and stalls for 100 ms.
    auto other = std::make_unique<WriterLock>(file);
    ASSERT_EQ(other->TryTake(), WriterLock::Attempt::Held);
    PausingClock clock;
    clock.onSleep = [&] {
        if (other) {
            other.reset();
            ASSERT_TRUE(WriteHalf(file, full, true));
        } else if (clock.Slept() >= 100 && folder.Read("zarava.ini").size() < full.size()) {
            ASSERT_TRUE(WriteHalf(file, full, false));
        }
    };
    EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), WithK(full, "1"));
    EXPECT_GE(clock.Slept(), 100);
}

// Virtual time that finishes the issuer's stalled rewrite once it has passed a given moment.
class RewriteClock final : public Clock {
public:
    RewriteClock(int finishAtMs, std::function<void()> finish)
        : finishAtMs_(finishAtMs), finish_(std::move(finish)) {}
    LocalDateTime Now() const override { return time_.Now(); }
    void Sleep(int milliseconds) override {
        time_.Sleep(milliseconds);
        if (finish_ && time_.Slept() >= finishAtMs_) {
            std::exchange(finish_, nullptr)();
        }
    }

private:
    VirtualTime time_;
    int finishAtMs_;
    std::function<void()> finish_;
};

TEST(SharedWritesTest, OurFileCutShortInPlaceByAnotherProgramIsGivenLongerToSettle) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    const std::string full = IssuerFile();
    folder.Write("zarava.ini", WithK(full, "9"));
    VirtualTime time;
    ASSERT_NE(WriteSetting(time, "S", "K", "0", file), 0); // the file put in place is ours
    // The issuer rewrites the file in place, stalling 40 ms between the halves.
    ASSERT_TRUE(WriteHalf(file, full, true));
    RewriteClock clock(40, [&] { ASSERT_TRUE(WriteHalf(file, full, false)); });
    EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), WithK(full, "1"));
}

struct ChangeCase {
    const char* change;
    std::function<void(const std::string& file)> act; // between the first two reads
    std::string expected;
    mode_t mode = 0644;
};

TEST(SharedWritesTest, AChangeWhileAWriteIsUnderWayIsKept) {
    const std::string base = "[S]\r\nK=0\r\nX=1\r\n";
    const std::vector<ChangeCase> cases = {
        {"deleted: not made again from the old bytes",
         [](const std::string& f) { std::filesystem::remove(f); }, "[S]\r\nK=1\r\n"},
        {"rewritten", [](const std::string& f) { WriteFile(f, "[S]\r\nK=0\r\nY=2"); },
         "[S]\r\nK=1\r\nY=2"},
        {"made read-only by its owner", [](const std::string& f) { ::chmod(f.c_str(), 0400); },
         "[S]\r\nK=1\r\nX=1\r\n", 0600},
        {"permissions changed", [](const std::string& f) { ::chmod(f.c_str(), 0600); },
         "[S]\r\nK=1\r\nX=1\r\n", 0600},
    };
    for (const ChangeCase& c : cases) {
        TempFolder folder;
        const std::string file = folder.File("zarava.ini");
        folder.Write("zarava.ini", base);
        ::chmod(file.c_str(), 0644);
        PausingClock clock;
        bool first = true;
        clock.onSleep = [&] {
            if (std::exchange(first, false)) {
                c.act(file);
            }
        };
        EXPECT_NE(WriteSetting(clock, "S", "K", "1", file), 0) << c.change;
        EXPECT_EQ(folder.Read("zarava.ini"), c.expected) << c.change;
        EXPECT_EQ(StatOf(file).st_mode & 07777, c.mode) << c.change;
    }
}

struct LockCase {
    const char* holder;
    int changesUntilMs;  // the holder keeps changing the file until then
    int releasesAtMs;    // and lets go of the lock then (never: -1)
    int waitedAtLeastMs; // before the write goes ahead
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
        EXPECT_GE(clock.Slept(), c.waitedAtLeastMs) << c.holder;
        EXPECT_LT(clock.Slept(), c.waitedAtLeastMs + 100) << c.holder;
        const std::string last = changes > 0 ? "N=" + std::to_string(changes) + "\r\n" : "";
        EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=1\r\n" + last) << c.holder;
    }
}

TEST(SharedWritesTest, TheFileKeepsItsOwnerModeLinksAndOtherNames) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    VirtualTime time;
    // Another user's file, written by root: still theirs, with its bits.
    folder.Write("zarava.ini", "[S]\r\nK=0\r\n");
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    EXPECT_NE(WriteSetting(time, "S", "K", "1", file), 0);
    const struct stat after = StatOf(file);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(after.st_gid, 65534u);
    EXPECT_EQ(after.st_mode & 07777, 0640u);

    // A second name: written in place, so both names show the new bytes.
    const std::string other = folder.File("copy.ini");
    ASSERT_EQ(::link(file.c_str(), other.c_str()), 0);
    EXPECT_NE(WriteSetting(time, "S", "K", "22", other), 0);
    EXPECT_EQ(folder.Read("zarava.ini"), "[S]\r\nK=22\r\n");
    EXPECT_EQ(StatOf(file).st_ino, StatOf(other).st_ino);

    // A link to a file elsewhere: the file is written, the link stays, and the lock lives
    // beside the file.
    std::filesystem::create_directory(folder.File("elsewhere"));
    const std::string target = folder.File("elsewhere/real.ini");
    WriteFile(target, "[S]\r\nK=0\r\n");
    const std::string link = folder.File("link.ini");
    std::filesystem::create_symlink("elsewhere/real.ini", link);
    EXPECT_NE(WriteSetting(time, "S", "K", "3", link), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(folder.Read("elsewhere/real.ini"), "[S]\r\nK=3\r\n");
    EXPECT_EQ(folder.Names("elsewhere"), (std::set<std::string>{".real.ini.lock", "real.ini"}));

    // A link to nothing yet: the file it names is made.
    std::filesystem::create_symlink("elsewhere/new.ini", folder.File("dangling.ini"));
    EXPECT_NE(WriteSetting(time, "S", "K", "4", folder.File("dangling.ini")), 0);
    EXPECT_EQ(folder.Read("elsewhere/new.ini"), "[S]\r\nK=4\r\n");
}

// Each case is a folder and a file as another user sets them up; the tool then writes as the
// unprivileged user 65534.
struct PermissionCase {
    const char* setup;
    mode_t folderMode;
    bool file;
    uid_t fileOwner;
    gid_t fileGroup;
    mode_t fileMode;
    int exitCode;
    mode_t modeAfter;
};

TEST(SharedWritesTest, PermissionsOfFilesAndFoldersAreRespected) {
    if (::geteuid() != 0 || Shell("setpriv --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    }
    constexpr uid_t kUs = 65534;
    constexpr uid_t kRoot = 0;
    const std::vector<PermissionCase> cases = {
        {"another user's file in an open folder", 0777, true, kRoot, kRoot, 0644, 1, 0644},
        {"another user's file writable by our group", 0777, true, kRoot, kUs, 0664, 0, 0664},
        {"our file in a folder closed to us", 0755, true, kUs, kUs, 0644, 0, 0644},
        {"our read-only file in a folder closed to us", 0755, true, kUs, kUs, 0444, 0, 0644},
        {"another user's read-only file", 0777, true, kRoot, kRoot, 0444, 1, 0444},
        {"no file in a folder closed to us", 0755, false, 0, 0, 0, 1, 0},
    };
    TempFolder top;
    ::chmod(top.Path().c_str(), 0755);
    int n = 0;
    for (const PermissionCase& c : cases) {
        const std::string dir = "case" + std::to_string(n++);
        std::filesystem::create_directory(top.File(dir));
        const std::string file = top.File(dir + "/zarava.ini");
        const std::string before = "[S]\r\nK=0\r\n";
        if (c.file) {
            top.Write(dir + "/zarava.ini", before);
            ::chown(file.c_str(), c.fileOwner, c.fileGroup);
            ::chmod(file.c_str(), c.fileMode);
        }
        ::chmod(top.File(dir).c_str(), c.folderMode);
        const ino_t inode = StatOf(file).st_ino;

        const int exitCode = Shell("setpriv --reuid=65534 --regid=65534 --clear-groups " + kTool +
                                   " --file " + file + " set S K 1 2>/dev/null");
        EXPECT_EQ(exitCode, c.exitCode) << c.setup;
        std::set<std::string> names = top.Names(dir);
        names.erase(".zarava.ini.lock");
        if (!c.file) {
            EXPECT_TRUE(names.empty()) << c.setup;
            continue;
        }
        EXPECT_EQ(names, std::set<std::string>{"zarava.ini"}) << c.setup;
        EXPECT_EQ(top.Read(dir + "/zarava.ini"), c.exitCode == 0 ? "[S]\r\nK=1\r\n" : before)
            << c.setup;
        const struct stat after = StatOf(file);
        EXPECT_EQ(after.st_ino, inode) << c.setup << ": changed in place";
        EXPECT_EQ(after.st_uid, c.fileOwner) << c.setup;
        EXPECT_EQ(after.st_gid, c.fileGroup) << c.setup;
        EXPECT_EQ(after.st_mode & 07777, c.modeAfter) << c.setup;
    }
}

TEST(SharedWritesTest, TemporaryFilesOfKilledWritersGoAtTheNextWrite) {
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    folder.Write("zarava.ini", IssuerFile());
    std::mt19937 random(7);
    for (int i = 0; i < 20; ++i) {
        const std::string value = std::to_string(i);
        const char* argv[] = {kTool.c_str(), "--file", file.c_str(),  "set",
                              "S",           "K",      value.c_str(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, kTool.c_str(), nullptr, nullptr,
                                const_cast<char* const*>(argv), environ),
                  0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    // A minute later by the file's clock: whatever they left is old. One more file is another
    // writer's, still at work, and one is not ours at all.
    folder.Write(".zarava.ini.4242.7.tmp", "[S]\r\nK=9\r\n");
    folder.Write(".zarava.ini.bak", "");
    std::set<std::string> left = folder.Names();
    for (const std::string& name : left) {
        const timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 120, 0}};
        ::utimensat(AT_FDCWD, folder.File(name).c_str(), old, 0);
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
