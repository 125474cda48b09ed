#pragma once
// The three usage lines of the home page: megabytes and percentages put into the lines'
// formats with the user's number separators.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Texts.h"
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

// A usage as the lines and the bar show it: the used part of a total and its percentage. The
// system's figures need not agree with each other: a 32-bit process under emulation is told the
// physical total modulo 4 GiB with the real free amount, and a snapshot is not atomic. So more
// free than total shows as nothing used (the unsigned difference would wrap to some 17 million
// terabytes, and the percentage computed from it is as wrong), and a percentage outside 0..100
// is held at its nearer end, NaN at 0.
struct ShownUsage {
    std::uint64_t used = 0;
    float percent = 0;

    bool operator==(const ShownUsage&) const = default;
};
ShownUsage ShowUsage(std::uint64_t avail, std::uint64_t total, float percent);

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
// percentage at its decimals), its format or the separators changed. A line is rebuilt into a
// kept buffer, so once the buffers have grown a tick allocates nothing.
class StatusLineCache {
public:
    enum Line : unsigned { kPhys = 1, kPage = 2, kWork = 4 };

    // Returns the lines whose text changed, as a mask of Line; all three on the first call.
    unsigned Update(const TMemoryUsage& usage, std::wstring_view physFormat, const NumberSeparators& separators);

    std::wstring_view Phys() const { return lines_[0].text; }
    std::wstring_view Page() const { return lines_[1].text; }
    std::wstring_view Work() const { return lines_[2].text; }
    int Bar() const { return bar_; }

    // A format taken apart: runs of text copied as they stand (length > 0), and number
    // directives (length 0) with their decimals.
    struct Piece {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        int decimals = 0;
    };

private:
    static constexpr std::size_t kMaxArgs = 3;

    struct CachedLine {
        std::wstring format;
        std::vector<Piece> pieces;
        double scales[kMaxArgs] = {};  // 10^decimals of each figure's directive; 0: not shown
        double printed[kMaxArgs] = {}; // the figures as printed now (see PrintedOf)
        std::wstring text;
        bool current = false; // text and printed figures follow the format and separators
        bool shown = false;   // text has been built once
    };

    void SetFormat(CachedLine& line, std::wstring_view format);
    // Takes the figures; returns whether the line's text changed.
    bool Refresh(CachedLine& line, std::span<const double> figures);

    CachedLine lines_[3];
    NumberSeparators separators_;
    std::wstring scratch_;
    int bar_ = 0;
};
