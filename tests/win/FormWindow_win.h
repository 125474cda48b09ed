#pragma once
// The form's controls as the main window creates them, in a window of their own (hidden until a
// test shows it): the fixture of the tests of the controls and of what walks or paints them.

#include <windows.h>
#include <commctrl.h>

#include "app/FormDescription.h"
#include "widgets/FormControls_win.h"

class FormWindow {
public:
    explicit FormWindow(const wchar_t* caption = L"") {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
        static const wchar_t* const className = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = L"RamBroomFormWindowTest";
            ::RegisterClassW(&wc);
            return wc.lpszClassName;
        }();
        window = ::CreateWindowExW(0, className, caption, WS_OVERLAPPEDWINDOW, 0, 0, 600, 600, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        controls.Create(window, form::Controls());
    }
    ~FormWindow() { ::DestroyWindow(window); }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND window = nullptr;
    FormControls controls; // destroyed after the window, whose controls' state it holds
};
