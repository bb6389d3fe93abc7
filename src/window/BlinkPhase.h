#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zarava {

// The blink phase that every room window follows, so that all rooms blink together: a counter
// stepped every 600 ms through 1, 2, 3, 0, 1, ..., "on" while it is not 0. Called numbers
// thus show for 1.8 s and hide for 0.6 s.
//
// A room's blink only ever changes something when the phase has just stepped (or when its own
// board was just redrawn), so the rooms follow the steps rather than look at the phase every
// 100 ms: each step tells them, in the step's own handler, and the display does not wake up
// between steps for nothing.
class BlinkPhase {
public:
    class Follower {
    public:
        virtual void FollowBlinkPhase() = 0;

    protected:
        ~Follower() = default;
    };

    std::int16_t Counter() const { return counter_; }
    bool On() const { return on_; }

    // One step of the phase; then every follower hears of it, in the order they came.
    void Advance() {
        counter_ = static_cast<std::int16_t>(counter_ >= 3 ? 0 : counter_ + 1);
        on_ = counter_ != 0;
        const std::vector<Follower*> followers = followers_; // one may leave while it hears
        for (Follower* f : followers) {
            if (std::find(followers_.begin(), followers_.end(), f) != followers_.end()) {
                f->FollowBlinkPhase();
            }
        }
    }

    void Follow(Follower& f) { followers_.push_back(&f); }
    void Unfollow(Follower& f) { std::erase(followers_, &f); }

private:
    std::int16_t counter_ = 0;
    bool on_ = false;
    std::vector<Follower*> followers_;
};

} // namespace zarava
