#pragma once

#include "ports/SoundPlayer.h"

#include <string>

namespace zarava {

class FileWork;
class Program;

// The last step of every refresh of a room window, left to the refresh's file work: when the
// issuer has asked for it (a non-zero <room>CALL SOUND), the request is taken (written back
// empty, before anything is heard) and the call is announced, by the voice program when TALK
// SELECT is not 0, else by the chime. One request, one announcement. A request whose clearing
// fails is announced now and again at the next refresh. The log tells each announcement, and
// every chime that could not be heard or voice program that could not be started, and why.
void AnnounceCall(Program& program, int room, FileWork& work);

// Plays a wave file asynchronously, replacing a sound that plays; an empty name, or one
// without ".wav" in it (any case), stops the sound instead. The log tells on which device it
// plays, or why it could not. File work.
void PlayWave(Program& program, const std::string& path);

// Starts a program of the program folder with one argument, without waiting for it; a missing
// or failing program only leaves a line in the log. The name is matched without regard to
// case; where "NAME.exe" is missing but "NAME" is there (a native build), that is started.
// File work.
void RunCompanionProgram(Program& program, const std::string& fileName,
                         const std::string& argument);

// The chime of a program folder, matched without regard to case; it may not exist.
std::string ChimeFile(const std::string& programFolder);

// The companion program of that name in the program folder, as RunCompanionProgram finds it;
// it may not exist.
std::string CompanionProgramFile(const std::string& programFolder, const std::string& fileName);

// What the log and the sound check say of a sound that could not be played: the file, the
// kind of failure and the player's reason.
std::string SoundFailureText(const std::string& path, const SoundEvent& failed);

} // namespace zarava
