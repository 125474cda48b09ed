#include "app/TickPacer.h"

bool TickPacer::Begin(std::uint64_t nowMs) {
    if (running_) {
        return false;
    }
    const bool stale = rearmed_ && nowMs - ended_ < periodMs_ / 2;
    rearmed_ = false;
    if (stale) {
        return false;
    }
    running_ = true;
    began_ = nowMs;
    return true;
}

bool TickPacer::End(std::uint64_t nowMs) {
    running_ = false;
    ended_ = nowMs;
    rearmed_ = nowMs - began_ >= periodMs_;
    return rearmed_;
}
