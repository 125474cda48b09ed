#pragma once
// The main window as data: every control with its parent, position at 96 DPI, design caption
// (the Korean text, which is also the catalog key) and the name of the handler it is bound to.
// The window builds itself from this table; the translation walk, the settings page and the
// end-to-end driver read the same table.

#include <array>
#include <cstddef>
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

namespace detail {
inline constexpr std::wstring_view kPercentItems[] = {L"30", L"40", L"50", L"60", L"70", L"80", L"90"};
inline constexpr std::wstring_view kMinuteItems[] = {L"5", L"10", L"20", L"30", L"40", L"50", L"60"};

// Control identifiers are the table position plus this base, so they are stable for a given table.
inline constexpr int kFirstControlId = 1001;
inline constexpr int kFirstMenuId = 2001;

// clang-format off
inline constexpr std::array kControlsDesign = {
    // name, kind, parent, bounds at 96 DPI, design caption, handler, flags, items, selected
    ControlDesc{"PnlHead", ControlKind::Panel, "", {0, 0, 500, 50}, L"", ""},
    ControlDesc{"BtnHead", ControlKind::Toolbar, "PnlHead", {10, 10, 360, 30}, L"", ""},
    ControlDesc{"BtnHome", ControlKind::ToolButton, "BtnHead", {10, 0, 70, 30}, L"처음화면", "BtnHomeClick", kCtlDown},
    ControlDesc{"BtnConfig", ControlKind::ToolButton, "BtnHead", {80, 0, 70, 30}, L"환경설정", "BtnHomeClick"},
    ControlDesc{"BtnDonate", ControlKind::ToolButton, "BtnHead", {150, 0, 70, 30}, L"후원하기", "BtnHomeClick"},
    ControlDesc{"PnlLogo", ControlKind::Panel, "PnlHead", {380, 0, 120, 50}, L"", ""},
    ControlDesc{"SVGIconImage1", ControlKind::Image, "PnlLogo", {0, 0, 112, 50}, L"", "SVGIconImage1Click", kCtlHandCursor},
    ControlDesc{"PnlMain", ControlKind::PageControl, "", {0, 50, 500, 400}, L"", ""},
    ControlDesc{"Card1", ControlKind::Page, "PnlMain", {0, 0, 500, 400}, L"", ""},
    ControlDesc{"LblTitle", ControlKind::Label, "Card1", {8, 40, 484, 81}, texts::kProductName, "", kCtlCentered | kCtlOwnFont},
    ControlDesc{"ProgressBar", ControlKind::ProgressBar, "Card1", {56, 192, 393, 25}, L"", ""},
    ControlDesc{"LblPhys", ControlKind::Label, "Card1", {56, 223, 70, 13}, L"실제 메모리", ""},
    ControlDesc{"LblPhysStatus", ControlKind::Label, "Card1", {132, 223, 317, 13}, L"", ""},
    ControlDesc{"LblVirtual", ControlKind::Label, "Card1", {56, 242, 70, 13}, L"가상 메모리", ""},
    ControlDesc{"LblVirtualStatus", ControlKind::Label, "Card1", {134, 242, 120, 13}, L"", ""},
    ControlDesc{"LblWorking", ControlKind::Label, "Card1", {263, 242, 70, 13}, L"워킹 셋", ""},
    ControlDesc{"LblWorkingStatus", ControlKind::Label, "Card1", {341, 242, 108, 13}, L"", ""},
    ControlDesc{"BtnClean", ControlKind::StyledButton, "Card1", {168, 298, 164, 68}, texts::kCleanIdle, "BtnCleanClick"},
    ControlDesc{"Card2", ControlKind::Page, "PnlMain", {0, 0, 500, 400}, L"", ""},
    ControlDesc{"GroupBox1", ControlKind::GroupBox, "Card2", {15, 14, 474, 155}, L"메모리 관리", ""},
    ControlDesc{"ChkUsagePhys", ControlKind::CheckBox, "GroupBox1", {17, 32, 328, 17}, L"실제 메모리 사용률(%) 이상일 때 정리하기",
                "ChkUsagePhysClick"},
    ControlDesc{"EditUsagePhys", ControlKind::ComboBox, "GroupBox1", {372, 31, 81, 21}, L"", "EditUsagePhysChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkUsagePage", ControlKind::CheckBox, "GroupBox1", {17, 62, 328, 17}, L"가상 메모리 사용률(%) 이상일 때 정리하기",
                "ChkUsagePageClick"},
    ControlDesc{"EditUsagePage", ControlKind::ComboBox, "GroupBox1", {372, 62, 81, 21}, L"", "EditUsagePageChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkUsageWork", ControlKind::CheckBox, "GroupBox1", {17, 92, 328, 17}, L"워킹셋 사용률(%) 이상일 때 정리하기",
                "ChkUsageWorkClick"},
    ControlDesc{"EditUsageWork", ControlKind::ComboBox, "GroupBox1", {372, 89, 81, 21}, L"", "EditUsageWorkChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkMinute", ControlKind::CheckBox, "GroupBox1", {17, 122, 328, 17}, L"다음 시간(분) 마다 정리하기",
                "ChkMinuteClick"},
    ControlDesc{"EditMinute", ControlKind::ComboBox, "GroupBox1", {372, 116, 81, 21}, L"", "EditMinuteChange", kCtlDisabled,
                kMinuteItems, 3},
    ControlDesc{"GroupBox3", ControlKind::GroupBox, "Card2", {15, 192, 474, 73}, L"기본 설정", ""},
    ControlDesc{"ChkAutoStart", ControlKind::CheckBox, "GroupBox3", {17, 32, 208, 17}, L"부팅시 실행하기", "ChkAutoStartClick"},
    ControlDesc{"ChkCleanOnTray", ControlKind::CheckBox, "GroupBox3", {245, 32, 208, 17}, L"트레이 아이콘 클릭시 정리하기",
                "ChkCleanOnTrayClick"},
    ControlDesc{"EditInfo", ControlKind::InfoEdit, "Card2", {15, 368, 170, 21}, L"", "EditInfoClick"},
};
// clang-format on

inline constexpr auto kControls = [] {
    auto table = kControlsDesign;
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].id = kFirstControlId + static_cast<int>(i);
    }
    return table;
}();

