#include "app/TickPacer.h"

bool TickPacer::Begin(std::uint64_t nowMs) {
    if (running_) {
        return false;
    }
    if (ranBefore_ && nowMs - ended_ < periodMs_ / 2) {
        return false;
    }
    running_ = true;
    began_ = nowMs;
    return true;
}

bool TickPacer::End(std::uint64_t nowMs) {
    running_ = false;
    ranBefore_ = true;
    ended_ = nowMs;
    return nowMs - began_ >= periodMs_;
}
