#include "app/CleaningJob_win.h"

#include "translate/Translate_win.h"

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
        ShowNotification(args_.trayIcon->get(), Translate(texts::kCleaned));
    }
}

// The busy caption's key has a blank and three dots after the word, so no catalog entry matches
// it and it would read Korean in every language: outside Korean the word's own translation
// ("Cleaning...") is shown instead.
std::wstring CleaningJob::BusyCaption() {
    return CurrentLanguage() == L"ko" ? Translate(texts::kCleanBusy) : Translate(texts::kCleanBusyWord);
}

void CleaningJob::SetIsRunning(bool Value) {
    if (Value == FIsRunning) {
        return;
    }
    FIsRunning = Value;
    args_.button->SetText(Value ? BusyCaption() : Translate(texts::kCleanIdle));
    args_.button->SetEnabled(!Value);
    if (const auto& icon = *args_.trayIcon) {
        icon->SetIconIndex(Value ? 1 : 0);
    }
}
