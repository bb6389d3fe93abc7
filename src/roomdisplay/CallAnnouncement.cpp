#include "roomdisplay/CallAnnouncement.h"

#include "platform/Files.h"
#include "text/Numbers.h"
#include "text/Text.h"
#include "window/Program.h"

namespace zarava {

void AnnounceCall(Program& program, int room) {
    const std::string key = NumberText(room) + "CALL SOUND";
    if (LenientNumber(program.ReadSetting("DISPLAY INFOMATION", key)) == 0) {
        return;
    }
    program.WriteSetting("DISPLAY INFOMATION", key, "");
    if (LenientNumber(program.ReadSetting("DISPLAY INFOMATION", "TALK SELECT")) != 0) {
        RunCompanionProgram(program, "vocall.exe", "-tolv");
        return;
    }
    const std::string chime = program.ProgramFile("chime.wav");
    if (GetFileAttributes(chime)) {
        PlayWave(program, chime);
    }
}

void PlayWave(Program& program, const std::string& path) {
    if (path.empty() || ToLowerAscii(path).find(".wav") == std::string::npos) {
        program.sound.Stop();
        return;
    }
    program.sound.Play(path);
}

void RunCompanionProgram(Program& program, const std::string& fileName,
                         const std::string& argument) {
    program.programs.Start(program.ProgramFile(fileName), argument);
}

} // namespace zarava
