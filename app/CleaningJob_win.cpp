#include "app/CleaningJob_win.h"

#include "app/Notification_win.h"
#include "app/Texts.h"
#include "base/Worker_win.h"
#include "base/Workers.h"
#include "memory/Memory_win.h"
#include "tray/TrayIcon_win.h"
#include "widgets/FormControls_win.h"

namespace {
constexpr std::string_view kTrayIconClass = "TTrayIcon";
}

void CleaningJob::BtnCleanClick(std::string_view senderClass) {
    if (IsRunning()) {
        return;
    }
    Clean(senderClass == kTrayIconClass);
}

void CleaningJob::Clean(bool Alarm) {
    CleaningServices services;
    services.ui = args_.ui;
    services.purge = [] { PurgeMemory(); };
    services.startWorker = [](std::function<void()> work) { return StartWorker(kCleaningWorker, std::move(work)); };
    StartCleaning(*this, Alarm, services);
}

void CleaningJob::CleaningDone(bool alarm) {
    *args_.nextTime = args_.clock->Now();
    SetIsRunning(false);
    if (alarm) {
        ShowNotification(args_.trayIcon->get(), std::wstring(texts::kCleaned));
    }
}

void CleaningJob::SetIsRunning(bool Value) {
    if (Value == FIsRunning) {
        return;
    }
    FIsRunning = Value;
    args_.button->SetText(Value ? texts::kCleanBusy : texts::kCleanIdle);
    args_.button->SetEnabled(!Value);
    if (const auto& icon = *args_.trayIcon) {
        icon->SetIconIndex(Value ? 1 : 0);
    }
}
