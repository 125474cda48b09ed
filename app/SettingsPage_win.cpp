#include "app/SettingsPage_win.h"

#include "app/FormDescription.h"
#include "autostart/AutoStart.h"
#include "autostart/AutoStart_win.h"
#include "base/Com_win.h"

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

std::optional<bool> SettingsPageView::HasAutoStartTask() {
    ComScope com;
    if (!com.ok()) {
        return std::nullopt;
    }
    return ::HasAutoStartTask(kAutoStartTaskName);
}

void SettingsPageView::SetAutoStartTask(bool enable) {
    if (enable) {
        RegisterAutoStartTask(0);
    } else {
        DeleteAutoStartTask();
    }
}

void RegisterAutoStartTask(int delaySeconds) {
    ComScope com;
    if (com.ok()) {
        ::SetAutoStartTask(kAutoStartTaskName, true, delaySeconds);
    }
}

void DeleteAutoStartTask() {
    ComScope com;
    if (com.ok()) {
        ::SetAutoStartTask(kAutoStartTaskName, false, 0);
    }
}
