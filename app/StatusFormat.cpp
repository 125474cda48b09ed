#include "app/StatusFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

using Piece = StatusLineCache::Piece;

// A number as printed: its magnitude scaled to the decimals shown and rounded half away from
// zero, negated when a minus sign goes before it (-0 prints no sign). Two numbers print alike
// exactly when these compare equal. What is out of a double's range prints as 0.
double PrintedOf(double value, double scale) {
    const double scaled = std::round(std::fabs(value) * scale);
    if (!std::isfinite(scaled)) {
        return 0;
    }
    return value < 0 ? -scaled : scaled;
}

// A printed number written out: its whole part grouped in threes, then `decimals` digits. The
// digits are the double's own, exactly (std::to_chars), at any size: beyond 2^53 a tenth of the
// number is no longer exact, so dividing by ten would not give them.
void AppendPrinted(std::wstring& out, double printed, int decimals, const NumberSeparators& separators) {
    // A whole number below 2^1024 has at most 309 digits.
    char digits[320];
    const char* const end =
        std::to_chars(digits, std::end(digits), std::fabs(printed), std::chars_format::fixed, 0).ptr;
    const auto count = static_cast<std::size_t>(end - digits);
    const auto fraction = static_cast<std::size_t>(decimals);
    // Zeros in front up to one whole digit: 5 with two decimals is "0.05".
    const std::size_t zeros = count > fraction ? 0 : fraction + 1 - count;
    const std::size_t whole = zeros + count - fraction;
    auto digitAt = [&](std::size_t i) { return i < zeros ? L'0' : static_cast<wchar_t>(digits[i - zeros]); };

    if (printed < 0) {
        out += L'-';
    }
    for (std::size_t i = 0; i < whole; ++i) {
        if (i > 0 && (whole - i) % 3 == 0) {
            out += separators.thousand;
        }
        out += digitAt(i);
    }
    if (decimals > 0) {
        out += separators.decimal;
        for (std::size_t i = whole; i < whole + fraction; ++i) {
            out += digitAt(i);
        }
    }
}

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

// The line from its parsed format and its printed figures; a directive without a figure left
// prints nothing.
void AppendLine(std::wstring& out, std::wstring_view format, const std::vector<Piece>& pieces,
                std::span<const double> printed, const NumberSeparators& separators) {
    std::size_t next = 0;
    for (const Piece& piece : pieces) {
        if (piece.length != 0) {
            out.append(format.data() + piece.offset, piece.length);
        } else if (next < printed.size()) {
            AppendPrinted(out, printed[next++], piece.decimals, separators);
        }
    }
}

} // namespace

std::wstring FormatNumbers(std::wstring_view format, std::span<const double> args, const NumberSeparators& separators) {
    const std::vector<Piece> pieces = ParseFormat(format);
    std::vector<double> printed;
    for (const Piece& piece : pieces) {
        if (piece.length == 0 && printed.size() < args.size()) {
            printed.push_back(PrintedOf(args[printed.size()], std::pow(10.0, piece.decimals)));
        }
    }
    std::wstring out;
    AppendLine(out, format, pieces, printed, separators);
    return out;
}

// std::rint rounds halves to even in the default rounding mode, as std::nearbyint does, without
// the floating-point environment save and restore that makes MinGW's nearbyint slow.
double Megabytes(std::uint64_t bytes) { return std::rint(static_cast<double>(bytes) / 1048576.0); }

