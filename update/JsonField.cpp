#include "update/JsonField.h"

namespace {

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring AsciiUpper(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) {
        c = AsciiUpper(c);
    }
    return out;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

} // namespace

std::wstring ExtractBetween(std::wstring_view Source, std::wstring_view StartTag, std::wstring_view EndTag) {
    if (StartTag.empty() || EndTag.empty()) {
        return {};
    }
    std::wstring search = AsciiUpper(Source);
    const std::wstring start = AsciiUpper(StartTag);
    const std::wstring end = AsciiUpper(EndTag);
    // An escaped quote is no end: each backslash + quote, taken from the left without overlap,
    // becomes two backslashes (the same length, so positions still match Source).
    if (end == L"\"" || end == L"'") {
        for (std::size_t i = 0; i + 1 < search.size(); ++i) {
            if (search[i] == L'\\' && search[i + 1] == end[0]) {
                search[i + 1] = L'\\';
                ++i;
            }
        }
    }
    const std::size_t found = search.find(start);
    if (found == std::wstring::npos) {
        return {};
    }
    const std::size_t value = found + start.size();
    const std::size_t close = search.find(end, value);
    if (close == std::wstring::npos) {
        return {};
    }
    return std::wstring(Source.substr(value, close - value));
}

std::wstring JsonUnescape(std::wstring_view Value) {
    std::wstring out;
    out.reserve(Value.size());
    for (std::size_t i = 0; i < Value.size(); ++i) {
        if (Value[i] != L'\\') {
            out += Value[i];
            continue;
        }
        if (i + 1 >= Value.size()) {
            break; // a lone backslash at the end
        }
        const wchar_t escaped = Value[++i];
        switch (escaped) {
        case L'"':
        case L'\'':
        case L'/':
        case L'\\':
            out += escaped;
            break;
        case L'b':
            out += L'\b';
            break;
        case L'f':
            out += L'\f';
            break;
        case L'n':
            out += L'\n';
            break;
        case L'r':
            out += L'\r';
            break;
        case L't':
            out += L'\t';
            break;
        case L'u': {
            // Up to four characters, fewer at the end of the value: one UTF-16 code unit.
            const std::wstring_view digits = Value.substr(i + 1, 4);
            if (digits.empty()) {
                throw EConvertError("\\u without digits");
            }
            unsigned unit = 0;
            for (const wchar_t c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0) {
                    throw EConvertError("\\u with a character that is no hexadecimal digit");
                }
                unit = unit * 16 + static_cast<unsigned>(digit);
            }
            out += static_cast<wchar_t>(unit);
            i += digits.size();
            break;
        }
        default:
            break; // an unknown escape: the backslash and its character are dropped
        }
    }
    return out;
}

std::wstring StringFieldTag(std::wstring_view key) { return L"\"" + std::wstring(key) + L"\":\""; }

std::wstring ReadStringField(std::wstring_view source, std::wstring_view key) {
    return JsonUnescape(ExtractBetween(source, StringFieldTag(key), kStringFieldEnd));
}
