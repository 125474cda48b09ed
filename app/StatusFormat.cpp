#include "app/StatusFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

using Piece = StatusLineCache::Piece;

// A number as printed: its magnitude scaled to the decimals shown and rounded, negated when a
// minus sign goes before it (-0 prints no sign). Two numbers print alike exactly when these
// compare equal.
using Printed = double;

//--- rounding

// Below 2^52 a double's fraction x - trunc(x) is exact; from there on every double is whole.
constexpr double kWholeFrom = 4503599627370496.0; // 2^52

// std::round for 0 <= x < 2^52, inline.
double RoundHalfAway(double x) {
    const double whole = static_cast<double>(static_cast<std::int64_t>(x));
    return x - whole >= 0.5 ? whole + 1 : whole;
}

// std::nearbyint in the default rounding mode, inline.
double RoundHalfEven(double x) {
    if (!(std::fabs(x) < kWholeFrom)) {
        return std::nearbyint(x);
    }
    std::int64_t whole = static_cast<std::int64_t>(x);
    const double fraction = x - static_cast<double>(whole);
    const bool odd = (whole & 1) != 0;
    if (fraction > 0.5 || (fraction == 0.5 && odd)) {
        ++whole;
    } else if (fraction < -0.5 || (fraction == -0.5 && odd)) {
        --whole;
    }
    return std::copysign(static_cast<double>(whole), x);
}

// Bytes / 1048576 in doubles, rounded half to even: integers give the same for every count
// below 2^53, which a double holds exactly.
double WholeMegabytes(std::uint64_t bytes) {
    if (bytes >> 53 != 0) {
        return std::nearbyint(static_cast<double>(bytes) / 1048576.0);
    }
    constexpr std::uint64_t kHalf = 1048576 / 2;
    std::uint64_t megabytes = bytes >> 20;
    const std::uint64_t rest = bytes & (1048576 - 1);
    if (rest > kHalf || (rest == kHalf && (megabytes & 1) != 0)) {
        ++megabytes;
    }
    return static_cast<double>(static_cast<std::int64_t>(megabytes));
}

//--- numbers as printed

// Any value at any number of decimals. One whose scaled magnitude is out of a double's range
// (beyond 1e209 at 99 decimals) prints as 0, like the infinities.
Printed PrintedOf(double value, int decimals) {
    const double scaled = std::round(std::fabs(value) * std::pow(10.0, decimals));
    if (!std::isfinite(scaled)) {
        return 0;
    }
    return value < 0 ? -scaled : scaled;
}

// The status lines' figures at up to two decimals, `scale` being 10^decimals (0 for a figure no
// directive shows). Whole megabytes (below 2^44 + 1) and floats times 100 are doubles without
// rounding, so rounding inline gives std::round's result, also where x87 would keep an inexact
// product in extended precision.
Printed PrintedMegabytes(std::uint64_t bytes, double scale) { return WholeMegabytes(bytes) * scale; }

Printed PrintedLargePercent(double value, double scale) {
    if (!std::isfinite(value)) {
        return 0;
    }
    return value * scale;
}

Printed PrintedPercent(float percent, double scale) {
    const double value = percent;
    const double magnitude = std::fabs(value) * scale;
    if (!(magnitude < kWholeFrom)) {
        return PrintedLargePercent(value, scale);
    }
    const double scaled = RoundHalfAway(magnitude);
    return value < 0 ? -scaled : scaled;
}

//--- writing numbers

// Printed magnitudes below this, at up to two decimals, are written from integers. Written in
// doubles (AppendLarge) they come out the same there: a quotient by 10 or 100 below 2^40 is
// further from the next integer than its rounding error.
constexpr double kExactBelow = 1099511627776.0; // 2^40
constexpr int kExactDecimals = 2;
constexpr double kScales[] = {1, 10, 100};
constexpr std::uint64_t kPowersOfTen[] = {1,           10,           100,           1000,          10000,
                                          100000,      1000000,      10000000,      100000000,     1000000000,
                                          10000000000, 100000000000, 1000000000000, 10000000000000};
// Thousands separators in a number of that many whole digits.
constexpr std::size_t kSeparatorsIn[] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4};
// Room for one number written from integers: sign, 13 digits, four thousands separators and
// the decimal one, each of at most kMaxSeparator characters.
constexpr std::size_t kMaxSeparator = 4;
constexpr std::size_t kMaxExactNumber = 1 + 13 + 5 * kMaxSeparator;

bool SeparatorsFit(const NumberSeparators& separators) {
    return separators.thousand.size() <= kMaxSeparator && separators.decimal.size() <= kMaxSeparator;
}

