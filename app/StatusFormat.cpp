#include "app/StatusFormat.h"

#include <cmath>

namespace {

// Rounds half away from zero at `decimals` places, then writes digits with separators.
void AppendNumber(std::wstring& out, double value, int decimals, const NumberSeparators& separators) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    const bool negative = value < 0;
    double scale = std::pow(10.0, decimals);
    double scaled = std::round(std::fabs(value) * scale);
    // Whole part and fraction as decimal digit strings (exact for the magnitudes shown here).
    double wholePart = std::floor(scaled / scale);
    double fractionPart = scaled - wholePart * scale;

    std::wstring digits;
    do {
        double q = std::floor(wholePart / 10);
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + static_cast<int>(wholePart - q * 10)));
        wholePart = q;
    } while (wholePart >= 1);

    std::wstring grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += separators.thousand;
        }
        grouped += digits[i];
    }
    if (negative && (scaled != 0)) {
        out += L'-';
    }
    out += grouped;
    if (decimals > 0) {
        out += separators.decimal;
        std::wstring fraction(static_cast<std::size_t>(decimals), L'0');
        for (int i = decimals - 1; i >= 0; --i) {
            double q = std::floor(fractionPart / 10);
            fraction[static_cast<std::size_t>(i)] = static_cast<wchar_t>(L'0' + static_cast<int>(fractionPart - q * 10));
            fractionPart = q;
        }
        out += fraction;
    }
}

} // namespace

std::wstring FormatNumbers(std::wstring_view format, std::span<const double> args, const NumberSeparators& separators) {
    std::wstring out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        // "%n" or "%.<digits>n"
        std::size_t j = i + 1;
        int decimals = 2;
        if (j < format.size() && format[j] == L'.') {
            ++j;
            int value = 0;
            std::size_t start = j;
            while (j < format.size() && format[j] >= L'0' && format[j] <= L'9' && j - start < 2) {
                value = value * 10 + (format[j] - L'0');
                ++j;
            }
            if (j == start) {
                out += format[i];
                continue;
            }
            decimals = value;
        }
        if (j < format.size() && (format[j] == L'n' || format[j] == L'N')) {
            if (next < args.size()) {
                AppendNumber(out, args[next++], decimals, separators);
            }
            i = j;
            continue;
        }
        out += format[i]; // not a directive of ours: copied as written
    }
    return out;
}

double Megabytes(std::uint64_t bytes) { return std::nearbyint(static_cast<double>(bytes) / 1048576.0); }

int BarPosition(float percent) { return static_cast<int>(std::nearbyint(static_cast<double>(percent))); }

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
