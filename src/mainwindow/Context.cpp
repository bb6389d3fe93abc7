#include "mainwindow/Context.h"

#include "settings/IniRedWrt.h"
#include "text/Numbers.h"
#include "util/Lib.h"

#include <algorithm>

namespace zarava {

std::string Context::ReadSetting(std::string_view section, std::string_view key) const {
    return zarava::ReadSetting(clock, section, key, IniPath);
}

void Context::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
    zarava::WriteSetting(clock, section, key, value, IniPath);
}

std::string Context::ProgramFile(std::string_view relative) const {
    return ResolveInFolder(programFolder, relative);
}

void Context::PublishChanges() {
    for (Window* w : windows) {
        if (w->TakeDirty()) {
            host.PublishWindow(w->Snapshot());
        }
    }
    std::erase_if(windows, [](const Window* w) { return w->Closed(); });
}

void SetRunningMark(Context& ctx, bool running) {
    constexpr std::int32_t kDisplayRunningBit = 4;
    const auto form = ToInt32(LenientNumber(ctx.ReadSetting("USER INFOMATION", "FORM")));
    if (!form) {
        return; // not a number we could write back without garbling it
    }
    const std::int32_t value =
        running ? (*form | kDisplayRunningBit) : (*form & ~kDisplayRunningBit);
    ctx.WriteSetting("USER INFOMATION", "FORM", NumberText(value));
}

} // namespace zarava
