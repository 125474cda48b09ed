#include "app/SettingsPage_win.h"

#include "app/FormDescription.h"
#include "autostart/AutoStart.h"
#include "autostart/AutoStart_win.h"
#include "base/Com_win.h"
#include "base/UiThread.h"
#include "base/Worker_win.h"
#include "base/Workers.h"

#include <mutex>

namespace {

constexpr ControlIndex kBoxes[kSettingsBoxCount] = {
    form::Ctl("ChkUsagePhys"), form::Ctl("ChkUsagePage"), form::Ctl("ChkUsageWork"),
    form::Ctl("ChkMinute"),    form::Ctl("ChkAutoStart"), form::Ctl("ChkCleanOnTray"),
};
constexpr ControlIndex kLists[kSettingsListCount] = {
    form::Ctl("EditUsagePhys"),
    form::Ctl("EditUsagePage"),
    form::Ctl("EditUsageWork"),
    form::Ctl("EditMinute"),
};

ControlIndex BoxControl(SettingsBox box) { return kBoxes[static_cast<int>(box)]; }
ControlIndex ListControl(SettingsList list) { return kLists[static_cast<int>(list)]; }

// Held for every call on the task, and by the start's load from its first call to its last: a
// deletion (the uninstall message) never lands between its look and its registration.
std::mutex& TaskMutex() {
    static std::mutex mutex;
    return mutex;
}

void SetTask(bool enable, int delaySeconds) {
    ComScope com;
    if (com.ok()) {
        ::SetAutoStartTask(kAutoStartTaskName, enable, delaySeconds);
    }
}

class SystemAutoStartTasks final : public AutoStartTasks {
public:
    std::optional<bool> Has() override {
        ComScope com;
        if (!com.ok()) {
            return std::nullopt;
        }
        return ::HasAutoStartTask(kAutoStartTaskName);
    }
    void Register(int delaySeconds) override { SetTask(true, delaySeconds); }
};

} // namespace

SettingsPageView::SettingsPageView(FormControls& controls, Registry& registry, std::function<void()> resetNextTime)
    : controls_(controls), resetNextTime_(std::move(resetNextTime)), page_(*this, registry) {}

bool SettingsPageView::Ticked(SettingsBox box) const { return controls_.Get(BoxControl(box)).Checked(); }

void SettingsPageView::SetTicked(SettingsBox box, bool ticked) { controls_.Get(BoxControl(box)).SetChecked(ticked); }

bool SettingsPageView::ListEnabled(SettingsList list) const { return controls_.Get(ListControl(list)).Enabled(); }

void SettingsPageView::SetListEnabled(SettingsList list, bool enabled) {
    controls_.Get(ListControl(list)).SetEnabled(enabled);
}

int SettingsPageView::SelectedIndex(SettingsList list) const {
    return controls_.Get(ListControl(list)).SelectedIndex();
}

void SettingsPageView::SetSelectedIndex(SettingsList list, int index) {
    controls_.Get(ListControl(list)).SetSelectedIndex(index);
}

void SettingsPageView::ResetNextTime() { resetNextTime_(); }

void SettingsPageView::SetAutoStartTask(bool enable) {
    if (enable) {
        RegisterAutoStartTask(0);
    } else {
        DeleteAutoStartTask();
    }
}

void RegisterAutoStartTask(int delaySeconds) {
    const std::lock_guard lock(TaskMutex());
    SetTask(true, delaySeconds);
}

void DeleteAutoStartTask() {
    const std::lock_guard lock(TaskMutex());
    SetTask(false, 0);
}

void LoadAutoStartTaskInBackground(int installDelaySeconds, const std::shared_ptr<UiThread>& ui,
                                   std::function<void(std::optional<bool>)> loaded) {
    auto load = [installDelaySeconds] {
        const std::lock_guard lock(TaskMutex());
        SystemAutoStartTasks tasks;
        return LoadAutoStartTask(tasks, installDelaySeconds);
    };
    auto shared = std::make_shared<std::function<void(std::optional<bool>)>>(std::move(loaded));
    const bool started = StartWorker(kAutoStartWorker, [load, ui, shared] {
        const std::optional<bool> exists = load();
        ui->Post([shared, exists] { (*shared)(exists); });
    });
    if (!started) {
        (*shared)(load());
    }
}
