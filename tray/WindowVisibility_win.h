#pragma once
// Hiding the main window to the notification area and bringing it back to the front.

#include <windows.h>

#include "tray/Foreground.h"

// The Win32 calls behind ForceForegroundWindow.
ForegroundSystem& SystemForeground();

void HideMainWindow(HWND mainWindow);
// Shows, restores and raises the main window; does nothing for a window that is gone.
void ShowMainWindow(HWND mainWindow);
void ForceForegroundWindow(HWND window);