int BarPosition(float percent) {
    const double position = std::rint(static_cast<double>(percent));
    // A broken snapshot can give any float: out of int's range the cast would be undefined.
    if (std::isnan(position)) {
        return 0;
    }
    return static_cast<int>(std::clamp(position, static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

ShownUsage ShowUsage(std::uint64_t avail, std::uint64_t total, float percent) {
    if (avail >= total) {
        return {0, 0.0f};
    }
    return {total - avail, std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f)};
}

namespace {

// The figures each line prints, in the order of its format's directives, and the bar's position.
struct LineFigures {
    double phys[3];
    double page[2];
    double work[2];
    int bar;
};

LineFigures FiguresOf(const TMemoryUsage& usage) {
    const ShownUsage phys = ShowUsage(usage.AvailPhys, usage.TotalPhys, usage.UsagePhys);
    const ShownUsage page = ShowUsage(usage.AvailPage, usage.TotalPage, usage.UsagePage);
    const ShownUsage work = ShowUsage(usage.AvailWork, usage.TotalWork, usage.UsageWork);
    return {{Megabytes(phys.used), Megabytes(usage.TotalPhys), static_cast<double>(phys.percent)},
            {Megabytes(page.used), static_cast<double>(page.percent)},
            {Megabytes(work.used), static_cast<double>(work.percent)},
            BarPosition(phys.percent)};
}

} // namespace

StatusLines BuildStatusLines(const TMemoryUsage& usage, std::wstring_view physFormat,
                             const NumberSeparators& separators) {
    const LineFigures figures = FiguresOf(usage);
    StatusLines lines;
    lines.phys = FormatNumbers(physFormat, figures.phys, separators);
    lines.page = FormatNumbers(texts::kSecondaryStatusFormat, figures.page, separators);
    lines.work = FormatNumbers(texts::kSecondaryStatusFormat, figures.work, separators);
    lines.bar = figures.bar;
    return lines;
}

//--- StatusLineCache

void StatusLineCache::SetFormat(CachedLine& line, std::wstring_view format) {
    line.format.assign(format);
    line.pieces = ParseFormat(line.format);
    std::fill(std::begin(line.scales), std::end(line.scales), 0.0);
    std::size_t args = 0;
    for (const Piece& piece : line.pieces) {
        if (piece.length == 0 && args < kMaxArgs) {
            line.scales[args++] = std::pow(10.0, piece.decimals);
        }
    }
    line.current = false;
}

bool StatusLineCache::Refresh(CachedLine& line, std::span<const double> figures) {
    double printed[kMaxArgs] = {};
    for (std::size_t i = 0; i < figures.size(); ++i) {
        printed[i] = line.scales[i] != 0 ? PrintedOf(figures[i], line.scales[i]) : 0;
    }
    if (line.current && std::equal(std::begin(printed), std::end(printed), std::begin(line.printed))) {
        return false;
    }
    std::copy(std::begin(printed), std::end(printed), line.printed);
    // A new format or new separators may print the text the line already shows.
    scratch_.clear();
    AppendLine(scratch_, line.format, line.pieces, std::span<const double>(printed, figures.size()), separators_);
    const bool changed = !line.shown || scratch_ != line.text;
    line.text.swap(scratch_);
    line.current = line.shown = true;
    return changed;
}

unsigned StatusLineCache::Update(const TMemoryUsage& usage, std::wstring_view physFormat,
                                 const NumberSeparators& separators) {
    CachedLine& phys = lines_[0];
    CachedLine& page = lines_[1];
    CachedLine& work = lines_[2];
    if (page.pieces.empty()) {
        SetFormat(page, texts::kSecondaryStatusFormat);
        SetFormat(work, texts::kSecondaryStatusFormat);
        SetFormat(phys, physFormat);
    }
    if (separators != separators_) {
        separators_ = separators;
        for (CachedLine& line : lines_) {
            line.current = false;
        }
    }
    if (physFormat != phys.format) {
        SetFormat(phys, physFormat);
    }

    const LineFigures figures = FiguresOf(usage);
    unsigned changed = 0;
    if (Refresh(phys, figures.phys)) {
        changed |= kPhys;
    }
    if (Refresh(page, figures.page)) {
        changed |= kPage;
    }
    if (Refresh(work, figures.work)) {
        changed |= kWork;
    }
    bar_ = figures.bar;
    return changed;
}
