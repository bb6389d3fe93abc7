#include "roomdisplay/QueueFileReport.h"

#include "files/Folders.h"
#include "roomdisplay/QueueFile.h"

namespace zarava {

void QueueFileReport::Read(int room, const std::optional<std::string>& path, ReadFileResult read,
                           std::string_view bytes) {
    // Without a path nothing was read: TODAY names no file of the temp folder.
    const std::string_view trouble =
        path ? QueueFileTroubleText(QueueFileTroubleOf(read, bytes)) : "";
    trouble_.Report("room " + std::to_string(room) + " queue file",
                    trouble.empty() ? "" : *path + " " + std::string(trouble));
}

void QueueFileReport::NotFound(int room, const std::string& path) {
    Read(room, path, EntryExists(path) ? ReadFileResult::Failed : ReadFileResult::Missing, {});
}

} // namespace zarava
