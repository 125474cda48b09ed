#include "app/Locale_win.h"

#include <windows.h>

namespace {
std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer)));
    return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring(fallback);
}
} // namespace

NumberSeparators UserNumberSeparators() {
    return {LocaleText(LOCALE_STHOUSAND, L","), LocaleText(LOCALE_SDECIMAL, L".")};
}
