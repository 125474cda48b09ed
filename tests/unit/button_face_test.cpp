#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "theme/ButtonStyles.h"
#include "widgets/ButtonFace.h"

namespace {

using namespace button_face;

TEST(ButtonFace, StateFollowsDisabledThenPressedThenHotThenKeyboardFocus) {
    struct Case {
        Flags flags;
        TButtonState state;
        bool ring;
    } cases[] = {
        {{}, TButtonState::Normal, false},
        {{.hot = true}, TButtonState::Hot, false},
        {{.pushed = true}, TButtonState::Pressed, false},
        {{.checked = true}, TButtonState::Pressed, false},
        {{.checked = true, .hot = true}, TButtonState::Pressed, false},
        {{.pushed = true, .hot = true, .focused = true, .focusShown = true}, TButtonState::Pressed, true},
        {{.focused = true}, TButtonState::Normal, false}, // focus by the mouse shows nothing
        {{.focused = true, .focusShown = true}, TButtonState::Selected, true},
        {{.hot = true, .focused = true, .focusShown = true}, TButtonState::Hot, true},
        {{.checked = true, .focused = true, .focusShown = true}, TButtonState::Pressed, true},
        {{.enabled = false, .checked = true, .hot = true}, TButtonState::Disabled, false},
        {{.enabled = false, .focused = true, .focusShown = true}, TButtonState::Disabled, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(StateFor(cases[i].flags), cases[i].state) << "case " << i;
        EXPECT_EQ(ShowsFocusRing(cases[i].flags), cases[i].ring) << "case " << i;
    }
}

TEST(ButtonFace, LengthsScaleWithTheDpiAndThinLinesStayWholePixels) {
    struct Case {
        unsigned dpi;
        double radius;
        int hairline, ringInset, ringWidth;
    } cases[] = {
        {96, 6.0, 1, 3, 1},   {120, 7.5, 1, 4, 1},  {144, 9.0, 2, 5, 2},
        {168, 10.5, 2, 5, 2}, {192, 12.0, 2, 6, 2}, {288, 18.0, 3, 9, 3},
    };
    for (const auto& c : cases) {
        const Metrics m = MetricsFor(6, 0, c.dpi);
        EXPECT_DOUBLE_EQ(m.radius, c.radius) << c.dpi;
        EXPECT_EQ(m.border, c.hairline) << c.dpi;
        EXPECT_EQ(m.ringInset, c.ringInset) << c.dpi;
        EXPECT_EQ(m.ringWidth, c.ringWidth) << c.dpi;
    }
    EXPECT_EQ(MetricsFor(4, 3, 96).border, 3);
    EXPECT_EQ(MetricsFor(4, 3, 144).border, 5); // 4.5 rounds up
}

// A canvas of one colour, with the pixels a face leaves or paints read back as colours.
struct Picture {
    Picture(int w, int h, TColor background)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, PixelOf(background)) {}
    Canvas canvas() { return {pixels.data(), width, height}; }
    TColor at(int x, int y) const { return ColorOfPixel(pixels[static_cast<std::size_t>(y) * width + x]); }
    // Pixels that are neither of the two colours: where the edge was blended.
    int BlendedBetween(TColor a, TColor b) const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                n += at(x, y) != a && at(x, y) != b;
            }
        }
        return n;
    }
    bool MirrorSymmetric() const {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (at(x, y) != at(width - 1 - x, y) || at(x, y) != at(x, height - 1 - y)) {
                    return false;
                }
            }
        }
        return true;
    }
    int width, height;
    std::vector<std::uint32_t> pixels;
};

TStyledButtonAttributes SetOf(std::string_view appearance, TButtonState state) {
    return ButtonFamilies().Resolve("Brenwick", "Primary", appearance)->For(state);
}

// The clean button, 164 x 68 with radius 6, on the white page, at 96 DPI.
TEST(ButtonFace, OutlineButtonHasAOnePixelAccentBorderRoundCornersAndAClearInside) {
    Picture p(164, 68, clWhite);
    Canvas c = p.canvas();
    PaintFace(c, SetOf("Outline", TButtonState::Normal), MetricsFor(6, 0, 96));
    for (auto [x, y] : {std::pair{82, 0}, {82, 67}, {0, 34}, {163, 34}, {6, 0}, {157, 67}}) {
        EXPECT_EQ(p.at(x, y), kAccentColor) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{82, 1}, {82, 66}, {1, 34}, {162, 34}, {82, 34}}) {
        EXPECT_EQ(p.at(x, y), clWhite) << "inside the border, not filled: " << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {163, 0}, {0, 67}, {163, 67}, {1, 0}}) {
        EXPECT_EQ(p.at(x, y), clWhite) << "outside the rounded corner: " << x << "," << y;
    }
    EXPECT_GT(p.BlendedBetween(kAccentColor, clWhite), 8) << "the corners are anti-aliased";
    EXPECT_TRUE(p.MirrorSymmetric());
}

