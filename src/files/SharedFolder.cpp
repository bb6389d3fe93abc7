#include "files/SharedFolder.h"

#include "engine/Clock.h"
#include "engine/DateTime.h"
#include "engine/LocalTime.h"
#include "files/Folders.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>

namespace zarava {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr double kDaysFrom1601To1899 = 109'205;
// The issuer's file times end in the year 30828; clamping keeps absurd stamps from overflowing.
constexpr std::int64_t kLastSecond = 910'692'730'085;

// A file time as a local date-time value: local milliseconds since 1601 (truncated), then
// days, then shifted to the 1899 epoch. The local offset is the one in force at that moment,
// so a file written at noon reads as noon on either side of a daylight-saving change.
double ToLocalDateValue(FileTime t) {
    const std::int64_t seconds = std::clamp(t.seconds, -kSecondsFrom1601To1970, kLastSecond);
    const std::int64_t localSeconds =
        std::max<std::int64_t>(seconds + LocalOffsetAt(seconds), -kSecondsFrom1601To1970);
    const std::int64_t ms =
        (localSeconds + kSecondsFrom1601To1970) * 1000 + t.nanoseconds / 1'000'000;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay) - kDaysFrom1601To1899;
}

} // namespace

std::string ResolveInFolder(const std::string& folder, std::string_view relativePath) {
    std::string path = folder;
    bool searching = true;
    std::size_t start = 0;
    while (start <= relativePath.size()) {
        std::size_t end = relativePath.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = relativePath.size();
        }
        const std::string_view component = relativePath.substr(start, end - start);
        start = end + 1;
        if (component.empty()) {
            continue;
        }
        std::string name(component);
        if (searching) {
            if (std::optional<std::string> found = FindEntryIgnoringCase(path, component)) {
                name = std::move(*found);
            } else {
                searching = false; // nothing below a missing folder can be found either
            }
        }
        path = JoinPath(path, name);
    }
    return path;
}

void EnsureFolder(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && EntryNameOf(path).empty()) {
        path.pop_back(); // a separator at the end
    }
    const std::string leaf = EntryNameOf(path);
    // Any entry of that name, in any case, blocks the creation, as it would on the issuer's
    // system: "temp" must not appear next to "Temp".
    if (leaf.empty() || FindEntryIgnoringCase(FolderOfPath(path), leaf)) {
        return;
    }
    CreateFolder(path);
}

void GetFileTimes(const std::string& path, double& created, double& lastWrite, double& lastAccess) {
    const std::optional<FileStamps> stamps = ReadFileStamps(path);
    if (!stamps) {
        return;
    }
    created = ToLocalDateValue(stamps->created);
    lastWrite = ToLocalDateValue(stamps->lastWrite);
    lastAccess = ToLocalDateValue(stamps->lastAccess);
}

bool ProbeWriteAccess(Clock& clock, const std::string& folder) {
    const LocalDateTime now = clock.Now();
    // Seeded from the time of day like the classic generator. Two copies started in the same
    // millisecond draw the same name; the loser sees it taken and draws again.
    const auto seed = static_cast<std::uint32_t>(
        ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond);
    std::mt19937 generator(seed);
    const std::string content = FormatYmd(now) + "\r\n";

    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const double r = static_cast<double>(generator()) / 4294967296.0; // [0, 1)
        const int number = static_cast<int>(r * 999999 + 1);
        const std::string path = JoinPath(folder, std::to_string(number) + ".rad");
        switch (CreateNewFile(path, content)) {
        case NewFileResult::Created:
            // A share may accept the creation and still not keep the file: trust only what
            // can be seen afterwards.
            if (!EntryExists(path)) {
                return false;
            }
            clock.Sleep(200);
            RemoveFile(path); // a file that cannot be deleted stays; the folder is writable
            return true;
        case NewFileResult::NameTaken:
            continue; // someone else's file: leave it and draw another name
        case NewFileResult::Failed:
            return false;
        }
    }
    return false;
}

} // namespace zarava
