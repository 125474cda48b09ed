#include "tray/ShellWait.h"

bool WaitForShell(ShellWaitSystem& system) {
    const std::uint64_t start = system.TickCount();
    for (;;) {
        if (system.Terminating()) {
            return false;
        }
        if (system.TaskbarExists()) {
            return true;
        }
        if (system.TickCount() - start >= kShellWaitLimitMs) {
            return true;
        }
        system.Sleep(kShellWaitPollMs);
    }
}
