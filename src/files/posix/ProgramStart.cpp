#include "files/ProgramStart.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace zarava {

// Waits for the programs we started. A started program stays our child, so it is reaped here
// and never depends on the system's first process to do it.
class SystemProgramStarter::Reaper {
public:
    ~Reaper() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void Add(pid_t pid) {
        std::lock_guard lock(mutex_);
        children_.push_back(pid);
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { Run(); });
        }
        wake_.notify_all();
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            std::erase_if(children_, [](pid_t pid) {
                const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
                return r == pid || (r < 0 && errno != EINTR);
            });
            if (children_.empty()) {
                wake_.wait(lock);
            } else {
                wake_.wait_for(lock, std::chrono::milliseconds(250));
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<pid_t> children_; // guarded by mutex_
    bool stop_ = false;           // guarded by mutex_
    std::thread thread_;
};

namespace {

std::string FolderOfFile(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool StartsWithMz(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    char magic[2] = {};
    const bool mz = ::read(fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    ::close(fd);
    return mz;
}

std::string SpawnErrorText(int error) {
    switch (error) {
    case ENOENT:
        return "not found";
    case EACCES:
        return "not executable (permission denied)";
    case ENOEXEC:
        return "not a program this system can run (a script needs a #! line)";
    default:
        return std::strerror(error);
    }
}

// Spawns argv[0] detached from our terminal, files and signal handling; the error number when
// it could not be started. posix_spawn reports a failed exec itself and never runs a shell.
int Spawn(const std::vector<std::string>& words, const std::string& folder, pid_t& pid) {
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& w : copies) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&files);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1);
    posix_spawn_file_actions_addchdir_np(&files, folder.c_str());
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = posix_spawn(&pid, argv[0], &files, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return error;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) {
        text += (text.empty() ? "" : " ") + w;
    }
    return text;
}

} // namespace

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        std::size_t end = folders.find(':', begin);
        if (end == std::string::npos) {
            end = folders.size();
        }
        const std::string folder = end > begin ? folders.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        begin = end + 1;
    }
    return {};
}

SystemProgramStarter::SystemProgramStarter() : reaper_(std::make_unique<Reaper>()) {}

SystemProgramStarter::~SystemProgramStarter() = default;

StartOutcome SystemProgramStarter::Start(const std::string& program, const std::string& argument) {
    StartOutcome outcome;
    struct stat st {};
    if (::stat(program.c_str(), &st) != 0) {
        outcome.reason = program + ": " + SpawnErrorText(errno);
        return outcome;
    }
    if (S_ISDIR(st.st_mode)) {
        outcome.reason = program + ": is a folder, not a program";
        return outcome;
    }
    std::vector<std::string> words = {program, argument};
    if (StartsWithMz(program)) {
        const std::string wine = FindOnPath("wine");
        if (wine.empty()) {
            outcome.reason = program + ": a Windows program, and wine is not installed";
            return outcome;
        }
        words.insert(words.begin(), wine);
    }
    pid_t pid = 0;
    if (const int error = Spawn(words, FolderOfFile(program), pid); error != 0) {
        outcome.reason = words.front() + ": " + SpawnErrorText(error);
        return outcome;
    }
    reaper_->Add(pid);
    outcome.started = true;
    outcome.command = Joined(words);
    return outcome;
}

} // namespace zarava
