#pragma once
// What the driver sees of the shell around RamBroom: the taskbar, tool tips and balloons, open
// popup menus.

#include <windows.h>

#include <vector>

namespace inspect {

// The taskbar, "Shell_TrayWnd" on the driver's desktop, or nullptr.
HWND Taskbar();

// Visible tool-tip windows of any process (Wine's explorer draws the icons' hints and balloons).
std::vector<HWND> VisibleTooltips();
// A tool tip drawn as a balloon (TTS_BALLOON).
bool IsBalloon(HWND tooltip);

// Visible popup menus (class "#32768") of RamBroom.exe processes.
std::vector<HWND> AppPopupMenus();

} // namespace inspect
