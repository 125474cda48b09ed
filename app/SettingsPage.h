#pragma once
// The settings page: the automatic-cleaning rules, start at logon and clean on a tray click.
// LoadConfig fills it once at startup from the stored values; the logon task's state, which
// takes the Task Scheduler to read (a service that may have to start first), is read off the
// user-interface thread (LoadAutoStartTask) and shown when it is known (AutoStartLoaded). After
// that every change takes effect and is stored at once, each value through a TConfig of its own.
// There is no OK or Apply.
//
// The page reaches its controls, the logon task and the window's NextTime through
// SettingsPageHost, so its order of work is tested against a fake.

#include <optional>
#include <string_view>

class Registry;

// The check boxes, and the drop-down lists of the four rule rows (the first four boxes).
enum class SettingsBox { UsagePhys, UsagePage, UsageWork, Minute, AutoStart, CleanOnTray };
enum class SettingsList { UsagePhys, UsagePage, UsageWork, Minute };
inline constexpr int kSettingsBoxCount = 6;
inline constexpr int kSettingsListCount = 4;

// The registry key below HKEY_CURRENT_USER\Software, and the stored values' names.
inline constexpr std::wstring_view kSettingsPath = L"Brenwick\\RamBroom";

class SettingsPageHost {
public:
    virtual ~SettingsPageHost() = default;

    // The box's state as the control shows it. Setting it runs no handler.
    virtual bool Ticked(SettingsBox box) const = 0;
    virtual void SetTicked(SettingsBox box, bool ticked) = 0;
    virtual bool ListEnabled(SettingsList list) const = 0;
    virtual void SetListEnabled(SettingsList list, bool enabled) = 0;
    // Any index outside the list's items leaves it with no selection.
    virtual int SelectedIndex(SettingsList list) const = 0;
    virtual void SetSelectedIndex(SettingsList list, int index) = 0;

    // NextTime := now: automatic cleaning waits its 300 s again.
    virtual void ResetNextTime() = 0;

    // The logon task, inside a COM initialisation of its own: registers it without delay, or
    // deletes it; nothing when COM could not start.
    virtual void SetAutoStartTask(bool enable) = 0;
};

// The logon task as the start reads it, each call inside a COM initialisation of its own.
class AutoStartTasks {
public:
    virtual ~AutoStartTasks() = default;
    // Whether the task exists; nullopt when COM could not start, and then nothing was asked.
    virtual std::optional<bool> Has() = 0;
    // Registers it with this delay in seconds (0: none); nothing when COM could not start.
    virtual void Register(int delaySeconds) = 0;
};

// The start's work on the logon task, in this order: after an installation (a delay of 0 or
// more) the task is registered with the installer's delay; then it is looked for, and when it
// exists it is registered again without delay, as ticking the start-at-logon box does, so it
// always starts the program that runs now. Returns what the look found.
std::optional<bool> LoadAutoStartTask(AutoStartTasks& tasks, int installDelaySeconds);

class SettingsPage {
public:
    SettingsPage(SettingsPageHost& host, Registry& registry) : host_(host), registry_(registry) {}

    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    // The stored values. The start-at-logon box is left to AutoStartLoaded.
    void LoadConfig();
    // What LoadAutoStartTask found: Tag, and the box ticked when the task exists. Its click
    // handler does not run, as the load registered the task again already.
    void AutoStartLoaded(std::optional<bool> exists);

    void SaveConfig(std::wstring_view Name, int Value);
    void SaveConfig(std::wstring_view Name, bool Value);

    // Handlers of the user's clicks and picks (a box's handler runs once its state changed).
    void ChkUsagePhysClick() { RuleBoxClick(SettingsBox::UsagePhys); }
    void ChkUsagePageClick() { RuleBoxClick(SettingsBox::UsagePage); }
    void ChkUsageWorkClick() { RuleBoxClick(SettingsBox::UsageWork); }
    void ChkMinuteClick() { RuleBoxClick(SettingsBox::Minute); }
    void EditUsagePhysChange() { RuleListChange(SettingsList::UsagePhys); }
    void EditUsagePageChange() { RuleListChange(SettingsList::UsagePage); }
    void EditUsageWorkChange() { RuleListChange(SettingsList::UsageWork); }
    void EditMinuteChange() { RuleListChange(SettingsList::Minute); }
    void ChkCleanOnTrayClick();
    void ChkAutoStartClick();

    // Whether the logon task existed when the page was loaded (1) or not (0).
    int AutoStartTag() const { return autoStartTag_; }

private:
    void RuleBoxClick(SettingsBox box);
    void RuleListChange(SettingsList list);
    // Setting a box from code counts as a click: its handler runs when the state changes.
    void Tick(SettingsBox box, bool ticked);
    void Click(SettingsBox box);

    SettingsPageHost& host_;
    Registry& registry_;
    int autoStartTag_ = 0;
};
