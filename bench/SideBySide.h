#pragma once

// For benchmarks that run the display beside another program at the same time: child
// processes, X screens of their own, and what /proc says of a running process (CPU time,
// resident memory, the context switches of each thread).

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zarava::bench {

// A program started with some variables added to the environment, optionally held to one
// processor; ended with SIGTERM (then SIGKILL) when it goes, and never outliving the benchmark.
class Child {
public:
    Child() = default;
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
          int cpu = -1, int outputFd = -1) {
        // Everything the child needs is made before the fork: after it, only calls that are
        // safe in a copy of a process with threads.
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(env.begin(), env.end(),
                             [&](const std::string& added) { return added.rfind(name, 0) == 0; })) {
                environment.push_back(entry);
            }
        }
        environment.insert(environment.end(), env.begin(), env.end());
        std::vector<char*> argv;
        std::vector<char*> envp;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        for (const std::string& e : environment) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu >= 0 ? cpu : 0, &set);
        pid_ = fork();
        if (pid_ != 0) {
            return;
        }
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (cpu >= 0) {
            sched_setaffinity(0, sizeof set, &set);
        }
        const int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, 0);
        dup2(outputFd >= 0 ? outputFd : quiet, 1);
        dup2(quiet, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    ~Child() { Stop(); }
    Child(Child&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }
    Child& operator=(Child&& other) noexcept {
        std::swap(pid_, other.pid_);
        return *this;
    }

    pid_t Pid() const { return pid_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Asks it to end, waits up to `grace` and kills it then; its exit status, -1 if killed.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(10)) {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
        }
        return Wait(grace);
    }

    // Waits up to `limit` for it to end by itself and kills it then; as Stop.
    int Wait(std::chrono::milliseconds limit) {
        if (pid_ <= 0) {
            return -1;
        }
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

// An Xvfb screen of the given size on a display number it picks itself (nobody else holds it).
class Screen {
public:
    explicit Screen(const std::string& size = "1920x1080x24", int cpu = -1) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        // A black root window: nothing on the screen looks drawn before a program draws.
        server_ = Child({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                         size, "-br", "-nolisten", "tcp"},
                        {}, cpu, -1);
        close(fds[1]);
        // Xvfb writes the number once it accepts connections.
        char text[16] = {};
        std::size_t got = 0;
        while (got < sizeof text - 1) {
            const ssize_t n = read(fds[0], text + got, sizeof text - 1 - got);
            if (n <= 0 || text[got + static_cast<std::size_t>(n) - 1] == '\n') {
                got += n > 0 ? static_cast<std::size_t>(n) : 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        close(fds[0]);
        if (got > 0) {
            name_ = ":" + std::to_string(std::atoi(text));
        }
    }
    bool Ready() const { return !name_.empty(); }
    const std::string& Name() const { return name_; } // ":N"
    // DISPLAY=:N for a program that shows on it.
    std::string Variable() const { return "DISPLAY=" + name_; }

private:
    Child server_;
    std::string name_;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// User and system CPU seconds a process has used, its ended threads included.
inline double CpuSeconds(pid_t pid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A field of /proc/PID/status in kB ("VmRSS", "RssAnon", "RssFile", "RssShmem", "VmHWM").
inline double StatusKb(pid_t pid, const std::string& key) {
    std::istringstream status(ReadText("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stod(line.substr(key.size() + 1));
        }
    }
    return 0;
}

// The context switches of each thread so far (voluntary and not): every one is a time the
// thread went to sleep, or was put aside, and had to be woken again. By thread id, with the
// thread's name.
struct ThreadSwitches {
    std::string name;
    long long switches = 0;
};
inline std::map<int, ThreadSwitches> SwitchesByThread(pid_t pid) {
    std::map<int, ThreadSwitches> threads;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* tasks = opendir(dir.c_str());
    if (tasks == nullptr) {
        return threads;
    }
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::istringstream status(ReadText(dir + "/" + entry->d_name + "/status"));
        ThreadSwitches t;
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Name:", 0) == 0) {
                t.name = line.substr(line.find_first_not_of(" \t", 5));
            } else if (line.find("ctxt_switches:") != std::string::npos) {
                t.switches += std::stoll(line.substr(line.find(':') + 1));
            }
        }
        threads[std::atoi(entry->d_name)] = t;
    }
    closedir(tasks);
    return threads;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace zarava::bench
