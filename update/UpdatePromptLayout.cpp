#include "update/UpdatePromptLayout.h"

namespace update_prompt {
namespace {

// At 96 DPI, before the caller's offset is taken off.
constexpr int kGrowth = 40;
constexpr int kSeparatorAboveBottom = 76;
constexpr int kExtraAboveBottom = 66;
constexpr int kExtraLeft = 10;

} // namespace

Extra ExtraFor(std::wstring_view style) {
    if (style.empty()) {
        return Extra::None;
    }
    if (style == L"hold") {
        return Extra::HoldBox;
    }
    if (style == L"note") {
        return Extra::NoteLink;
    }
    return Extra::Space;
}

bool StaysOnTop(std::wstring_view flag) { return flag.find(L"stayontop") != std::wstring_view::npos; }

int ScalePercent(unsigned dpi) { return static_cast<int>((static_cast<long long>(dpi) * 100 + 48) / 96); }

int ScaleToPercent(int value, int percent) {
    const long long product = static_cast<long long>(value) * percent;
    const long long rounded = product >= 0 ? (product + 50) / 100 : -((-product + 50) / 100);
    return static_cast<int>(rounded);
}

Placement PlaceExtras(int outerWidth, int outerHeight, int layoutOffset, int percent) {
    Placement p;
    p.growth = ScaleToPercent(kGrowth - layoutOffset, percent);
    p.outerHeight = outerHeight + p.growth;
    p.separatorTop = p.outerHeight - ScaleToPercent(kSeparatorAboveBottom - layoutOffset, percent);
    p.separatorLeft = ScaleToPercent(0, percent);
    p.separatorWidth = outerWidth;
    p.extraTop = p.outerHeight - ScaleToPercent(kExtraAboveBottom - layoutOffset, percent);
    p.extraLeft = ScaleToPercent(kExtraLeft, percent);
    p.checkBoxWidth = outerWidth;
    return p;
}

} // namespace update_prompt
