#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/MemoryRegistry.h"
#include "update/Uid.h"

namespace {

using test_support::MemoryRegistry;

constexpr wchar_t kVendorKey[] = L"Software\\Brenwick";

bool HexOnly(std::wstring_view text) { return text.find_first_not_of(L"0123456789ABCDEF") == std::wstring_view::npos; }

TEST(Uid, NewUidLaysItsFiveFieldsEndToEnd) {
    std::vector<std::uint32_t> bounds;
    std::vector<std::uint32_t> draws{0x7FFFFFFE, 0xFFFE, 0x1A};
    auto random = [&](std::uint32_t bound) {
        bounds.push_back(bound);
        const auto value = draws[bounds.size() - 1];
        return value;
    };
    int readings = 0;
    auto now = [&] {
        ++readings;
        return readings == 1 ? CivilTime{2024, 3, 5, 23, 59, 59} : CivilTime{2024, 3, 6, 9, 7, 2};
    };
    const std::wstring uid = NewUID(random, now);
    EXPECT_EQ(uid, L"7FFFFFFE240305FFFE0907020000001A");
    EXPECT_EQ(bounds, (std::vector<std::uint32_t>{2147483647u, 65535u, 2147483647u}));
    EXPECT_EQ(readings, 2); // the date and the time from two readings, date first
}

TEST(Uid, NewUidHasTheFormForAnyDraw) {
    for (std::uint32_t draw : {0u, 1u, 0xABCDEFu, 0xFFFFFFFFu}) {
        const std::wstring uid =
            NewUID([&](std::uint32_t) { return draw; }, [] { return CivilTime{1999, 12, 31, 0, 0, 0}; });
        ASSERT_EQ(uid.size(), 32u) << draw;
        EXPECT_TRUE(HexOnly(uid.substr(0, 8)) && HexOnly(uid.substr(14, 4)) && HexOnly(uid.substr(24, 8))) << draw;
        EXPECT_EQ(uid.substr(8, 6), L"991231");
        EXPECT_EQ(uid.substr(18, 6), L"000000");
    }
}

TEST(Uid, GetUidMakesItOnceAndKeepsIt) {
    MemoryRegistry registry;
    int made = 0;
    auto make = [&] {
        ++made;
        return std::wstring(L"0123456789ABCDEF0123456789ABCDEF");
    };
    EXPECT_EQ(GetUID(registry, make), L"0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(GetUID(registry, make), L"0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(made, 1);
    const auto stored = registry.Stored(kVendorKey, L"WrenUID");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, kRegSz);
}

TEST(Uid, AnUnusableRegistryGivesAnEmptyIdentifier) {
    auto make = [] { return std::wstring(L"NEW"); };
    {
        MemoryRegistry registry;
        registry.FailOpening(kVendorKey);
        EXPECT_EQ(GetUID(registry, make), L"");
    }
    {
        MemoryRegistry registry;
        registry.Plant(kVendorKey, L"WrenUID", kRegDword, {1, 0, 0, 0});
        EXPECT_EQ(GetUID(registry, make), L"");
        const test_support::StoredValue kept{kRegDword, {1, 0, 0, 0}};
        EXPECT_EQ(registry.Stored(kVendorKey, L"WrenUID"), kept); // not replaced
    }
    {
        MemoryRegistry registry;
        registry.FailWriting(kVendorKey);
        EXPECT_EQ(GetUID(registry, make), L"");
    }
}

} // namespace