inline constexpr auto kMenu = [] {
    std::array items = {
        MenuItemDesc{"BtnOpen", texts::kProductName, "BtnOpenClick"},
        MenuItemDesc{"N2", L"-", ""},
        MenuItemDesc{"BtnCopyright", L"만든이 Orvel", "BtnCopyrightClick"},
        MenuItemDesc{"BtnClose", L"종료", "BtnCloseClick"},
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].id = kFirstMenuId + static_cast<int>(i);
    }
    return items;
}();

} // namespace detail

inline constexpr std::span<const ControlDesc> Controls() { return detail::kControls; }
inline constexpr std::span<const MenuItemDesc> PopupMenu() { return detail::kMenu; }

// A control's position in the table, found at compile time: a name that is not in the table
// does not compile.
consteval ControlIndex Ctl(std::string_view name) {
    for (std::size_t i = 0; i < detail::kControls.size(); ++i) {
        if (detail::kControls[i].name == name) {
            return ControlIndex{i};
        }
    }
    throw "no control of this name in the form table";
}

// A handler name that some control or menu item of the form names; others do not compile.
consteval std::string_view Handler(std::string_view name) {
    for (const auto& c : detail::kControls) {
        if (!name.empty() && c.handler == name) {
            return name;
        }
    }
    for (const auto& m : detail::kMenu) {
        if (!name.empty() && m.handler == name) {
            return name;
        }
    }
    throw "no control or menu item of the form names this handler";
}

// Whether `bound` names every handler of the form exactly once.
template <std::size_t N> consteval bool BindsEveryHandlerOnce(const std::array<std::string_view, N>& bound) {
    auto countIn = [](std::string_view name, auto const& list) {
        int n = 0;
        for (auto entry : list) {
            n += entry == name ? 1 : 0;
        }
        return n;
    };
    auto namedOnce = [&](std::string_view name) { return countIn(name, bound) == 1; };
    for (const auto& c : detail::kControls) {
        if (!c.handler.empty() && !namedOnce(c.handler)) {
            return false;
        }
    }
    for (const auto& m : detail::kMenu) {
        if (!m.handler.empty() && !namedOnce(m.handler)) {
            return false;
        }
    }
    return true;
}

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
