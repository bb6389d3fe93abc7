// Six rooms on a 1920 x 1080 screen, the display and frame_baseline_qt (a minimal Qt program
// that draws the same frame) side by side: both run at the same time, each on an Xvfb of its
// own, for several rounds that swap which starts first (A B, B A, ...). For each program: its
// wake-ups a second (context switches of all its threads, and of each thread), its CPU and its
// resident memory; the figures are the medians of the rounds. Two scenes: "idle", full boards
// where nothing happens, and "live", the issuer simulator calling at 60 times real speed.
// Targets: wake-ups and CPU at most 1.5 times the minimal program's, memory at most 1.2 times.
//
//   six_rooms_qt [--seconds N] [--rounds N] [--scenes idle,live] [--one-core]

#include "SideBySide.h"

#include <cstring>
#include <filesystem>
#include <iconv.h>
#include <set>

namespace {

namespace fs = std::filesystem;
using zarava::bench::Child;
using zarava::bench::Median;
using zarava::bench::Screen;

const char* const kCaption =
    "本日もご来院いただき、誠にありがとうございます。番号をお呼びするまで、待合室で"
    "しばらくお待ち下さい。お呼び出しの際は受付票をお持ちのうえ、表示された窓口までお越し下さい。";

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

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Six rooms, each with fourteen waiting tickets (some of class 1), two being called and a few
// served, so that every board is full and every call area blinks; the band shows kCaption.
void WriteFullBoards(const fs::path& folder) {
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
    WriteFile(folder / "zarava.ini", ToCp932(ini));
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
        WriteFile(folder / "Temp" / ("20240108_" + std::to_string(room) + ".tmp"), ToCp932(q));
    }
}

struct Options {
    int seconds = 60;
    int rounds = 3;
    std::vector<std::string> scenes{"idle", "live"};
    bool oneCore = false;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            o.seconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--rounds" && i + 1 < argc) {
            o.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--scenes" && i + 1 < argc) {
            o.scenes.clear();
            std::stringstream list(argv[++i]);
            for (std::string scene; std::getline(list, scene, ',');) {
                o.scenes.push_back(scene);
            }
        } else if (arg == "--one-core") {
            o.oneCore = true;
        } else {
            std::fprintf(stderr, "usage: six_rooms_qt [--seconds N] [--rounds N] "
                                 "[--scenes idle,live] [--one-core]\n");
            std::exit(2);
        }
    }
    return o;
}

// What one program did in one round.
struct Round {
    double wakeups = 0; // a second, all threads
    double cpu = 0;     // percent of one core
    double rssMb = 0;
    double ownMb = 0;                     // anonymous and shared memory: heap, stacks, pixels
    std::map<std::string, double> thread; // wake-ups a second by thread ("name #n")
};

// Threads by name, numbered in the order they were made when several share a name.
std::map<std::string, long long> NamedSwitches(pid_t pid) {
    std::map<std::string, long long> named;
    std::map<std::string, int> seen;
    for (const auto& [tid, t] : zarava::bench::SwitchesByThread(pid)) {
        const int n = ++seen[t.name];
        named[n == 1 ? t.name : t.name + " #" + std::to_string(n)] = t.switches;
    }
    return named;
}

