#pragma once
// The launch rules: one running instance per session; a later launch becomes a control
// message for the running one. The system calls come through a seam so the rules are
// testable without Windows.

#include <string_view>
#include <vector>

enum class Switch { None, Start, Inst, Uninst };

// Only the first argument counts, compared exactly (whole string, case-sensitive).
Switch ParseSwitch(std::wstring_view firstArgument);

// Control message wParam values (the message is WM_USER, lParam 0).
inline constexpr unsigned kCtlShow = 1;
inline constexpr unsigned kCtlUninstall = 2;

enum class MutexCreate {
    Created,
    AlreadyExists,
    // Another kind of object holds the name (an event, semaphore or mapping: CreateMutexW fails
    // with ERROR_INVALID_HANDLE), or access to it is denied.
    Failed,
};

class ProcessEntrySystem {
public:
    using Window = void*;
    virtual ~ProcessEntrySystem() = default;
    // Top-level windows of the instance class, in z-order: anyone may register the class.
    virtual std::vector<Window> InstanceWindows() = 0;
    // Whether the window's process runs this program (a copy installed elsewhere counts).
    virtual bool RunsThisProgram(Window window) = 0;
    virtual void SendControl(Window window, unsigned wParam) = 0;
    virtual bool IsWindow(Window window) = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual bool OpenInstanceMutex() = 0;
    // Creates the instance mutex owned by this process.
    virtual MutexCreate CreateInstanceMutex() = 0;
    // Creates the main window and runs the message loop until the program quits.
    virtual void RunFirstInstance(Switch sw) = 0;
};

// The process entry; returns the exit code.
int RunProcessEntry(ProcessEntrySystem& system, Switch sw);
