#pragma once
// The logo: a premultiplied-alpha image from the resources, picked for the window's DPI and
// drawn on white. A click reports STN_CLICKED to the form window; the cursor is a hand.

#include <windows.h>

inline constexpr wchar_t kLogoClass[] = L"RamBroomImage";

void RegisterLogoClass(HINSTANCE instance);
