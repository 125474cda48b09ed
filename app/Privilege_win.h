#pragma once

#include <string>

// Enables or disables one privilege of the process token. True when the thread's last error
// is 0 afterwards, so a privilege the token does not hold (ERROR_NOT_ALL_ASSIGNED) gives false.
bool SetPrivilege(const std::wstring& Name, bool Enable);
