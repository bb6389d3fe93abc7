#pragma once

#include "window/FileWork.h"
#include "window/Program.h"

#include <functional>
#include <memory>
#include <utility>

namespace zarava {

// A window's handler that needs the shared folder, in three parts that never hold up the
// screen: the gather reads what the handler needs on the I/O worker (the handler's reading of
// zarava.ini, and files); then the handler runs on the engine, to its end, with what was found;
// what it leaves to do with files (writes, log lines, a chime) follows on the worker, in order.
// Until its gather is done the handler has not started, so the window's other handlers (its
// blink, keys) go on meanwhile, and it never sees them half done, nor they it. A handler gathers
// once at a time: however long a stalled share holds its gather, no second one starts.
template <typename Input> class GatheredHandler {
public:
    // On the I/O worker: reads only, may be done twice (the retry of a missing setting), and
    // may use only values it was given, never the window.
    using Gather = std::function<Input(SettingsSnapshot&)>;
    // On the engine: the handler, with what was gathered and its file work to come.
    using Handle = std::function<void(Input&, FileWork&)>;

    GatheredHandler(Program& program, Handle handle)
        : program_(program), state_(std::make_shared<State>(std::move(handle))) {}
    // A gather still outstanding is forgotten: the handler will not run.
    ~GatheredHandler() { state_->alive = false; }
    GatheredHandler(const GatheredHandler&) = delete;
    GatheredHandler& operator=(const GatheredHandler&) = delete;

    // Starts the gather; the handler follows once it is done. Not while one is outstanding.
    void Start(Gather gather) {
        state_->outstanding = true;
        FileWork work(program_);
        work.ReadThen<Input>(
            std::move(gather), [state = state_, &program = program_](
                                   Input& found, const FileWork::Settings& settings) {
                program.scheduler.Post(
                    [state, &program, settings, input = std::make_shared<Input>(std::move(found))] {
                        Run(*state, program, *input, settings);
                    });
            });
        work.Submit();
    }

    bool Outstanding() const { return state_->outstanding; }

    // Forgets the gather outstanding, if any: its handler will not run (the window closed).
    void Cancel() {
        state_->alive = false;
        state_ = std::make_shared<State>(state_->handle);
    }

private:
    struct State {
        explicit State(Handle h) : handle(std::move(h)) {}
        Handle handle;
        bool alive = true;        // engine only
        bool outstanding = false; // engine only
    };

    static void Run(State& state, Program& program, Input& input,
                    const FileWork::Settings& settings) {
        if (!state.alive) {
            return;
        }
        state.outstanding = false;
        FileWork effects(program, settings);
        state.handle(input, effects);
        effects.Submit();
    }

    Program& program_;
    std::shared_ptr<State> state_;
};

} // namespace zarava
