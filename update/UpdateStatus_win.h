#pragma once
// ShowUpdateStatus: the notice line, a status bar at the bottom of the main window with one
// red, bold, centred text that opens the notice URL when clicked. Added on the first notice
// and kept until the window goes; the window grows by its height, so the content above keeps
// its size.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// The bar's height in pixels at 96 DPI (scaled to the main window's DPI), and its control
// identifier on the main window (clear of the form's, which start at 1001, and of its menu's, at 2001).
inline constexpr int kUpdateStatusHeight = 28;
inline constexpr int kUpdateStatusId = 0x5E20;

// Adds the line to `mainWindow` if it has none, then sets its text (in `language`, or
// CurrentLanguage() when empty), its tooltip `url` and what a click does: `onOpenUrl(url)`,
// only when `url` is an http:// or https:// URL. Nothing happens without a window.
//
// The bar keeps itself at the bottom on the window's WM_SIZE and takes the new DPI's font on
// its WM_DPICHANGED (through a subclass of the window). The window, when it sets its own size
// (a DPI change, a font change), adds UpdateStatusHeight, scaled to its DPI, to its client height.
void ShowUpdateStatus(HWND mainWindow, const std::wstring& url, std::function<void(const std::wstring&)> onOpenUrl,
                      std::wstring_view language = {});

// kUpdateStatusHeight (96-DPI pixels) once the window has the line, else 0.
int UpdateStatusHeight(HWND mainWindow);

// The line's status bar, or nullptr.
HWND FindUpdateStatus(HWND mainWindow);
