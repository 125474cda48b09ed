#include "app/ProcessEntry.h"

Switch ParseSwitch(std::wstring_view firstArgument) {
    if (firstArgument == L"/start") {
        return Switch::Start;
    }
    if (firstArgument == L"/inst") {
        return Switch::Inst;
    }
    if (firstArgument == L"/uninst") {
        return Switch::Uninst;
    }
    return Switch::None;
}

namespace {
constexpr int kUninstallPolls = 10;
constexpr unsigned kUninstallPollMs = 100;

void NotifyRunningInstance(ProcessEntrySystem& system, ProcessEntrySystem::Window window, Switch sw) {
    // A logon-task start while an instance runs changes nothing visible.
    if (sw != Switch::Start) {
        system.SendControl(window, kCtlShow);
    }
}
} // namespace

int RunProcessEntry(ProcessEntrySystem& system, Switch sw) {
    auto window = system.FindInstanceWindow();

    if (sw == Switch::Uninst) {
        system.SendControl(window, kCtlUninstall);
        for (int i = 0; i < kUninstallPolls; ++i) {
            if (!system.IsWindow(window)) {
                break;
            }
            system.Sleep(kUninstallPollMs);
        }
        return 0;
    }

    if (system.OpenInstanceMutex()) {
        NotifyRunningInstance(system, window, sw);
        return 0;
    }

    // Two launches at the same moment can both miss the mutex above; the one whose create
    // finds it existing is the second instance. Its window may only now have appeared.
    if (system.CreateInstanceMutex()) {
        NotifyRunningInstance(system, window ? window : system.FindInstanceWindow(), sw);
        return 0;
    }

    system.RunFirstInstance(sw);
    return 0;
}
