#include "window/TroubleLog.h"

#include "files/OperationsLog.h"

namespace zarava {

void TroubleLog::Report(std::string_view about, std::string_view trouble) {
    if (trouble == trouble_) {
        return;
    }
    trouble_ = trouble;
    std::string line(about);
    line += ": ";
    line += trouble.empty() ? std::string_view("all right again") : trouble;
    log_.Write(line);
}

} // namespace zarava
