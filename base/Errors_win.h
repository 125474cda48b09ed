#pragma once
// Early returns for the three Win32 error conventions, inside functions that return an HRESULT
// (the failure travels up as a value; a boundary that returns bool says SUCCEEDED(...) once):
//
//   HRESULT Connect(ITaskService* service) {
//       RETURN_IF_FAILED(service->Connect({}, {}, {}, {}));             // HRESULT
//       RETURN_IF_WIN32_BOOL_FALSE(::SetEvent(ready));                  // BOOL + GetLastError
//       RETURN_IF_WIN32_ERROR(::RegOpenKeyExW(root, path, 0, KEY_READ, &key)); // LSTATUS
//       RETURN_LAST_ERROR_IF_NULL(session = ::WinHttpOpen(...));        // handle + GetLastError
//       return S_OK;
//   }
//
// Each evaluates its argument exactly once.

#include <windows.h>

// The calling thread's last error as an HRESULT; E_FAIL when a failed call left none.
inline HRESULT HresultFromLastError() noexcept {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// An LSTATUS (or any Win32 error code) as an HRESULT.
inline HRESULT HresultFromWin32(LSTATUS status) noexcept { return HRESULT_FROM_WIN32(static_cast<DWORD>(status)); }

#define RETURN_IF_FAILED(expr)                                                                                         \
    do {                                                                                                               \
        const HRESULT rambroomHr_ = (expr);                                                                            \
        if (FAILED(rambroomHr_)) {                                                                                     \
            return rambroomHr_;                                                                                        \
        }                                                                                                              \
    } while (false)

#define RETURN_IF_WIN32_BOOL_FALSE(expr)                                                                               \
    do {                                                                                                               \
        if (!(expr)) {                                                                                                 \
            return HresultFromLastError();                                                                             \
        }                                                                                                              \
    } while (false)

#define RETURN_IF_WIN32_ERROR(expr)                                                                                    \
    do {                                                                                                               \
        const LSTATUS rambroomStatus_ = (expr);                                                                        \
        if (rambroomStatus_ != ERROR_SUCCESS) {                                                                        \
            return HresultFromWin32(rambroomStatus_);                                                                  \
        }                                                                                                              \
    } while (false)

#define RETURN_LAST_ERROR_IF_NULL(expr)                                                                                \
    do {                                                                                                               \
        if ((expr) == nullptr) {                                                                                       \
            return HresultFromLastError();                                                                             \
        }                                                                                                              \
    } while (false)
