#pragma once
// The form theme: a dark window frame from the desktop window manager, and a 2-pixel accent line
// across the top of the form's client area, blue while the form is active and grey while it is
// not. TThemeHelper hooks the form (a window subclass) to follow activation and size; the form
// keeps the helper for its lifetime, and the helper owns the line.

#include <windows.h>

#include <memory>

#include "base/Handles_win.h"

class TThemeHelper final {
public:
    // Themes `form`, a top-level window; throws std::invalid_argument for anything else, and
    // then changes nothing.
    explicit TThemeHelper(HWND form);
    // Unhooks the form, then removes the line (when the form still has it).
    ~TThemeHelper();

    TThemeHelper(const TThemeHelper&) = delete;
    TThemeHelper& operator=(const TThemeHelper&) = delete;

    // The accent line's window; nullptr once the form is destroyed.
    HWND Line() const { return FShape.get(); }
    bool IsActive() const { return FIsActive; }

private:
    static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR self, WNDPROC next);
    // Recolours the line and shows, hides and stretches it for the form as it is now.
    void UpdateShape();
    void Unhook();

    HWND FForm;
    bool FIsActive = true;
    UniqueHwnd FShape;
    bool FHooked = false;
};

// Themes `form` as the first step of its creation; the form keeps the answer as long as it lives.
std::unique_ptr<TThemeHelper> ApplyTheme(HWND form);
