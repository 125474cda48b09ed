#pragma once
// The web addresses the program opens.

#include <string>
#include <string_view>

namespace links {

inline constexpr std::wstring_view kShortLinkHost = L"link.brenwick.com";
inline constexpr std::wstring_view kApiHost = L"api.brenwick.com";

// The product page behind the logo (plain http, as printed on the maker's material).
std::wstring ProductPage();
// The product page for this version, behind the credit line: ends in the three version numbers.
std::wstring VersionedProductPage(std::wstring_view threePartVersion);
std::wstring DonatePage();

} // namespace links
