#pragma once
// RAII owners for the Win32 handles the program uses.

#include <windows.h>
#include <commctrl.h>

#include "base/UniqueResource.h"

namespace handle_traits {
struct Handle {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct Hkey {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct Hicon {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};
struct Hmenu {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyMenu(h); }
};
struct Hfont {
    using Type = HFONT;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct Hbrush {
    using Type = HBRUSH;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct Hbitmap {
    using Type = HBITMAP;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct Hpen {
    using Type = HPEN;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct Hdc {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};
struct Hmodule {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct Hwnd {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};
struct Himagelist {
    using Type = HIMAGELIST;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::ImageList_Destroy(h); }
};
} // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Handle>;
using UniqueHkey = UniqueResource<handle_traits::Hkey>;
using UniqueHicon = UniqueResource<handle_traits::Hicon>;
using UniqueHmenu = UniqueResource<handle_traits::Hmenu>;
using UniqueHfont = UniqueResource<handle_traits::Hfont>;
using UniqueHbrush = UniqueResource<handle_traits::Hbrush>;
using UniqueHbitmap = UniqueResource<handle_traits::Hbitmap>;
using UniqueHpen = UniqueResource<handle_traits::Hpen>;
using UniqueHdc = UniqueResource<handle_traits::Hdc>;
using UniqueHmodule = UniqueResource<handle_traits::Hmodule>;
using UniqueHwnd = UniqueResource<handle_traits::Hwnd>;
using UniqueHimagelist = UniqueResource<handle_traits::Himagelist>;

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

// CoInitialize(nullptr) for the scope; CoUninitialize runs in every case, also when
// CoInitialize failed, as the callers of the Task Scheduler expect.
class ComScope {
public:
    ComScope() noexcept;
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};
