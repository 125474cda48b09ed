// The settings store over the real registry: the cases of tests/common/ConfigCases.h, which the
// native tests run over MemoryRegistry, here on a scratch key under HKEY_CURRENT_USER\Software
// with values planted and read back through the Win32 calls themselves.

#include "config/Registry_win.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "base/Handles_win.h"
#include "base/UniqueResource.h"
#include "tests/common/ConfigCases.h"
#include "tests/common/HandleCount_win.h"

namespace {

using namespace config_cases;

using UniqueLocal = UniqueResource<HandleTraits<PSECURITY_DESCRIPTOR, ::LocalFree>>;

// A key of its own per test, deleted afterwards.
class RealBackend : public ::testing::Test, public ConfigBackend {
protected:
    void SetUp() override {
        static int serial = 0;
        name_ = L"RamBroomTest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(++serial);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override {
        if (denied_) {
            SetDacl(L"D:P(A;;KA;;;WD)");
        }
        key_.reset();
        const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, Key().c_str());
        EXPECT_TRUE(status == ERROR_SUCCESS || (deleted_ && status == ERROR_FILE_NOT_FOUND)) << status;
    }

public:
    Registry& Seam() override { return SystemRegistry(); }
    std::wstring Path() const override { return name_; }

    void Plant(std::wstring_view Name, std::uint32_t Type, const Bytes& Data) override {
        // A non-NUL character after the data: RegSetValueExW would otherwise count a NUL that
        // follows unterminated string data.
        const Bytes buffer = Data + Bytes{0xFF, 0xFF};
        ASSERT_EQ(::RegSetValueExW(key_.get(), std::wstring(Name).c_str(), 0, Type, buffer.data(),
                                   static_cast<DWORD>(Data.size())),
                  ERROR_SUCCESS);
    }

    std::optional<StoredValue> Stored(std::wstring_view Name) override {
        const std::wstring name(Name);
        DWORD type = 0, size = 0;
        if (::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        StoredValue value{type, Bytes(size)};
        EXPECT_EQ(::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, value.data.data(), &size),
                  ERROR_SUCCESS);
        value.data.resize(size);
        return value;
    }

    // Read access only: RegCreateKeyExW with KEY_ALL_ACCESS is then refused. The fixture's own
    // handle keeps the access it was opened with.
    void DenyOpening() override {
        SetDacl(L"D:P(A;;KR;;;WD)");
        denied_ = true;
    }

    // Writes into a deleted key fail (ERROR_KEY_DELETED), through every handle still open on it.
    void BreakWrites() override {
        ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, Key().c_str()), ERROR_SUCCESS);
        deleted_ = true;
    }

protected:
    std::wstring Key() const { return L"Software\\" + name_; }

    void SetDacl(const wchar_t* sddl) {
        UniqueLocal descriptor;
        ASSERT_TRUE(
            ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr));
        ASSERT_EQ(::RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, descriptor.get()), ERROR_SUCCESS);
    }

    std::wstring name_;
    UniqueHkey key_;
    bool denied_ = false;
    bool deleted_ = false;
};

//--- Shared with the native run

class ConfigReadsWin : public RealBackend, public ::testing::WithParamInterface<ReadCase> {};
TEST_P(ConfigReadsWin, GiveValueOrMessage) { RunReadCase(*this, GetParam()); }
INSTANTIATE_TEST_SUITE_P(Stored, ConfigReadsWin, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return std::string(info.param.label); });

class ConfigWritesWin : public RealBackend, public ::testing::WithParamInterface<WriteCase> {};
TEST_P(ConfigWritesWin, StoreTheirForm) { RunWriteCase(*this, GetParam()); }
INSTANTIATE_TEST_SUITE_P(Stored, ConfigWritesWin, ::testing::ValuesIn(WriteCases()),
                         [](const auto& info) { return std::string(info.param.label); });

class SystemRegistryQueries : public RealBackend, public ::testing::WithParamInterface<QueryCase> {};
TEST_P(SystemRegistryQueries, AnswerAsTheFakeDoes) { RunQueryCase(*this, GetParam()); }
INSTANTIATE_TEST_SUITE_P(Stored, SystemRegistryQueries, ::testing::ValuesIn(QueryCases()),
                         [](const auto& info) { return std::string(info.param.label); });

using ConfigStoreWin = RealBackend;

TEST_F(ConfigStoreWin, MissingValuesGiveDefaults) { ExpectMissingValuesGiveDefaults(*this); }
TEST_F(ConfigStoreWin, WritesReadBack) { ExpectWritesReadBack(*this); }
TEST_F(ConfigStoreWin, UnopenedKeyGivesDefaultsAndTakesNoWrites) { ExpectUnopenedKeyIgnored(*this); }
TEST_F(ConfigStoreWin, FailedWritesAreNotReported) { ExpectFailedWritesIgnored(*this); }
TEST_F(ConfigStoreWin, SeamMissingValue) { ExpectSeamMissingValue(*this); }
TEST_F(ConfigStoreWin, SeamSetValue) { ExpectSeamSetValue(*this); }
TEST_F(ConfigStoreWin, SeamKeyPaths) { ExpectSeamKeyPaths(*this); }

//--- Only here

TEST_F(ConfigStoreWin, ReadingAloneCreatesTheKeyUnderSoftware) {
    const std::wstring sub = L"\\Brenwick\\RamBroom";
    {
        TConfig config(SystemRegistry(), Path() + sub);
        EXPECT_EQ(config.ReadInteger(L"limit_minute", 3), 3);
    }
    UniqueHkey created;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, (Key() + sub).c_str(), 0, KEY_READ, created.put()), ERROR_SUCCESS);
}

TEST_F(ConfigStoreWin, HoldsOneKeyHandleUntilDestroyed) {
    const auto handles = [] {
        const auto count = test_support::HandleCount(::GetCurrentProcess(), ::GetCurrentProcessId());
        EXPECT_TRUE(count.has_value()) << "no handle count on this system";
        return count.value_or(0);
    };
    const long long before = handles();
    {
        TConfig config(SystemRegistry(), Path());
        config.WriteInteger(L"number", 1);
        EXPECT_EQ(handles(), before + 1);
    }
    for (int i = 0; i < 20; ++i) {
        TConfig config(SystemRegistry(), Path());
        config.ReadInteger(L"number", 0);
    }
    EXPECT_EQ(handles(), before);
}

} // namespace
