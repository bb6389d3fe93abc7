#include "platform/ProgramStarter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace zarava {

namespace {

// Between fork and exec only async-signal-safe calls are allowed (other threads may hold
// locks): everything the child needs is prepared before the fork.
[[noreturn]] void ExecDetached(const char* path, char* const argv[], int devNull, int report) {
    setsid();
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) {
        signal(s, SIG_DFL);
    }
    execve(path, argv, environ);
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

bool PosixProgramStarter::Start(const std::string& program, const std::string& argument) {
    std::string arg0 = program;
    std::string arg1 = argument;
    char* const argv[] = {arg0.data(), arg1.data(), nullptr};

    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    int report[2];
    if (devNull < 0 || pipe2(report, O_CLOEXEC) != 0) {
        if (devNull >= 0) {
            close(devNull);
        }
        return false;
    }
    // A grandchild: the middle process ends at once and is reaped here, so the program
    // belongs to the system's reaper, not to us.
    const pid_t middle = fork();
    if (middle == 0) {
        close(report[0]);
        const pid_t child = fork();
        if (child == 0) {
            ExecDetached(program.c_str(), argv, devNull, report[1]);
        }
        if (child < 0) {
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(report[1]);
    close(devNull);
    bool started = false;
    if (middle > 0) {
        int status = 0;
        while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
        // The pipe closes without a word when the exec succeeded (close-on-exec), and brings
        // the error number when it failed.
        int error = 0;
        ssize_t n;
        do {
            n = read(report[0], &error, sizeof error);
        } while (n < 0 && errno == EINTR);
        started = n == 0;
    }
    close(report[0]);
    return started;
}

} // namespace zarava
