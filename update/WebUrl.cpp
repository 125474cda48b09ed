#include "update/WebUrl.h"

namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsWebUrl(std::wstring_view url) {
    std::size_t rest = 0;
    if (StartsWithNoCase(url, L"https://")) {
        rest = 8;
    } else if (StartsWithNoCase(url, L"http://")) {
        rest = 7;
    } else {
        return false;
    }
    for (const wchar_t c : url) {
        // Blanks, control characters and backslashes have no place in a URL the shell should
        // take as one; a backslash would let it read the text as a path.
        if (c <= L' ' || c == 0x7F || c == L'\\' || (c >= 0x80 && c <= 0x9F)) {
            return false;
        }
    }
    // The authority (host, maybe a port or user) ends at the first of "/?#" and must not be empty.
    const std::size_t end = url.find_first_of(L"/?#", rest);
    const std::wstring_view authority = url.substr(rest, end == std::wstring_view::npos ? url.npos : end - rest);
    return !authority.empty() && authority.front() != L'@' && authority.front() != L':';
}
