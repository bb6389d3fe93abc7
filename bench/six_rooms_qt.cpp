// Six rooms blinking with full boards on a 1920 x 1080 screen for a minute: CPU time and
// resident memory of the display beside frame_baseline_qt, a minimal Qt program showing the
// same frame, band and six panes. Targets: at most 1.5 times its CPU and 1.2 times its memory.
// Runs on the screen in DISPLAY; without one it starts an Xvfb of that size for the run.
//
//   six_rooms_qt [SECONDS]

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <iconv.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

const char* const kCaption =
    "本日もご来院いただき、誠にありがとうございます。番号をお呼びするまで、待合室で"
    "しばらくお待ち下さい。お呼び出しの際は受付票をお持ちのうえ、表示された窓口までお越し下さい。";

// Six rooms, each with fourteen waiting tickets (some of class 1), two being called and a few
// served, so that every board is full and every call area blinks.
void WriteClinic(const fs::path& folder) {
    fs::create_directories(folder / "Temp");
    std::string ini = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n";
    for (int room = 1; room <= 6; ++room) {
        ini += "DAZUZE" + std::to_string(room) + "=第" + std::to_string(room) + "診察室\r\n" +
               std::to_string(room) + "TIME CALC=" + (room % 2 ? "4" : "0") + "\r\n";
    }
    ini += std::string("[DISPLAY INFOMATION]\r\nMSSG 3=") + kCaption +
           "\r\nMSG TYPE=0\r\nCOUNTER=番窓口\r\nMESSAGE INFO=31\r\nTYPE=0\r\n";
    for (int room = 1; room <= 6; ++room) {
        ini += std::to_string(room) + "CALL SOUND=0\r\n";
    }
    ini +=
        "[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n[ZARAVA1 INFOMATION]\r\nSHOP COLOR=0\r\n";
    std::ofstream(folder / "zarava.ini", std::ios::binary) << ToCp932(ini);
    for (int room = 1; room <= 6; ++room) {
        std::string q;
        const int first = 100 * room;
        for (int i = 0; i < 20; ++i) {
            const std::string state = i < 4 ? "済" : i < 6 ? "呼" : "";
            q += std::to_string(first + i) + "\t9:" + (i < 10 ? "0" : "") + std::to_string(i) +
                 "\t" + (state.empty() ? "" : "9:3" + std::to_string(i % 10)) + "\t" +
                 (state.empty() ? "" : std::to_string(i + 1)) + "\t" + state + "\t\t\t" +
                 (i % 5 == 0 ? "1" : "0") + "\t\t\t\r\n";
        }
        std::ofstream(folder / "Temp" / ("20240108_" + std::to_string(room) + ".tmp"),
                      std::ios::binary)
            << ToCp932(q);
    }
}

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

// User and system CPU seconds of a running process.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Resident memory in MB, and its peak.
std::pair<double, double> ResidentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    double rss = 0, peak = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            rss = std::stod(line.substr(6)) / 1024;
        } else if (line.rfind("VmHWM:", 0) == 0) {
            peak = std::stod(line.substr(6)) / 1024;
        }
    }
    return {rss, peak};
}

struct Measured {
    double cpuPercent;
    double rss;
    double peak;
};

Measured Measure(const std::vector<std::string>& args, int seconds) {
    const pid_t pid = Spawn(args);
    if (pid < 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::seconds(5)); // start-up is not measured
    const double before = CpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double after = CpuSeconds(pid);
    const auto [rss, peak] = ResidentMb(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return {100 * (after - before) / seconds, rss, peak};
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const std::string display = (here.parent_path() / "app" / "zarava-display").string();
    const std::string baseline = (here / "frame_baseline_qt").string();

    pid_t xvfb = -1;
    if (getenv("DISPLAY") == nullptr || *getenv("DISPLAY") == '\0') {
        int n = 90;
        while (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
            ++n;
        }
        xvfb = Spawn({"/usr/bin/Xvfb", ":" + std::to_string(n), "-screen", "0", "1920x1080x24",
                      "-nolisten", "tcp"});
        for (int i = 0; i < 50 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        setenv("DISPLAY", (":" + std::to_string(n)).c_str(), 1);
    }
    unsetenv("QT_QPA_PLATFORM");

    char pattern[] = "/tmp/zarava-six-rooms-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    WriteClinic(folder);
    // A runtime folder of our own: a display running elsewhere for this user must not make
    // ours end as a second copy.
    fs::create_directory(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);

    std::printf("Six rooms at 1920 x 1080 on %s, %d s each, one after the other\n",
                getenv("DISPLAY"), seconds);
    const Measured ours = Measure(
        {display, "--folder", folder.string(), "--after", std::to_string(seconds + 30), "-tolv"},
        seconds);
    const Measured base = Measure({baseline, std::to_string(seconds + 30), kCaption}, seconds);
    std::printf("%-22s %10s %10s %10s\n", "", "CPU %", "RSS MB", "peak MB");
    std::printf("%-22s %10.2f %10.1f %10.1f\n", "zarava-display", ours.cpuPercent, ours.rss,
                ours.peak);
    std::printf("%-22s %10.2f %10.1f %10.1f\n", "frame_baseline_qt", base.cpuPercent, base.rss,
                base.peak);
    std::printf("%-22s %10.2f %10.2f %10s\n", "ratio (target 1.5/1.2)",
                ours.cpuPercent / base.cpuPercent, ours.rss / base.rss, "");

    fs::remove_all(folder);
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return 0;
}
