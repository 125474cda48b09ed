#include "app/TranslateWindow_win.h"

#include <string>
#include <vector>

#include "translate/Translate_win.h"

namespace {

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void TranslateMenuItems(HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{sizeof(item)};
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || (item.fType & MFT_SEPARATOR) != 0) {
            continue;
        }
        std::wstring caption(item.cch + 1, L'\0');
        item.dwTypeData = caption.data();
        item.cch = static_cast<UINT>(caption.size());
        if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item)) {
            caption.resize(item.cch);
            std::wstring translated = Translate(caption);
            MENUITEMINFOW change{sizeof(change)};
            change.fMask = MIIM_STRING;
            change.dwTypeData = translated.data();
            ::SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &change);
        }
        if (item.hSubMenu) {
            TranslateMenuItems(item.hSubMenu);
        }
    }
}

bool HasCaption(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::ToolButton:
    case ControlKind::StyledButton:
    case ControlKind::GroupBox:
    case ControlKind::CheckBox:
        return true;
    default:
        return false;
    }
}

} // namespace

void TranslateComponent(HWND form, FormControls& controls, HMENU popup, std::wstring_view Lang) {
    if (!Lang.empty()) {
        CurrentLanguage() = Lang;
    }
    if (!form) {
        return;
    }
    if (popup) {
        TranslateMenuItems(popup);
    }
    ::SetWindowTextW(form, Translate(WindowText(form), CurrentLanguage() == L"ko" ? L"" : L"en").c_str());
    for (const auto& control : controls.All()) {
        if (control->desc.kind == ControlKind::ComboBox) {
            const int selected = control->SelectedIndex();
            std::vector<std::wstring> items = control->Items();
            for (auto& item : items) {
                item = Translate(item);
            }
            control->SetItems(items);
            control->SetSelectedIndex(selected);
        } else if (HasCaption(control->desc.kind)) {
            const std::wstring caption = control->Text();
            if (!caption.empty()) {
                control->SetText(Translate(caption));
            }
        }
    }
}
