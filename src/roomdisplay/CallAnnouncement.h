#pragma once

#include <string>

namespace zarava {

class Program;

// The last step of every refresh of a room window: when the issuer has asked for it (a
// non-zero <room>CALL SOUND), the request is taken (written back empty, before anything is
// heard) and the call is announced, by the voice program when TALK SELECT is not 0, else by
// the chime. One request, one announcement.
void AnnounceCall(Program& program, int room);

// Plays a wave file asynchronously, replacing a sound that plays; an empty name, or one
// without ".wav" in it (any case), stops the sound instead.
void PlayWave(Program& program, const std::string& path);

// Starts a program of the program folder with one argument, without waiting for it; a missing
// or failing program does nothing.
void RunCompanionProgram(Program& program, const std::string& fileName,
                         const std::string& argument);

} // namespace zarava
