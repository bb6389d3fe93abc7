#pragma once

#include <chrono>
#include <csignal>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarava::kiosk {

// The kiosk's one way to wait: for a stop signal, for its child to end, or for time to pass.
// The signals stay blocked for the whole process and are taken with sigtimedwait, so none is
// lost between two waits and nothing runs inside a signal handler.
class SignalWait {
public:
    SignalWait();

    // 0 when the time passed; otherwise the signal that came (SIGCHLD, SIGTERM, SIGINT or
    // SIGHUP).
    int Wait(std::chrono::milliseconds limit);

    static bool IsStop(int signal) {
        return signal == SIGTERM || signal == SIGINT || signal == SIGHUP;
    }

private:
    sigset_t set_{};
};

// The display as the kiosk's child, started without a shell. It runs in a process group of its
// own, so a Ctrl-C in the kiosk's terminal reaches only the kiosk, which passes it on once; and
// it is sent SIGTERM when the kiosk dies, so no display is left behind that a new kiosk could
// not see.
class DisplayChild {
public:
    DisplayChild() = default;
    DisplayChild(const DisplayChild&) = delete;
    DisplayChild& operator=(const DisplayChild&) = delete;

    // Empty when it runs; otherwise why it could not be started.
    std::string Start(const std::string& program, const std::vector<std::string>& args);

    pid_t Pid() const { return pid_; }

    // Never waits: true once it has ended, with its wait status.
    bool Ended(int& status);

    void Send(int signal);

private:
    pid_t pid_ = -1;
};

// "exit status 1", "killed by SIGSEGV".
std::string DescribeEnd(int status);

// "SIGTERM".
std::string SignalName(int signal);

} // namespace zarava::kiosk
