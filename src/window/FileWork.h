#pragma once

#include "settings/SettingsSnapshot.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarava {

class Program;

// File work of a handler, for the I/O worker: steps done there one after another, after the
// work handed over before, against one reading of zarava.ini (the handler's own, or one taken
// when the work starts). Reads that miss do not make the worker wait: a step that reads is done
// again once the fresh read has been taken, the retry pause later, and the worker does other
// work meanwhile. Steps run on the worker's thread: they touch no window, only files, settings,
// the log, the sound and program starts, with values they were given.
class FileWork {
public:
    using Settings = std::shared_ptr<SettingsSnapshot>;

    explicit FileWork(Program& program, Settings settings = nullptr);

    // A step that reads settings, then acts on what it found. `read` only reads: it may be done
    // twice, before and after the fresh read. `act` is done once.
    template <typename T>
    void ReadThen(std::function<T(SettingsSnapshot&)> read,
                  std::function<void(T&, const Settings&)> act) {
        Add([read = std::move(read), act = std::move(act)](const Settings& settings, bool retried) {
            T found = read(*settings);
            if (settings->WantsRetry() && !retried) {
                return false;
            }
            act(found, settings);
            return true;
        });
    }

    // A step that only acts (writes, updates), done once.
    void Then(std::function<void(SettingsSnapshot&)> step);
    // A setting written back; a write that fails after its retry is logged.
    void WriteSetting(std::string section, std::string key, std::string value);

    // Hands the steps to the I/O worker, once, when they are all there. Nothing is done when
    // there are none.
    void Submit();

private:
    struct Chain;
    // False: the step read a setting that missed, and is to be done again after the fresh read.
    // `retried`: the chain has already waited for one, so the step acts on what it has; however
    // the reading behaves, a chain retries once and ends.
    using Step = std::function<bool(const Settings&, bool retried)>;

    void Add(Step step);
    static void Run(const std::shared_ptr<Chain>& chain);

    std::shared_ptr<Chain> chain_;
};

} // namespace zarava
