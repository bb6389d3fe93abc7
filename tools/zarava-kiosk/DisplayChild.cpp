#include "DisplayChild.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zarava::kiosk {

namespace {

// Needed only so that SIGCHLD is never discarded, whatever the system's default for it.
void NoteChild(int) {}

} // namespace

SignalWait::SignalWait() {
    struct sigaction action {};
    action.sa_handler = NoteChild;
    sigemptyset(&action.sa_mask);
    sigaction(SIGCHLD, &action, nullptr);
    // A closed standard error (the session gone) must not end the kiosk.
    std::signal(SIGPIPE, SIG_IGN);

    sigemptyset(&set_);
    for (const int s : {SIGCHLD, SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&set_, s);
    }
    sigprocmask(SIG_BLOCK, &set_, nullptr);
}

int SignalWait::Wait(std::chrono::milliseconds limit) {
    const auto ms = limit.count() < 0 ? 0 : limit.count();
    timespec timeout{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (true) {
        const int got = sigtimedwait(&set_, nullptr, &timeout);
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            return 0; // EAGAIN: the time passed
        }
    }
}

namespace {

// The child's side of the fork: only async-signal-safe calls from here on. Reports the error
// number through the pipe when the program cannot be run.
[[noreturn]] void RunInChild(pid_t parent, int devNull, int report, char** argv) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) {
        _exit(0); // the kiosk died before the line above took effect
    }
    dup2(devNull, STDIN_FILENO);
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(argv[0], argv);
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

// The pipe closes without a word when the exec succeeded (close-on-exec), and brings the error
// number when it failed; then the child is reaped. The error number, or 0.
int ExecError(pid_t pid, int report) {
    int error = 0;
    ssize_t n;
    do {
        n = read(report, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(report);
    if (n <= 0) {
        return 0;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return error;
}

} // namespace

std::string DisplayChild::Start(const std::string& program, const std::vector<std::string>& args) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2];
    if (devNull < 0 || pipe2(report, O_CLOEXEC) != 0) {
        const std::string problem = std::strerror(errno);
        if (devNull >= 0) {
            close(devNull);
        }
        return problem;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        RunInChild(parent, devNull, report[1], argv.data());
    }
    const int forkError = errno;
    close(report[1]);
    close(devNull);
    if (pid < 0) {
        close(report[0]);
        return std::strerror(forkError);
    }
    if (const int error = ExecError(pid, report[0]); error != 0) {
        return program + ": " + std::strerror(error);
    }
    pid_ = pid;
    return {};
}

bool DisplayChild::Ended(int& status) {
    if (pid_ <= 0) {
        return true;
    }
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno == ECHILD)) {
        pid_ = -1;
        return true;
    }
    return false;
}

void DisplayChild::Send(int signal) {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

std::string SignalName(int signal) {
    const char* abbrev = sigabbrev_np(signal);
    return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
}

std::string DescribeEnd(int status) {
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "killed by " + SignalName(WTERMSIG(status));
    }
    return "wait status " + std::to_string(status);
}

} // namespace zarava::kiosk
