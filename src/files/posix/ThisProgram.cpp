#include "files/ThisProgram.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zarava {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

void PrepareStandardStreams() {}

std::optional<std::string> AccessRefusal(const std::string& path, Access access) {
    // A new file needs the right to write its folder.
    if (::access(path.c_str(), access == Access::Read ? R_OK : W_OK) != 0) {
        return std::strerror(errno);
    }
    return std::nullopt;
}

} // namespace zarava
