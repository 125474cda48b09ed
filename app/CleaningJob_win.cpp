// The main window's cleaning job: busy state, the worker thread and the completion step.

#include <thread>

#include "app/MainWindow_win.h"
#include "app/Notification_win.h"
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
    services.startWorker = [](std::function<void()> work) { std::thread(std::move(work)).detach(); };
    StartCleaning(*this, Alarm, services);
}

void TFrmRamBroom::CleaningDone(bool alarm) {
    NextTime = clock_.Now();
    SetIsRunning(false);
    if (alarm) {
        ShowNotification(trayIcon_.get(), L"메모리를 정리하였습니다.");
    }
}

void TFrmRamBroom::SetIsRunning(bool Value) {
    if (Value == FIsRunning) {
        return;
    }
    FIsRunning = Value;
    FormControl& button = controls_.Get("BtnClean");
    button.SetText(Value ? L"정리중 ..." : L"정리하기");
    button.SetEnabled(!Value);
    if (trayIcon_) {
        trayIcon_->SetIconIndex(Value ? 1 : 0);
    }
}
