#include "app/PopupMenu_win.h"

#include <string>

#include "app/FormDescription.h"

UniqueHmenu CreateFormPopupMenu() {
    UniqueHmenu menu(::CreatePopupMenu());
    if (!menu) {
        return menu;
    }
    for (const auto& item : form::PopupMenu()) {
        if (item.caption == L"-") {
            ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.id), std::wstring(item.caption).c_str());
        }
    }
    return menu;
}
