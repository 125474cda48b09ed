#pragma once
// The first visible dialog (class "#32770") of a thread: how the tests find a modal prompt that
// the code under test is showing.

#include <windows.h>

#include <string_view>

namespace shown_dialog_detail {
// A named CALLBACK: a lambda would not be __stdcall in the 32-bit build.
inline BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    if (::IsWindowVisible(window) && ::GetClassNameW(window, name, 16) > 0 && std::wstring_view(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace shown_dialog_detail

inline HWND ShownDialog(DWORD thread = ::GetCurrentThreadId()) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, shown_dialog_detail::FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}
