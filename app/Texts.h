#pragma once
// Every text the program's code shows, written once, in Korean: the Korean text is also the
// key under which a translation is looked up. The captions of the window's controls and menu
// items live in the form table (app/FormDescription.cpp) and take some of their texts from here.

#include <string_view>

namespace texts {

// The product name: the window's caption, the popup menu's first item, the title label.
inline constexpr std::wstring_view kProductName = L"RamBroom";
// The tool tip of the notification-area icon; never translated.
inline constexpr std::wstring_view kTrayHint = L"RamBroom";

// The usage lines of the home page. The page-file and file-cache lines are never translated.
inline constexpr std::wstring_view kPhysStatusFormat = L"%.0n MB / %.0n MB (%n%% 사용중)";
inline constexpr std::wstring_view kSecondaryStatusFormat = L"%.0n MB (%n%%)";

// The clean button, idle and while a job runs. The busy text has a blank and three dots after
// the word, so it is not the catalog's entry for the word alone.
inline constexpr std::wstring_view kCleanIdle = L"정리하기";
inline constexpr std::wstring_view kCleanBusy = L"정리중 ...";
// That word alone, the catalog's entry: outside Korean the busy caption is its translation.
inline constexpr std::wstring_view kCleanBusyWord = L"정리중";

// The notification after a clean started from the notification-area icon.
inline constexpr std::wstring_view kCleaned = L"메모리를 정리하였습니다.";

// The question before quitting from the popup menu.
inline constexpr std::wstring_view kQuitQuestion = L"정말 종료하시겠습니까?";

// The word before the version number in the settings page's version box.
inline constexpr std::wstring_view kVersionWord = L"버전";

} // namespace texts
