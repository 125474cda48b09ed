#pragma once
// The three usage lines of the home page: megabytes and percentages put into the lines'
// formats with the user's number separators.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "memory/Memory.h"

// The user's separators. Digits are grouped in threes.
struct NumberSeparators {
    std::wstring thousand = L",";
    std::wstring decimal = L".";
};

// The format directives the lines use: "%n" (two decimals), "%.<d>n" (d decimals), each
// with thousands separators, and "%%". Arguments are taken in order; a directive without an
// argument left prints nothing, and any other text is copied as it stands.
std::wstring FormatNumbers(std::wstring_view format, std::span<const double> args, const NumberSeparators& separators);

// Bytes as whole megabytes (1048576 bytes), rounded to the nearest with halves to even.
double Megabytes(std::uint64_t bytes);

// A percentage as the bar's position: rounded to the nearest whole number, halves to even.
int BarPosition(float percent);

inline constexpr std::wstring_view kPhysStatusFormat = L"%.0n MB / %.0n MB (%n%% 사용중)";
// The page-file and file-cache lines are never translated.
inline constexpr std::wstring_view kSecondaryStatusFormat = L"%.0n MB (%n%%)";

struct StatusLines {
    std::wstring phys;
    std::wstring page;
    std::wstring work;
    int bar = 0;
};

StatusLines BuildStatusLines(const TMemoryUsage& usage, std::wstring_view physFormat,
                             const NumberSeparators& separators);
