#pragma once
// An in-memory HKEY_CURRENT_USER that answers the settings store's four calls as the registry
// does (the same cases run against the real one under Wine, tests/win/config_win_test.cpp):
//
// - any type with any data, kept byte for byte; string data is not checked or terminated;
// - ERROR_FILE_NOT_FOUND for a missing value, touching no output; ERROR_MORE_DATA for a buffer
//   smaller than the data, with type and size set and the buffer untouched;
// - RegQueryValueExW's quirk: string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) not ending in a
//   NUL gets one appended in the caller's buffer when two more bytes fit (not counted in the size);
// - RegSetValueExW's quirk: string data whose last character is not NUL, followed in the caller's
//   memory by a NUL character, is stored with that NUL (so it reads the character after the data);
// - key and value names compared without case (ASCII letters only); a key path's empty components
//   skipped, a leading backslash ERROR_BAD_PATHNAME, a component over 255 characters
//   ERROR_INVALID_PARAMETER (Wine takes 256); creating a key creates the keys above it;
// - ERROR_INVALID_HANDLE for a key that is not open.
//
// Tests name keys by their path under HKEY_CURRENT_USER ("Software\\Brenwick\\RamBroom"); they can
// plant raw values, read back what is stored, and make a key fail to open or to take writes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/Config.h"

namespace test_support {

struct StoredValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const StoredValue&) const = default;

    friend std::ostream& operator<<(std::ostream& out, const StoredValue& value) {
        out << "type " << value.type << ", " << value.data.size() << " bytes:";
        static const char kHex[] = "0123456789abcdef";
        for (const std::uint8_t byte : value.data) {
            out << ' ' << kHex[byte >> 4] << kHex[byte & 15];
        }
        return out;
    }
};

class MemoryRegistry : public Registry {
public:
    //--- Test setup and inspection

    // Stores a value as given, creating its key.
    void Plant(std::wstring_view Path, std::wstring_view Name, std::uint32_t Type, std::vector<std::uint8_t> Data) {
        keys_[*Normalize(Path)][Fold(Name)] = StoredValue{Type, std::move(Data)};
        CreatePath(*Normalize(Path));
    }

    std::optional<StoredValue> Stored(std::wstring_view Path, std::wstring_view Name) const {
        const auto key = keys_.find(Normalize(Path).value_or(L""));
        if (key == keys_.end()) {
            return std::nullopt;
        }
        const auto value = key->second.find(Fold(Name));
        if (value == key->second.end()) {
            return std::nullopt;
        }
        return value->second;
    }

    bool HasKey(std::wstring_view Path) const { return keys_.count(Normalize(Path).value_or(L"")) != 0; }

    // CreateKey on this key answers Error and opens nothing.
    void FailOpening(std::wstring_view Path, std::int32_t Error = kErrorAccessDenied) {
        failOpening_[*Normalize(Path)] = Error;
    }

    // SetValue on this key, opened before or after, answers Error and stores nothing.
    void FailWriting(std::wstring_view Path, std::int32_t Error = kErrorAccessDenied) {
        failWriting_[*Normalize(Path)] = Error;
    }

    // Every CreateKey's SubKey, as passed.
    const std::vector<std::wstring>& CreateKeyCalls() const { return createKeyCalls_; }

    std::size_t OpenKeyCount() const { return open_.size(); }

    //--- Registry

    std::int32_t CreateKey(std::wstring_view SubKey, RegistryKey& Key) override {
        createKeyCalls_.emplace_back(SubKey);
        const std::wstring_view subKey = UpToNul(SubKey);
        if (!subKey.empty() && subKey.front() == L'\\') {
            return kErrorBadPathname;
        }
        const std::optional<std::wstring> path = Normalize(subKey);
        if (!path) {
            return kErrorInvalidParameter;
        }
        if (const auto fail = failOpening_.find(*path); fail != failOpening_.end()) {
            return fail->second;
        }
        CreatePath(*path);
        Key = static_cast<RegistryKey>(nextKey_);
        nextKey_ += 4;
        open_[Key] = *path;
        return kErrorSuccess;
    }

