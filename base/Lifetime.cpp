#include "base/Lifetime.h"

#include <atomic>

namespace {
std::atomic<bool> gTerminating{false};
}

bool ApplicationTerminating() { return gTerminating.load(); }
void SetApplicationTerminating() { gTerminating.store(true); }
