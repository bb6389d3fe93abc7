#include "qtview/StripWorker.h"

#include "engine/ThreadName.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace zarava {

namespace {

constexpr int kTile = TextStrip::kTileWidth;

int FirstTile(int x) {
    return x <= 0 ? 0 : x / kTile;
}

int EndTile(int x) {
    return x <= 0 ? 0 : static_cast<int>((std::int64_t{x} + kTile - 1) / kTile);
}

} // namespace

class StripWorker::Job {
public:
    Job(const QString& caption, StripStyle style) : strip(caption, style) {}

    TextStrip strip; // only the drawing thread touches it, one at a time (`drawing`)

    // Guarded by the worker's mutex.
    std::map<int, QImage> tiles;
    int nextTile = 0;  // the next tile to draw
    int wantUntil = 0; // tiles below this index are wanted
    int keepFrom = 0;  // tiles below this index are let go
    int urgency = 0;
    bool drawing = false;
    std::optional<int> width;

    // Whether the tile lies wholly beyond the text, once its width is known; tile 0 is drawn
    // even for an empty text.
    bool PastEnd(int tile) const { return width && tile > 0 && tile >= EndTile(*width); }
};

StripWorker::StripWorker(Mode mode, std::function<void()> tilesArrived)
    : mode_(mode), tilesArrived_(std::move(tilesArrived)) {
    if (mode_ == Mode::Background) {
        thread_ = std::thread([this] { Run(); });
    }
}

StripWorker::~StripWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::shared_ptr<StripWorker::Job> StripWorker::Start(const QString& caption, StripStyle style) {
    auto job = std::make_shared<Job>(caption, style);
    std::lock_guard lock(mutex_);
    // Handles the band dropped are cleared out here, so the list stays short.
    std::erase_if(jobs_, [](const std::weak_ptr<Job>& j) { return j.expired(); });
    jobs_.push_back(job);
    return job;
}

void StripWorker::Want(const std::shared_ptr<Job>& job, int from, int until, int urgency) {
    bool moreWanted = false;
    {
        std::lock_guard lock(mutex_);
        job->urgency = urgency;
        job->keepFrom = std::max(job->keepFrom, FirstTile(from));
        const int wantUntil = std::max(EndTile(until), job->keepFrom + 1);
        moreWanted = wantUntil > job->wantUntil;
        job->wantUntil = std::max(job->wantUntil, wantUntil);
        std::erase_if(job->tiles, [&](const auto& tile) { return tile.first < job->keepFrom; });
    }
    if (mode_ == Mode::Background) {
        // The band asks at every frame; the worker is woken only when a tile more is wanted,
        // a few times a pass, and otherwise sleeps.
        if (moreWanted) {
            wake_.notify_one();
        }
        return;
    }
    for (;;) {
        std::optional<Work> work;
        {
            std::lock_guard lock(mutex_);
            work = NextWork();
        }
        if (!work) {
            return;
        }
        Draw(*work);
    }
}

std::map<int, QImage> StripWorker::Tiles(const Job& job, int from, int until) const {
    std::lock_guard lock(mutex_);
    std::map<int, QImage> shown;
    for (auto it = job.tiles.lower_bound(FirstTile(from));
         it != job.tiles.end() && it->first < EndTile(until); ++it) {
        shown.insert(*it);
    }
    return shown;
}

bool StripWorker::Ready(const Job& job, int from, int until) const {
    std::lock_guard lock(mutex_);
    for (int tile = FirstTile(from); tile < std::max(EndTile(until), 1); ++tile) {
        if (!job.tiles.count(tile) && !job.PastEnd(tile)) {
            return false;
        }
    }
    return true;
}

std::optional<int> StripWorker::Width(const Job& job) const {
    std::lock_guard lock(mutex_);
    return job.width;
}

std::optional<StripWorker::Work> StripWorker::NextWork() {
    std::shared_ptr<Job> best;
    for (const std::weak_ptr<Job>& weak : jobs_) {
        std::shared_ptr<Job> job = weak.lock();
        if (!job || job->drawing) {
            continue;
        }
        job->nextTile = std::max(job->nextTile, job->keepFrom);
        if (job->nextTile >= job->wantUntil || job->PastEnd(job->nextTile)) {
            continue;
        }
        if (!best || job->urgency > best->urgency) {
            best = std::move(job);
        }
    }
    if (!best) {
        return std::nullopt;
    }
    best->drawing = true;
    return Work{best, best->nextTile};
}

void StripWorker::Draw(const Work& work) {
    Job& job = *work.job;
    int keepFrom = 0;
    {
        std::lock_guard lock(mutex_);
        keepFrom = job.keepFrom;
    }
    job.strip.ForgetBefore(keepFrom * kTile);
    QImage tile = job.strip.RenderTile(work.tile);
    const std::optional<int> width = job.strip.Width();
    std::lock_guard lock(mutex_);
    job.drawing = false;
    job.width = width;
    job.nextTile = work.tile + 1;
    if (work.tile >= job.keepFrom) {
        job.tiles.emplace(work.tile, std::move(tile));
    }
}

void StripWorker::Run() {
    // The tiles are wanted seconds before they show: the worker gives way to the GUI thread
    // and the engine, whatever priority the program was started with, so drawing a tile never
    // delays a frame on a machine with few cores.
    const sched_param batch{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
    NameThisThread("band tiles");
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    for (;;) {
        std::optional<Work> work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || (work = NextWork()).has_value(); });
            if (stopping_) {
                if (work) {
                    work->job->drawing = false;
                }
                return;
            }
        }
        Draw(*work);
        if (tilesArrived_) {
            tilesArrived_();
        }
    }
}

} // namespace zarava
