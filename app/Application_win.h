#pragma once
// Process-wide application state shared by the main window and its workers.

#include <string>

// The title of the application: the caption of quit questions and the name of notifications.
// Set once during the main window's startup; read on the UI thread only.
std::wstring& ApplicationTitle();

// Set when the program starts to quit; workers read it to stop early.
bool ApplicationTerminating();
void SetApplicationTerminating();

// The development switch: when on, closing the main window quits instead of hiding.
inline constexpr bool DebugMode = false;
