#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarava {

// What the Windows program needs of the system around the display, kept apart so that the
// wiring never sees Windows' headers (their macros clash with names of the core).

// The program's arguments after its name, as UTF-8: Windows hands them over as UTF-16, and the
// ANSI code page would mangle names such as ソ (0x83 0x5D) or lose characters outside it.
std::vector<std::string> WideArguments();

// A program of the GUI subsystem has no console: when started from one, it writes to that
// console (in UTF-8) so that --help, --version and the reports' lines are seen; with its output
// redirected, to the file or pipe.
void AttachParentConsole();

// Calls `stop` (on a thread of the system's) when the console asks the program to end.
void OnConsoleStop(std::function<void()> stop);

// The folder of the executable, the program folder by default.
std::string ExecutableFolder();
bool IsFolder(const std::string& path);
std::string FullPath(const std::string& path);

// Writes the file whole, replacing it; false when it cannot.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Reads the file whole; false when it cannot.
bool ReadWholeFile(const std::string& path, std::string& bytes);

} // namespace zarava
