#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsPage.h"
#include "config/Config.h"
#include "tests/common/MemoryRegistry.h"

namespace {

using test_support::MemoryRegistry;

constexpr std::wstring_view kKey = L"Software\\Brenwick\\RamBroom";
constexpr std::wstring_view kNames[] = {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work",
                                        L"limit_usage_phys",   L"limit_usage_page",   L"limit_usage_work",
                                        L"enabled_minute",     L"limit_minute",       L"cleanontray"};

void PlantDword(MemoryRegistry& registry, std::wstring_view name, std::uint32_t value) {
    registry.Plant(kKey, name, kRegDword,
                   {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

// A REG_DWORD as stored; nullopt when missing or of another form.
std::optional<std::uint32_t> StoredDword(const MemoryRegistry& registry, std::wstring_view name) {
    const auto stored = registry.Stored(kKey, name);
    if (!stored || stored->type != kRegDword || stored->data.size() != 4) {
        return std::nullopt;
    }
    const auto& d = stored->data;
    return static_cast<std::uint32_t>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24);
}

// How many of the page's values are stored.
int StoredCount(const MemoryRegistry& registry) {
    int count = 0;
    for (auto name : kNames) {
        count += registry.Stored(kKey, name) ? 1 : 0;
    }
    return count;
}

// The page's controls as plain state, and a log of what the page did to them, in order.
class FakePage : public SettingsPageHost {
public:
    bool ticked[kSettingsBoxCount] = {};
    bool enabled[kSettingsListCount] = {true, true, true, true}; // as the form would have them, before the load
    int selected[kSettingsListCount] = {-1, -1, -1, -1};
    std::vector<bool> taskCalls; // SetAutoStartTask's `enable`, in order
    int nextTimeResets = 0;
    std::vector<std::string> log;

    bool Ticked(SettingsBox box) const override { return ticked[static_cast<int>(box)]; }
    void SetTicked(SettingsBox box, bool value) override {
        ticked[static_cast<int>(box)] = value;
        log.push_back("tick " + std::to_string(static_cast<int>(box)) + (value ? " on" : " off"));
    }
    bool ListEnabled(SettingsList list) const override { return enabled[static_cast<int>(list)]; }
    void SetListEnabled(SettingsList list, bool value) override {
        enabled[static_cast<int>(list)] = value;
        log.push_back("enable " + std::to_string(static_cast<int>(list)));
    }
    int SelectedIndex(SettingsList list) const override { return selected[static_cast<int>(list)]; }
    void SetSelectedIndex(SettingsList list, int index) override {
        selected[static_cast<int>(list)] = index;
        log.push_back("select " + std::to_string(static_cast<int>(list)));
    }
    void ResetNextTime() override { ++nextTimeResets; }
    void SetAutoStartTask(bool enable) override {
        taskCalls.push_back(enable);
        log.push_back(enable ? "register task" : "delete task");
    }
};

class SettingsPageTest : public ::testing::Test {
protected:
    void StoreDword(std::wstring_view name, std::uint32_t value) { PlantDword(registry, name, value); }
    std::optional<std::uint32_t> Stored(std::wstring_view name) { return StoredDword(registry, name); }

    MemoryRegistry registry;
    FakePage host;
    SettingsPage page{host, registry};
};

int Box(SettingsBox box) { return static_cast<int>(box); }
int List(SettingsList list) { return static_cast<int>(list); }

TEST_F(SettingsPageTest, FreshProfileLoadsTheDefaultsAndStoresNothing) {
    page.LoadConfig();
    for (bool ticked : host.ticked) {
        EXPECT_FALSE(ticked);
    }
    for (bool enabled : host.enabled) {
        EXPECT_FALSE(enabled);
    }
    EXPECT_EQ(host.selected[List(SettingsList::UsagePhys)], 6); // "90"
    EXPECT_EQ(host.selected[List(SettingsList::UsagePage)], 6);
    EXPECT_EQ(host.selected[List(SettingsList::UsageWork)], 6);
    EXPECT_EQ(host.selected[List(SettingsList::Minute)], 3); // "30"
    EXPECT_EQ(host.nextTimeResets, 0);
    EXPECT_TRUE(host.taskCalls.empty());
    EXPECT_TRUE(registry.HasKey(kKey)) << "the load creates the key";
    EXPECT_EQ(StoredCount(registry), 0);
}

// The load in its order: the lists are filled, and only then do the boxes follow, each ticked
// box running its handler at once. The logon box is not the load's.
TEST_F(SettingsPageTest, LoadRunsInItsOrder) {
    for (auto name :
         {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work", L"enabled_minute", L"cleanontray"}) {
        StoreDword(name, 1);
    }
    page.LoadConfig();
    const std::vector<std::string> expected = {
        "enable 0",  "enable 1", "enable 2",  "select 0", "select 1",  "select 2", "enable 3",
        "select 3",  "tick 5 on", "tick 0 on", "enable 0", "tick 1 on", "enable 1", "tick 2 on",
        "enable 2",  "tick 3 on", "enable 3",
    };
    EXPECT_EQ(host.log, expected);
}

TEST_F(SettingsPageTest, StoredValuesLoadAndTickedBoxesRunTheirHandlersOnce) {
    StoreDword(L"enabled_usage_phys", 1);
    StoreDword(L"limit_usage_phys", 4);
    StoreDword(L"enabled_minute", 2); // any number but 0 is true
    StoreDword(L"limit_minute", 6);
    StoreDword(L"limit_usage_page", 9); // past the items: the list shows none
    StoreDword(L"cleanontray", 1);

    page.LoadConfig();

    EXPECT_TRUE(host.ticked[Box(SettingsBox::UsagePhys)]);
    EXPECT_TRUE(host.enabled[List(SettingsList::UsagePhys)]);
    EXPECT_EQ(host.selected[List(SettingsList::UsagePhys)], 4);
    EXPECT_FALSE(host.ticked[Box(SettingsBox::UsagePage)]);
    EXPECT_EQ(host.selected[List(SettingsList::UsagePage)], 9);
    EXPECT_TRUE(host.ticked[Box(SettingsBox::Minute)]);
    EXPECT_EQ(host.selected[List(SettingsList::Minute)], 6);
    EXPECT_TRUE(host.ticked[Box(SettingsBox::CleanOnTray)]);
    EXPECT_FALSE(host.ticked[Box(SettingsBox::AutoStart)]) << "left to the logon task's load";
    // Each ticked rule box stored its value again and reset NextTime.
    EXPECT_EQ(host.nextTimeResets, 2);
    EXPECT_EQ(Stored(L"enabled_usage_phys"), 1u);
    EXPECT_EQ(Stored(L"enabled_minute"), 1u) << "stored again as the list's state";
    EXPECT_EQ(Stored(L"cleanontray"), 1u);
    EXPECT_TRUE(host.taskCalls.empty());
}

// The logon task as the start's load meets it: what it does to the task, in order, and what the
// box then shows. The box's handler never runs for the load: the load registered the task itself.
TEST_F(SettingsPageTest, TheLogonTaskLoad) {
    struct Tasks : AutoStartTasks {
        std::optional<bool> exists;
        std::vector<std::string> calls;
        std::optional<bool> Has() override {
            calls.push_back("has");
            return exists;
        }
        void Register(int delaySeconds) override { calls.push_back("register " + std::to_string(delaySeconds)); }
    };
    struct Row {
        const char* what;
        std::optional<bool> exists; // nullopt: COM does not start
        int installDelay;           // -1: not a start after installation
        std::vector<std::string> calls;
        int tag;
    };
    const Row rows[] = {
        {"no task", false, -1, {"has"}, 0},
        {"a task", true, -1, {"has", "register 0"}, 1},
        {"installed: registered, then again without delay", true, 60, {"register 60", "has", "register 0"}, 1},
        {"installed, the listing misses it", false, 60, {"register 60", "has"}, 0},
        {"no COM", std::nullopt, -1, {"has"}, 0},
    };
    for (const Row& row : rows) {
        Tasks tasks;
        tasks.exists = row.exists;
        const std::optional<bool> found = LoadAutoStartTask(tasks, row.installDelay);
        EXPECT_EQ(tasks.calls, row.calls) << row.what;
        EXPECT_EQ(found, row.exists) << row.what;

        FakePage fake;
        MemoryRegistry fresh;
        SettingsPage subject(fake, fresh);
        subject.LoadConfig();
        subject.AutoStartLoaded(found);
        EXPECT_EQ(subject.AutoStartTag(), row.tag) << row.what;
        EXPECT_EQ(fake.ticked[Box(SettingsBox::AutoStart)], row.tag == 1) << row.what;
        EXPECT_TRUE(fake.taskCalls.empty()) << row.what;
    }
}

// Each handler as the user fires it: what it stores, whether it resets NextTime, and the list
// it enables or disables.
TEST_F(SettingsPageTest, HandlersStoreAtOnce) {
    struct Row {
        const char* what;
        void (SettingsPage::*handler)();
        std::optional<SettingsBox> box; // ticked by the user before the handler runs
        std::optional<SettingsList> list;
        int index; // picked by the user before the handler runs
        const wchar_t* name;
        std::uint32_t stored;
        int nextTimeResets;
    };
    const Row rows[] = {
        {"phys box", &SettingsPage::ChkUsagePhysClick, SettingsBox::UsagePhys, {}, 0, L"enabled_usage_phys", 1, 1},
        {"page box", &SettingsPage::ChkUsagePageClick, SettingsBox::UsagePage, {}, 0, L"enabled_usage_page", 1, 1},
        {"work box", &SettingsPage::ChkUsageWorkClick, SettingsBox::UsageWork, {}, 0, L"enabled_usage_work", 1, 1},
        {"minute box", &SettingsPage::ChkMinuteClick, SettingsBox::Minute, {}, 0, L"enabled_minute", 1, 1},
        {"phys list", &SettingsPage::EditUsagePhysChange, {}, SettingsList::UsagePhys, 4, L"limit_usage_phys", 4, 1},
        {"page list", &SettingsPage::EditUsagePageChange, {}, SettingsList::UsagePage, 0, L"limit_usage_page", 0, 1},
        {"work list", &SettingsPage::EditUsageWorkChange, {}, SettingsList::UsageWork, 2, L"limit_usage_work", 2, 1},
        {"minute list", &SettingsPage::EditMinuteChange, {}, SettingsList::Minute, 6, L"limit_minute", 6, 1},
        {"tray box", &SettingsPage::ChkCleanOnTrayClick, SettingsBox::CleanOnTray, {}, 0, L"cleanontray", 1, 0},
    };
    for (const Row& row : rows) {
        MemoryRegistry fresh;
        FakePage fake;
        SettingsPage subject(fake, fresh);
        if (row.box) {
            fake.ticked[Box(*row.box)] = true;
        }
        if (row.list) {
            fake.selected[List(*row.list)] = row.index;
        }
        (subject.*row.handler)();
        EXPECT_EQ(StoredDword(fresh, row.name), row.stored) << row.what;
        EXPECT_EQ(StoredCount(fresh), 1) << row.what;
        EXPECT_EQ(fake.nextTimeResets, row.nextTimeResets) << row.what;
        if (row.box && *row.box != SettingsBox::CleanOnTray) {
            EXPECT_TRUE(fake.enabled[static_cast<int>(*row.box)]) << row.what << ": the list follows its box";
        }
    }
}

TEST_F(SettingsPageTest, UntickingDisablesTheListAndKeepsItsPick) {
    StoreDword(L"enabled_usage_work", 1);
    StoreDword(L"limit_usage_work", 2);
    page.LoadConfig();
    host.ticked[Box(SettingsBox::UsageWork)] = false;
    page.ChkUsageWorkClick();
    EXPECT_FALSE(host.enabled[List(SettingsList::UsageWork)]);
    EXPECT_EQ(host.selected[List(SettingsList::UsageWork)], 2);
    EXPECT_EQ(Stored(L"enabled_usage_work"), 0u);
    EXPECT_EQ(Stored(L"limit_usage_work"), 2u);
}

TEST_F(SettingsPageTest, LogonBoxRegistersOrDeletesAndStoresNothing) {
    host.ticked[Box(SettingsBox::AutoStart)] = true;
    page.ChkAutoStartClick();
    host.ticked[Box(SettingsBox::AutoStart)] = false;
    page.ChkAutoStartClick();
    EXPECT_EQ(host.taskCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.nextTimeResets, 0);
    EXPECT_FALSE(registry.HasKey(kKey));
}

// A value stored with a type the store refuses: that one takes its default, every other value
// still loads, and it is left as stored. The others are stored away from their defaults (boxes
// ticked, lists at position 4), so a default shows where it is taken.
TEST_F(SettingsPageTest, AWronglyTypedValueTakesItsDefaultAndTheRestLoad) {
    // A REG_SZ of two characters: more than 4 bytes, which an integer read refuses.
    const std::vector<std::uint8_t> text = {'o', 0, 'n', 0, 0, 0};
    for (std::size_t wrong = 0; wrong < std::size(kNames); ++wrong) {
        MemoryRegistry stored;
        for (auto name : kNames) {
            PlantDword(stored, name, name.starts_with(L"limit_") ? 4 : 1);
        }
        stored.Plant(kKey, kNames[wrong], kRegSz, text);
        FakePage fake;
        SettingsPage subject(fake, stored);
        subject.LoadConfig();

        // What the page shows, in the order of kNames, and what it would show with every value good.
        const int shown[] = {
            fake.enabled[0],  fake.enabled[1],  fake.enabled[2],
            fake.selected[0], fake.selected[1], fake.selected[2],
            fake.enabled[3],  fake.selected[3], fake.ticked[Box(SettingsBox::CleanOnTray)],
        };
        const int loaded[] = {1, 1, 1, 4, 4, 4, 1, 4, 1};
        const int defaults[] = {0, 0, 0, 6, 6, 6, 0, 3, 0};
        const std::string what(kNames[wrong].begin(), kNames[wrong].end());
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            EXPECT_EQ(shown[i], i == wrong ? defaults[i] : loaded[i]) << "with " << what << " wrong, item " << i;
        }
        EXPECT_EQ(stored.Stored(kKey, kNames[wrong])->type, kRegSz) << what << " was rewritten";
    }
}

} // namespace
