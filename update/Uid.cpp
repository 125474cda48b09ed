#include "update/Uid.h"

#include <cstdio>

#include "config/Config.h"

namespace {

std::wstring Hex(std::uint32_t value, int digits) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::wstring Pairs(int a, int b, int c) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%02d%02d%02d", a % 100, b % 100, c % 100);
    return text;
}

} // namespace

std::wstring NewUID(const RandomBelow& random, const std::function<CivilTime()>& now) {
    constexpr std::uint32_t kBelowLarge = 2147483647u, kBelowSmall = 65535u;
    std::wstring uid = Hex(random(kBelowLarge) % kBelowLarge, 8);
    const CivilTime date = now();
    uid += Pairs(date.year, date.month, date.day);
    uid += Hex(random(kBelowSmall) % kBelowSmall, 4);
    const CivilTime time = now();
    uid += Pairs(time.hour, time.minute, time.second);
    uid += Hex(random(kBelowLarge) % kBelowLarge, 8);
    return uid;
}

std::wstring GetUID(Registry& registry, const std::function<std::wstring()>& make) {
    try {
        TConfig key(registry, kVendorKeyPath);
        if (!key.ValueExists(kUidValueName)) {
            key.WriteString(kUidValueName, make());
        }
        return key.ReadString(kUidValueName, L"");
    } catch (const ERegistryException&) {
        return {}; // a value of another type: left alone, no identifier sent
    }
}
