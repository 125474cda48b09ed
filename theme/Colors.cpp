#include "theme/Colors.h"

#include <algorithm>

namespace {

// MulDiv for the non-negative products used here: the quotient rounded, halves away from zero.
int MulDivRounded(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

int LighterChannel(int x, int percent) { return std::clamp(x + MulDivRounded(255 - x, percent, 100), 0, 255); }

} // namespace

TColor ColorToRGB(TColor color, SystemColorLookup lookup) {
    if (!IsSystemColor(color)) {
        return color;
    }
    return lookup ? (lookup(static_cast<int>(color & 0xFF)) & 0x00FFFFFF) : clBlack;
}

TColor Lighter(TColor color, int percent, SystemColorLookup lookup) {
    const TColor rgb = ColorToRGB(color, lookup);
    return RGBColor(LighterChannel(RedOf(rgb), percent), LighterChannel(GreenOf(rgb), percent),
                    LighterChannel(BlueOf(rgb), percent));
}

TColor GrayScale(TColor color) {
    // In thousandths, so the rounding is exact: 299 + 587 + 114 = 1000.
    const int scaled = 299 * RedOf(color) + 587 * GreenOf(color) + 114 * BlueOf(color);
    int grey = scaled / 1000;
    const int rest = scaled % 1000;
    if (rest > 500 || (rest == 500 && grey % 2 == 1)) {
        ++grey;
    }
    return (color & 0xFF000000u) | RGBColor(grey, grey, grey);
}
