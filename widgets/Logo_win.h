#pragma once
// The logo: rendered for each scale from its vector source and kept in the resources; the
// rendition of the logo window's size is drawn pixel for pixel on white (a size without one is
// scaled down from the nearest larger). A click reports STN_CLICKED to the form window; the cursor is a hand.

#include <windows.h>

inline constexpr wchar_t kLogoClass[] = L"RamBroomImage";

void RegisterLogoClass(HINSTANCE instance);
