#pragma once
// The window's cleaning job: the busy state on the clean button and the tray icon, the worker
// that purges, and the completion step with its notification.

#include <memory>
#include <string_view>

#include "app/CleaningJob.h"
#include "base/DateTime.h"
#include "base/UiThread.h"

class FormControl;
class TrayIcon;

class CleaningJob final : public CleaningWindow {
public:
    struct Args {
        FormControl* button = nullptr;                       // BtnClean
        const std::shared_ptr<TrayIcon>* trayIcon = nullptr; // the window's, once created
        TDateTime* nextTime = nullptr;                       // the window's NextTime
        Clock* clock = nullptr;
        std::shared_ptr<UiThread> ui;
    };

    explicit CleaningJob(Args args) : args_(std::move(args)) {}

    // The clean button's handler; a click on the tray icon calls it too, with the icon's class
    // as the sender's, which makes the job end with a notification.
    void BtnCleanClick(std::string_view senderClass);
    void Clean(bool Alarm);

    bool IsRunning() const override { return FIsRunning; }
    void SetIsRunning(bool Value) override;
    void CleaningDone(bool alarm) override;

private:
    static std::wstring BusyCaption();
    Args args_;
    bool FIsRunning = false;
};
