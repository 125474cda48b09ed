#pragma once
// The running program's catalog (the module's RCDATA resource "translate") and its interface
// language, set once at start before any window; the catalog is read on its first use, once.

#include <windows.h>

#include <string>
#include <string_view>

#include "translate/Catalog.h"

// Takes the catalog from `module` (read on first use; an empty one when the resource is missing
// or unreadable) and sets CurrentLanguage from the user's default locale.
void LoadTranslations(HMODULE module);

// The ISO 639 name of the user's default locale (the regional formats, not the display
// language); "en" when it cannot be asked.
std::wstring GetUserLanguage();

// Two letters; "en" until LoadTranslations.
std::wstring& CurrentLanguage();

// `Text` in `Lang`, or in CurrentLanguage when `Lang` is empty (see Catalog.h).
std::wstring Translate(std::wstring_view Text, std::wstring_view Lang = {});

const TranslationCatalog& LoadedCatalog();
