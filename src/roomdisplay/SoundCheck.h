#pragma once

#include <functional>
#include <string>

namespace zarava {

class Clock;
class OperationsLog;
class ProgramStarter;
class SoundPlayer;

struct SoundCheckResult {
    bool heard = false; // the chime played to its end, or the voice program started
    std::string text;   // one line saying what was done, or why it could not be
};

struct SoundCheckServices {
    Clock& clock;
    SoundPlayer& sound;
    ProgramStarter& programs;
    OperationsLog& log;
};

// The check an IT person runs at the display PC: announces once as a call would, by the
// chime or by the voice program as TALK SELECT in the folder's zarava.ini says, without
// touching any call request. `done` is called exactly once, when the chime has played to its
// end, the voice program has been started, or it is clear that neither can be; possibly on
// the sound's thread. The result goes to the log too.
void RunSoundCheck(const SoundCheckServices& services, const std::string& programFolder,
                   std::function<void(const SoundCheckResult&)> done);

} // namespace zarava
