#pragma once

// The window system, sound and programs of a display nobody looks at, for benchmarks that run
// the core without a screen.

#include "files/ProgramStart.h"
#include "ports/Host.h"
#include "ports/SoundPlayer.h"

#include <string>
#include <vector>

namespace zarava::bench {

class NullHost : public Host {
public:
    std::vector<Rect> Monitors() override { return {{0, 0, 1920, 1080}}; }
    bool AnotherCopyRunning() override { return false; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void MoveCursor(int, int) override {}
    void PublishFrame(const FrameSnapshot&) override {}
    void PublishWindow(const WindowChanges&) override {}
    void EndProcess(int) override {}
};

class Silence final : public SoundPlayer {
public:
    void Play(const std::string&, SoundListener) override {}
    void Stop() override {}
};

class NoPrograms final : public ProgramStarter {
public:
    StartOutcome Start(const std::string& program, const std::string&) override {
        return {true, program, {}};
    }
};

} // namespace zarava::bench