bool WrittenExactly(Printed printed, int decimals) {
    return decimals <= kExactDecimals && std::fabs(printed) < kExactBelow;
}

wchar_t* Copy(wchar_t* out, const wchar_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = text[i];
    }
    return out + length;
}

// The last digit of `value`, which loses it. Below 2^32 by a multiplication (n / 10 is
// n * 0xCCCCCCCD >> 35 there): at -Os GCC would divide.
wchar_t NextDigit(std::uint64_t& value) {
    std::uint64_t tenth;
    if (value <= 0xFFFFFFFFu) {
        tenth = (value * 0xCCCCCCCDu) >> 35;
    } else {
        tenth = value / 10;
    }
    const wchar_t digit = static_cast<wchar_t>(L'0' + (value - tenth * 10));
    value = tenth;
    return digit;
}

// A number in the integer range at `out`, written from its last digit back, separators
// included. Returns the end.
wchar_t* WriteExact(wchar_t* out, Printed printed, int decimals, const NumberSeparators& separators) {
    std::uint64_t value = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::fabs(printed)));
    // At least one whole digit: 5 at two decimals is 0.05.
    std::size_t digits = static_cast<std::size_t>(decimals) + 1;
    while (digits < std::size(kPowersOfTen) && value >= kPowersOfTen[digits]) {
        ++digits;
    }
    const std::size_t whole = digits - static_cast<std::size_t>(decimals);
    const std::size_t length = (printed < 0 ? 1 : 0) + digits + kSeparatorsIn[whole] * separators.thousand.size() +
                               (decimals > 0 ? separators.decimal.size() : 0);
    wchar_t* const end = out + length;
    wchar_t* first = end;
    if (decimals > 0) {
        for (int i = 0; i < decimals; ++i) {
            *--first = NextDigit(value);
        }
        first -= separators.decimal.size();
        Copy(first, separators.decimal.data(), separators.decimal.size());
    }
    for (std::size_t i = 0, group = 0; i < whole; ++i, ++group) {
        if (group == 3) {
            first -= separators.thousand.size();
            Copy(first, separators.thousand.data(), separators.thousand.size());
            group = 0;
        }
        *--first = NextDigit(value);
    }
    if (printed < 0) {
        *--first = L'-';
    }
    return end;
}

// Any magnitude, any number of decimals: the whole part and the fraction taken apart in doubles.
void AppendLarge(std::wstring& out, Printed printed, int decimals, const NumberSeparators& separators) {
    const double scaled = std::fabs(printed);
    const double scale = std::pow(10.0, decimals);
    double wholePart = std::floor(scaled / scale);
    double fractionPart = scaled - wholePart * scale;

    std::wstring digits;
    do {
        const double q = std::floor(wholePart / 10);
        digits += static_cast<wchar_t>(L'0' + static_cast<int>(wholePart - q * 10));
        wholePart = q;
    } while (wholePart >= 1);
    std::reverse(digits.begin(), digits.end());

    if (printed < 0) {
        out += L'-';
    }
    const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        out += separators.thousand;
        out.append(digits, i, 3);
    }
    if (decimals > 0) {
        out += separators.decimal;
        std::wstring fraction(static_cast<std::size_t>(decimals), L'0');
        for (int i = decimals - 1; i >= 0; --i) {
            const double q = std::floor(fractionPart / 10);
            fraction[static_cast<std::size_t>(i)] =
                static_cast<wchar_t>(L'0' + static_cast<int>(fractionPart - q * 10));
            fractionPart = q;
        }
        out += fraction;
    }
}

void AppendNumber(std::wstring& out, Printed printed, int decimals, const NumberSeparators& separators) {
    if (WrittenExactly(printed, decimals) && SeparatorsFit(separators)) {
        wchar_t number[kMaxExactNumber];
        out.append(number, WriteExact(number, printed, decimals, separators));
    } else {
        AppendLarge(out, printed, decimals, separators);
    }
}

//--- formats and lines

void AddRun(std::vector<Piece>& pieces, std::size_t offset) {
    if (!pieces.empty() && pieces.back().length != 0 && pieces.back().offset + pieces.back().length == offset) {
        ++pieces.back().length;
        return;
    }
    pieces.push_back({static_cast<std::uint32_t>(offset), 1, 0});
}

// "%n", "%.<d>n" (one or two digits d), "%%"; any other '%' is text.
std::vector<Piece> ParseFormat(std::wstring_view format) {
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            AddRun(pieces, i);
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            AddRun(pieces, i + 1);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int decimals = 2;
        if (j < format.size() && format[j] == L'.') {
            ++j;
            const std::size_t start = j;
            int value = 0;
            while (j < format.size() && format[j] >= L'0' && format[j] <= L'9' && j - start < 2) {
                value = value * 10 + (format[j] - L'0');
                ++j;
            }
            if (j == start) {
                AddRun(pieces, i);
                continue;
            }
            decimals = value;
        }
        if (j < format.size() && (format[j] == L'n' || format[j] == L'N')) {
            pieces.push_back({0, 0, decimals});
            i = j;
            continue;
        }
        AddRun(pieces, i);
    }
    return pieces;
}

