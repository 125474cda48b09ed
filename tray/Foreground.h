#pragma once
// Bringing a window to the front even when another program owns the foreground: Windows
// refuses SetForegroundWindow to a background process unless its input is attached to the
// foreground thread, or the foreground lock timeout is lifted.

class ForegroundSystem {
public:
    using Window = void*;
    using ThreadId = unsigned long;

    virtual ~ForegroundSystem() = default;
    virtual bool IsIconic(Window window) = 0;
    virtual void Restore(Window window) = 0; // ShowWindow SW_RESTORE
    virtual Window ForegroundWindow() = 0;
    virtual unsigned MajorVersion() = 0;
    virtual ThreadId WindowThread(Window window) = 0; // 0 for no window
    virtual bool AttachThreadInput(ThreadId attach, ThreadId attachTo, bool on) = 0;
    virtual void BringWindowToTop(Window window) = 0;
    virtual void SetForegroundWindow(Window window) = 0;
    virtual unsigned ForegroundLockTimeout() = 0;
    virtual void SetForegroundLockTimeout(unsigned milliseconds) = 0;
};

void ForceForegroundWindow(ForegroundSystem& system, ForegroundSystem::Window window);
