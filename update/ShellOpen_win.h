#pragma once

#include <string>

// Opens `target` (a URL) through the shell in the user's browser; the outcome is not looked at.
void ShellOpen(const std::wstring& target);
