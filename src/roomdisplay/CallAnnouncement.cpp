#include "roomdisplay/CallAnnouncement.h"

#include "files/Files.h"
#include "files/Folders.h"
#include "files/SharedFolder.h"
#include "text/Numbers.h"
#include "text/Text.h"
#include "window/FileWork.h"
#include "window/Program.h"

#include <cstdio>

namespace zarava {

namespace {

constexpr const char* kSection = "DISPLAY INFOMATION";

const char* FailureLabel(SoundFailure failure) {
    switch (failure) {
    case SoundFailure::NoDevice:
        return "no audio device";
    case SoundFailure::DeviceFailed:
        return "audio device busy or failing";
    case SoundFailure::Unreadable:
        return "file unreadable";
    case SoundFailure::None:
        break;
    }
    return "failed";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// A chime that plays is logged with its device, so a log read after a silent day shows where
// the sound went (a speaker unplugged, a dummy output); one that cannot play, with the reason.
void LogSoundEvent(Program& program, const std::string& path, const SoundEvent& event) {
    if (event.kind == SoundEventKind::Started) {
        std::string line = "sound playing on " + event.device + ": " + path + " (" + event.form +
                           ", " + Seconds(event.seconds);
        if (event.fileSeconds > event.seconds + 0.05) {
            line += ", cut from " + Seconds(event.fileSeconds);
        }
        program.Log(line + ")");
    } else if (event.kind == SoundEventKind::Failed) {
        program.Log("sound not played: " + SoundFailureText(path, event));
    }
}

bool EndsWithExe(const std::string& name) {
    return name.size() > 4 && ToLowerAscii(name.substr(name.size() - 4)) == ".exe";
}

} // namespace

std::string ChimeFile(const std::string& programFolder) {
    return ResolveInFolder(programFolder, "chime.wav");
}

std::string CompanionProgramFile(const std::string& programFolder, const std::string& fileName) {
    const std::string path = ResolveInFolder(programFolder, fileName);
    if (!EntryExists(path) && EndsWithExe(fileName)) {
        const std::string native =
            ResolveInFolder(programFolder, fileName.substr(0, fileName.size() - 4));
        if (EntryExists(native)) {
            return native;
        }
    }
    return path;
}

std::string SoundFailureText(const std::string& path, const SoundEvent& failed) {
    return path + ": " + FailureLabel(failed.failure) + ": " + failed.reason;
}

void AnnounceCall(Program& program, int room, FileWork& work) {
    struct Request {
        bool made = false;
        bool voice = false;
    };
    const std::string key = NumberText(room) + "CALL SOUND";
    work.ReadThen<Request>(
        [key](SettingsSnapshot& settings) {
            Request request;
            request.made = LenientNumber(settings.Read(kSection, key)) != 0;
            if (request.made) {
                request.voice = LenientNumber(settings.Read(kSection, "TALK SELECT")) != 0;
            }
            return request;
        },
        [&program, key, room](Request& request, const FileWork::Settings& settings) {
            if (!request.made) {
                return;
            }
            program.WriteSetting(*settings, kSection, key, "");
            const std::string call = "room " + NumberText(room) + " call: ";
            if (request.voice) {
                program.Log(call + "voice program");
                RunCompanionProgram(program, "vocall.exe", "-tolv");
                return;
            }
            const std::string chime = ChimeFile(program.programFolder);
            if (!ReadFileAttributes(chime)) {
                program.Log(call + "chime, but the program folder has no chime.wav: nothing heard");
                return;
            }
            program.Log(call + "chime");
            PlayWave(program, chime);
        });
}

void PlayWave(Program& program, const std::string& path) {
    if (path.empty() || ToLowerAscii(path).find(".wav") == std::string::npos) {
        program.sound.Stop();
        return;
    }
    program.sound.Play(
        path, [&program, path](const SoundEvent& event) { LogSoundEvent(program, path, event); });
}

void RunCompanionProgram(Program& program, const std::string& fileName,
                         const std::string& argument) {
    const StartOutcome outcome =
        program.programs.Start(CompanionProgramFile(program.programFolder, fileName), argument);
    if (!outcome.started) {
        program.Log(fileName + " not started: " + outcome.reason);
    }
}

} // namespace zarava
