#pragma once
// Whether the once-a-second tick starts an automatic clean: a ticked usage threshold reached
// or the interval passed, never within 300 seconds of the reference time, never during a job.

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/DateTime.h"

struct AutoCleanRule {
    bool ticked = false;
    std::wstring_view text; // the drop-down list's text: a percentage or a number of minutes
};

struct AutoCleanInputs {
    float usagePhys = 0;
    float usagePage = 0;
    float usageWork = 0;
    AutoCleanRule phys, page, work, minute;
    TDateTime nextTime = 0;
    TDateTime now = 0;
    bool isRunning = false;
};

inline constexpr std::int64_t kCooldownSeconds = 300;
inline constexpr std::int64_t kDefaultThreshold = 100; // a list without a usable text
inline constexpr std::int64_t kDefaultIntervalMinutes = 1440;

bool IsAutoCleanDue(const AutoCleanInputs& in);

// A 64-bit integer the way the list texts are read: optional leading blanks, an optional sign,
// decimal digits or "$"/"0x" hexadecimal; nothing else may follow. nullopt when it does not parse.
std::optional<std::int64_t> ParseInt64(std::wstring_view text);
