#pragma once
// Colours as the form designer keeps them, and the two rules the button styles derive colours by.
// A TColor is 0x00BBGGRR (red in the low byte, as COLORREF); a value whose top byte is 0xFF names
// a system colour by its index instead (0xFF000011 is COLOR_GRAYTEXT).

#include <cstdint>

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clSilver = 0x00C0C0C0;
// The program's accent blue, RGB (61, 132, 221): the frame's accent line and the buttons.
inline constexpr TColor kAccentColor = 0x00DD843D;

inline constexpr int kColorGrayText = 17; // COLOR_GRAYTEXT
inline constexpr TColor SystemColor(int index) { return 0xFF000000u | static_cast<TColor>(index & 0xFF); }
inline constexpr bool IsSystemColor(TColor color) { return (color >> 24) == 0xFF; }

inline constexpr TColor RGBColor(int red, int green, int blue) {
    return static_cast<TColor>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
inline constexpr int RedOf(TColor color) { return static_cast<int>(color & 0xFF); }
inline constexpr int GreenOf(TColor color) { return static_cast<int>(color >> 8 & 0xFF); }
inline constexpr int BlueOf(TColor color) { return static_cast<int>(color >> 16 & 0xFF); }

// GetSysColor's answer for a system colour index; the Windows half passes ::GetSysColor.
using SystemColorLookup = std::uint32_t (*)(int index);

// The colour as a plain 0x00BBGGRR value, a system colour looked up through `lookup` (without
// one, portable code knows no system colours: black).
TColor ColorToRGB(TColor color, SystemColorLookup lookup);

// Each of red, green and blue, x, becomes x + (255 - x) * percent / 100, the quotient rounded
// to the nearest integer with halves up, as MulDiv rounds. A system colour is looked up first
// (`lookup` may be nullptr for a plain colour). The top byte of the result is 0.
TColor Lighter(TColor color, int percent, SystemColorLookup lookup = nullptr);

// The grey of a colour: 0.299 red + 0.587 green + 0.114 blue, rounded to the nearest integer with
// halves to even, in all three channels; the top byte of `color` is kept.
TColor GrayScale(TColor color);