// The line on the heap: any format, any numbers, any separators.
void AppendLine(std::wstring& out, std::wstring_view format, const std::vector<Piece>& pieces,
                std::span<const Printed> printed, const NumberSeparators& separators) {
    std::size_t next = 0;
    for (const Piece& piece : pieces) {
        if (piece.length != 0) {
            out.append(format.data() + piece.offset, piece.length);
        } else if (next < printed.size()) {
            AppendNumber(out, printed[next++], piece.decimals, separators);
        }
    }
}

// The line into `out` when it surely fits in `room` characters and every number is written
// from integers. Returns the end, or nullptr when it does not qualify (`out` may then hold
// part of the line).
wchar_t* WriteLine(wchar_t* out, std::size_t room, std::wstring_view format, const std::vector<Piece>& pieces,
                   std::span<const Printed> printed, const NumberSeparators& separators) {
    if (format.size() + printed.size() * kMaxExactNumber > room || !SeparatorsFit(separators)) {
        return nullptr;
    }
    std::size_t next = 0;
    for (const Piece& piece : pieces) {
        if (piece.length != 0) {
            out = Copy(out, format.data() + piece.offset, piece.length);
        } else if (next < printed.size()) {
            if (!WrittenExactly(printed[next], piece.decimals)) {
                return nullptr;
            }
            out = WriteExact(out, printed[next++], piece.decimals, separators);
        }
    }
    return out;
}

// Equal texts, compared eight bytes at a time: the tick compares the format and both
// separators every second.
bool SameText(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const std::size_t bytes = a.size() * sizeof(wchar_t);
    if (bytes < 8) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }
    const char* x = reinterpret_cast<const char*>(a.data());
    const char* y = reinterpret_cast<const char*>(b.data());
    std::uint64_t u, v;
    for (std::size_t i = 0; i + 8 < bytes; i += 8) {
        std::memcpy(&u, x + i, 8);
        std::memcpy(&v, y + i, 8);
        if (u != v) {
            return false;
        }
    }
    // The last eight bytes, overlapping the last block when the length is not a multiple of 8.
    std::memcpy(&u, x + bytes - 8, 8);
    std::memcpy(&v, y + bytes - 8, 8);
    return u == v;
}

} // namespace

std::wstring FormatNumbers(std::wstring_view format, std::span<const double> args, const NumberSeparators& separators) {
    const std::vector<Piece> pieces = ParseFormat(format);
    std::vector<Printed> printed;
    printed.reserve(args.size());
    for (const Piece& piece : pieces) {
        if (piece.length == 0 && printed.size() < args.size()) {
            printed.push_back(PrintedOf(args[printed.size()], piece.decimals));
        }
    }
    std::wstring out;
    AppendLine(out, format, pieces, printed, separators);
    return out;
}

double Megabytes(std::uint64_t bytes) { return WholeMegabytes(bytes); }

int BarPosition(float percent) {
    const double position = RoundHalfEven(static_cast<double>(percent));
    // A broken snapshot can give any float: out of int's range the cast would be undefined.
    if (!(position > std::numeric_limits<int>::min())) {
        return position < 0 ? std::numeric_limits<int>::min() : 0;
    }
    return position < std::numeric_limits<int>::max() ? static_cast<int>(position) : std::numeric_limits<int>::max();
}

StatusLines BuildStatusLines(const TMemoryUsage& usage, std::wstring_view physFormat,
                             const NumberSeparators& separators) {
    StatusLines lines;
    const double phys[] = {Megabytes(usage.TotalPhys - usage.AvailPhys), Megabytes(usage.TotalPhys),
                           static_cast<double>(usage.UsagePhys)};
    lines.phys = FormatNumbers(physFormat, phys, separators);
    const double page[] = {Megabytes(usage.TotalPage - usage.AvailPage), static_cast<double>(usage.UsagePage)};
    lines.page = FormatNumbers(kSecondaryStatusFormat, page, separators);
    const double work[] = {Megabytes(usage.TotalWork - usage.AvailWork), static_cast<double>(usage.UsageWork)};
    lines.work = FormatNumbers(kSecondaryStatusFormat, work, separators);
    lines.bar = BarPosition(usage.UsagePhys);
    return lines;
}

//--- StatusLineCache

