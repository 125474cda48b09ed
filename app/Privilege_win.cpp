#include "app/Privilege_win.h"

#include <windows.h>

#include "base/Handles_win.h"

bool SetPrivilege(const std::wstring& Name, bool Enable) {
    UniqueHandle token;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        LUID luid;
        if (::LookupPrivilegeValueW(nullptr, Name.c_str(), &luid)) {
            TOKEN_PRIVILEGES state{};
            state.PrivilegeCount = 1;
            state.Privileges[0].Luid = luid;
            state.Privileges[0].Attributes = Enable ? SE_PRIVILEGE_ENABLED : 0;
            TOKEN_PRIVILEGES previous{};
            DWORD returned = 0;
            ::AdjustTokenPrivileges(token.get(), FALSE, &state, sizeof(previous), &previous, &returned);
        }
    }
    // Read before the token's handle is closed, which may touch the last error.
    const DWORD error = ::GetLastError();
    token.reset();
    return error == 0;
}
