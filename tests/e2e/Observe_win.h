#pragma once
// What the driver sees of a running RamBroom from outside: its processes, its main window,
// the controls that form::Controls() describes inside that window, and its message boxes.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/FormDescription.h"

namespace inspect {

inline constexpr std::wstring_view kExeName = L"RamBroom.exe";

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// SendMessageTimeoutW that gives up on a hung or slow receiver, so the driver never hangs.
bool Ask(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

std::wstring ClassName(HWND window);
// Class names compare without regard to case, as the window manager does.
bool IsClass(HWND window, std::wstring_view className);
// The text through WM_GETTEXT, which the system copies across processes; GetWindowTextW does
// not ask another process's edit control for its text.
std::wstring Text(HWND window);
// A top-level window's caption as the system keeps it (no message sent).
std::wstring Caption(HWND window);
// GetDpiForWindow where user32 has it (Windows 10 1607 and later), else 96; under Wine the
// system DPI.
UINT Dpi(HWND window);
RECT ScreenRect(HWND window);
POINT ClientOrigin(HWND window);
SIZE ClientSize(HWND window);

// Processes whose image name is RamBroom.exe (Toolhelp snapshot).
std::vector<DWORD> AppProcesses();
// Terminates every RamBroom.exe process and waits for each; returns how many were ended.
int TerminateApp();
// Whether the window belongs to a RamBroom.exe process.
bool IsAppWindow(HWND window);

// Top-level windows of the program's window class that RamBroom.exe processes made, hidden
// ones included, in z-order: another process may register the class too.
std::vector<HWND> MainWindows();
// The first of them: the window a second launch sends its control message to.
HWND MainWindow();

// The descendant of `main` whose control identifier is `control.id`, or nullptr.
HWND FindControl(HWND main, const ControlDesc& control);
// The form's description of a window, found by its control identifier; nullptr for the main
// window and for windows that are not the form's controls.
const ControlDesc* ControlDescOf(HWND window);

// Dialog-class windows (#32770) of RamBroom.exe processes, hidden ones included, in z-order:
// the program's message boxes.
std::vector<HWND> MessageBoxes();
// The first of them, or nullptr.
HWND FindMessageBox();

// The child windows of `parent` in z-order, one level.
std::vector<HWND> Children(HWND parent);
// Top-level windows of the driver's desktop, hidden ones included, in z-order.
std::vector<HWND> TopLevelWindows();

// Polls `condition` every 50 ms until it holds (true) or `timeoutMs` has passed (false).
template <typename Fn> bool PollFor(DWORD timeoutMs, Fn&& condition) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(50);
    }
}

} // namespace inspect
