#pragma once
// The main window as data: every control with its parent, position at 96 DPI, design caption
// (the Korean text, which is also the catalog key) and the name of the handler it is bound to.
// The window builds itself from this table; the translation walk, the settings page and the
// end-to-end driver read the same table.

#include <span>
#include <string_view>

#include "app/Texts.h"
#include "widgets/ControlDesc.h"

namespace form {

// Window class of the main window and name of the instance mutex.
inline constexpr std::wstring_view kWindowClass = L"TFrmRamBroom";
inline constexpr std::wstring_view kCaption = texts::kProductName;
inline constexpr int kClientWidth = 500;
inline constexpr int kClientHeight = 450;
inline constexpr unsigned kStatusTimerMs = 1000;
inline constexpr FontDesc kTitleFont{L"Tahoma", 59, true};
// Secondary status lines are drawn in this grey, RGB(128, 128, 128).
inline constexpr unsigned kGreyText = 0x00808080;

std::span<const ControlDesc> Controls();
std::span<const MenuItemDesc> PopupMenu();

// Lookups by name (exact, case-sensitive); nullptr when absent.
const ControlDesc* FindControl(std::string_view name);
const ControlDesc* FindControlById(int id);
const MenuItemDesc* FindMenuItem(std::string_view name);

// Pages of PnlMain, in page order.
inline constexpr std::string_view kPages[] = {"Card1", "Card2"};

// The header buttons as BtnHomeClick recognises them.
enum class HeaderAction { Home = 0, Config = 1, Donate = 2, None = -1 };
HeaderAction HeaderActionFor(std::string_view componentName);

} // namespace form
