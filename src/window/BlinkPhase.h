#pragma once

#include <cstdint>

namespace zarava {

// The blink phase that every room window follows, so that all rooms blink together: a counter
// stepped every 600 ms through 1, 2, 3, 0, 1, ..., "on" while it is not 0. Called numbers
// thus show for 1.8 s and hide for 0.6 s.
class BlinkPhase {
public:
    std::int16_t Counter() const { return counter_; }
    bool On() const { return on_; }

    // One step of the phase.
    void Advance() {
        counter_ = static_cast<std::int16_t>(counter_ >= 3 ? 0 : counter_ + 1);
        on_ = counter_ != 0;
    }

private:
    std::int16_t counter_ = 0;
    bool on_ = false;
};

} // namespace zarava
