#include "update/Links.h"

namespace links {

std::wstring ProductPage() { return L"http://" + std::wstring(kShortLinkHost) + L"/rambroom"; }

std::wstring VersionedProductPage(std::wstring_view threePartVersion) {
    return L"https://" + std::wstring(kShortLinkHost) + L"/rambroom?v=" + std::wstring(threePartVersion);
}

std::wstring DonatePage() { return L"https://" + std::wstring(kShortLinkHost) + L"/donate?rambroom"; }

} // namespace links
