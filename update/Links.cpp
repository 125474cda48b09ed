#include "update/Links.h"

#include "update/WebUrl.h"

namespace links {

std::wstring ProductPage() { return L"http://" + std::wstring(kShortLinkHost) + L"/rambroom"; }

std::wstring VersionedProductPage(std::wstring_view threePartVersion) {
    return L"https://" + std::wstring(kShortLinkHost) + L"/rambroom?v=" + std::wstring(threePartVersion);
}

std::wstring DonatePage() { return L"https://" + std::wstring(kShortLinkHost) + L"/donate?rambroom"; }

std::wstring ServerCheckEndpoint() { return L"https://" + std::wstring(kApiHost) + std::wstring(kServerCheckPath); }

std::wstring ServerCheckUrl(std::wstring_view variable) {
    constexpr std::wstring_view https = L"https://";
    bool secure = variable.size() > https.size();
    for (std::size_t i = 0; secure && i < https.size(); ++i) {
        const wchar_t c = variable[i];
        secure = (c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) == https[i];
    }
    return secure && IsWebUrl(variable) ? std::wstring(variable) : ServerCheckEndpoint();
}

} // namespace links
