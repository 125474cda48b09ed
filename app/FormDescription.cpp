#include "app/FormDescription.h"

#include <array>

#include "app/Texts.h"

namespace form {
namespace {

constexpr std::wstring_view kPercentItems[] = {L"30", L"40", L"50", L"60", L"70", L"80", L"90"};
constexpr std::wstring_view kMinuteItems[] = {L"5", L"10", L"20", L"30", L"40", L"50", L"60"};

using K = ControlKind;

// Control identifiers are the table position plus this base, so they are stable for a given table.
constexpr int kFirstControlId = 1001;
constexpr int kFirstMenuId = 2001;

// clang-format off
constexpr std::array kControlsDesign = {
    // name, kind, parent, bounds at 96 DPI, design caption, handler, flags, items, selected
    ControlDesc{"PnlHead", K::Panel, "", {0, 0, 500, 50}, L"", ""},
    ControlDesc{"BtnHead", K::Toolbar, "PnlHead", {10, 10, 360, 30}, L"", ""},
    ControlDesc{"BtnHome", K::ToolButton, "BtnHead", {10, 0, 70, 30}, L"처음화면", "BtnHomeClick", kCtlDown},
    ControlDesc{"BtnConfig", K::ToolButton, "BtnHead", {80, 0, 70, 30}, L"환경설정", "BtnHomeClick"},
    ControlDesc{"BtnDonate", K::ToolButton, "BtnHead", {150, 0, 70, 30}, L"후원하기", "BtnHomeClick"},
    ControlDesc{"PnlLogo", K::Panel, "PnlHead", {380, 0, 120, 50}, L"", ""},
    ControlDesc{"SVGIconImage1", K::Image, "PnlLogo", {0, 0, 112, 50}, L"", "SVGIconImage1Click", kCtlHandCursor},
    ControlDesc{"PnlMain", K::PageControl, "", {0, 50, 500, 400}, L"", ""},
    ControlDesc{"Card1", K::Page, "PnlMain", {0, 0, 500, 400}, L"", ""},
    ControlDesc{"LblTitle", K::Label, "Card1", {8, 40, 484, 81}, texts::kProductName, "", kCtlCentered | kCtlOwnFont},
    ControlDesc{"ProgressBar", K::ProgressBar, "Card1", {56, 192, 393, 25}, L"", ""},
    ControlDesc{"LblPhys", K::Label, "Card1", {56, 223, 70, 13}, L"실제 메모리", ""},
    ControlDesc{"LblPhysStatus", K::Label, "Card1", {132, 223, 317, 13}, L"", ""},
    ControlDesc{"LblVirtual", K::Label, "Card1", {56, 242, 70, 13}, L"가상 메모리", ""},
    ControlDesc{"LblVirtualStatus", K::Label, "Card1", {134, 242, 120, 13}, L"", ""},
    ControlDesc{"LblWorking", K::Label, "Card1", {263, 242, 70, 13}, L"워킹 셋", ""},
    ControlDesc{"LblWorkingStatus", K::Label, "Card1", {341, 242, 108, 13}, L"", ""},
    ControlDesc{"BtnClean", K::StyledButton, "Card1", {168, 298, 164, 68}, texts::kCleanIdle, "BtnCleanClick"},
    ControlDesc{"Card2", K::Page, "PnlMain", {0, 0, 500, 400}, L"", ""},
    ControlDesc{"GroupBox1", K::GroupBox, "Card2", {15, 14, 474, 155}, L"메모리 관리", ""},
    ControlDesc{"ChkUsagePhys", K::CheckBox, "GroupBox1", {17, 32, 328, 17}, L"실제 메모리 사용률(%) 이상일 때 정리하기",
                "ChkUsagePhysClick"},
    ControlDesc{"EditUsagePhys", K::ComboBox, "GroupBox1", {372, 31, 81, 21}, L"", "EditUsagePhysChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkUsagePage", K::CheckBox, "GroupBox1", {17, 62, 328, 17}, L"가상 메모리 사용률(%) 이상일 때 정리하기",
                "ChkUsagePageClick"},
    ControlDesc{"EditUsagePage", K::ComboBox, "GroupBox1", {372, 62, 81, 21}, L"", "EditUsagePageChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkUsageWork", K::CheckBox, "GroupBox1", {17, 92, 328, 17}, L"워킹셋 사용률(%) 이상일 때 정리하기",
                "ChkUsageWorkClick"},
    ControlDesc{"EditUsageWork", K::ComboBox, "GroupBox1", {372, 89, 81, 21}, L"", "EditUsageWorkChange",
                kCtlDisabled, kPercentItems, 6},
    ControlDesc{"ChkMinute", K::CheckBox, "GroupBox1", {17, 122, 328, 17}, L"다음 시간(분) 마다 정리하기",
                "ChkMinuteClick"},
    ControlDesc{"EditMinute", K::ComboBox, "GroupBox1", {372, 116, 81, 21}, L"", "EditMinuteChange", kCtlDisabled,
                kMinuteItems, 3},
    ControlDesc{"GroupBox3", K::GroupBox, "Card2", {15, 192, 474, 73}, L"기본 설정", ""},
    ControlDesc{"ChkAutoStart", K::CheckBox, "GroupBox3", {17, 32, 208, 17}, L"부팅시 실행하기", "ChkAutoStartClick"},
    ControlDesc{"ChkCleanOnTray", K::CheckBox, "GroupBox3", {245, 32, 208, 17}, L"트레이 아이콘 클릭시 정리하기",
                "ChkCleanOnTrayClick"},
    ControlDesc{"EditInfo", K::InfoEdit, "Card2", {15, 368, 170, 21}, L"", "EditInfoClick"},
};
// clang-format on

constexpr auto kControls = [] {
    auto table = kControlsDesign;
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].id = kFirstControlId + static_cast<int>(i);
    }
    return table;
}();

constexpr auto kMenu = [] {
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

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const ControlDesc> Controls() { return kControls; }
std::span<const MenuItemDesc> PopupMenu() { return kMenu; }

const ControlDesc* FindControl(std::string_view name) {
    for (const auto& c : kControls) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

const ControlDesc* FindControlById(int id) {
    for (const auto& c : kControls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const MenuItemDesc* FindMenuItem(std::string_view name) {
    for (const auto& m : kMenu) {
        if (m.name == name) {
            return &m;
        }
    }
    return nullptr;
}

HeaderAction HeaderActionFor(std::string_view componentName) {
    if (EqualsIgnoreCase(componentName, "BtnHome")) {
        return HeaderAction::Home;
    }
    if (EqualsIgnoreCase(componentName, "BtnConfig")) {
        return HeaderAction::Config;
    }
    if (EqualsIgnoreCase(componentName, "BtnDonate")) {
        return HeaderAction::Donate;
    }
    return HeaderAction::None;
}

} // namespace form
