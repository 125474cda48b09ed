#pragma once
// RAII owners for the Win32 handles the program uses. Owners of a subsystem's handles live
// beside it, so this header pulls in no subsystem: base/ImageList_win.h (comctl32),
// base/WinHttp_win.h (WinHTTP), base/Com_win.h (COM).

#include <windows.h>

#include "base/UniqueResource.h"

using UniqueHandle = UniqueResource<HandleTraits<HANDLE, ::CloseHandle>>;
using UniqueHkey = UniqueResource<HandleTraits<HKEY, ::RegCloseKey>>;
using UniqueHicon = UniqueResource<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueHmenu = UniqueResource<HandleTraits<HMENU, ::DestroyMenu>>;
using UniqueHfont = UniqueResource<HandleTraits<HFONT, ::DeleteObject>>;
using UniqueHbrush = UniqueResource<HandleTraits<HBRUSH, ::DeleteObject>>;
using UniqueHbitmap = UniqueResource<HandleTraits<HBITMAP, ::DeleteObject>>;
using UniqueHpen = UniqueResource<HandleTraits<HPEN, ::DeleteObject>>;
using UniqueHdc = UniqueResource<HandleTraits<HDC, ::DeleteDC>>; // a created DC, not GetDC's
using UniqueHmodule = UniqueResource<HandleTraits<HMODULE, ::FreeLibrary>>;
using UniqueHwnd = UniqueResource<HandleTraits<HWND, ::DestroyWindow>>;
using UniqueHhook = UniqueResource<HandleTraits<HHOOK, ::UnhookWindowsHookEx>>;

// Selects a GDI object into a DC for the scope and puts the old one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectObjectScope() { ::SelectObject(dc_, old_); }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};
