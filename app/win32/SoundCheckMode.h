#pragma once

#include <string>

namespace zarava {

// zarava-display.exe --test-sound: announces once as a call would (the chime, or the voice
// program as TALK SELECT says), prints one line of what happened and returns the exit status,
// 0 when it was heard and 1 when not. Opens no window.
int RunSoundCheckMode(const std::string& programFolder);

} // namespace zarava
