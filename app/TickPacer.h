#pragma once
// The pace of the status ticks under one periodic timer. Stopping the timer at the start of every
// tick and starting it again at the end gave two things, kept here without re-arming the timer
// every second: ticks never overlap (a tick inside which messages are pumped, by a modal loop,
// meets no second tick), and a tick that ran long is not followed at once by the tick the timer
// kept for it meanwhile: the next one comes a full period after it ended.

#include <cstdint>

class TickPacer {
public:
    explicit TickPacer(std::uint64_t periodMs) : periodMs_(periodMs) {}

    // Whether the tick the timer gives at `nowMs` (a monotonic clock) runs: not while one runs,
    // and not within half a period of the last one's end, the tick a long one left due.
    bool Begin(std::uint64_t nowMs);
    // The tick that began ended at `nowMs`. True when it ran for a period or more: the timer is
    // then started again, so its next tick is a full period away.
    bool End(std::uint64_t nowMs);

    bool Running() const { return running_; }

private:
    std::uint64_t periodMs_;
    std::uint64_t began_ = 0;
    std::uint64_t ended_ = 0;
    bool running_ = false;
    bool ranBefore_ = false;
};
