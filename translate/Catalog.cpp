#include "translate/Catalog.h"

#include <cstdint>

namespace {

void AppendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The code point of a well-formed UTF-8 sequence at `bytes[i]` and its length; length 0 when the
// byte there starts none (a stray continuation, an overlong form, a surrogate, past U+10FFFF, or
// cut short).
std::size_t DecodeAt(std::string_view bytes, std::size_t i, char32_t& c) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

std::wstring_view TextPart(std::wstring_view entry) {
    const std::size_t equals = entry.find(L'=');
    return equals == std::wstring_view::npos ? std::wstring_view() : entry.substr(equals + 1);
}

std::wstring_view CodePart(std::wstring_view entry) {
    const std::size_t equals = entry.find(L'=');
    return equals == std::wstring_view::npos ? entry : entry.substr(0, equals);
}

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameText(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

TranslationCatalog ReadCatalog(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    TranslationCatalog lines;
    std::wstring line;
    bool pending = false; // a line has begun that no line end has closed yet
    for (std::size_t i = 0; i < bytes.size();) {
        const char byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            pending = false;
            i += byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = DecodeAt(bytes, i, c);
        AppendCodePoint(line, length ? c : U'\uFFFD');
        i += length ? length : 1;
        pending = true;
    }
    if (pending) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::wstring ResolveLineBreaks(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            out += L'\r';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::wstring Translate(const TranslationCatalog& catalog, std::wstring_view Text, std::wstring_view Lang) {
    if (Text.empty()) {
        return {};
    }
    std::size_t key = 0;
    while (key < catalog.size() && !SameText(TextPart(catalog[key]), Text)) {
        ++key;
    }
    if (key == catalog.size()) {
        return ResolveLineBreaks(Text);
    }
    std::size_t start = key;
    while (start > 0 && !catalog[start - 1].empty()) {
        --start;
    }
    for (std::wstring_view code : {Lang, std::wstring_view(L"en")}) {
        for (std::size_t i = start; i < catalog.size() && !catalog[i].empty(); ++i) {
            if (CodePart(catalog[i]) == code && catalog[i].find(L'=') != std::wstring::npos) {
                return ResolveLineBreaks(TextPart(catalog[i]));
            }
        }
    }
    return ResolveLineBreaks(Text);
}

std::wstring LanguageOf(std::wstring_view iso639Name) {
    if (iso639Name.empty()) {
        return L"en";
    }
    return std::wstring(iso639Name.substr(0, 2));
}
