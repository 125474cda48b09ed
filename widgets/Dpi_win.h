#pragma once
// DPI helpers that work from Windows Vista on: the per-monitor functions of Windows 10 are
// looked up at run time and fall back to the system DPI.

#include <windows.h>

namespace dpi {

inline constexpr UINT kDefault = USER_DEFAULT_SCREEN_DPI;

// Per-monitor v2 where the system has it (the manifest asks for it too), else per-monitor,
// else system aware. Never fails: Wine rejects v2, older Windows lacks the functions.
void EnableProcessAwareness();

UINT ForWindow(HWND window);
inline int Scale(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), kDefault); }

// The outer window rectangle for a client area of the given size at `dpi`.
RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

// The icon-title font (the desktop font) as the system gives it for `dpi`.
LOGFONTW IconTitleFont(UINT dpi);

// Small-icon metric for `dpi` (16 at 96).
int SmallIconSize(UINT dpi);

} // namespace dpi
