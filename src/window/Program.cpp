#include "window/Program.h"

#include "files/SharedFolder.h"

#include <algorithm>

namespace zarava {

Program::Program(const Services& services, std::string folder)
    : scheduler(services.scheduler), clock(services.clock), files(services.files),
      host(services.host), sound(services.sound), programs(services.programs),
      programFolder(std::move(folder)) {}

void Program::OpenProgramFolder() {
    EnsureFolder(ProgramFile("Temp"));
    EnsureFolder(ProgramFile("Log"));
    log_ = OperationsLog(clock, ProgramFile("Log"), OperationsLog::LostLines::Reported);
    log_.RemoveOldFiles();
    iniPath_ = ProgramFile("zarava.ini");
}

SettingsSnapshot Program::SettingsInPlace() {
    SettingsSnapshot settings(iniPath_, &clock);
    NoteSettingsRead(settings);
    return settings;
}

std::shared_ptr<SettingsSnapshot> Program::SettingsForFileWork() {
    auto settings = std::make_shared<SettingsSnapshot>(iniPath_);
    NoteSettingsRead(*settings);
    return settings;
}

void Program::NoteSettingsRead(const SettingsSnapshot& settings) {
    const ReadFileResult result = settings.FirstResult();
    const bool unreadable = result != ReadFileResult::Ok;
    if (settingsUnreadable_.exchange(unreadable) == unreadable) {
        return;
    }
    Log(unreadable ? "settings file unreadable: " + iniPath_ + ": " + SettingsFileProblem(result) +
                         "; every setting reads as empty until it can be read again"
                   : "settings file readable again: " + iniPath_);
}

void Program::WriteSetting(SettingsSnapshot& settings, std::string_view section,
                           std::string_view key, std::string_view value) {
    if (settings.Write(clock, section, key, value) == 0) {
        Log("setting not written after its retry: [" + std::string(section) + "] " +
            std::string(key) + "=" + std::string(value) + " in " + settings.File());
    }
}

void Program::UpdateSetting(SettingsSnapshot& settings, std::string_view section,
                            std::string_view key, const ValueUpdate& update) {
    if (settings.Update(clock, section, key, update) == 0) {
        Log("setting not written after its retry: [" + std::string(section) + "] " +
            std::string(key) + " in " + settings.File());
    }
}

void Program::Log(std::string_view text) {
    files.Submit([this, line = std::string(text), at = clock.Now()] { log_.Write(line, at); });
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