TEST(ButtonFace, SolidFillWithBorderAndWithout) {
    const Metrics m = MetricsFor(6, 0, 96);
    {
        Picture p(164, 68, clWhite);
        Canvas c = p.canvas();
        PaintFace(c, SetOf("Outline", TButtonState::Hot), m); // lighter fill, accent border
        EXPECT_EQ(p.at(82, 34), 0x00E09050u);
        EXPECT_EQ(p.at(82, 1), 0x00E09050u);
        EXPECT_EQ(p.at(82, 0), kAccentColor);
        EXPECT_EQ(p.at(0, 0), clWhite);
    }
    {
        Picture p(70, 30, clWhite);
        Canvas c = p.canvas();
        PaintFace(c, SetOf("Header", TButtonState::Pressed), MetricsFor(4, 0, 96)); // accent, no border
        EXPECT_EQ(p.at(35, 0), kAccentColor);
        EXPECT_EQ(p.at(35, 15), kAccentColor);
        EXPECT_EQ(p.at(0, 15), kAccentColor);
        EXPECT_EQ(p.at(0, 0), clWhite);
        EXPECT_TRUE(p.MirrorSymmetric());
    }
    {
        Picture p(70, 30, clWhite);
        Canvas c = p.canvas();
        PaintFace(c, SetOf("Header", TButtonState::Normal), MetricsFor(4, 0, 96)); // black outline
        EXPECT_EQ(p.at(35, 0), clBlack);
        EXPECT_EQ(p.at(35, 15), clWhite);
    }
}

TEST(ButtonFace, BordersAreWholePixelsAtEveryDpi) {
    for (unsigned dpi : {96u, 120u, 144u, 168u, 192u}) {
        const Metrics m = MetricsFor(6, 0, dpi);
        const int w = static_cast<int>(164 * dpi / 96), h = static_cast<int>(68 * dpi / 96);
        Picture p(w, h, clWhite);
        Canvas c = p.canvas();
        PaintFace(c, SetOf("Normal", TButtonState::Disabled), m); // silver border on white fill
        for (int i = 0; i < m.border; ++i) {
            EXPECT_EQ(p.at(w / 2, i), clSilver) << dpi << " row " << i;
            EXPECT_EQ(p.at(i, h / 2), clSilver) << dpi << " column " << i;
        }
        EXPECT_EQ(p.at(w / 2, m.border), clWhite) << dpi;
        EXPECT_EQ(p.at(m.border, h / 2), clWhite) << dpi;
        // Along the straight edges nothing is blended; only the corners are.
        for (int x = static_cast<int>(m.radius) + 1; x < w - static_cast<int>(m.radius) - 1; ++x) {
            ASSERT_EQ(p.at(x, 0), clSilver) << dpi << " x " << x;
        }
    }
}

TEST(ButtonFace, ASquareCorneredFaceBlendsNothing) {
    Picture p(40, 20, clWhite);
    Canvas c = p.canvas();
    PaintFace(c, SetOf("Outline", TButtonState::Hot), MetricsFor(0, 0, 96));
    EXPECT_EQ(p.BlendedBetween(kAccentColor, 0x00E09050), 0);
    EXPECT_EQ(p.at(0, 0), kAccentColor);
}

TEST(ButtonFace, FocusRingRunsInsideTheFace) {
    Picture p(70, 30, clWhite);
    Canvas c = p.canvas();
    const Metrics m = MetricsFor(4, 0, 96);
    PaintFace(c, SetOf("Header", TButtonState::Selected), m);
    PaintFocusRing(c, clWhite, m);
    EXPECT_EQ(p.at(35, 2), 0x00E09050u);
    EXPECT_EQ(p.at(35, 3), clWhite) << "the ring, 3 pixels in";
    EXPECT_EQ(p.at(35, 4), 0x00E09050u);
    EXPECT_EQ(p.at(3, 15), clWhite);
    EXPECT_EQ(p.at(66, 15), clWhite);
    EXPECT_EQ(p.at(35, 15), 0x00E09050u);
}

TEST(ButtonFace, TinyAndEmptyCanvasesAreSafe) {
    for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {3, 2}, {7, 5}}) {
        Picture p(w, h, clWhite);
        Canvas c = p.canvas();
        const Metrics m = MetricsFor(6, 0, 192);
        PaintFace(c, SetOf("Outline", TButtonState::Pressed), m);
        PaintFocusRing(c, clBlack, m);
    }
    EXPECT_EQ(Coverage(0.5, 0.5, 0, 0, 0, 10, 3), 0.0);
}

} // namespace
