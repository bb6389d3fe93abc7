#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

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
        std::vector<std::string> args{"pulseaudio",
                                      "-n",
                                      "--daemonize=no",
                                      "--exit-idle-time=-1",
                                      "--use-pid-file=no",
                                      "--disable-shm=yes",
                                      "--log-level=0",
                                      "-L",
                                      "module-native-protocol-unix auth-anonymous=1 socket=" +
                                          Socket()};
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            args.push_back("-L");
            args.push_back("module-null-sink sink_name=out" + std::to_string(i) +
                           " sink_properties=device.description=" + outputs_[i]);
        }
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env{"PULSE_RUNTIME_PATH=" + folder_, "HOME=" + folder_};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("HOME=", 0) != 0 && entry.rfind("PULSE_RUNTIME_PATH=", 0) != 0) {
                env.push_back(entry);
            }
        }
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
            execvpe(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        for (int waited = 0; waited < 10000 && pid_ > 0; waited += 20) {
            if (std::filesystem::exists(Socket())) {
                return true;
            }
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1; // it could not start
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
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
