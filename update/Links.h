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

// The server check's endpoint, https://<kApiHost>/api.init.php: the check and the hold command.
inline constexpr std::wstring_view kServerCheckPath = L"/api.init.php";
std::wstring ServerCheckEndpoint();

// The one way to point the program at another server (the tests' loopback server): this
// environment variable, read once, at the first use of the endpoint, holding an https:// URL
// that then replaces ServerCheckEndpoint for the check and the hold command. It changes nothing
// else; a value that is not an https:// web address is ignored.
inline constexpr std::wstring_view kServerUrlVariable = L"RAMBROOM_SERVER_URL";
// The endpoint to use given the variable's value (empty when it is not set).
std::wstring ServerCheckUrl(std::wstring_view variable);

} // namespace links
