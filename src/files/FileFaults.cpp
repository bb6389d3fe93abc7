#include "files/FileFaults.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace zarava {

namespace {

struct Laid {
    std::string folder; // with a trailing '/', so that "/a/b" does not cover "/a/bc"
    std::shared_ptr<const FileFaultPlan> plan;
};

// The plans laid, and how many: production code never lays one and reads only the count.
std::atomic<int> laidCount{0};
std::mutex laidMutex;
std::vector<Laid>& LaidPlans() {
    static std::vector<Laid> plans;
    return plans;
}

bool Inside(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0;
}

} // namespace

ScopedFileFaults::ScopedFileFaults(const std::string& folder, FileFaultPlan plan)
    : plan_(std::make_shared<const FileFaultPlan>(std::move(plan))) {
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    std::lock_guard lock(laidMutex);
    LaidPlans().push_back({std::move(prefix), plan_});
    ++laidCount;
}

ScopedFileFaults::~ScopedFileFaults() {
    std::lock_guard lock(laidMutex);
    std::erase_if(LaidPlans(), [&](const Laid& laid) { return laid.plan == plan_; });
    --laidCount;
}

PlannedFault FaultFor(FileOperation operation, const std::string& path) {
    if (laidCount.load(std::memory_order_relaxed) == 0) {
        return {};
    }
    std::shared_ptr<const FileFaultPlan> plan;
    {
        std::lock_guard lock(laidMutex);
        const auto& plans = LaidPlans();
        const auto found = std::find_if(plans.rbegin(), plans.rend(), [&](const Laid& laid) {
            return Inside(path, laid.folder);
        });
        if (found != plans.rend()) {
            plan = found->plan;
        }
    }
    // Asked outside the lock: a plan that stalls holds up only the operation it was asked about.
    return plan && *plan ? (*plan)(operation, path) : PlannedFault{};
}

} // namespace zarava
