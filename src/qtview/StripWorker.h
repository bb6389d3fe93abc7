#pragma once

#include "qtview/TextStrip.h"

#include <QImage>
#include <QString>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zarava {

// Draws the tiles of the band's captions ahead of the band on a thread of its own, so that no
// frame waits for text layout, however long the caption. The band says which stretch of a
// strip it will show soon; the worker draws the tiles of that stretch, keeps them until the
// band has moved past, and then sleeps. Callable from any thread.
class StripWorker {
public:
    enum class Mode {
        Background, // a thread of its own
        Inline,     // at once, by the thread that asks (for tests: the same pictures, no waiting)
    };
    // One caption in one style, being drawn.
    class Job;

    // `tilesArrived` is called on the worker's thread after it has drawn tiles.
    explicit StripWorker(Mode mode, std::function<void()> tilesArrived = {});
    ~StripWorker();
    StripWorker(const StripWorker&) = delete;
    StripWorker& operator=(const StripWorker&) = delete;

    // Starts a strip; nothing is drawn until its tiles are wanted. Dropping the handle stops it.
    std::shared_ptr<Job> Start(const QString& caption, StripStyle style);

    // Asks for the tiles covering device pixels [from, until) of the strip, sooner than those of
    // jobs asked with a lower urgency, and lets the tiles left of `from` go.
    void Want(const std::shared_ptr<Job>& job, int from, int until, int urgency);

    // The tiles of [from, until) drawn so far, by index; pictures beyond the text's end are
    // not drawn and not listed.
    std::map<int, QImage> Tiles(const Job& job, int from, int until) const;

    // Whether every tile of [from, until) is drawn or lies beyond the end of the text.
    bool Ready(const Job& job, int from, int until) const;

    // The width of the text once known.
    std::optional<int> Width(const Job& job) const;

private:
    struct Work {
        std::shared_ptr<Job> job;
        int tile = 0;
    };
    std::optional<Work> NextWork(); // with the lock held
    void Draw(const Work& work);
    void Run();

    const Mode mode_;
    std::function<void()> tilesArrived_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::weak_ptr<Job>> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last: it starts once everything else is in place
};

} // namespace zarava
