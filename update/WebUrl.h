#pragma once
// What the program agrees to hand to the shell from the update server's answer.

#include <string_view>

// True for an absolute http:// or https:// URL with a host (scheme in any case) and no
// control characters or blanks; false for everything else: file:, a path, a command,
// javascript:, an empty text.
bool IsWebUrl(std::wstring_view url);
