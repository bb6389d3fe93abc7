#pragma once

#include "engine/Clock.h"
#include "engine/Dispatcher.h"
#include "engine/IoWorker.h"
#include "engine/Scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace zarava {

// The engine, the clock and the I/O worker for tests and benchmarks: time moves only when the
// test says so, and a whole clinic day runs in milliseconds. The file work runs in the same
// timeline as the handlers, in its own order, and takes no time: a pause it asks for is
// counted but costs the handlers nothing, as on its own thread. A pause anywhere else (a
// handler's in place) moves the time on. A test can hold the file work, as a share that stalls
// every operation would, and release it later. Call everything from one thread.
class VirtualTime final : public Scheduler, public Clock, public IoWorker {
public:
    explicit VirtualTime(LocalDateTime start = {2024, 1, 8, 9, 0, 0, 0});

    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    void Post(std::function<void()> handler) override;

    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;

    void Submit(std::function<void()> work) override;
    void SubmitAfter(int milliseconds, std::function<void()> work) override;
    // Does all the file work now, held or not, delayed work at once.
    void Finish() override;

    // The share stalls: no file work is done until ReleaseFiles. The handlers go on.
    void HoldFiles() { filesHeld_ = true; }
    void ReleaseFiles() { filesHeld_ = false; }
    // Pieces of file work waiting (held, delayed or not yet run).
    std::size_t FileWorkWaiting() const { return files_.size(); }

    // Runs every handler and piece of file work due up to now + ms, in order, then sets the
    // time to now + ms.
    void AdvanceBy(std::int64_t milliseconds);
    // Runs what is due now, and lets time go on just as far as the file work started now needs
    // to end (a settings retry's pause, say), with whatever falls due meanwhile.
    void RunPending();
    // Moves the wall clock to another local time without running anything (a new day, say).
    void SetWallClock(LocalDateTime t);

    // Milliseconds of virtual time since the start.
    std::int64_t Elapsed() const { return now_; }
    // Total of all Sleep calls so far.
    std::int64_t Slept() const { return slept_; }

    // Called after each handler (the production engine hands the windows' changes to the
    // screen there).
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

private:
    struct FileWork {
        std::int64_t at;
        std::uint64_t seq;
        std::function<void()> work;
    };
    // The file work due first, if it may run by the limit.
    std::deque<FileWork>::iterator NextFileWork(std::int64_t limit);
    void RunFileWork(std::deque<FileWork>::iterator it);

    std::int64_t now_ = 0;
    std::int64_t slept_ = 0;
    LocalDateTime wallBase_;
    std::int64_t wallBaseAt_ = 0;
    std::function<void()> afterEach_;
    std::deque<FileWork> files_;
    std::uint64_t fileSeq_ = 0;
    bool filesHeld_ = false;
    bool inFileWork_ = false;
    Dispatcher dispatcher_;
};

} // namespace zarava
