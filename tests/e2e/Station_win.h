#pragma once
// Starting a program where no shell runs: a desktop of a window station of its own. Wine's
// explorer manages only the visible station's desktops, so there is no taskbar
// ("Shell_TrayWnd") there, which is how a logon looks before the shell has started.

#include <windows.h>

#include <string>

namespace inspect {

struct Spawned {
    DWORD pid = 0;        // 0: not started, GetLastError tells why
    bool taskbar = false; // whether a "Shell_TrayWnd" could be found on that desktop
};

// Starts `commandLine` on the desktop "Default" of a new window station named `station`,
// with its standard handles on NUL.
Spawned SpawnWithoutShell(const std::wstring& station, std::wstring commandLine);

} // namespace inspect
