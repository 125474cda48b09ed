// The settings store over the in-memory registry. The cases shared with the Wine run
// (tests/common/ConfigCases.h) come first; then what only the fake can watch: the key's path as
// passed, and when keys are opened and closed.

#include "config/Config.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/common/ConfigCases.h"
#include "tests/common/MemoryRegistry.h"

namespace {

using namespace config_cases;
using test_support::MemoryRegistry;

constexpr wchar_t kPath[] = L"Brenwick\\RamBroom";
constexpr wchar_t kKey[] = L"Software\\Brenwick\\RamBroom";

class MemoryBackend : public ConfigBackend {
public:
    Registry& Seam() override { return registry; }
    std::wstring Path() const override { return kPath; }
    void Plant(std::wstring_view Name, std::uint32_t Type, const Bytes& Data) override {
        registry.Plant(kKey, Name, Type, Data);
    }
    std::optional<StoredValue> Stored(std::wstring_view Name) override { return registry.Stored(kKey, Name); }
    void DenyOpening() override { registry.FailOpening(kKey); }
    void BreakWrites() override { registry.FailWriting(kKey); }

    MemoryRegistry registry;
};

//--- Shared with the Wine run

class ConfigReads : public ::testing::TestWithParam<ReadCase> {};
TEST_P(ConfigReads, GiveValueOrMessage) {
    MemoryBackend backend;
    RunReadCase(backend, GetParam());
}
INSTANTIATE_TEST_SUITE_P(Stored, ConfigReads, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return std::string(info.param.label); });

class ConfigWrites : public ::testing::TestWithParam<WriteCase> {};
TEST_P(ConfigWrites, StoreTheirForm) {
    MemoryBackend backend;
    RunWriteCase(backend, GetParam());
}
INSTANTIATE_TEST_SUITE_P(Stored, ConfigWrites, ::testing::ValuesIn(WriteCases()),
                         [](const auto& info) { return std::string(info.param.label); });

class MemoryRegistryQueries : public ::testing::TestWithParam<QueryCase> {};
TEST_P(MemoryRegistryQueries, AnswerAsTheRegistry) {
    MemoryBackend backend;
    RunQueryCase(backend, GetParam());
}
INSTANTIATE_TEST_SUITE_P(Stored, MemoryRegistryQueries, ::testing::ValuesIn(QueryCases()),
                         [](const auto& info) { return std::string(info.param.label); });

class ConfigStore : public ::testing::Test, public MemoryBackend {};

TEST_F(ConfigStore, MissingValuesGiveDefaults) { ExpectMissingValuesGiveDefaults(*this); }
TEST_F(ConfigStore, WritesReadBack) { ExpectWritesReadBack(*this); }
TEST_F(ConfigStore, UnopenedKeyGivesDefaultsAndTakesNoWrites) { ExpectUnopenedKeyIgnored(*this); }
TEST_F(ConfigStore, FailedWritesAreNotReported) { ExpectFailedWritesIgnored(*this); }
TEST_F(ConfigStore, SeamMissingValue) { ExpectSeamMissingValue(*this); }
TEST_F(ConfigStore, SeamSetValue) { ExpectSeamSetValue(*this); }
TEST_F(ConfigStore, SeamKeyPaths) { ExpectSeamKeyPaths(*this); }

//--- Only here

TEST_F(ConfigStore, PathIsTakenLiterally) {
    { TConfig config(registry, L"Brenwick\\RamBroom"); }
    { TConfig config(registry, L"\\Odd\\"); }
    { TConfig config(registry, L""); }
    EXPECT_EQ(registry.CreateKeyCalls(),
              (std::vector<std::wstring>{L"Software\\Brenwick\\RamBroom", L"Software\\\\Odd\\", L"Software\\"}));
}

TEST_F(ConfigStore, ReadingAloneCreatesTheKey) {
    ASSERT_FALSE(registry.HasKey(kKey));
    TConfig config(registry, kPath);
    EXPECT_EQ(config.ReadInteger(L"limit_minute", 3), 3);
    EXPECT_TRUE(registry.HasKey(kKey));
    EXPECT_TRUE(registry.HasKey(L"Software\\Brenwick"));
}

TEST_F(ConfigStore, EachStoreHoldsItsOwnKeyUntilDestroyed) {
    {
        TConfig first(registry, kPath);
        TConfig second(registry, kPath);
        EXPECT_EQ(registry.OpenKeyCount(), 2u);
        second.WriteInteger(L"number", 5);
        EXPECT_EQ(first.ReadInteger(L"number", 0), 5) << "nothing is cached";
    }
    EXPECT_EQ(registry.OpenKeyCount(), 0u);

    registry.FailOpening(kKey);
    { TConfig unopened(registry, kPath); }
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(RegistryException, WhatIsTheMessageInUtf8) {
    const ERegistryException error(L"Invalid data type for '메모리 \U0001F600'");
    EXPECT_EQ(error.Message(), L"Invalid data type for '메모리 \U0001F600'");
    EXPECT_STREQ(error.what(), "Invalid data type for '\xEB\xA9\x94\xEB\xAA\xA8\xEB\xA6\xAC \xF0\x9F\x98\x80'");
}

} // namespace
