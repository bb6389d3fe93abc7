#pragma once

#include "platform/ProgramStarter.h"
#include "platform/SoundPlayer.h"

#include <string>
#include <vector>

namespace zarava::test {

// Remembers every sound asked for; "" stands for a stop.
class RecordingSound final : public SoundPlayer {
public:
    std::vector<std::string> played;
    void Play(const std::string& path) override { played.push_back(path); }
    void Stop() override { played.emplace_back(); }
};

// Remembers every program start and answers with `result`.
class RecordingPrograms final : public ProgramStarter {
public:
    struct Start {
        std::string program;
        std::string argument;
        friend bool operator==(const Start&, const Start&) = default;
    };
    std::vector<Start> started;
    bool result = true;
    bool Start(const std::string& program, const std::string& argument) override {
        started.push_back({program, argument});
        return result;
    }
};

} // namespace zarava::test
