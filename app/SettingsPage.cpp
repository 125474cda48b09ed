#include "app/SettingsPage.h"

#include "config/Config.h"

namespace {

// Each rule row: its box, its list, and the names its two values are stored under, with the
// list's default position ("90" of the percentages, "30" of the minutes).
struct RuleRow {
    SettingsBox box;
    SettingsList list;
    std::wstring_view enabledName;
    std::wstring_view limitName;
    int defaultLimit;
};
constexpr RuleRow kRules[] = {
    {SettingsBox::UsagePhys, SettingsList::UsagePhys, L"enabled_usage_phys", L"limit_usage_phys", 6},
    {SettingsBox::UsagePage, SettingsList::UsagePage, L"enabled_usage_page", L"limit_usage_page", 6},
    {SettingsBox::UsageWork, SettingsList::UsageWork, L"enabled_usage_work", L"limit_usage_work", 6},
    {SettingsBox::Minute, SettingsList::Minute, L"enabled_minute", L"limit_minute", 3},
};
static_assert(std::size(kRules) == kSettingsListCount);

constexpr std::wstring_view kCleanOnTrayName = L"cleanontray";

const RuleRow* RowOf(SettingsBox box) {
    for (const RuleRow& row : kRules) {
        if (row.box == box) {
            return &row;
        }
    }
    return nullptr;
}

const RuleRow& RowOf(SettingsList list) { return kRules[static_cast<int>(list)]; }

// A value stored with a type the store does not read as asked makes the read throw. One such
// value must not cost the user the others, nor the rest of the startup: it takes its default,
// and stays as stored until the user changes that setting.
template <typename T, typename Read> T ReadOrDefault(T fallback, Read read) {
    try {
        return read();
    } catch (const ERegistryException&) {
        return fallback;
    }
}

int ReadInteger(TConfig& config, std::wstring_view name, int fallback) {
    return ReadOrDefault(fallback, [&] { return config.ReadInteger(name, fallback); });
}

bool ReadBoolean(TConfig& config, std::wstring_view name, bool fallback) {
    return ReadOrDefault(fallback, [&] { return config.ReadBoolean(name, fallback); });
}

} // namespace

std::optional<bool> LoadAutoStartTask(AutoStartTasks& tasks, int installDelaySeconds) {
    if (installDelaySeconds >= 0) {
        tasks.Register(installDelaySeconds);
    }
    const std::optional<bool> exists = tasks.Has();
    if (exists.value_or(false)) {
        tasks.Register(0);
    }
    return exists;
}

void SettingsPage::AutoStartLoaded(std::optional<bool> exists) {
    if (exists) {
        autoStartTag_ = *exists ? 1 : 0;
    }
    if (autoStartTag_ == 1 && !host_.Ticked(SettingsBox::AutoStart)) {
        host_.SetTicked(SettingsBox::AutoStart, true);
    }
}

void SettingsPage::LoadConfig() {
    TConfig config(registry_, kSettingsPath);
    auto loadEnabled = [&](SettingsList list) {
        host_.SetListEnabled(list, ReadBoolean(config, RowOf(list).enabledName, false));
    };
    auto loadLimit = [&](SettingsList list) {
        host_.SetSelectedIndex(list, ReadInteger(config, RowOf(list).limitName, RowOf(list).defaultLimit));
    };
    loadEnabled(SettingsList::UsagePhys);
    loadEnabled(SettingsList::UsagePage);
    loadEnabled(SettingsList::UsageWork);
    loadLimit(SettingsList::UsagePhys);
    loadLimit(SettingsList::UsagePage);
    loadLimit(SettingsList::UsageWork);
    loadEnabled(SettingsList::Minute);
    loadLimit(SettingsList::Minute);
    Tick(SettingsBox::CleanOnTray, ReadBoolean(config, kCleanOnTrayName, false));
    // The boxes follow their lists, each box's handler running as it becomes ticked.
    for (const RuleRow& row : kRules) {
        Tick(row.box, host_.ListEnabled(row.list));
    }
}

void SettingsPage::SaveConfig(std::wstring_view Name, int Value) {
    TConfig config(registry_, kSettingsPath);
    config.WriteInteger(Name, Value);
}

void SettingsPage::SaveConfig(std::wstring_view Name, bool Value) {
    TConfig config(registry_, kSettingsPath);
    config.WriteBoolean(Name, Value);
}

void SettingsPage::Tick(SettingsBox box, bool ticked) {
    if (host_.Ticked(box) == ticked) {
        return;
    }
    host_.SetTicked(box, ticked);
    Click(box);
}

void SettingsPage::Click(SettingsBox box) {
    switch (box) {
    case SettingsBox::AutoStart:
        ChkAutoStartClick();
        break;
    case SettingsBox::CleanOnTray:
        ChkCleanOnTrayClick();
        break;
    default:
        RuleBoxClick(box);
        break;
    }
}

void SettingsPage::RuleBoxClick(SettingsBox box) {
    const RuleRow* row = RowOf(box);
    if (!row) {
        return;
    }
    host_.SetListEnabled(row->list, host_.Ticked(box));
    host_.ResetNextTime();
    SaveConfig(row->enabledName, host_.ListEnabled(row->list));
}

void SettingsPage::RuleListChange(SettingsList list) {
    host_.ResetNextTime();
    SaveConfig(RowOf(list).limitName, host_.SelectedIndex(list));
}

void SettingsPage::ChkCleanOnTrayClick() { SaveConfig(kCleanOnTrayName, host_.Ticked(SettingsBox::CleanOnTray)); }

void SettingsPage::ChkAutoStartClick() { host_.SetAutoStartTask(host_.Ticked(SettingsBox::AutoStart)); }
