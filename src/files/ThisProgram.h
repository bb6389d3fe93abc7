#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarava {

// What a program of ours takes from the system it runs on, so that its main() reads the same
// everywhere.

// The arguments after the program's name, as UTF-8. Windows hands a program its command line
// in UTF-16 and its narrow arguments in the ANSI code page, where the second byte of ソ (0x83
// 0x5D) is ']': there they are taken from the UTF-16 line.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and error pass the program's UTF-8 bytes on as they are (on Windows no CR
// put before a LF), and a Windows console shows them as UTF-8 while the program runs.
void PrepareStandardStreams();

enum class Access { Read, Write, CreateIn };

// Why this user may not read or write the file, or create a file in the folder, in the
// system's words; nothing when nothing in the way can be seen. (On Windows only a file made
// in a folder would tell, so CreateIn gives nothing there.)
std::optional<std::string> AccessRefusal(const std::string& path, Access access);

} // namespace zarava
