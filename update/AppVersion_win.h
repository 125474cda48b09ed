#pragma once

#include <string>
#include <string_view>

// The program file's version in `format` ("%d.%d.%d" gives "1.9.3"); "0.0.0.0" without
// version information.
std::wstring GetAppVersion(std::wstring_view format);
