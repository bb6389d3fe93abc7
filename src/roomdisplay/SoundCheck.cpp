#include "roomdisplay/SoundCheck.h"

#include "files/Files.h"
#include "files/OperationsLog.h"
#include "files/SharedFolder.h"
#include "ports/ProgramStarter.h"
#include "ports/SoundPlayer.h"
#include "roomdisplay/CallAnnouncement.h"
#include "settings/SettingsStore.h"
#include "text/Numbers.h"

#include <cstdio>
#include <memory>

namespace zarava {

namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

} // namespace

void RunSoundCheck(const SoundCheckServices& services, const std::string& programFolder,
                   std::function<void(const SoundCheckResult&)> done) {
    OperationsLog& log = services.log;
    auto finish = [&log, done](bool heard, std::string text) {
        log.Write("sound check: " + text);
        done({heard, std::move(text)});
    };

    const std::string ini = ResolveInFolder(programFolder, "zarava.ini");
    if (LenientNumber(ReadSetting(services.clock, "DISPLAY INFOMATION", "TALK SELECT", ini)) != 0) {
        const StartOutcome outcome =
            services.programs.Start(CompanionProgramFile(programFolder, "vocall.exe"), "-tolv");
        if (outcome.started) {
            finish(true, "voice program started: " + outcome.command);
        } else {
            finish(false, "voice program not started: " + outcome.reason);
        }
        return;
    }

    const std::string chime = ChimeFile(programFolder);
    if (!ReadFileAttributes(chime)) {
        finish(false, "chime not played: no chime.wav in " + programFolder);
        return;
    }
    // What the start said, for the line at the end.
    auto started = std::make_shared<SoundEvent>();
    services.sound.Play(chime, [started, chime, finish](const SoundEvent& event) {
        switch (event.kind) {
        case SoundEventKind::Started:
            *started = event;
            break;
        case SoundEventKind::Finished: {
            std::string text = "chime played on " + started->device + ": " + chime + " (" +
                               started->form + ", " + Seconds(started->seconds);
            if (started->fileSeconds > started->seconds + 0.05) {
                text += ", cut from " + Seconds(started->fileSeconds);
            }
            finish(true, text + ")");
            break;
        }
        case SoundEventKind::Stopped:
            finish(false, "chime not played to its end: " + chime + " was stopped");
            break;
        case SoundEventKind::Failed:
            finish(false, "chime not played: " + SoundFailureText(chime, event));
            break;
        }
    });
}

} // namespace zarava
