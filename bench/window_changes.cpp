// What a room's blink tick costs and what it hands to the screen. A tick that changes nothing
// (the phase stays on, the call shown) must publish nothing and cost under 2 us. A step of the
// shared phase that switches the room's call area on (the room follows it in the same
// handler) hands over only the controls it changed: its bytes are printed beside a copy of the
// whole window, which is what every tick used to hand over.

#include "BenchServices.h"
#include "engine/VirtualTime.h"
#include "roomdisplay/RoomWindow.h"
#include "window/Program.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace zarava;
using bench::NoPrograms;
using bench::NullHost;
using bench::Silence;

std::size_t Bytes(const ControlState& s) {
    return sizeof(ControlState) + (s.caption.capacity() > 15 ? s.caption.capacity() : 0) +
           (s.picture.resource.capacity() > 15 ? s.picture.resource.capacity() : 0);
}

// Counts what the windows hand to the screen.
class CountingHost final : public NullHost {
public:
    std::size_t handOvers = 0;
    std::size_t bytes = 0;
    void PublishWindow(const WindowChanges& changes) override {
        ++handOvers;
        bytes += sizeof(WindowChanges);
        for (const ControlChange& c : changes.controls) {
            bytes += sizeof(ControlChange) - sizeof(ControlState) + Bytes(c.state);
        }
    }
};

// A room with three called tickets on its board, its phase on and the first call shown.
struct Room {
    Room() : program({time, time, time, host, sound, programs}, folder.string()) {
        std::filesystem::create_directories(folder / "temp");
        std::ofstream(folder / "zarava.ini", std::ios::binary)
            << "[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=1\r\n[DISPLAY INFOMATION]\r\n"
               "MSG TYPE=0\r\nCOUNTER=X\r\n";
        std::ofstream queue(folder / "temp" / "20240108_1.tmp", std::ios::binary);
        for (int t = 1; t <= 3; ++t) {
            queue << t << "\t9:00:00\t9:10:00\t" << t << "\t\x8C\xC4\t\t\t0\t\t\t\r\n"; // 呼
        }
        queue.close();
        program.OpenProgramFolder();
        window = std::make_unique<RoomWindow>(program, 1);
        program.Register(*window);
        time.Post([this] {
            SettingsSnapshot settings = program.SettingsInPlace();
            window->Show(settings);
            window->PollQueueFile();
        });
        time.RunPending();
        program.blinkPhase.Advance(); // on: the room follows and shows the first call
        program.PublishChanges();
    }
    ~Room() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("zarava-window-bench-" + std::to_string(getpid()));
    VirtualTime time;
    CountingHost host;
    Silence sound;
    NoPrograms programs;
    Program program;
    std::unique_ptr<RoomWindow> window;
};

void BM_BlinkTickThatChangesNothing(benchmark::State& state) {
    Room room;
    const std::size_t before = room.host.handOvers;
    for (auto _ : state) {
        room.window->BlinkTick();
        room.program.PublishChanges();
    }
    state.counters["handed_over"] = static_cast<double>(room.host.handOvers - before);
    state.counters["target_us"] = 2;
}
BENCHMARK(BM_BlinkTickThatChangesNothing);

void BM_PhaseStepThatSwitchesTheCallAreaOn(benchmark::State& state) {
    Room room;
    std::size_t handOvers = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int step = 0; step < 3; ++step) {
            room.program.blinkPhase.Advance(); // on, on, off
        }
        room.program.PublishChanges();
        const std::size_t countBefore = room.host.handOvers;
        const std::size_t bytesBefore = room.host.bytes;
        state.ResumeTiming();
        room.program.blinkPhase.Advance(); // on again
        room.program.PublishChanges();
        state.PauseTiming();
        handOvers += room.host.handOvers - countBefore;
        bytes += room.host.bytes - bytesBefore;
        state.ResumeTiming();
    }
    std::size_t whole = sizeof(WindowSnapshot);
    for (const ControlState& s : room.window->Snapshot().controls) {
        whole += Bytes(s);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["bytes_handed_over"] = static_cast<double>(bytes) / n;
    state.counters["bytes_whole_window"] = static_cast<double>(whole);
    state.counters["handed_over"] = static_cast<double>(handOvers) / n;
}
BENCHMARK(BM_PhaseStepThatSwitchesTheCallAreaOn);

} // namespace

BENCHMARK_MAIN();
