#pragma once
// A cleaning job: the purge runs on a worker thread while the window shows the busy state;
// the completion step is handed back to the UI thread, which alone touches window state.

#include <functional>
#include <memory>

#include "base/UiThread.h"

// The window's side of a job. Called on the UI thread only.
class CleaningWindow {
public:
    virtual ~CleaningWindow() = default;
    virtual bool IsRunning() const = 0;
    virtual void SetIsRunning(bool value) = 0;
    // The completion step after the purge: reference time := now, idle state, the
    // notification when `alarm` is set.
    virtual void CleaningDone(bool alarm) = 0;
};

struct CleaningServices {
    std::shared_ptr<UiThread> ui;
    std::function<void()> purge;
    // Runs `work` on a new thread that ends by itself; false when no thread could be started.
    std::function<bool(std::function<void()> work)> startWorker;
};

// Starts a job unless one is running; returns whether it started. When the window is gone
// by the time the purge returns, the completion step is dropped and the window never touched.
// When no worker can be started, the window goes back to idle as after a job (the cooldown of
// the automatic rules starts, so they do not retry every second) but without the notification:
// nothing was freed.
bool StartCleaning(CleaningWindow& window, bool alarm, const CleaningServices& services);
