// The main window's cleaning job: busy state, the worker thread and the completion step.

#include "app/MainWindow_win.h"
#include "app/Notification_win.h"
#include "base/Worker_win.h"
#include "base/Workers.h"
#include "memory/Memory_win.h"

namespace {
constexpr std::string_view kTrayIconClass = "TTrayIcon";
}

void TFrmRamBroom::BtnCleanClick(std::string_view senderClass) {
    if (IsRunning()) {
        return;
    }
    Clean(senderClass == kTrayIconClass);
}

void TFrmRamBroom::Clean(bool Alarm) {
    CleaningServices services;
    services.ui = dispatcher_;
    services.purge = [] { PurgeMemory(); };
    services.startWorker = [](std::function<void()> work) { return StartWorker(kCleaningWorker, std::move(work)); };
    StartCleaning(*this, Alarm, services);
}

void TFrmRamBroom::CleaningDone(bool alarm) {
    NextTime = clock_.Now();
    SetIsRunning(false);
    if (alarm) {
        ShowNotification(trayIcon_.get(), std::wstring(texts::kCleaned));
    }
}

void TFrmRamBroom::SetIsRunning(bool Value) {
    if (Value == FIsRunning) {
        return;
    }
    FIsRunning = Value;
    FormControl& button = controls_.Get("BtnClean");
    button.SetText(Value ? texts::kCleanBusy : texts::kCleanIdle);
    button.SetEnabled(!Value);
    if (trayIcon_) {
        trayIcon_->SetIconIndex(Value ? 1 : 0);
    }
}
