#pragma once
// Window subclasses whose state lives in this process.
//
// comctl32's SetWindowSubclass keeps its chain in a window property, and the property is read
// again for every message the window gets: under Wine each read is a round trip to the server,
// three per message. The windows that see messages all the time (the form, every form control,
// each status tick and repaint) are subclassed here instead: the subclass is a window procedure
// of its own, found with its data in a table of this process.
//
// A window may carry any number of these, one per procedure, above or below comctl32's
// subclasses. Each one goes at WM_NCDESTROY, after the rest of the chain has seen it.

#include <windows.h>

// next: the window procedure below this subclass; call it (CallWindowProcW) for the default.
using LocalSubclassProc = LRESULT (*)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data,
                                      WNDPROC next);

namespace subclass_detail {
bool Attach(HWND hwnd, LocalSubclassProc proc, WNDPROC thunk, DWORD_PTR data);
void Detach(HWND hwnd, LocalSubclassProc proc, WNDPROC thunk);
bool Find(HWND hwnd, LocalSubclassProc proc, DWORD_PTR& data);
LRESULT Dispatch(LocalSubclassProc proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// One window procedure per subclass procedure, so two subclasses of one window tell apart.
template <LocalSubclassProc Proc> LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Dispatch(Proc, hwnd, msg, wParam, lParam);
}
} // namespace subclass_detail

// Puts Proc above the window's procedure, with data for it; call it on the window's thread.
// False when the window is not this process's, or Proc already subclasses it.
template <LocalSubclassProc Proc> bool AttachLocalSubclass(HWND hwnd, DWORD_PTR data) {
    return subclass_detail::Attach(hwnd, Proc, subclass_detail::Thunk<Proc>, data);
}

// Proc stops seeing the window's messages, even while one of them is running. It is taken out
// of the chain at once when nothing was put above it since; otherwise it passes every message
// on until the window is destroyed.
template <LocalSubclassProc Proc> void DetachLocalSubclass(HWND hwnd) {
    subclass_detail::Detach(hwnd, Proc, subclass_detail::Thunk<Proc>);
}

// Whether Proc subclasses the window, and its data: only this process's windows can be.
template <LocalSubclassProc Proc> bool FindLocalSubclass(HWND hwnd, DWORD_PTR& data) {
    return subclass_detail::Find(hwnd, Proc, data);
}
