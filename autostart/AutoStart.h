#pragma once
// Start at logon: a Task Scheduler task, not a Run key, because only a task can start the program
// elevated without a consent prompt. This half decides what the task holds; AutoStart_win.h
// registers, finds and deletes it.

#include <optional>
#include <string>
#include <string_view>

// The task's name in the scheduler's root folder.
inline constexpr std::wstring_view kAutoStartTaskName = L"RamBroomTaskMachine";

// What the task's start passes: the program starts hidden in the notification area.
inline constexpr std::wstring_view kAutoStartArguments = L"/start";

// An ISO 8601 duration of whole minutes and seconds, never hours: "PT" + "<m>M" when there are
// minutes + "<s>S" when seconds are left; "PT0S" when neither (0, and anything below it).
// 90 -> "PT1M30S", 3600 -> "PT60M".
std::wstring SecondsToDuration(int Seconds);

// The folder part of a Windows path: everything up to and including the last backslash
// ("C:\Tools\app.exe" -> "C:\Tools\"); empty without one.
std::wstring_view PathFolder(std::wstring_view Path);

// The parts of the task that depend on the caller: the start action and the logon trigger's delay.
struct LogonTaskLaunch {
    std::wstring Path;                 // the executable
    std::wstring WorkingDirectory;     // its folder, with the trailing backslash
    std::wstring Arguments;            // kAutoStartArguments
    std::optional<std::wstring> Delay; // none for DelaySeconds <= 0: the trigger's delay stays unset
};

LogonTaskLaunch MakeLogonTaskLaunch(std::wstring_view ExecutablePath, int DelaySeconds);
