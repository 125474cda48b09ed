#include "config/Registry_win.h"

#include <windows.h>

#include <string>

#include "base/Handles_win.h"

namespace {

HKEY ToHkey(RegistryKey key) noexcept { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }

RegistryKey FromHkey(HKEY key) noexcept { return static_cast<RegistryKey>(reinterpret_cast<std::uintptr_t>(key)); }

class WindowsRegistry final : public Registry {
public:
    std::int32_t CreateKey(std::wstring_view SubKey, RegistryKey& Key) override {
        const std::wstring subKey(SubKey);
        UniqueHkey key;
        const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
        if (status == ERROR_SUCCESS) {
            // From here the caller owns the key and gives it back through CloseKey.
            Key = FromHkey(key.release());
        }
        return status;
    }

    std::int32_t QueryValue(RegistryKey Key, std::wstring_view Name, std::uint32_t* Type, void* Data,
                            std::uint32_t* Size) override {
        const std::wstring name(Name);
        // In and out through DWORDs; an output the call leaves alone (a missing value) comes back
        // as the caller had it.
        DWORD type = Type != nullptr ? *Type : 0;
        DWORD size = Size != nullptr ? *Size : 0;
        const LSTATUS status = ::RegQueryValueExW(ToHkey(Key), name.c_str(), nullptr, Type != nullptr ? &type : nullptr,
                                                  static_cast<BYTE*>(Data), Size != nullptr ? &size : nullptr);
        if (Type != nullptr) {
            *Type = type;
        }
        if (Size != nullptr) {
            *Size = size;
        }
        return status;
    }

    std::int32_t SetValue(RegistryKey Key, std::wstring_view Name, std::uint32_t Type, const void* Data,
                          std::uint32_t Size) override {
        const std::wstring name(Name);
        return ::RegSetValueExW(ToHkey(Key), name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
    }

    std::int32_t CloseKey(RegistryKey Key) override { return ::RegCloseKey(ToHkey(Key)); }
};

} // namespace

Registry& SystemRegistry() noexcept {
    static WindowsRegistry registry;
    return registry;
}
