// RefreshCallBoard on a queue file of 300 records (a busy clinic's day: served tickets with
// their times, a few being called, the rest waiting), beside the bare read of the same file.
// The refresh reads four settings, the file, works out the boards and draws them; target:
// under 2 ms. The file and zarava.ini are the same at every refresh, so the board's pictures
// are cleared and drawn again without a net change, as when the issuer rewrites an unchanged
// queue.

#include "BenchServices.h"
#include "engine/VirtualTime.h"
#include "files/FileStart.h"
#include "roomdisplay/RoomWindow.h"
#include "text/Cp932.h"
#include "window/Program.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class NullHost final : public zarava::bench::NullHost {
public:
    void PublishWindow(const zarava::WindowChanges& changes) override {
        benchmark::DoNotOptimize(changes.controls.size());
    }
};

std::string Clock(int seconds) {
    return std::to_string(seconds / 3600) + ":" + (seconds / 60 % 60 < 10 ? "0" : "") +
           std::to_string(seconds / 60 % 60) + ":" + (seconds % 60 < 10 ? "0" : "") +
           std::to_string(seconds % 60);
}

// 300 records: 200 served, 10 being called, 90 waiting (every seventh of class 1).
std::string QueueFile() {
    std::string utf8;
    for (int i = 1; i <= 300; ++i) {
        const int issued = 9 * 3600 + i * 60;
        const std::string state = i <= 200 ? "済" : i <= 210 ? "呼" : "";
        const std::string called = state.empty() ? "" : Clock(issued + 600 + i % 13 * 60);
        utf8 += std::to_string(i) + "\t" + Clock(issued) + "\t" + called + "\t" +
                (state.empty() ? "" : std::to_string(i % 12)) + "\t" + state + "\t" +
                std::to_string(100000 + i) + "\t再診\t" + (i % 7 == 0 ? "1" : "0") + "\t\t\t\r\n";
    }
    return zarava::Utf8ToCp932(utf8).value();
}

const char* const kIni =
    "[DAZUZE INFOMATION]\r\nDAZUZE1=Room 1\r\n1TIME CALC=0\r\n"
    "[DISPLAY INFOMATION]\r\nCOUNTER=Counter\r\nMSG TYPE=0\r\n1CALL SOUND=0\r\n"
    "[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n";

struct Folder {
    Folder() {
        char pattern[] = "/tmp/zarava-bench-XXXXXX";
        path = ::mkdtemp(pattern);
        std::filesystem::create_directory(path + "/Temp");
        std::ofstream(path + "/zarava.ini", std::ios::binary) << kIni;
        std::ofstream(path + "/Temp/20240108_1.tmp", std::ios::binary) << QueueFile();
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string path;
};

void BareRead(benchmark::State& state) {
    Folder folder;
    std::string bytes;
    for (auto _ : state) {
        zarava::ReadFileStart(folder.path + "/Temp/20240108_1.tmp", bytes, 1024 * 1024);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BareRead)->Unit(benchmark::kMicrosecond);

void RefreshCallBoard(benchmark::State& state) {
    Folder folder;
    zarava::VirtualTime time;
    NullHost host;
    zarava::bench::Silence sound;
    zarava::bench::NoPrograms programs;
    zarava::Program program({time, time, host, sound, programs}, folder.path);
    program.IniPath = folder.path + "/zarava.ini";
    program.CurrentRoomNo = 1;
    zarava::RoomWindow room(program);
    program.Register(room);
    room.Show();
    program.PublishChanges();
    const std::int64_t sleptBefore = time.Slept(); // the load's retries of missing keys
    for (auto _ : state) {
        room.RefreshCallBoard();
        program.PublishChanges();
    }
    state.counters["target_ms"] = 2;
    state.counters["pauses_ms"] = static_cast<double>(time.Slept() - sleptBefore); // stays 0
}
BENCHMARK(RefreshCallBoard)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
