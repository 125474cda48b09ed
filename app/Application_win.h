#pragma once
// Process-wide application state of the main window.

#include <string>

#include "base/Lifetime.h"

// The title of the application: the caption of quit questions and the name of notifications.
// Set once during the main window's startup; read on the UI thread only.
std::wstring& ApplicationTitle();

// The development switch: when on, closing the main window quits instead of hiding.
inline constexpr bool DebugMode = false;
