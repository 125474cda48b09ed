#pragma once
// The settings store's seam over the real registry of the current user.

#include "config/Config.h"

// HKEY_CURRENT_USER through RegCreateKeyExW, RegQueryValueExW, RegSetValueExW and RegCloseKey.
// Keeps no state of its own: safe from any thread.
Registry& SystemRegistry() noexcept;
