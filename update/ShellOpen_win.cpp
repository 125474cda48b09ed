#include "update/ShellOpen_win.h"

#include <windows.h>
#include <shellapi.h>

void ShellOpen(const std::wstring& target) {
    ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
