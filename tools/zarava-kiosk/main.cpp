// zarava-kiosk: starts the waiting-room display whenever the ticket issuer runs, on a PC that
// only reads the issuer's program folder, and keeps it running until the issuer ends.

#include "DisplayChild.h"
#include "Follower.h"
#include "KioskLog.h"
#include "KioskSettings.h"

#include "engine/SystemClock.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace zarava::kiosk;

constexpr int kAlreadyFollowed = 3;

bool IsExecutableFile(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 &&
           ::access((path + "/.").c_str(), F_OK) != 0;
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Absolute(const std::string& path) {
    if (path.starts_with("/")) {
        return path;
    }
    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        return path;
    }
    return std::string(cwd.data()) + "/" + path;
}

// A program name looked up on PATH as a shell would; empty when it is not there.
std::string SearchPath(const std::string& name) {
    const char* pathVariable = std::getenv("PATH");
    const std::string path = pathVariable != nullptr ? pathVariable : "/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find(':', at), path.size());
        const std::string dir = path.substr(at, end - at);
        if (!dir.empty() && IsExecutableFile(dir + "/" + name)) {
            return dir + "/" + name;
        }
        at = end + 1;
    }
    return {};
}

// The display given (a path, or a name on PATH), else zarava-display beside this program (so
// a build tree and an installation each start their own), else on PATH. Empty when there is
// none.
std::string FindDisplay(const std::string& given) {
    if (!given.empty()) {
        if (given.find('/') == std::string::npos) {
            return SearchPath(given);
        }
        const std::string path = Absolute(given);
        return IsExecutableFile(path) ? path : std::string();
    }
    std::vector<char> self(4096);
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (n > 0) {
        const std::string exe(self.data(), static_cast<std::size_t>(n));
        const std::string beside = Folder(exe) + "/zarava-display";
        if (IsExecutableFile(beside)) {
            return beside;
        }
        // In the build tree the display lives in app/, the kiosk in tools/zarava-kiosk/.
        const std::string built = Folder(Folder(Folder(exe))) + "/app/zarava-display";
        if (IsExecutableFile(built)) {
            return built;
        }
    }
    return SearchPath("zarava-display");
}

// One kiosk per user, folder and command line: a second one (the menu entry clicked while the
// autostart one runs) would start a second display, which ends at once as another copy.
bool TakeLock(const KioskSettings& settings) {
    std::uint64_t hash = 1469598103934665603ULL; // FNV-1a
    auto mix = [&hash](const std::string& text) {
        for (const char c : text) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        hash = (hash ^ 0xFF) * 1099511628211ULL;
    };
    mix(settings.folder);
    for (const std::string& word : settings.commandLine) {
        mix(word);
    }
    char name[64];
    std::snprintf(name, sizeof name, "zarava-kiosk-%016llx.lock",
                  static_cast<unsigned long long>(hash));
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder =
        runtime != nullptr && runtime[0] == '/' && ::access(runtime, W_OK) == 0
            ? std::string(runtime)
            : "/tmp";
    const std::string path =
        folder + "/" + (folder == "/tmp" ? std::to_string(::getuid()) + "-" : "") + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return true; // no lock file: better a second kiosk than none
    }
    // Held for the kiosk's life; the display does not inherit it (close-on-exec).
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

} // namespace

int main(int argc, char** argv) {
    ParsedKioskArguments arguments =
        ParseKioskArguments({argv + 1, argv + argc}, DefaultConfigFiles());
    if (const std::optional<int> status = AnswerEarly(arguments)) {
        return *status;
    }
    KioskSettings& settings = arguments.settings;
    settings.folder = Absolute(settings.folder);
    while (settings.folder.size() > 1 && settings.folder.ends_with("/")) {
        settings.folder.pop_back();
    }
    const std::string display = FindDisplay(settings.display);
    if (display.empty()) {
        return ReportUsageError(settings.display.empty()
                                    ? "zarava-display is neither beside zarava-kiosk nor on PATH"
                                    : "--display " + settings.display + " is not a program");
    }
    if (!TakeLock(settings)) {
        std::fprintf(stderr,
                     "zarava-kiosk: another zarava-kiosk already follows the issuer in %s "
                     "with this command line\n",
                     settings.folder.c_str());
        return kAlreadyFollowed;
    }

    SignalWait waits;
    zarava::SystemClock clock;
    KioskLog log(clock, std::chrono::milliseconds(60LL * settings.tickMs));
    std::string intro = "zarava-kiosk " + std::string(zarava::ProgramVersion()) +
                        " follows the issuer in " + settings.folder + "; display: " + display;
    for (const std::string& word : settings.commandLine) {
        intro += ' ' + word;
    }
    if (!settings.configFile.empty()) {
        intro += "; settings from " + settings.configFile;
    }
    log.Introduce(intro);
    Follower follower(settings, display, clock, log);
    return follower.Run(waits);
}
