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

// The running instance's window: the first of the class in z-order whose process runs this
// program. Another process's window of the class counts as none, so it never gets a control
// message.
ProcessEntrySystem::Window FindInstanceWindow(ProcessEntrySystem& system) {
    for (auto window : system.InstanceWindows()) {
        if (system.RunsThisProgram(window)) {
            return window;
        }
    }
    return nullptr;
}

void NotifyRunningInstance(ProcessEntrySystem& system, ProcessEntrySystem::Window window, Switch sw) {
    // A logon-task start while an instance runs changes nothing visible.
    if (sw != Switch::Start) {
        system.SendControl(window, kCtlShow);
    }
}
} // namespace

int RunProcessEntry(ProcessEntrySystem& system, Switch sw) {
    auto window = FindInstanceWindow(system);

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

    switch (system.CreateInstanceMutex()) {
    case MutexCreate::Created:
        break;
    case MutexCreate::AlreadyExists:
        // Two launches at the same moment can both miss the mutex above; the one whose create
        // finds it existing is the second instance. Its window may only now have appeared.
        NotifyRunningInstance(system, window ? window : FindInstanceWindow(system), sw);
        return 0;
    case MutexCreate::Failed:
        // The name is someone else's object of another kind, or denied to us: with no mutex to
        // go by, a running window of this program is what makes this launch a second one.
        if (window) {
            NotifyRunningInstance(system, window, sw);
            return 0;
        }
        break;
    }

    system.RunFirstInstance(sw);
    return 0;
}