// Both programs measured over the same seconds.
std::pair<Round, Round> MeasureSideBySide(pid_t a, pid_t b, int seconds) {
    const pid_t pids[2] = {a, b};
    std::map<std::string, long long> before[2];
    double cpuBefore[2];
    for (int i = 0; i < 2; ++i) {
        before[i] = NamedSwitches(pids[i]);
        cpuBefore[i] = zarava::bench::CpuSeconds(pids[i]);
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    Round rounds[2];
    for (int i = 0; i < 2; ++i) {
        Round& r = rounds[i];
        r.cpu = 100 * (zarava::bench::CpuSeconds(pids[i]) - cpuBefore[i]) / seconds;
        for (const auto& [name, switches] : NamedSwitches(pids[i])) {
            const auto old = before[i].find(name);
            const double rate =
                static_cast<double>(switches - (old != before[i].end() ? old->second : 0)) /
                seconds;
            r.thread[name] = rate;
            r.wakeups += rate;
        }
        r.rssMb = zarava::bench::StatusKb(pids[i], "VmRSS") / 1024;
        r.ownMb = (zarava::bench::StatusKb(pids[i], "RssAnon") +
                   zarava::bench::StatusKb(pids[i], "RssShmem")) /
                  1024;
    }
    return {rounds[0], rounds[1]};
}

struct Paths {
    std::string display, baseline, simulator, settings;
};

// One round of a scene: both programs started (in the given order), settled, measured.
std::pair<Round, Round> OneRound(const Paths& paths, const std::string& scene, bool displayFirst,
                                 int seconds, int cpu) {
    char pattern[] = "/tmp/zarava-six-rooms-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    fs::create_directory(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all);
    Child simulator;
    if (scene == "live") {
        // The demo clinic with six rooms, every one open today; the simulator titles them.
        fs::copy_file(ZARAVA_SOURCE_DIR "/demo/zarava.ini", folder / "zarava.ini");
        fs::copy_file(ZARAVA_SOURCE_DIR "/demo/chime.wav", folder / "chime.wav");
        const auto set = [&](const std::string& key, const std::string& value) {
            Child({paths.settings, "--file", (folder / "zarava.ini").string(), "set",
                   "DAZUZE INFOMATION", key, value})
                .Wait(std::chrono::seconds(10));
        };
        set("SHINSATSU", "5");
        for (int room = 1; room <= 6; ++room) {
            set("WEEK" + std::to_string(room), "127");
        }
        simulator = Child({paths.simulator, "--folder", folder.string(), "--rooms", "6", "--speed",
                           "60", "--seed", "7"},
                          {}, cpu);
        std::this_thread::sleep_for(std::chrono::seconds(2));
    } else {
        WriteFullBoards(folder);
    }
    Screen screens[2] = {Screen("1920x1080x24", cpu), Screen("1920x1080x24", cpu)};
    if (!screens[0].Ready() || !screens[1].Ready()) {
        std::fprintf(stderr, "six_rooms_qt: Xvfb did not start\n");
        std::exit(1);
    }
    // A runtime folder of its own: a display running elsewhere for this user must not make
    // this one end as a second copy.
    const std::string runtime = "XDG_RUNTIME_DIR=" + (folder / "run").string();
    const auto startDisplay = [&](const Screen& screen) {
        return Child({paths.display, "--folder", folder.string(), "-tolv"},
                     {screen.Variable(), runtime, "QT_QPA_PLATFORM="}, cpu);
    };
    const auto startBaseline = [&](const Screen& screen) {
        return Child({paths.baseline, std::to_string(seconds + 120), kCaption},
                     {screen.Variable(), "QT_QPA_PLATFORM="}, cpu);
    };
    Child display, baseline;
    if (displayFirst) {
        display = startDisplay(screens[0]);
        baseline = startBaseline(screens[1]);
    } else {
        baseline = startBaseline(screens[0]);
        display = startDisplay(screens[1]);
    }
    // Start-ups are not measured; the live boards fill in the first clinic minutes.
    std::this_thread::sleep_for(std::chrono::seconds(scene == "live" ? 15 : 5));
    if (!display.Running() || !baseline.Running()) {
        std::fprintf(stderr, "six_rooms_qt: a program ended early\n");
        std::exit(1);
    }
    auto measured = MeasureSideBySide(display.Pid(), baseline.Pid(), seconds);
    display.Stop();
    baseline.Stop();
    simulator.Stop();
    fs::remove_all(folder);
    return measured;
}

// The medians of the rounds, per figure and per thread.
Round Medians(const std::vector<Round>& rounds) {
    Round m;
    std::vector<double> w, c, r, o;
    std::set<std::string> names;
    for (const Round& round : rounds) {
        w.push_back(round.wakeups);
        c.push_back(round.cpu);
        r.push_back(round.rssMb);
        o.push_back(round.ownMb);
        for (const auto& [name, rate] : round.thread) {
            names.insert(name);
        }
    }
    m = {Median(w), Median(c), Median(r), Median(o), {}};
    for (const std::string& name : names) {
        std::vector<double> rates;
        for (const Round& round : rounds) {
            const auto it = round.thread.find(name);
            rates.push_back(it != round.thread.end() ? it->second : 0);
        }
        m.thread[name] = Median(rates);
    }
    return m;
}

void PrintThreads(const char* program, const Round& m) {
    std::printf("  %s, wake-ups a second by thread:", program);
    for (const auto& [name, rate] : m.thread) {
        if (rate >= 0.05) {
            std::printf("  %s %.1f;", name.c_str(), rate);
        }
    }
    std::printf("\n");
}

const char* Verdict(double ratio, double target) {
    return ratio <= target ? "met" : "missed";
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const fs::path build = here.parent_path();
    const Paths paths{(build / "app" / "zarava-display").string(),
                      (here / "yardstick" / "frame_baseline_qt").string(),
                      (build / "tools" / "zarava-issuer-sim" / "zarava-issuer-sim").string(),
                      (build / "tools" / "zarava-settings" / "zarava-settings").string()};
    const int cpu = options.oneCore ? 0 : -1;
    std::printf("six rooms at 1920 x 1080, zarava-display beside frame_baseline_qt, each on an "
                "Xvfb of its own, %d s a round, %d rounds a scene, %s\n",
                options.seconds, options.rounds,
                options.oneCore ? "all on one core" : "on every core");
    bool met = true;
    for (const std::string& scene : options.scenes) {
        std::vector<Round> ours, theirs;
        for (int r = 0; r < options.rounds; ++r) {
            const auto [d, b] = OneRound(paths, scene, r % 2 == 0, options.seconds, cpu);
            ours.push_back(d);
            theirs.push_back(b);
            std::printf("  %s round %d: wake-ups %.0f / %.0f a second, CPU %.2f / %.2f %%, RSS "
                        "%.1f / %.1f MB\n",
                        scene.c_str(), r + 1, d.wakeups, b.wakeups, d.cpu, b.cpu, d.rssMb, b.rssMb);
            std::fflush(stdout);
        }
        const Round d = Medians(ours);
        const Round b = Medians(theirs);
        std::printf("%s, medians:            %12s %12s %8s  target\n", scene.c_str(), "display",
                    "baseline", "ratio");
        const auto row = [&](const char* what, double x, double y, double target) {
            const double ratio = x / y;
            met = met && (target <= 0 || ratio <= target);
            std::printf("  %-26s %12.2f %12.2f %7.2fx  %s\n", what, x, y, ratio,
                        target > 0 ? Verdict(ratio, target) : "");
        };
        row("wake-ups a second", d.wakeups, b.wakeups, 1.5);
        row("CPU, % of one core", d.cpu, b.cpu, 1.5);
        row("resident memory, MB", d.rssMb, b.rssMb, 1.2);
        row("  of it own (heap, pixels)", d.ownMb, b.ownMb, 0);
        PrintThreads("display", d);
        PrintThreads("baseline", b);
    }
    std::printf("targets (wake-ups and CPU 1.5x, memory 1.2x): %s\n", met ? "met" : "missed");
    return 0;
}
