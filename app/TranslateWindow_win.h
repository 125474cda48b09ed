#pragma once
// The translation walk over the main window: its caption, every control's caption, the drop-down
// lists' items (selection kept) and the popup menu's items.

#include <windows.h>

#include <string_view>

#include "widgets/FormControls_win.h"

// A non-empty `Lang` becomes CurrentLanguage first. The window's caption is English in every
// language but Korean; everything else follows CurrentLanguage.
void TranslateComponent(HWND form, FormControls& controls, HMENU popup, std::wstring_view Lang = {});
