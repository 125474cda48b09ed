#include "widgets/ButtonFace.h"

#include <algorithm>
#include <cmath>

namespace button_face {
namespace {

constexpr unsigned kDefaultDpi = 96;
constexpr int kRingInset = 3; // at 96 DPI
constexpr int kRingWidth = 1;

// MulDiv(value, dpi, 96) for the small positive lengths of a face.
int Scaled(int value, unsigned dpi) {
    return static_cast<int>((static_cast<long long>(value) * dpi + kDefaultDpi / 2) / kDefaultDpi);
}

// The colours mixed by their weights (which add up to 1), channel by channel, rounded.
std::uint32_t Blend(const double (&weights)[3], const std::uint32_t (&colors)[3]) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        double channel = 0.0;
        for (int i = 0; i < 3; ++i) {
            channel += static_cast<double>(colors[i] >> shift & 0xFF) * weights[i];
        }
        out |= static_cast<std::uint32_t>(std::clamp(std::lround(channel), 0L, 255L)) << shift;
    }
    return out;
}

// A ring between two rounded rectangles, `outer` in from the canvas edges by `inset` and the inner
// one `width` further in: `fill` inside the inner one (if any), `line` in the ring (if any).
void PaintRing(Canvas& canvas, int inset, double radius, int width, const std::uint32_t* fill,
               const std::uint32_t* line) {
    const double left = inset, top = inset, right = canvas.width - inset, bottom = canvas.height - inset;
    if (right <= left || bottom <= top) {
        return;
    }
    const double innerRadius = std::max(radius - width, 0.0);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double outer = Coverage(px, py, left, top, right, bottom, radius);
            if (outer <= 0.0) {
                continue;
            }
            const double inner =
                Coverage(px, py, left + width, top + width, right - width, bottom - width, innerRadius);
            std::uint32_t& pixel = canvas.At(x, y);
            // The background shows where neither the ring nor the fill covers the pixel.
            const double ringPart = line ? outer - inner : 0.0;
            const double fillPart = fill ? (line ? inner : outer) : 0.0;
            const double weights[3] = {1.0 - ringPart - fillPart, ringPart, fillPart};
            const std::uint32_t colors[3] = {pixel, line ? *line : 0, fill ? *fill : 0};
            pixel = Blend(weights, colors);
        }
    }
}

} // namespace

TButtonState StateFor(const Flags& flags) {
    if (!flags.enabled) {
        return TButtonState::Disabled;
    }
    if (flags.pushed || flags.checked) {
        return TButtonState::Pressed;
    }
    if (flags.hot) {
        return TButtonState::Hot;
    }
    if (flags.focused && flags.focusShown) {
        return TButtonState::Selected;
    }
    return TButtonState::Normal;
}

bool ShowsFocusRing(const Flags& flags) { return flags.enabled && flags.focused && flags.focusShown; }

Metrics MetricsFor(int radius, int borderWidth, unsigned dpi) {
    const int hairline = std::max(1, Scaled(1, dpi));
    Metrics m;
    m.radius = std::max(0.0, static_cast<double>(radius) * dpi / kDefaultDpi);
    m.border = borderWidth > 0 ? std::max(1, Scaled(borderWidth, dpi)) : hairline;
    m.ringInset = std::max(2, Scaled(kRingInset, dpi));
    m.ringWidth = std::max(1, Scaled(kRingWidth, dpi));
    return m;
}

double Coverage(double x, double y, double left, double top, double right, double bottom, double radius) {
    const double halfWidth = (right - left) / 2, halfHeight = (bottom - top) / 2;
    if (halfWidth <= 0 || halfHeight <= 0) {
        return 0.0;
    }
    radius = std::clamp(radius, 0.0, std::min(halfWidth, halfHeight));
    // The signed distance from the outline (negative inside); a pixel is covered by as much as its
    // centre lies inside, within half a pixel of the outline.
    const double qx = std::abs(x - (left + halfWidth)) - (halfWidth - radius);
    const double qy = std::abs(y - (top + halfHeight)) - (halfHeight - radius);
    const double distance = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
    return std::clamp(0.5 - distance, 0.0, 1.0);
}

void PaintFace(Canvas& canvas, const TStyledButtonAttributes& set, const Metrics& metrics) {
    const std::uint32_t fill = PixelOf(set.ButtonColor), line = PixelOf(set.BorderColor);
    const bool filled = set.ButtonDrawStyle == TButtonDrawStyle::btnSolid;
    const bool bordered = set.BorderDrawStyle == TBorderDrawStyle::brdSolid;
    PaintRing(canvas, 0, metrics.radius, metrics.border, filled ? &fill : nullptr, bordered ? &line : nullptr);
}

void PaintFocusRing(Canvas& canvas, TColor color, const Metrics& metrics) {
    const std::uint32_t line = PixelOf(color);
    PaintRing(canvas, metrics.ringInset, std::max(metrics.radius - metrics.ringInset, 0.0), metrics.ringWidth, nullptr,
              &line);
}

} // namespace button_face
