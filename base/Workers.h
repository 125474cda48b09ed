#pragma once
// The names of the program's worker threads. Each thread carries its name from its start, so a
// debugger shows it and the end-to-end tests pick the cleaning worker out among the others.

#include <string_view>

inline constexpr std::wstring_view kCleaningWorker = L"RamBroom cleaning";
inline constexpr std::wstring_view kTaskbarWaitWorker = L"RamBroom taskbar wait";
inline constexpr std::wstring_view kServerCheckWorker = L"RamBroom server check";
inline constexpr std::wstring_view kHoldCommandWorker = L"RamBroom hold command";
inline constexpr std::wstring_view kAutoStartWorker = L"RamBroom logon task";
