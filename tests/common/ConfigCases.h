#pragma once
// The settings store's cases, run twice: natively over MemoryRegistry (tests/unit/config_test.cpp)
// and under Wine over the real registry (tests/win/config_win_test.cpp). Both runs plant raw values
// beside the store and read back what it wrote, each in its own way (a ConfigBackend), so the fake
// is held to what the registry does.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/Config.h"
#include "tests/common/MemoryRegistry.h"

namespace config_cases {

using Bytes = std::vector<std::uint8_t>;
using test_support::StoredValue;

//--- Where the cases run

class ConfigBackend {
public:
    virtual ~ConfigBackend() = default;
    virtual Registry& Seam() = 0;
    // TConfig's Path of an existing, empty key.
    virtual std::wstring Path() const = 0;
    virtual void Plant(std::wstring_view Name, std::uint32_t Type, const Bytes& Data) = 0;
    virtual std::optional<StoredValue> Stored(std::wstring_view Name) = 0;
    // From now on the key cannot be opened with KEY_ALL_ACCESS.
    virtual void DenyOpening() = 0;
    // From now on writes into the key fail, through handles opened before as well.
    virtual void BreakWrites() = 0;
};

//--- Raw data

inline Bytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

// UTF-16LE, without a terminator unless the text holds one.
inline Bytes Utf16(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// 1, 2, ... n.
inline Bytes Count(std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i + 1);
    }
    return bytes;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

//--- Outcomes of a read

struct Raised {
    std::wstring message;
    bool operator==(const Raised&) const = default;
    friend void PrintTo(const Raised& raised, std::ostream* out) {
        *out << "raises " << ::testing::PrintToString(raised.message);
    }
};

template <typename T> using Outcome = std::variant<T, Raised>;

// What a read gives: its value, or the message of the registry error it raises. Any other
// exception goes on to the test.
template <typename Read> auto OutcomeOf(Read read) -> Outcome<decltype(read())> {
    try {
        return read();
    } catch (const ERegistryException& e) {
        return Raised{e.Message()};
    }
}

enum class Raises { FailedToGetData, InvalidDataType };

inline Raised Message(Raises raises, std::wstring_view name) {
    return Raised{(raises == Raises::FailedToGetData ? L"Failed to get data for '" : L"Invalid data type for '") +
                  std::wstring(name) + L"'"};
}

//--- Reads of every stored type

struct ReadCase {
    const char* label;
    std::uint32_t type;
    Bytes data;
    std::variant<int, Raises> integer; // ReadBoolean gives integer != 0, with the same errors
    std::variant<std::wstring, Raises> string;
};

inline std::ostream& operator<<(std::ostream& out, const ReadCase& c) { return out << c.label; }

constexpr auto kFailed = Raises::FailedToGetData;
constexpr auto kInvalid = Raises::InvalidDataType;

inline const std::vector<ReadCase>& ReadCases() {
    using namespace std::literals;
    static const std::vector<ReadCase> cases = {
        {"dword", kRegDword, Le32(0x12345678), 0x12345678, kInvalid},
        {"dword_zero", kRegDword, Le32(0), 0, kInvalid},
        {"dword_two", kRegDword, Le32(2), 2, kInvalid},
        {"dword_all_ones", kRegDword, Le32(0xFFFFFFFF), -1, kInvalid},
        {"dword_top_bit", kRegDword, Le32(0x80000000), INT_MIN, kInvalid},
        {"dword_of_0_bytes", kRegDword, {}, 0, L""},
        {"dword_of_2_bytes", kRegDword, {0x34, 0x12}, 0x1234, kInvalid},
        {"dword_of_8_bytes", kRegDword, Le32(1) + Le32(0), kFailed, kInvalid},
        {"dword_big_endian_not_swapped", kRegDwordBigEndian, {0x12, 0x34, 0x56, 0x78}, 0x78563412, kInvalid},
        {"dword_big_endian_one", kRegDwordBigEndian, {0, 0, 0, 1}, 0x01000000, kInvalid},
        {"qword", kRegQword, Le32(1) + Le32(0), kFailed, kInvalid},
        {"qword_of_4_bytes", kRegQword, Le32(1), kInvalid, kInvalid},
        {"binary_0", kRegBinary, {}, kInvalid, L""},
        {"binary_1", kRegBinary, Count(1), kInvalid, kInvalid},
        {"binary_2", kRegBinary, Count(2), kInvalid, kInvalid},
        {"binary_3", kRegBinary, Count(3), kInvalid, kInvalid},
        {"binary_4", kRegBinary, Count(4), kInvalid, kInvalid},
        {"binary_5", kRegBinary, Count(5), kFailed, kInvalid},
        {"binary_6", kRegBinary, Count(6), kFailed, kInvalid},
        {"binary_7", kRegBinary, Count(7), kFailed, kInvalid},
        {"binary_8", kRegBinary, Count(8), kFailed, kInvalid},
        {"binary_300", kRegBinary, Count(300), kFailed, kInvalid},
        {"none_empty", kRegNone, {}, kInvalid, L""},
        {"none_4", kRegNone, Count(4), kInvalid, kInvalid},
        {"unknown_type", 0x1234, Le32(7), kInvalid, kInvalid},
        {"sz_of_0_bytes", kRegSz, {}, kInvalid, L""},
        {"sz_empty", kRegSz, Utf16(u"\0"sv), kInvalid, L""},
        {"sz_1_char", kRegSz, Utf16(u"a\0"sv), kInvalid, L"a"},
        {"sz_2_chars", kRegSz, Utf16(u"ab\0"sv), kFailed, L"ab"},
        {"sz_1_char_unterminated", kRegSz, Utf16(u"a"), kInvalid, L"a"},
        {"sz_2_chars_unterminated", kRegSz, Utf16(u"ab"), kInvalid, L"ab"},
        {"sz_3_chars_unterminated", kRegSz, Utf16(u"abc"), kFailed, L"abc"},
        {"sz_of_1_byte", kRegSz, {'a'}, kInvalid, L""},
        {"sz_of_3_bytes", kRegSz, {'a', 0, 'b'}, kInvalid, L"a"},
        {"sz_of_5_bytes", kRegSz, Utf16(u"ab") + Bytes{'c'}, kFailed, L"ab"},
        {"sz_cut_at_nul", kRegSz, Utf16(u"ab\0cd\0"sv), kFailed, L"ab"},
        {"sz_nul_first", kRegSz, Utf16(u"\0ab\0"sv), kFailed, L""},
        {"sz_korean", kRegSz, Utf16(u"메모리\0"sv), kFailed, L"메모리"},
        {"sz_outside_bmp", kRegSz, Utf16(u"x\U0001F600\0"sv), kFailed, L"x\U0001F600"},
        {"sz_long", kRegSz, Utf16(std::u16string(2000, u'r')) + Utf16(u"\0"sv), kFailed, std::wstring(2000, L'r')},
        {"expand_sz_not_expanded", kRegExpandSz, Utf16(u"%TEMP%\\x\0"sv), kFailed, L"%TEMP%\\x"},
        {"expand_sz_1_char", kRegExpandSz, Utf16(u"%\0"sv), kInvalid, L"%"},
        {"multi_sz", kRegMultiSz, Utf16(u"a\0b\0\0"sv), kFailed, kInvalid},
        {"multi_sz_of_4_bytes", kRegMultiSz, Utf16(u"a\0"sv), kInvalid, kInvalid},
    };
    return cases;
}

inline void RunReadCase(ConfigBackend& backend, const ReadCase& c) {
    const std::wstring name = L"value";
    backend.Plant(name, c.type, c.data);
    TConfig config(backend.Seam(), backend.Path());

    const auto expected = [&name](const auto& outcome) {
        using T = std::variant_alternative_t<0, std::decay_t<decltype(outcome)>>;
        if (const auto* raises = std::get_if<Raises>(&outcome)) {
            return Outcome<T>{Message(*raises, name)};
        }
        return Outcome<T>{std::get<T>(outcome)};
    };
    const Outcome<int> integer = expected(c.integer);
    EXPECT_EQ(OutcomeOf([&] { return config.ReadInteger(name, -77); }), integer) << "ReadInteger";

    for (const bool fallback : {false, true}) {
        const Outcome<bool> boolean = std::holds_alternative<int>(integer) ? Outcome<bool>{std::get<int>(integer) != 0}
                                                                           : Outcome<bool>{std::get<Raised>(integer)};
        EXPECT_EQ(OutcomeOf([&] { return config.ReadBoolean(name, fallback); }), boolean)
            << "ReadBoolean, default " << fallback;
    }

    EXPECT_EQ(OutcomeOf([&] { return config.ReadString(name, L"default"); }), expected(c.string)) << "ReadString";
}

//--- What the writes store

struct WriteCase {
    const char* label;
    std::function<void(TConfig&, std::wstring_view)> write; // checks what the write returns
    StoredValue stored;
};

inline std::ostream& operator<<(std::ostream& out, const WriteCase& c) { return out << c.label; }

inline const std::vector<WriteCase>& WriteCases() {
    using namespace std::literals;
    const auto integer = [](int v) {
        return [v](TConfig& config, std::wstring_view name) { EXPECT_EQ(config.WriteInteger(name, v), v); };
    };
    const auto boolean = [](bool v) {
        return [v](TConfig& config, std::wstring_view name) { EXPECT_EQ(config.WriteBoolean(name, v), v); };
    };
    const auto string = [](std::wstring v) {
        return [v](TConfig& config, std::wstring_view name) { EXPECT_EQ(config.WriteString(name, v), v); };
    };
    static const std::vector<WriteCase> cases = {
        {"integer", integer(0x12345678), {kRegDword, Le32(0x12345678)}},
        {"integer_zero", integer(0), {kRegDword, Le32(0)}},
        {"integer_negative", integer(-2), {kRegDword, Le32(0xFFFFFFFE)}},
        {"integer_min", integer(INT_MIN), {kRegDword, Le32(0x80000000)}},
        {"boolean_true", boolean(true), {kRegDword, Le32(1)}},
        {"boolean_false", boolean(false), {kRegDword, Le32(0)}},
        {"string_empty", string(L""), {kRegSz, Utf16(u"\0"sv)}},
        {"string", string(L"ab"), {kRegSz, Utf16(u"ab\0"sv)}},
        {"string_korean", string(L"메모리"), {kRegSz, Utf16(u"메모리\0"sv)}},
        {"string_outside_bmp", string(L"x\U0001F600"), {kRegSz, Utf16(u"x\U0001F600\0"sv)}},
        {"string_with_nul", string(L"a\0b"s), {kRegSz, Utf16(u"a\0b\0"sv)}},
    };
    return cases;
}

inline void RunWriteCase(ConfigBackend& backend, const WriteCase& c) {
    // Over a value of another type and size: the write replaces it whole.
    backend.Plant(L"value", kRegBinary, Count(40));
    TConfig config(backend.Seam(), backend.Path());
    c.write(config, L"value");
    EXPECT_EQ(backend.Stored(L"value"), c.stored);
}

//--- The rest, the same for both registries

// Missing values give the defaults, and a value name is found whatever its case.
inline void ExpectMissingValuesGiveDefaults(ConfigBackend& backend) {
    backend.Plant(L"Limit_Minute", kRegDword, Le32(6));
    TConfig config(backend.Seam(), backend.Path());
    EXPECT_EQ(config.ReadInteger(L"missing", 42), 42);
    EXPECT_TRUE(config.ReadBoolean(L"missing", true));
    EXPECT_FALSE(config.ReadBoolean(L"missing", false));
    EXPECT_EQ(config.ReadString(L"missing", L"fallback"), L"fallback");
    EXPECT_EQ(config.ReadInteger(L"limit_minute", 42), 6);
}

// What one store writes the next one reads.
inline void ExpectWritesReadBack(ConfigBackend& backend) {
    {
        TConfig config(backend.Seam(), backend.Path());
        config.WriteBoolean(L"on", true);
        config.WriteBoolean(L"off", false);
        config.WriteInteger(L"number", -123456);
        config.WriteString(L"text", L"메모리 \U0001F600");
    }
    TConfig config(backend.Seam(), backend.Path());
    EXPECT_EQ(config.ReadInteger(L"on", 7), 1);
    EXPECT_TRUE(config.ReadBoolean(L"on", false));
    EXPECT_FALSE(config.ReadBoolean(L"off", true));
    EXPECT_EQ(config.ReadInteger(L"number", 7), -123456);
    EXPECT_EQ(config.ReadString(L"text", L""), L"메모리 \U0001F600");
}

// A key that cannot be opened: every read gives its default, every write returns its value and
// changes nothing.
inline void ExpectUnopenedKeyIgnored(ConfigBackend& backend) {
    using namespace std::literals;
    backend.Plant(L"number", kRegDword, Le32(5));
    backend.Plant(L"text", kRegSz, Utf16(u"stored\0"sv));
    backend.Plant(L"binary", kRegBinary, Count(8)); // would raise if it were read
    backend.DenyOpening();

    TConfig config(backend.Seam(), backend.Path());
    EXPECT_EQ(config.ReadInteger(L"number", 9), 9);
    EXPECT_TRUE(config.ReadBoolean(L"number", true));
    EXPECT_FALSE(config.ReadBoolean(L"number", false));
    EXPECT_EQ(config.ReadString(L"text", L"default"), L"default");
    EXPECT_EQ(config.ReadInteger(L"binary", 9), 9);
    EXPECT_EQ(config.WriteInteger(L"number", 7), 7);
    EXPECT_TRUE(config.WriteBoolean(L"new", true));
    EXPECT_EQ(config.WriteString(L"text", L"written"), L"written");

    EXPECT_EQ(backend.Stored(L"number"), (StoredValue{kRegDword, Le32(5)}));
    EXPECT_EQ(backend.Stored(L"text"), (StoredValue{kRegSz, Utf16(u"stored\0"sv)}));
    EXPECT_EQ(backend.Stored(L"new"), std::nullopt);
}

// A write that the registry refuses is not reported.
inline void ExpectFailedWritesIgnored(ConfigBackend& backend) {
    TConfig config(backend.Seam(), backend.Path());
    backend.BreakWrites();
    EXPECT_EQ(config.WriteInteger(L"number", 7), 7);
    EXPECT_FALSE(config.WriteBoolean(L"flag", false));
    EXPECT_EQ(config.WriteString(L"text", L"written"), L"written");
    EXPECT_EQ(backend.Stored(L"number"), std::nullopt);
    EXPECT_EQ(backend.Stored(L"flag"), std::nullopt);
    EXPECT_EQ(backend.Stored(L"text"), std::nullopt);
}

//--- The seam itself, where the store does not show the difference

// A key opened through the seam, closed at the end of the scope.
class SeamKey {
public:
    SeamKey(Registry& registry, const std::wstring& subKey) : registry_(registry) {
        status_ = registry_.CreateKey(subKey, key_);
    }
    ~SeamKey() {
        if (status_ == kErrorSuccess) {
            EXPECT_EQ(registry_.CloseKey(key_), kErrorSuccess);
        }
    }
    SeamKey(const SeamKey&) = delete;
    SeamKey& operator=(const SeamKey&) = delete;
    std::int32_t status() const { return status_; }
    RegistryKey get() const { return key_; }

private:
    Registry& registry_;
    RegistryKey key_{};
    std::int32_t status_;
};

struct QueryCase {
    const char* label;
    std::uint32_t type;
    Bytes data;
    std::uint32_t bufferSize;
    std::int32_t status;
    Bytes buffer; // after the call; it starts as bufferSize bytes of 0xAB
};

inline std::ostream& operator<<(std::ostream& out, const QueryCase& c) { return out << c.label; }

inline const std::vector<QueryCase>& QueryCases() {
    using namespace std::literals;
    constexpr std::uint8_t x = 0xAB;
    static const std::vector<QueryCase> cases = {
        {"fits", kRegDword, Le32(0x01020304), 4, kErrorSuccess, Le32(0x01020304)},
        {"shorter_than_buffer", kRegDword, {1, 2}, 4, kErrorSuccess, {1, 2, x, x}},
        {"empty", kRegDword, {}, 4, kErrorSuccess, {x, x, x, x}},
        {"too_big", kRegSz, Utf16(u"ab\0"sv), 4, kErrorMoreData, {x, x, x, x}},
        {"binary_gets_no_nul", kRegBinary, {1, 2}, 6, kErrorSuccess, {1, 2, x, x, x, x}},
        {"terminated_sz_gets_no_nul", kRegSz, Utf16(u"ab\0"sv), 10, kErrorSuccess,
         Utf16(u"ab\0"sv) + Bytes{x, x, x, x}},
        {"sz_gets_a_nul", kRegSz, Utf16(u"ab"), 8, kErrorSuccess, Utf16(u"ab\0"sv) + Bytes{x, x}},
        {"sz_gets_no_nul_without_room", kRegSz, Utf16(u"ab"), 5, kErrorSuccess, Utf16(u"ab") + Bytes{x}},
        {"odd_sz_gets_a_nul", kRegSz, {'a', 0, 'b'}, 6, kErrorSuccess, {'a', 0, 'b', 0, 0, x}},
        {"expand_sz_gets_a_nul", kRegExpandSz, Utf16(u"a"), 4, kErrorSuccess, Utf16(u"a\0"sv)},
        {"multi_sz_gets_a_nul", kRegMultiSz, Utf16(u"a"), 4, kErrorSuccess, Utf16(u"a\0"sv)},
    };
    return cases;
}

inline void RunQueryCase(ConfigBackend& backend, const QueryCase& c) {
    backend.Plant(L"value", c.type, c.data);
    SeamKey key(backend.Seam(), L"Software\\" + backend.Path());
    ASSERT_EQ(key.status(), kErrorSuccess);
    const auto dataSize = static_cast<std::uint32_t>(c.data.size());

    std::uint32_t type = 999, size = 0;
    EXPECT_EQ(backend.Seam().QueryValue(key.get(), L"value", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, dataSize);

    Bytes buffer(c.bufferSize, 0xAB);
    type = 999;
    size = c.bufferSize;
    EXPECT_EQ(backend.Seam().QueryValue(key.get(), L"value", &type, buffer.data(), &size), c.status);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, dataSize);
    EXPECT_EQ(buffer, c.buffer);
}

inline void ExpectSeamMissingValue(ConfigBackend& backend) {
    SeamKey key(backend.Seam(), L"Software\\" + backend.Path());
    ASSERT_EQ(key.status(), kErrorSuccess);
    std::uint32_t type = 999, size = 3;
    EXPECT_EQ(backend.Seam().QueryValue(key.get(), L"missing", &type, nullptr, &size), kErrorFileNotFound);
    Bytes buffer(4, 0xAB);
    size = 4;
    EXPECT_EQ(backend.Seam().QueryValue(key.get(), L"missing", &type, buffer.data(), &size), kErrorFileNotFound);
    EXPECT_EQ(type, 999u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buffer, Bytes(4, 0xAB));
}

// RegSetValueExW stores string data as given, but counts a NUL character that follows data
// whose last character is not NUL.
inline void ExpectSeamSetValue(ConfigBackend& backend) {
    using namespace std::literals;
    SeamKey key(backend.Seam(), L"Software\\" + backend.Path());
    ASSERT_EQ(key.status(), kErrorSuccess);
    const Bytes nulAfter = Utf16(u"ab\0"sv);
    const Bytes charAfter = Utf16(u"abc");
    const Bytes binary = {1, 2, 0, 0};
    EXPECT_EQ(backend.Seam().SetValue(key.get(), L"nul_after", kRegSz, nulAfter.data(), 4), kErrorSuccess);
    EXPECT_EQ(backend.Seam().SetValue(key.get(), L"char_after", kRegSz, charAfter.data(), 4), kErrorSuccess);
    EXPECT_EQ(backend.Seam().SetValue(key.get(), L"binary", kRegBinary, binary.data(), 2), kErrorSuccess);
    EXPECT_EQ(backend.Seam().SetValue(key.get(), L"dword_of_2", kRegDword, binary.data(), 2), kErrorSuccess);
    EXPECT_EQ(backend.Seam().SetValue(key.get(), L"none", kRegNone, nullptr, 0), kErrorSuccess);
    EXPECT_EQ(backend.Stored(L"nul_after"), (StoredValue{kRegSz, Utf16(u"ab\0"sv)}));
    EXPECT_EQ(backend.Stored(L"char_after"), (StoredValue{kRegSz, Utf16(u"ab")}));
    EXPECT_EQ(backend.Stored(L"binary"), (StoredValue{kRegBinary, {1, 2}}));
    EXPECT_EQ(backend.Stored(L"dword_of_2"), (StoredValue{kRegDword, {1, 2}}));
    EXPECT_EQ(backend.Stored(L"none"), (StoredValue{kRegNone, {}}));
}

// Key paths: empty components are skipped, names compared without case, a leading backslash and
// an overlong component refused; a closed key is no key.
inline void ExpectSeamKeyPaths(ConfigBackend& backend) {
    Registry& seam = backend.Seam();
    const std::wstring base = L"Software\\" + backend.Path();
    {
        SeamKey loose(seam, base + L"\\\\Sub\\");
        ASSERT_EQ(loose.status(), kErrorSuccess);
        const Bytes one = Le32(1);
        EXPECT_EQ(seam.SetValue(loose.get(), L"Value", kRegDword, one.data(), 4), kErrorSuccess);
    }
    {
        std::wstring upper = base + L"\\SUB";
        for (wchar_t& c : upper) {
            c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
        }
        SeamKey tidy(seam, upper);
        ASSERT_EQ(tidy.status(), kErrorSuccess);
        std::uint32_t type = 0, size = 0;
        EXPECT_EQ(seam.QueryValue(tidy.get(), L"VALUE", &type, nullptr, &size), kErrorSuccess);
        EXPECT_EQ(type, kRegDword);
    }
    EXPECT_EQ(SeamKey(seam, L"\\" + base).status(), kErrorBadPathname);
    EXPECT_EQ(SeamKey(seam, base + L"\\" + std::wstring(255, L'k')).status(), kErrorSuccess);
    EXPECT_EQ(SeamKey(seam, base + L"\\" + std::wstring(300, L'k')).status(), kErrorInvalidParameter);

    RegistryKey closed{};
    ASSERT_EQ(seam.CreateKey(base, closed), kErrorSuccess);
    ASSERT_EQ(seam.CloseKey(closed), kErrorSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(seam.QueryValue(closed, L"x", &type, nullptr, &size), kErrorInvalidHandle);
}

} // namespace config_cases
