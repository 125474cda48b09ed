#pragma once

#include <string>

class TrayIcon;

// A system notification named and titled with the application's title, shown from the
// program's notification-area icon (a toast on Windows 10 and later). Failures are silent.
void ShowNotification(TrayIcon* icon, const std::wstring& Text);
