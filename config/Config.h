#pragma once
// Settings store: short-lived objects that read and write the values of one key under
// HKEY_CURRENT_USER\Software.
//
// The store reaches the registry through Registry, four calls wide, so what it makes of every
// stored type and size is tested against an in-memory fake (tests/common/MemoryRegistry.h), and
// the same cases against the real registry under Wine. Registry_win.h gives it Windows.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

//--- Registry numbers

// Value types (REG_*).
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegDwordBigEndian = 5;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

// Win32 error codes the registry answers with.
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorBadPathname = 161;
constexpr std::int32_t kErrorMoreData = 234;
constexpr std::int32_t kErrorKeyDeleted = 1018;

//--- The seam

// An open key as the seam hands it out; RegistryKey{} is none.
enum class RegistryKey : std::uintptr_t {};

// The registry calls the store makes. Results are Win32 error codes; strings are UTF-16LE bytes.
// Names are cut at their first NUL, as the Win32 calls see them.
class Registry {
public:
    virtual ~Registry() = default;

    // RegCreateKeyExW(HKEY_CURRENT_USER, SubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
    // nullptr, &Key, nullptr): opens the key, creating it and the keys above it when missing.
    virtual std::int32_t CreateKey(std::wstring_view SubKey, RegistryKey& Key) = 0;

    // RegQueryValueExW(Key, Name, nullptr, Type, Data, Size). Type and Size may be null; Data null
    // asks for type and size only, else *Size is the buffer's size and comes back as the data's.
    // A buffer smaller than the data gives ERROR_MORE_DATA with type and size set and the buffer
    // untouched; a missing value gives ERROR_FILE_NOT_FOUND and touches nothing.
    virtual std::int32_t QueryValue(RegistryKey Key, std::wstring_view Name, std::uint32_t* Type, void* Data,
                                    std::uint32_t* Size) = 0;

    // RegSetValueExW(Key, Name, 0, Type, Data, Size).
    virtual std::int32_t SetValue(RegistryKey Key, std::wstring_view Name, std::uint32_t Type, const void* Data,
                                  std::uint32_t Size) = 0;

    // RegCloseKey(Key).
    virtual std::int32_t CloseKey(RegistryKey Key) = 0;
};

//--- The store

// A stored value that a read cannot turn into what was asked for.
class ERegistryException : public std::exception {
public:
    explicit ERegistryException(std::wstring Message);
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FWhat.c_str(); } // the message in UTF-8

private:
    std::wstring FMessage;
    std::string FWhat;
};

// One key, HKEY_CURRENT_USER\Software\ + Path, held open from construction to destruction.
// Reads return the default when the value is missing (or the key could not be opened) and raise
// ERegistryException when it holds what they cannot read; writes never report, and return Value.
class TConfig {
public:
    // Opens the key, creating it; a failure is ignored and leaves the object with no key.
    TConfig(Registry& registry, std::wstring_view Path);
    ~TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    // REG_DWORD or REG_DWORD_BIG_ENDIAN, its bytes taken as stored (no swap); fewer than 4 bytes
    // are zero-extended. More than 4 bytes: "Failed to get data for '<Name>'"; any other type:
    // "Invalid data type for '<Name>'".
    int ReadInteger(std::wstring_view Name, int Default);
    // ReadInteger(...) != 0, with its errors.
    bool ReadBoolean(std::wstring_view Name, bool Default);
    // Empty when the data is empty, whatever its type; else REG_SZ or REG_EXPAND_SZ (not expanded),
    // cut at the first NUL; a dangling odd byte is no character. Other types: "Invalid data type".
    std::wstring ReadString(std::wstring_view Name, std::wstring_view Default);

    // Whether the key holds a value of that name (false also when it cannot be asked).
    bool ValueExists(std::wstring_view Name);

    // REG_DWORD, 4 bytes little-endian.
    int WriteInteger(std::wstring_view Name, int Value);
    // REG_DWORD 1 or 0.
    bool WriteBoolean(std::wstring_view Name, bool Value);
    // REG_SZ: the UTF-16LE text and one NUL, (length + 1) * 2 bytes.
    std::wstring WriteString(std::wstring_view Name, std::wstring_view Value);

private:
    // Whether the value is there, asking for its type and size only; Size gets the data's size.
    bool Exists(std::wstring_view Name, std::uint32_t& Size);
    // Encode() gives the bytes to store; nothing on the way out of a write is reported.
    template <typename Encode> void Store(std::wstring_view Name, std::uint32_t Type, Encode encode) noexcept;

    Registry& FRegistry;
    RegistryKey FKey{};
};
