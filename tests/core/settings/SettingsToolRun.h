#pragma once

#include "ProgramRun.h"

#include <string>
#include <vector>

namespace zarava::test {

// zarava-settings as a process of its own, run to its end: its exit status and what it printed.
struct ToolRun {
    int status;
    std::string out, err;
};

inline ToolRun RunSettingsTool(std::vector<std::string> args, const ProgramRun::Setup& setup = {}) {
    static const TempFolder output;
    args.insert(args.begin(), ZARAVA_SETTINGS_TOOL);
    ProgramRun run(output, std::move(args), setup);
    const int status = run.Wait();
    return {status, run.Out(), run.Err()};
}

} // namespace zarava::test
