#pragma once
// The installation identifier: 32 characters made once and kept under the vendor's key of the
// current user, so the update server can tell installations apart. Not a secret and not
// cryptographically random.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class Registry;

// HKEY_CURRENT_USER\Software\Brenwick, value WrenUID (REG_SZ).
inline constexpr std::wstring_view kVendorKeyPath = L"Brenwick";
inline constexpr std::wstring_view kUidValueName = L"WrenUID";

// A local date and time as the clock reads it.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Draws a number from 0 up to, not including, `bound`.
using RandomBelow = std::function<std::uint32_t(std::uint32_t bound)>;

// A fresh identifier: 8 hex digits (a number below 2^31 - 1), the date "yymmdd", 4 hex digits (below
// 65535), the time "hhnnss", 8 hex digits (below 2^31 - 1); upper case, no separators. The date and
// the time come from two readings of `now`, date first.
std::wstring NewUID(const RandomBelow& random, const std::function<CivilTime()>& now);

// The stored identifier, made with `make` and stored first when there is none; empty when the
// registry cannot be used or holds something else than a string there (left as it is).
std::wstring GetUID(Registry& registry, const std::function<std::wstring()>& make);
