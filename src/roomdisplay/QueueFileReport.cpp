#include "roomdisplay/QueueFileReport.h"

#include "files/Folders.h"
#include "roomdisplay/QueueFile.h"

namespace zarava {

std::string QueueFileTroubleAfterRead(const std::string& path, ReadFileResult read,
                                      std::string_view bytes) {
    const std::string_view trouble = QueueFileTroubleText(QueueFileTroubleOf(read, bytes));
    return trouble.empty() ? std::string() : path + " " + std::string(trouble);
}

std::string QueueFileTroubleWhenMissing(const std::string& path) {
    return QueueFileTroubleAfterRead(
        path, EntryExists(path) ? ReadFileResult::Failed : ReadFileResult::Missing, {});
}

} // namespace zarava
