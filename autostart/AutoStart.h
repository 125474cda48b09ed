#pragma once
// Start at logon: a task in the Task Scheduler's root folder that starts the program elevated
// with "/start" when the user logs on. The existence of the task is the setting. This half is
// what the task holds; AutoStart_win.h registers, finds and deletes it.

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::wstring_view kAutoStartTaskName = L"RamBroomTaskMachine";

// An ISO 8601 duration of whole minutes and seconds, minutes never carried into hours:
// 61 -> "PT1M1S", 3600 -> "PT60M", 0 -> "PT0S". For non-negative seconds.
std::wstring SecondsToDuration(int Seconds);

// The values of the task that come from the program: the logon trigger's delay (none for a
// delay of 0 or less: the trigger's Delay is then not written at all) and the one action.
struct AutoStartTask {
    std::optional<std::wstring> delay;
    std::wstring path;             // the running executable
    std::wstring workingDirectory; // its folder, up to and including the last backslash
    std::wstring arguments;        // "/start": the instance starts in the notification area
};
AutoStartTask AutoStartTaskFor(std::wstring_view executablePath, int delaySeconds);
