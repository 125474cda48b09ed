#pragma once
// The program's own window classes are registered by the first window that needs one: a second
// form, or a test's second window, finds the class there already.

#include <windows.h>

// Registers `wc` unless its module has a class of that name already.
inline void RegisterClassOnce(const WNDCLASSEXW& wc) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (!::GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing)) {
        ::RegisterClassExW(&wc);
    }
}