    std::int32_t QueryValue(RegistryKey Key, std::wstring_view Name, std::uint32_t* Type, void* Data,
                            std::uint32_t* Size) override {
        if (Data != nullptr && Size == nullptr) {
            return kErrorInvalidParameter;
        }
        const auto open = open_.find(Key);
        if (open == open_.end()) {
            return kErrorInvalidHandle;
        }
        const auto& values = keys_[open->second];
        const auto found = values.find(Fold(Name));
        if (found == values.end()) {
            return kErrorFileNotFound;
        }
        const StoredValue& value = found->second;
        const auto dataSize = static_cast<std::uint32_t>(value.data.size());
        std::int32_t status = kErrorSuccess;
        if (Data != nullptr) {
            if (dataSize > *Size) {
                status = kErrorMoreData;
            } else {
                auto* out = static_cast<std::uint8_t*>(Data);
                if (dataSize != 0) {
                    std::memcpy(out, value.data.data(), dataSize);
                }
                const bool endsInNul =
                    dataSize == 0 || (value.data[dataSize - 1] == 0 && (dataSize < 2 || value.data[dataSize - 2] == 0));
                if (IsString(value.type) && !endsInNul && dataSize + 2 <= *Size) {
                    out[dataSize] = 0;
                    out[dataSize + 1] = 0;
                }
            }
        }
        if (Type != nullptr) {
            *Type = value.type;
        }
        if (Size != nullptr) {
            *Size = dataSize;
        }
        return status;
    }

    std::int32_t SetValue(RegistryKey Key, std::wstring_view Name, std::uint32_t Type, const void* Data,
                          std::uint32_t Size) override {
        const auto open = open_.find(Key);
        if (open == open_.end()) {
            return kErrorInvalidHandle;
        }
        if (const auto fail = failWriting_.find(open->second); fail != failWriting_.end()) {
            return fail->second;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(Data);
        if (IsString(Type) && Size >= 2) {
            const std::size_t last = (Size / 2 - 1) * 2;
            const bool lastIsNul = bytes[last] == 0 && bytes[last + 1] == 0;
            if (!lastIsNul && bytes[last + 2] == 0 && bytes[last + 3] == 0) {
                Size += 2;
            }
        }
        StoredValue value{Type, {}};
        if (Size != 0) {
            value.data.assign(bytes, bytes + Size);
        }
        keys_[open->second][Fold(Name)] = std::move(value);
        return kErrorSuccess;
    }

    std::int32_t CloseKey(RegistryKey Key) override {
        return open_.erase(Key) != 0 ? kErrorSuccess : kErrorInvalidHandle;
    }

private:
    static bool IsString(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

    static std::wstring_view UpToNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

    static std::wstring Fold(std::wstring_view text) {
        std::wstring folded(UpToNul(text));
        for (wchar_t& c : folded) {
            if (c >= L'a' && c <= L'z') {
                c = static_cast<wchar_t>(c - L'a' + L'A');
            }
        }
        return folded;
    }

    // The key's components joined by one backslash, folded; nothing when a component is too long.
    static std::optional<std::wstring> Normalize(std::wstring_view path) {
        path = UpToNul(path);
        std::wstring normal;
        while (!path.empty()) {
            const std::size_t end = std::min(path.find(L'\\'), path.size());
            const std::wstring_view component = path.substr(0, end);
            if (component.size() > 255) {
                return std::nullopt;
            }
            if (!component.empty()) {
                normal += normal.empty() ? L"" : L"\\";
                normal += Fold(component);
            }
            path.remove_prefix(std::min(end + 1, path.size()));
        }
        return normal;
    }

    void CreatePath(const std::wstring& path) {
        for (std::size_t at = path.find(L'\\'); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
            keys_[path.substr(0, at)];
        }
        keys_[path];
    }

    std::map<std::wstring, std::map<std::wstring, StoredValue>> keys_; // by folded path, then folded name
    std::map<RegistryKey, std::wstring> open_;
    std::map<std::wstring, std::int32_t> failOpening_;
    std::map<std::wstring, std::int32_t> failWriting_;
    std::vector<std::wstring> createKeyCalls_;
    std::uintptr_t nextKey_ = 0x100;
};

} // namespace test_support
