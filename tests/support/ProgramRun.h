#pragma once

#include "TempFolder.h"
#include "WaitUntil.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace zarava::test {

// One of our programs as a real process, its output caught in files of a folder: started with
// its arguments (through setpriv as an unprivileged user when asked), judged by its exit
// status and what it printed. Killed at the end of the test if it still runs. On Windows the
// arguments go through the UTF-16 command line, and the environment and another user are the
// test's own.
class ProgramRun {
public:
    struct Setup {
        std::vector<std::string> environment; // NAME=VALUE; empty: the test's own
        std::string folder;                   // the working folder; empty: the test's own
        bool asNobody = false;
    };

    ProgramRun(const TempFolder& output, std::vector<std::string> words, const Setup& setup)
        : out_(output / ("run" + std::to_string(++Runs()))), err_(out_ + ".err") {
        Start(std::move(words), setup);
    }
    ProgramRun(const TempFolder& output, std::vector<std::string> words)
        : ProgramRun(output, std::move(words), Setup{}) {}
    ~ProgramRun() { Kill(); }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The exit status; -1 when it did not end in time (or by a signal).
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20));
    std::string Out() const { return ReadBytes(out_); }
    std::string Err() const { return ReadBytes(err_); }

#ifndef _WIN32
    void Signal(int signal) const {
        ::kill(pid_, signal);
    }
    pid_t Pid() const {
        return pid_;
    }
#endif

private:
    static std::atomic<int>& Runs() {
        static std::atomic<int> runs{0};
        return runs;
    }
    void Start(std::vector<std::string> words, const Setup& setup);
    void Kill();

    std::string out_, err_;
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
};

#ifdef _WIN32

// One word of a command line, quoted: the tests' words hold no quote and end in no backslash,
// which the program's runtime would read otherwise.
inline std::wstring QuotedWord(const std::wstring& word) {
    return L"\"" + word + L"\"";
}

inline HANDLE InheritedFile(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    return CreateFileW(PathOf(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline void ProgramRun::Start(std::vector<std::string> words, const Setup& setup) {
    std::wstring line;
    for (const std::string& word : words) {
        line += (line.empty() ? L"" : L" ") + QuotedWord(PathOf(word).wstring());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = InheritedFile("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = InheritedFile(out_, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = InheritedFile(err_, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION started{};
    const std::wstring folder = PathOf(setup.folder).wstring();
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        CloseHandle(started.hThread);
        process_ = started.hProcess;
    }
    for (const HANDLE file : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        CloseHandle(file);
    }
}

inline int ProgramRun::Wait(std::chrono::milliseconds limit) {
    DWORD status = 0;
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &status)) {
        return -1;
    }
    CloseHandle(std::exchange(process_, nullptr));
    return static_cast<int>(status);
}

inline void ProgramRun::Kill() {
    if (process_ != nullptr) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
    }
}

#else

inline void ProgramRun::Start(std::vector<std::string> words, const Setup& setup) {
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

inline int ProgramRun::Wait(std::chrono::milliseconds limit) {
    int status = 0;
    if (pid_ <= 0 || !WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) {
        return -1;
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline void ProgramRun::Kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

// The test's own environment with the given variables set ("NAME=value") or removed ("NAME").
inline std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    const auto name = [](const std::string& v) { return v.substr(0, v.find('=')); };
    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string v = *e;
        if (std::none_of(changes.begin(), changes.end(),
                         [&](const std::string& c) { return name(c) == name(v); })) {
            variables.push_back(v);
        }
    }
    std::copy_if(changes.begin(), changes.end(), std::back_inserter(variables),
                 [&](const std::string& c) { return c != name(c); });
    return variables;
}

#endif

} // namespace zarava::test
