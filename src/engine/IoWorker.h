#pragma once

#include <functional>

namespace zarava {

// Where the handlers' file work is done: reading the shared folder before a handler, writing,
// logging and sounding after it. Never on the engine, so a share that holds a file call for
// seconds holds up only this work, never the blink or the band. One piece of work at a time, in
// the order submitted; work submitted with a delay joins that order once it is due, and the
// worker goes on with other work meanwhile. Production runs a thread of its own; tests run the
// work in virtual time and can hold it, as a stalled share would.
class IoWorker {
public:
    virtual ~IoWorker() = default;

    // From any thread, the worker's own included.
    virtual void Submit(std::function<void()> work) = 0;
    virtual void SubmitAfter(int milliseconds, std::function<void()> work) = 0;

    // Does everything submitted so far and what it submits in turn, delayed work at once, and
    // returns when it is done: the close, which must leave nothing half done. Not from the
    // worker itself.
    virtual void Finish() = 0;
};

} // namespace zarava
