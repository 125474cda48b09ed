#include "app/Application_win.h"

std::wstring& ApplicationTitle() {
    static std::wstring title;
    return title;
}
