#pragma once

#include <string>

// NewUID from the process's generator (seeded once from the clock) and the local time.
std::wstring NewUID();

// GetUID on the current user's registry; safe on any thread.
std::wstring GetUID();
