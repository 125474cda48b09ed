#pragma once
// The form theme's rules, without Windows: the accent line across the top of a themed form's
// client area is the accent blue while the form is active and the grey-text system colour while
// it is not, 2 pixels high at 96 DPI, and shows only on a form that has a border.

#include "theme/Colors.h"

namespace theme {

inline constexpr int kAccentLineHeight = 2; // at 96 DPI
// The line's colour while the form is inactive: COLOR_GRAYTEXT, looked up when drawn.
inline constexpr TColor kInactiveLineColor = SystemColor(kColorGrayText);

struct AccentLine {
    TColor color;
    bool visible;
    int height; // in pixels at the form's DPI
};

// The line of a form that is active or not, has a border (a caption, a dialog frame, a thin or a
// sizing border) or has none, at `dpi`.
AccentLine AccentLineFor(bool formIsActive, bool formHasBorder, unsigned dpi);

} // namespace theme
