#include "widgets/ControlKinds_win.h"

#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "base/Subclass_win.h"
#include "widgets/FormControls_win.h"
#include "widgets/Logo_win.h"

namespace {

LRESULT InfoClickSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR, WNDPROC next) {
    if (msg == WM_LBUTTONUP) {
        LRESULT result = ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
        ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), kInfoClicked),
                       reinterpret_cast<LPARAM>(hwnd));
        return result;
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

void ReportsClicks(FormControl& c) { AttachLocalSubclass<InfoClickSubclassProc>(c.hwnd, 0); }
constexpr int kPercentMax = 100;
void PercentRange(FormControl& c) { ::SendMessageW(c.hwnd, PBM_SETRANGE32, 0, kPercentMax); }

// The program's two button looks, both of the Brenwick family: the header toolbar's (its tool
// buttons take it) and the clean button's.
constexpr ButtonStyleDesc kHeaderStyle{"Brenwick", "", "Header", 4};
constexpr ButtonStyleDesc kCleanStyle{"Brenwick", "", "Outline", 6};

// A tool button: down or not as the table says, in its toolbar's look, one of its group.
void ToolButtonCreated(FormControl& c) {
    c.SetChecked((c.desc.flags & kCtlDown) != 0);
    const ButtonStyleDesc* style = c.parent ? KindInfo(c.parent->desc.kind).buttonStyle : nullptr;
    if (style) {
        AttachStyledButton(c.hwnd, *style, kStyledInGroup);
    }
}
void StyledButtonCreated(FormControl& c) { AttachStyledButton(c.hwnd, *KindInfo(c.desc.kind).buttonStyle); }
void DesignItems(FormControl& c) {
    std::vector<std::wstring> items(c.desc.items.begin(), c.desc.items.end());
    c.SetItems(items);
    c.SetSelectedIndex(c.desc.selected);
}

using K = ControlKind;
constexpr DWORD kContainerStyle = WS_CLIPCHILDREN;

// In ControlKind order.
constexpr ControlKindInfo kKinds[] = {
    {K::Panel, "Panel", kPanelClass, kContainerStyle, WS_EX_CONTROLPARENT, kNoEvent, true, false, nullptr},
    {K::Toolbar, "Toolbar", kPanelClass, kContainerStyle, WS_EX_CONTROLPARENT, kNoEvent, true, false, nullptr,
     &kHeaderStyle},
    // Not an auto radio button: Donate is clicked without becoming the pressed one. Each is a
    // group of its own for the dialog manager, whose arrow keys would "click" a neighbour (and
    // open a web page): the styled tool buttons move the focus among themselves instead.
    {K::ToolButton, "ToolButton", WC_BUTTONW, WS_TABSTOP | WS_GROUP | BS_PUSHLIKE | BS_RADIOBUTTON, 0, BN_CLICKED,
     false, false, ToolButtonCreated},
    {K::Image, "Image", kLogoClass, 0, 0, STN_CLICKED, false, false, nullptr},
    {K::PageControl, "PageControl", kPanelClass, kContainerStyle, WS_EX_CONTROLPARENT, kNoEvent, true, false, nullptr},
    {K::Page, "Page", kPanelClass, kContainerStyle, WS_EX_CONTROLPARENT, kNoEvent, true, false, nullptr},
    {K::Label, "Label", WC_STATICW, SS_NOPREFIX, 0, kNoEvent, false, true, nullptr},
    {K::ProgressBar, "ProgressBar", PROGRESS_CLASSW, PBS_SMOOTH, 0, kNoEvent, false, false, PercentRange},
    {K::StyledButton, "StyledButton", WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0, BN_CLICKED, false, false,
     StyledButtonCreated, &kCleanStyle},
    {K::GroupBox, "GroupBox", WC_BUTTONW, kContainerStyle | BS_GROUPBOX, WS_EX_CONTROLPARENT, kNoEvent, true, false,
     nullptr},
    {K::CheckBox, "CheckBox", WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX, 0, BN_CLICKED, false, false, nullptr},
    {K::ComboBox, "ComboBox", WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, CBN_SELCHANGE, false, false,
     DesignItems},
    {K::InfoEdit, "InfoEdit", WC_EDITW, ES_READONLY | ES_AUTOHSCROLL, 0, kInfoClicked, false, false, ReportsClicks},
};

static_assert(std::size(kKinds) == static_cast<std::size_t>(ControlKind::InfoEdit) + 1);
static_assert(
    [] {
        for (std::size_t i = 0; i < std::size(kKinds); ++i) {
            if (static_cast<std::size_t>(kKinds[i].kind) != i) {
                return false;
            }
        }
        return true;
    }(),
    "the kinds table is in ControlKind order");

} // namespace

const ControlKindInfo& KindInfo(ControlKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }
