#include "theme/Theme.h"

namespace theme {

AccentLine AccentLineFor(bool formIsActive, bool formHasBorder, unsigned dpi) {
    // Scaled as every length of the form is (MulDiv: halves up), never thinner than at 96 DPI.
    const unsigned scaled = (kAccentLineHeight * dpi + 48) / 96;
    const int height = scaled < kAccentLineHeight ? kAccentLineHeight : static_cast<int>(scaled);
    return {formIsActive ? kAccentColor : kInactiveLineColor, formHasBorder, height};
}

} // namespace theme
