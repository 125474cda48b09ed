#include "translate/Translate_win.h"

#include <mutex>

namespace {

// The catalog is read from the module on first use, not at start: a launch that only hands over
// to the running instance never reads it, and a window in Korean, which its design texts are,
// looks up nothing.
struct LoadedTranslations {
    std::mutex mutex;
    HMODULE module = nullptr;
    bool read = true; // nothing to read before LoadTranslations
    TranslationCatalog catalog;
};

LoadedTranslations& Loaded() {
    static LoadedTranslations loaded;
    return loaded;
}

TranslationCatalog ReadCatalogResource(HMODULE module) {
    // RCDATA bytes come back as stored, byte-order mark included; the reader skips it.
    if (HRSRC found = ::FindResourceW(module, L"translate", RT_RCDATA)) {
        const DWORD size = ::SizeofResource(module, found);
        if (HGLOBAL resource = ::LoadResource(module, found); resource && size > 0) {
            if (const void* bytes = ::LockResource(resource)) {
                return ReadCatalog(std::string_view(static_cast<const char*>(bytes), size));
            }
        }
    }
    return {};
}

const TranslationCatalog& Catalog() {
    LoadedTranslations& loaded = Loaded();
    const std::lock_guard lock(loaded.mutex);
    if (!loaded.read) {
        loaded.catalog = ReadCatalogResource(loaded.module);
        loaded.read = true;
    }
    return loaded.catalog;
}

} // namespace

const TranslationCatalog& LoadedCatalog() { return Catalog(); }

std::wstring& CurrentLanguage() {
    static std::wstring language = L"en";
    return language;
}

void LoadTranslations(HMODULE module) {
    {
        LoadedTranslations& loaded = Loaded();
        const std::lock_guard lock(loaded.mutex);
        loaded.module = module;
        loaded.read = false;
        loaded.catalog.clear();
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
