#include "app/AutoClean.h"

std::optional<std::int64_t> ParseInt64(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == L' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Magnitudes up to 2^63 so that the most negative value parses too.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        unsigned digit;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<unsigned>(c - L'0');
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            digit = static_cast<unsigned>(c - L'a' + 10);
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            digit = static_cast<unsigned>(c - L'A' + 10);
        } else {
            return std::nullopt;
        }
        if (magnitude > (kLimit - digit) / base) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
    }
    if (!negative && magnitude == kLimit) {
        return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(~magnitude + 1) : static_cast<std::int64_t>(magnitude);
}

namespace {

bool ThresholdReached(const AutoCleanRule& rule, float usage) {
    if (!rule.ticked) {
        return false;
    }
    const std::int64_t threshold = ParseInt64(rule.text).value_or(kDefaultThreshold);
    return static_cast<double>(usage) >= static_cast<double>(threshold);
}

bool IntervalPassed(const AutoCleanRule& rule, std::int64_t elapsedSeconds) {
    if (!rule.ticked) {
        return false;
    }
    const std::int64_t minutes = ParseInt64(rule.text).value_or(kDefaultIntervalMinutes);
    // elapsed >= minutes * 60 without the product, which overflows for any text far enough from 0
    // (elapsed seconds are never negative, so the whole minutes compare the same).
    return elapsedSeconds / 60 >= minutes;
}

} // namespace

bool IsAutoCleanDue(const AutoCleanInputs& in) {
    if (in.isRunning) {
        return false;
    }
    const std::int64_t elapsed = SecondsBetween(in.now, in.nextTime);
    if (elapsed < kCooldownSeconds) {
        return false;
    }
    return ThresholdReached(in.phys, in.usagePhys) || ThresholdReached(in.page, in.usagePage) ||
           ThresholdReached(in.work, in.usageWork) || IntervalPassed(in.minute, elapsed);
}
