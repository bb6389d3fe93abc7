#pragma once

#include "files/Files.h"
#include "window/TroubleLog.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// What the operations log says of a room's queue file: a file that the room cannot show, or
// shows only in part, is told once when the trouble starts and once when it ends.
class QueueFileReport {
public:
    explicit QueueFileReport(OperationsLog& log) : trouble_(log) {}

    // A refresh read the file at `path` (nothing when TODAY names no file of the temp folder)
    // with this result and these bytes.
    void Read(int room, const std::optional<std::string>& path, ReadFileResult read,
              std::string_view bytes);

    // A poll found no file at `path`. A name that is there but leads to nothing readable is
    // trouble; no name at all is not, as the issuer has simply not written the file yet.
    void NotFound(int room, const std::string& path);

private:
    TroubleLog trouble_;
};

} // namespace zarava
