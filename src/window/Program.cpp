#include "window/Program.h"

#include "files/SharedFolder.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace zarava {

Program::Program(const Services& services, std::string folder)
    : scheduler(services.scheduler), clock(services.clock), host(services.host),
      sound(services.sound), programs(services.programs), programFolder(std::move(folder)) {}

std::string Program::ReadSetting(std::string_view section, std::string_view key) const {
    return zarava::ReadSetting(clock, section, key, IniPath);
}

void Program::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
    if (zarava::WriteSetting(clock, section, key, value, IniPath) == 0) {
        log.Write("setting not written after its retry: [" + std::string(section) + "] " +
                  std::string(key) + "=" + std::string(value) + " in " + IniPath);
    }
}

void Program::UpdateSetting(std::string_view section, std::string_view key,
                            const ValueUpdate& update) {
    if (zarava::UpdateSetting(clock, section, key, update, IniPath) == 0) {
        log.Write("setting not written after its retry: [" + std::string(section) + "] " +
                  std::string(key) + " in " + IniPath);
    }
}

std::string Program::ProgramFile(std::string_view relative) const {
    return ResolveInFolder(programFolder, relative);
}

void Program::PublishChanges() {
    for (Window* w : windows_) {
        if (std::optional<WindowChanges> changes = w->TakeChanges()) {
            host.PublishWindow(*changes);
        }
    }
    std::erase_if(windows_, [](const Window* w) { return w->Closed(); });
}

} // namespace zarava
