#pragma once
// The three usage lines of the home page: megabytes and percentages put into the lines'
// formats with the user's number separators.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "memory/Memory.h"

// The user's separators. Digits are grouped in threes.
struct NumberSeparators {
    std::wstring thousand = L",";
    std::wstring decimal = L".";

    bool operator==(const NumberSeparators&) const = default;
};

// The format directives the lines use: "%n" (two decimals), "%.<d>n" (d decimals), each
// with thousands separators, and "%%". Arguments are taken in order; a directive without an
// argument left prints nothing, and any other text is copied as it stands. Numbers are rounded
// half away from zero at the last decimal shown.
std::wstring FormatNumbers(std::wstring_view format, std::span<const double> args, const NumberSeparators& separators);

// Bytes as whole megabytes (1048576 bytes), rounded to the nearest with halves to even.
double Megabytes(std::uint64_t bytes);

// A percentage as the bar's position: rounded to the nearest whole number, halves to even;
// beyond int's range the nearest int, NaN 0.
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

// The lines of the last tick, kept from one tick to the next: the texts of BuildStatusLines,
// where a line is rebuilt only when a figure it prints (as printed: whole megabytes, the
// percentage at its decimals), its format or the separators changed. A rebuilt line goes into
// the buffer of the last one, so once the buffers have grown a tick allocates nothing.
class StatusLineCache {
public:
    enum Line : unsigned { kPhys = 1, kPage = 2, kWork = 4 };

    // Returns the lines whose text changed, as a mask of Line; all three on the first call.
    unsigned Update(const TMemoryUsage& usage, std::wstring_view physFormat, const NumberSeparators& separators);

    std::wstring_view Phys() const { return lines_[0].Text(); }
    std::wstring_view Page() const { return lines_[1].Text(); }
    std::wstring_view Work() const { return lines_[2].Text(); }
    int Bar() const { return bar_; }

    // A format taken apart: runs of text copied as they stand, and number directives.
    struct Piece {
        std::uint32_t offset = 0; // of a run, in the format
        std::uint32_t length = 0; // 0: a directive
        int decimals = 0;
    };

private:
    static constexpr std::size_t kMaxArgs = 3;

    struct CachedLine {
        std::wstring format;
        std::vector<Piece> pieces;
        std::size_t args = 0;        // the arguments the line's directives print
        int decimals[kMaxArgs] = {}; // of those directives, in order
        // 10^decimals when every directive shows up to two decimals, 0 for an argument none shows.
        double scales[kMaxArgs] = {};
        bool exact = true;
        // What the directives print now: the magnitude scaled to the decimals and rounded,
        // negated when a minus sign goes before it. Two numbers print alike exactly when these
        // compare equal.
        double printed[kMaxArgs] = {};
        std::wstring text; // a buffer: the line is its first `length` characters
        std::size_t length = 0;
        bool valid = false;

        std::wstring_view Text() const { return {text.data(), length}; }
    };

    void SetSeparators(const NumberSeparators& separators);
    void SetFormat(CachedLine& line, std::wstring_view format, std::size_t args);
    // Takes the figures the line prints now; true when its text changed.
    bool Refresh(CachedLine& line, const double (&printed)[kMaxArgs]);
    bool Rebuild(CachedLine& line);

    CachedLine lines_[3];
    NumberSeparators separators_;
    bool first_ = true;
    int bar_ = 0;
};
