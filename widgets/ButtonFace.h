#pragma once
// How a styled button is drawn, without Windows: which of its family's five attribute sets the
// button's state picks, and its face (fill, border, focus ring) as anti-aliased rounded
// rectangles painted into 32-bit pixels. Every straight edge lies on the pixel grid, so it stays
// crisp at any DPI; only the corners are blended.

#include <cstdint>

#include "theme/ButtonStyles.h"

namespace button_face {

// What the button control says about itself.
struct Flags {
    bool enabled = true;
    bool pushed = false;     // held down by the mouse or the space bar
    bool checked = false;    // a tool button that is down
    bool hot = false;        // under the mouse
    bool focused = false;    // has the keyboard focus
    bool focusShown = false; // the keyboard moved the focus there, so it is shown
};

// Disabled, then pressed (held or down), then hot, then selected (focused from the keyboard),
// else normal.
TButtonState StateFor(const Flags& flags);
// The focus ring shows on an enabled button that the keyboard gave the focus.
bool ShowsFocusRing(const Flags& flags);

// A 32-bit top-down bitmap's pixels, 0x00RRGGBB each (blue in the low byte), as a DIB holds them.
struct Canvas {
    std::uint32_t* pixels;
    int width;
    int height;

    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline constexpr std::uint32_t PixelOf(TColor rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }
inline constexpr TColor ColorOfPixel(std::uint32_t pixel) { return PixelOf(pixel & 0x00FFFFFF); }

// Lengths of a face at a DPI, in pixels.
struct Metrics {
    double radius; // of the outer corners
    int border;    // border thickness
    int ringInset; // from the edge to the focus ring
    int ringWidth; // the focus ring's thickness
};

// `radius` at 96 DPI; a set's BorderWidth of 0 is the thinnest line the DPI draws crisply (one
// pixel per 96 DPI, rounded), a larger one is scaled.
Metrics MetricsFor(int radius, int borderWidth, unsigned dpi);

// Paints the face `set` describes over the whole canvas, whose pixels hold the background: the
// fill (btnSolid) inside, the border (brdSolid) along the edge.
void PaintFace(Canvas& canvas, const TStyledButtonAttributes& set, const Metrics& metrics);
// A rounded ring inside the face, in `color`: the keyboard focus.
void PaintFocusRing(Canvas& canvas, TColor color, const Metrics& metrics);

// How much of the pixel whose centre is (x, y) a rounded rectangle covers, 0 to 1.
double Coverage(double x, double y, double left, double top, double right, double bottom, double radius);

} // namespace button_face
