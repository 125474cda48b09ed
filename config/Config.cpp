#include "config/Config.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The registry holds UTF-16; wchar_t is UTF-16 on Windows and UTF-32 on the host.
void AppendUtf16(Bytes& out, std::wstring_view text) {
    const auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (const wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp > 0xFFFF) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
}

// Whole UTF-16LE units up to the first NUL; surrogate pairs become one wchar_t where it is wide
// enough, and a lone surrogate stays as it is.
std::wstring TextUpToNul(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::uint32_t u = data[i] | (std::uint32_t{data[i + 1]} << 8);
        if (u == 0) {
            break;
        }
        if constexpr (sizeof(wchar_t) >= 4) {
            if (u >= 0xDC00 && u <= 0xDFFF && !text.empty()) {
                const auto high = static_cast<std::uint32_t>(text.back());
                if (high >= 0xD800 && high <= 0xDBFF) {
                    text.back() = static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
                    continue;
                }
            }
        }
        text.push_back(static_cast<wchar_t>(u));
    }
    return text;
}

std::string Utf8(std::wstring_view text) {
    Bytes utf16;
    AppendUtf16(utf16, text);
    std::string out;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        std::uint32_t cp = utf16[i] | (std::uint32_t{utf16[i + 1]} << 8);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < utf16.size()) {
            const std::uint32_t low = utf16[i + 2] | (std::uint32_t{utf16[i + 3]} << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

ERegistryException FailedToGetData(std::wstring_view name) {
    return ERegistryException(L"Failed to get data for '" + std::wstring(name) + L"'");
}

ERegistryException InvalidDataType(std::wstring_view name) {
    return ERegistryException(L"Invalid data type for '" + std::wstring(name) + L"'");
}

} // namespace

ERegistryException::ERegistryException(std::wstring Message) : FMessage(std::move(Message)), FWhat(Utf8(FMessage)) {}

TConfig::TConfig(Registry& registry, std::wstring_view Path) : FRegistry(registry) {
    // Joined as they stand: a separator at either end of Path is the caller's.
    std::wstring subKey = L"Software\\";
    subKey += Path;
    RegistryKey key{};
    // A key that cannot be opened is not an error: reads then give their defaults and writes
    // go nowhere.
    if (FRegistry.CreateKey(subKey, key) == kErrorSuccess) {
        FKey = key;
    }
}

TConfig::~TConfig() {
    if (FKey != RegistryKey{}) {
        static_cast<void>(FRegistry.CloseKey(FKey));
    }
}

bool TConfig::Exists(std::wstring_view Name, std::uint32_t& Size) {
    if (FKey == RegistryKey{}) {
        return false;
    }
    std::uint32_t type = kRegNone;
    Size = 0;
    return FRegistry.QueryValue(FKey, Name, &type, nullptr, &Size) == kErrorSuccess;
}

bool TConfig::ValueExists(std::wstring_view Name) {
    std::uint32_t size = 0;
    return Exists(Name, size);
}

int TConfig::ReadInteger(std::wstring_view Name, int Default) {
    std::uint32_t size = 0;
    if (!Exists(Name, size)) {
        return Default;
    }
    // Asked for with a 4-byte buffer, so longer data fails the query (ERROR_MORE_DATA) before its
    // type is looked at: a REG_SZ of one character fits and is of the wrong type, one of two does
    // not fit.
    std::uint8_t buffer[4] = {};
    std::uint32_t type = kRegNone;
    size = sizeof(buffer);
    if (FRegistry.QueryValue(FKey, Name, &type, buffer, &size) != kErrorSuccess) {
        throw FailedToGetData(Name);
    }
    if (type != kRegDword && type != kRegDwordBigEndian) {
        throw InvalidDataType(Name);
    }
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < size && i < sizeof(buffer); ++i) {
        value |= std::uint32_t{buffer[i]} << (8 * i);
    }
    return static_cast<int>(value);
}

bool TConfig::ReadBoolean(std::wstring_view Name, bool Default) { return ReadInteger(Name, Default ? 1 : 0) != 0; }

std::wstring TConfig::ReadString(std::wstring_view Name, std::wstring_view Default) {
    std::uint32_t size = 0;
    if (!Exists(Name, size)) {
        return std::wstring(Default);
    }
    if (size == 0) {
        return {};
    }
    // Exactly the data's size: RegQueryValueExW appends a NUL to string data when the buffer has
    // room for one, which the cut below makes no use of.
    Bytes data(size);
    std::uint32_t type = kRegNone;
    if (FRegistry.QueryValue(FKey, Name, &type, data.data(), &size) != kErrorSuccess) {
        throw FailedToGetData(Name);
    }
    if (type != kRegSz && type != kRegExpandSz) {
        throw InvalidDataType(Name);
    }
    return TextUpToNul(data.data(), std::min<std::size_t>(size, data.size()));
}

template <typename Encode> void TConfig::Store(std::wstring_view Name, std::uint32_t Type, Encode encode) noexcept {
    if (FKey == RegistryKey{}) {
        return;
    }
    // Writes never report: neither a failed RegSetValueExW nor an error on the way to it.
    try {
        const auto bytes = encode();
        static_cast<void>(
            FRegistry.SetValue(FKey, Name, Type, bytes.data(), static_cast<std::uint32_t>(std::size(bytes))));
    } catch (const std::exception&) {
    }
}

int TConfig::WriteInteger(std::wstring_view Name, int Value) {
    Store(Name, kRegDword, [Value] {
        const auto v = static_cast<std::uint32_t>(Value);
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                           static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    });
    return Value;
}

bool TConfig::WriteBoolean(std::wstring_view Name, bool Value) {
    WriteInteger(Name, Value ? 1 : 0);
    return Value;
}

std::wstring TConfig::WriteString(std::wstring_view Name, std::wstring_view Value) {
    Store(Name, kRegSz, [Value] {
        Bytes bytes;
        AppendUtf16(bytes, Value);
        bytes.insert(bytes.end(), {0, 0});
        return bytes;
    });
    return std::wstring(Value);
}
