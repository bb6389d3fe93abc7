#pragma once

#include "TempFolder.h"
#include "engine/VirtualTime.h"
#include "files/OperationsLog.h"

#include <filesystem>
#include <string>

namespace zarava::test {

// The lines of a folder's operations log for a day (Log/<day>.log; virtual time starts on
// 2024-01-08) without their times of day, "FOLDER" standing for the folder's path.
inline std::string LogLines(const TempFolder& folder, const std::string& day = "20240108") {
    const std::string log = folder.Read("Log/" + day + ".log");
    constexpr std::size_t kTimeOfDay = 13; // "hh:mm:ss.mmm "
    std::string lines;
    for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
        lines += log.substr(at + kTimeOfDay, log.find('\n', at) + 1 - at - kTimeOfDay);
    }
    for (std::size_t at; (at = lines.find(folder.Path())) != std::string::npos;) {
        lines.replace(at, folder.Path().size(), "FOLDER");
    }
    return lines;
}

// A folder with an operations log in its Log folder, on virtual time.
struct FolderWithLog {
    FolderWithLog() { std::filesystem::create_directory(folder / "Log"); }

    TempFolder folder;
    VirtualTime time;
    OperationsLog log{time, folder / "Log"};
};

} // namespace zarava::test
