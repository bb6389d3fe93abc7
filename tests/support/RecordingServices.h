#pragma once

#include "files/ProgramStart.h"
#include "ports/SoundPlayer.h"

#include <string>
#include <vector>

namespace zarava::test {

// Remembers every sound asked for ("" stands for a stop) and tells each listener, before Play
// returns, the events in `answer`: by default the sound starts and plays to its end.
class RecordingSound final : public SoundPlayer {
public:
    std::vector<std::string> played;
    std::vector<SoundEvent> answer = {{SoundEventKind::Started, SoundFailure::None, "", "Speakers",
                                       "PCM 16-bit, 44100 Hz, mono", 1.5, 1.5},
                                      {SoundEventKind::Finished}};

    void Play(const std::string& path, SoundListener listener) override {
        played.push_back(path);
        for (const SoundEvent& event : answer) {
            if (listener) {
                listener(event);
            }
        }
    }
    void Stop() override { played.emplace_back(); }
};

// Remembers every program start; each is started when `result` is true, else it fails for
// `reason`.
class RecordingPrograms final : public ProgramStarter {
public:
    struct Launch {
        std::string program;
        std::string argument;
    };
    std::vector<Launch> started;
    bool result = true;
    std::string reason = "not found";

    StartOutcome Start(const std::string& program, const std::string& argument) override {
        started.push_back({program, argument});
        return result ? StartOutcome{true, program + " " + argument, ""}
                      : StartOutcome{false, "", program + ": " + reason};
    }
};

} // namespace zarava::test
