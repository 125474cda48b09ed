#include "widgets/Placement.h"

#include <algorithm>
#include <limits>

namespace placement {

bool IsMonitorDpi(unsigned xDpi, unsigned yDpi) {
    return xDpi == yDpi && xDpi >= kMinMonitorDpi && xDpi <= kMaxMonitorDpi;
}

namespace {

// The start of a span of `length` moved into [low, high): by as little as it takes, and to
// `low` when it does not fit. In 64 bits: the rectangle's values come from a message.
long long FitSpan(long long start, long long length, long long low, long long high) {
    if (start + length > high) {
        start = high - length;
    }
    if (start < low) {
        start = low;
    }
    return start;
}

} // namespace

Rect FitIntoWorkArea(int left, int top, int width, int height, const Rect& work) {
    long long x = left, y = top;
    if (work.right > work.left && work.bottom > work.top) {
        x = FitSpan(x, width, work.left, work.right);
        y = FitSpan(y, height, work.top, work.bottom);
    }
    // Whatever was wanted, the rectangle stays within what a RECT holds.
    constexpr long long kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    x = std::clamp(x, kMin, kMax - width);
    y = std::clamp(y, kMin, kMax - height);
    return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + width), static_cast<int>(y + height)};
}

} // namespace placement
