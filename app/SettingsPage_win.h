#pragma once
// The settings page over the window's controls, and the logon-task calls of the startup and
// of the uninstall control message, each inside a COM initialisation of its own.

#include <functional>
#include <memory>
#include <optional>

#include "app/SettingsPage.h"
#include "widgets/FormControls_win.h"

class SettingsPageView final : public SettingsPageHost {
public:
    // `resetNextTime` sets the window's NextTime to now.
    SettingsPageView(FormControls& controls, Registry& registry, std::function<void()> resetNextTime);

    SettingsPage& Page() { return page_; }

    bool Ticked(SettingsBox box) const override;
    void SetTicked(SettingsBox box, bool ticked) override;
    bool ListEnabled(SettingsList list) const override;
    void SetListEnabled(SettingsList list, bool enabled) override;
    int SelectedIndex(SettingsList list) const override;
    void SetSelectedIndex(SettingsList list, int index) override;
    void ResetNextTime() override;
    void SetAutoStartTask(bool enable) override;

private:
    FormControls& controls_;
    std::function<void()> resetNextTime_;
    SettingsPage page_;
};

// The logon task's delay when the first start after installation ("/inst") registers it.
inline constexpr int kInstallDelaySeconds = 60;

class UiThread;

// Registers the logon task with the given delay (seconds; 0 for none), or deletes it, under
// CoInitialize; nothing happens when COM does not start. One call on the task at a time: these
// wait for the start's load below when it runs.
void RegisterAutoStartTask(int delaySeconds);
void DeleteAutoStartTask();

// The start's logon-task work (LoadAutoStartTask; installDelaySeconds < 0 when the start is no
// installation's) on a worker of its own, so the window does not wait for the Task Scheduler.
// `loaded` gets the answer on the UI thread through `ui`, and is dropped if the window is gone by
// then. When no thread can start, all of it runs here, before this returns.
void LoadAutoStartTaskInBackground(int installDelaySeconds, const std::shared_ptr<UiThread>& ui,
                                   std::function<void(std::optional<bool>)> loaded);
