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
    // and not the first one within half a period of a long tick's end, which the timer kept due
    // during that tick. A tick the timer delivered late (a busy system) costs no later one.
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
    bool rearmed_ = false; // the last tick was long: the timer was started again at its end
};
