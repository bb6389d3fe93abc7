#pragma once

#include "ProgramRun.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zarava::test {

// A sound server of the test's own, reached at Address(), with null outputs (the first is the
// default) described by the given names, so a test hears where a sound went and can stop and
// start the server as a session's server stops, crashes or comes late. Without pulseaudio on
// the machine it never runs. Started with a plain fork, which the thread checker follows.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const std::string& folder,
                                std::vector<std::string> outputs = {"ZaravaTestSink"})
        : folder_(folder), outputs_(std::move(outputs)) {}
    ~PrivateSoundServer() { Stop(); }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts it and waits until it answers; false when it cannot run here.
    bool Start() {
        Stop();
        std::string command = "exec pulseaudio -n --daemonize=no --exit-idle-time=-1 "
                              "--use-pid-file=no --disable-shm=yes --log-level=0 -L "
                              "'module-native-protocol-unix auth-anonymous=1 socket=" +
                              Socket() + "'";
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            command += " -L 'module-null-sink sink_name=out" + std::to_string(i) +
                       " sink_properties=device.description=" + outputs_[i] + "'";
        }
        std::vector<std::string> env =
            Environment({"PULSE_RUNTIME_PATH=" + folder_, "HOME=" + folder_});
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::filesystem::remove(Socket());
        pid_ = fork();
        if (pid_ == 0) {
            // Gone with the test, even one that crashed: it must not outlive the test holding
            // on to the test runner's output.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execle("/bin/sh", "sh", "-c", command.c_str(), nullptr, envp.data());
            _exit(127);
        }
        const bool up = WaitUntil([this] {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1; // it could not start
            }
            return pid_ <= 0 || std::filesystem::exists(Socket());
        });
        return up && pid_ > 0;
    }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    // What PULSE_SERVER names for clients of this server.
    std::string Address() const { return "unix:" + Socket(); }

    // Makes the output of that number the default, as a user does in the desktop's settings;
    // false without pactl.
    bool ChooseOutput(int number) const {
        const std::string command = "pactl --server " + Address() + " set-default-sink out" +
                                    std::to_string(number) + " 2>/dev/null";
        return std::system(command.c_str()) == 0;
    }

private:
    std::string Socket() const { return folder_ + "/sound"; }

    std::string folder_;
    std::vector<std::string> outputs_;
    pid_t pid_ = -1;
};

} // namespace zarava::test
