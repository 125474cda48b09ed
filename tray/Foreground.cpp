#include "tray/Foreground.h"

void ForceForegroundWindow(ForegroundSystem& system, ForegroundSystem::Window window) {
    if (system.IsIconic(window)) {
        system.Restore(window);
    }
    ForegroundSystem::Window foreground = system.ForegroundWindow();
    if (foreground == window) {
        return;
    }
    if (system.MajorVersion() < 6) {
        system.BringWindowToTop(window);
        system.SetForegroundWindow(window);
        return;
    }

    const auto foregroundThread = system.WindowThread(foreground);
    const auto targetThread = system.WindowThread(window);
    if (foregroundThread == 0 || foregroundThread == targetThread) {
        // Nothing to attach to: no foreground window, or it is one of our own thread's
        // (a thread cannot attach its input to itself). Such a switch is allowed as it is.
        system.BringWindowToTop(window);
        system.SetForegroundWindow(window);
    } else {
        if (!system.AttachThreadInput(targetThread, foregroundThread, true)) {
            return;
        }
        system.BringWindowToTop(window);
        system.SetForegroundWindow(window);
        system.AttachThreadInput(targetThread, foregroundThread, false);
    }
    if (system.ForegroundWindow() == window) {
        return;
    }

    const unsigned saved = system.ForegroundLockTimeout();
    system.SetForegroundLockTimeout(0);
    system.BringWindowToTop(window);
    system.SetForegroundWindow(window);
    system.SetForegroundLockTimeout(saved);
}