void StatusLineCache::SetSeparators(const NumberSeparators& separators) {
    separators_ = separators;
    for (CachedLine& line : lines_) {
        line.valid = false;
    }
}

void StatusLineCache::SetFormat(CachedLine& line, std::wstring_view format, std::size_t args) {
    line.format.assign(format);
    line.pieces = ParseFormat(line.format);
    line.args = 0;
    line.exact = true;
    std::fill(std::begin(line.decimals), std::end(line.decimals), 0);
    std::fill(std::begin(line.scales), std::end(line.scales), 0.0);
    for (const Piece& piece : line.pieces) {
        if (piece.length == 0 && line.args < args) {
            line.exact = line.exact && piece.decimals <= kExactDecimals;
            line.scales[line.args] = line.exact ? kScales[piece.decimals] : 0;
            line.decimals[line.args++] = piece.decimals;
        }
    }
    line.valid = false;
}

bool StatusLineCache::Refresh(CachedLine& line, const double (&printed)[kMaxArgs]) {
    // A figure no directive shows stays 0.
    if (line.valid && printed[0] == line.printed[0] && printed[1] == line.printed[1] && printed[2] == line.printed[2]) {
        return false;
    }
    std::copy(std::begin(printed), std::end(printed), line.printed);
    return Rebuild(line);
}

bool StatusLineCache::Rebuild(CachedLine& line) {
    const std::span<const Printed> printed(line.printed, line.args);
    // New figures print a new text; after a change of format or separators the text may come out
    // as it was.
    const bool wasValid = line.valid;
    std::wstring old;
    if (!wasValid) {
        old.assign(line.text.data(), line.length);
    }
    line.valid = true;
    // The text is written straight into the line's buffer, whose room fits any translation of
    // the physical line with its numbers; a longer line is built on the heap.
    constexpr std::size_t kRoom = 256;
    if (line.text.size() < kRoom) {
        line.text.resize(kRoom);
    }
    if (const wchar_t* end =
            WriteLine(line.text.data(), line.text.size(), line.format, line.pieces, printed, separators_)) {
        line.length = static_cast<std::size_t>(end - line.text.data());
    } else {
        std::wstring text;
        AppendLine(text, line.format, line.pieces, printed, separators_);
        line.length = text.size();
        line.text.swap(text);
    }
    return wasValid || !SameText(old, {line.text.data(), line.length});
}

unsigned StatusLineCache::Update(const TMemoryUsage& usage, std::wstring_view physFormat,
                                 const NumberSeparators& separators) {
    CachedLine& phys = lines_[0];
    CachedLine& page = lines_[1];
    CachedLine& work = lines_[2];
    const bool first = first_;
    first_ = false;
    if (first) {
        SetFormat(page, kSecondaryStatusFormat, 2);
        SetFormat(work, kSecondaryStatusFormat, 2);
    }
    if (first || !SameText(separators.thousand, separators_.thousand) ||
        !SameText(separators.decimal, separators_.decimal)) {
        SetSeparators(separators);
    }
    if (first || !SameText(physFormat, phys.format)) {
        SetFormat(phys, physFormat, 3);
    }

    const std::uint64_t usedPhys = usage.TotalPhys - usage.AvailPhys;
    unsigned changed = first ? kPhys | kPage | kWork : 0;
    double now[kMaxArgs];
    if (phys.exact) {
        now[0] = PrintedMegabytes(usedPhys, phys.scales[0]);
        now[1] = PrintedMegabytes(usage.TotalPhys, phys.scales[1]);
        now[2] = PrintedPercent(usage.UsagePhys, phys.scales[2]);
    } else {
        // A translation with more than two decimals somewhere.
        const double args[] = {Megabytes(usedPhys), Megabytes(usage.TotalPhys), usage.UsagePhys};
        for (std::size_t i = 0; i < kMaxArgs; ++i) {
            now[i] = i < phys.args ? PrintedOf(args[i], phys.decimals[i]) : 0;
        }
    }
    if (Refresh(phys, now)) {
        changed |= kPhys;
    }
    // The other two lines keep their format, whose figures are whole megabytes and a percentage
    // at two decimals.
    now[2] = 0;
    now[0] = PrintedMegabytes(usage.TotalPage - usage.AvailPage, page.scales[0]);
    now[1] = PrintedPercent(usage.UsagePage, page.scales[1]);
    if (Refresh(page, now)) {
        changed |= kPage;
    }
    now[0] = PrintedMegabytes(usage.TotalWork - usage.AvailWork, work.scales[0]);
    now[1] = PrintedPercent(usage.UsageWork, work.scales[1]);
    if (Refresh(work, now)) {
        changed |= kWork;
    }
    bar_ = BarPosition(usage.UsagePhys);
    return changed;
}
