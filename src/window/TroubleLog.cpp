#include "window/TroubleLog.h"

#include "files/OperationsLog.h"

namespace zarava {

TroubleLog::TroubleLog(OperationsLog& log)
    : write_([&log](std::string_view line) { log.Write(line); }) {}

void TroubleLog::Report(std::string_view about, std::string_view trouble) {
    if (trouble == trouble_) {
        return;
    }
    trouble_ = trouble;
    std::string line(about);
    line += ": ";
    line += trouble.empty() ? std::string_view("all right again") : trouble;
    write_(line);
}

} // namespace zarava
