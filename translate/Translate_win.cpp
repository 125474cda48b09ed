#include "translate/Translate_win.h"

namespace {

TranslationCatalog& Catalog() {
    static TranslationCatalog catalog;
    return catalog;
}

} // namespace

const TranslationCatalog& LoadedCatalog() { return Catalog(); }

std::wstring& CurrentLanguage() {
    static std::wstring language = L"en";
    return language;
}

void LoadTranslations(HMODULE module) {
    Catalog().clear();
    // RCDATA bytes come back as stored, byte-order mark included; the reader skips it.
    if (HRSRC found = ::FindResourceW(module, L"translate", RT_RCDATA)) {
        const DWORD size = ::SizeofResource(module, found);
        if (HGLOBAL loaded = ::LoadResource(module, found); loaded && size > 0) {
            if (const void* bytes = ::LockResource(loaded)) {
                Catalog() = ReadCatalog(std::string_view(static_cast<const char*>(bytes), size));
            }
        }
    }
    CurrentLanguage() = LanguageOf(GetUserLanguage());
}

std::wstring GetUserLanguage() {
    const LCID locale = ::GetUserDefaultLCID();
    const int size = ::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, nullptr, 0);
    if (size <= 0) {
        return L"en";
    }
    std::wstring name(static_cast<std::size_t>(size), L'\0');
    const int written = ::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, name.data(), size);
    if (written <= 0) {
        return L"en";
    }
    name.resize(name.find(L'\0') == std::wstring::npos ? name.size() : name.find(L'\0'));
    return name;
}

std::wstring Translate(std::wstring_view Text, std::wstring_view Lang) {
    return ::Translate(Catalog(), Text, Lang.empty() ? std::wstring_view(CurrentLanguage()) : Lang);
}
