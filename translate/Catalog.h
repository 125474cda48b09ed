#pragma once
// The translation catalog and Translate. The catalog is a resource of UTF-8 lines (a byte-order
// mark allowed; CR LF, CR or LF ends), in blocks of "code=text" rows separated by one empty
// line; each block gives one text in several languages. A text is looked up among the texts of
// every language, so translating an already translated text gives the same result.

#include <string>
#include <string_view>
#include <vector>

// One entry per line of the resource, in order, empty lines included.
using TranslationCatalog = std::vector<std::wstring>;

// Decodes the resource's bytes. Malformed UTF-8 becomes U+FFFD, one per offending byte; any input
// gives a catalog.
TranslationCatalog ReadCatalog(std::string_view bytes);

// `text` with every backslash followed by a lower-case n turned into one carriage return.
std::wstring ResolveLineBreaks(std::wstring_view text);

// `Text` in language `Lang`, else in English, from the block whose first row (scanning from the
// top) has `Text` as its text, compared without case for the ASCII letters only and exactly
// otherwise. Language codes compare exactly. Without an answer: `Text`, line breaks resolved.
std::wstring Translate(const TranslationCatalog& catalog, std::wstring_view Text, std::wstring_view Lang);

// The interface language from a locale's ISO 639 name: its first two characters; "en" for none.
std::wstring LanguageOf(std::wstring_view iso639Name);
