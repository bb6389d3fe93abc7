#pragma once

#include "TempFolder.h"
#include "WaitUntil.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zarava::test {

// One of our programs as a real process, its output caught in files of a folder: started with
// its arguments (through setpriv as an unprivileged user when asked), judged by its exit
// status and what it printed. Killed at the end of the test if it still runs.
class ProgramRun {
public:
    struct Setup {
        std::vector<std::string> environment; // NAME=VALUE; empty: the test's own
        std::string folder;                   // the working folder; empty: the test's own
        bool asNobody = false;
    };

    ProgramRun(const TempFolder& output, std::vector<std::string> words, const Setup& setup)
        : out_(output / ("run" + std::to_string(++Runs()))), err_(out_ + ".err") {
        if (setup.asNobody) {
            words.insert(words.begin(),
                         {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> variables = setup.environment;
        std::vector<char*> env;
        for (std::string& variable : variables) {
            env.push_back(variable.data());
        }
        env.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, out_.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_addopen(&files, 2, err_.c_str(), O_WRONLY | O_CREAT, 0644);
        if (!setup.folder.empty()) {
            posix_spawn_file_actions_addchdir_np(&files, setup.folder.c_str());
        }
        if (posix_spawnp(&pid_, argv[0], &files, nullptr, argv.data(),
                         setup.environment.empty() ? environ : env.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&files);
    }
    ProgramRun(const TempFolder& output, std::vector<std::string> words)
        : ProgramRun(output, std::move(words), Setup{}) {}
    ~ProgramRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The exit status; -1 when it did not end in time (or by a signal).
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        int status = 0;
        if (pid_ <= 0 ||
            !WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Signal(int signal) const { ::kill(pid_, signal); }
    pid_t Pid() const { return pid_; }
    std::string Out() const { return ReadBytes(out_); }
    std::string Err() const { return ReadBytes(err_); }

private:
    static int& Runs() {
        static int runs = 0;
        return runs;
    }

    pid_t pid_ = -1;
    std::string out_, err_;
};

} // namespace zarava::test
