// The early-return macros of base/Errors_win.h against real failing calls: what each returns,
// and that the code after it runs only on success.

#include <gtest/gtest.h>

#include <windows.h>

#include "base/Errors_win.h"
#include "base/Handles_win.h"

namespace {

constexpr wchar_t kMissingKey[] = L"Software\\RamBroomTest\\Missing";
constexpr wchar_t kMissingEvent[] = L"Local\\RamBroomTest.MissingEvent";

// Each case runs one macro and counts whether the code after it ran.
struct Case {
    const char* what;
    HRESULT (*run)(int& after);
    HRESULT expected;
};

const Case kCases[] = {
    {"HRESULT success",
     [](int& after) {
         RETURN_IF_FAILED(S_OK);
         return ++after, S_OK;
     },
     S_OK},
    {"HRESULT S_FALSE is a success",
     [](int& after) {
         RETURN_IF_FAILED(S_FALSE);
         return ++after, S_OK;
     },
     S_OK},
    {"HRESULT failure",
     [](int& after) {
         RETURN_IF_FAILED(E_ACCESSDENIED);
         return ++after, S_OK;
     },
     E_ACCESSDENIED},
    {"BOOL TRUE",
     [](int& after) {
         RETURN_IF_WIN32_BOOL_FALSE(TRUE);
         return ++after, S_OK;
     },
     S_OK},
    {"BOOL FALSE: the last error",
     [](int& after) {
         RETURN_IF_WIN32_BOOL_FALSE(::SetEvent(nullptr));
         return ++after, S_OK;
     },
     HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE)},
    {"BOOL FALSE without a last error",
     [](int& after) {
         ::SetLastError(ERROR_SUCCESS);
         RETURN_IF_WIN32_BOOL_FALSE(FALSE);
         return ++after, S_OK;
     },
     E_FAIL},
    {"LSTATUS success",
     [](int& after) {
         UniqueHkey key;
         RETURN_IF_WIN32_ERROR(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()));
         return ++after, S_OK;
     },
     S_OK},
    {"LSTATUS failure",
     [](int& after) {
         UniqueHkey key;
         RETURN_IF_WIN32_ERROR(::RegOpenKeyExW(HKEY_CURRENT_USER, kMissingKey, 0, KEY_READ, key.put()));
         return ++after, S_OK;
     },
     HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
    {"handle",
     [](int& after) {
         UniqueHandle event;
         RETURN_LAST_ERROR_IF_NULL(*event.put() = ::CreateEventW(nullptr, TRUE, FALSE, nullptr));
         return ++after, S_OK;
     },
     S_OK},
    {"null handle: the last error",
     [](int& after) {
         RETURN_LAST_ERROR_IF_NULL(::OpenEventW(SYNCHRONIZE, FALSE, kMissingEvent));
         return ++after, S_OK;
     },
     HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
};

TEST(ErrorMacros, ReturnTheFailureAndGoOnAfterASuccess) {
    for (const Case& c : kCases) {
        int after = 0;
        EXPECT_EQ(c.run(after), c.expected) << c.what;
        EXPECT_EQ(after, SUCCEEDED(c.expected) ? 1 : 0) << c.what;
    }
}

// A macro that names its argument twice (`if (FAILED(x)) return x;`) would call a failing
// function again, with its side effects.
int gCalls = 0;
template <typename T> T Counted(T value) {
    ++gCalls;
    return value;
}

TEST(ErrorMacros, EvaluateTheirArgumentOnce) {
    auto callsOf = [](HRESULT (*body)()) {
        gCalls = 0;
        body();
        return gCalls;
    };
    EXPECT_EQ(callsOf([]() -> HRESULT {
                  RETURN_IF_FAILED(Counted(E_FAIL));
                  return S_OK;
              }),
              1);
    EXPECT_EQ(callsOf([]() -> HRESULT {
                  RETURN_IF_WIN32_BOOL_FALSE(Counted(FALSE));
                  return S_OK;
              }),
              1);
    EXPECT_EQ(callsOf([]() -> HRESULT {
                  RETURN_IF_WIN32_ERROR(Counted(LSTATUS{ERROR_ACCESS_DENIED}));
                  return S_OK;
              }),
              1);
    EXPECT_EQ(callsOf([]() -> HRESULT {
                  RETURN_LAST_ERROR_IF_NULL(Counted<void*>(nullptr));
                  return S_OK;
              }),
              1);
}

TEST(ErrorMacros, LastErrorAndStatusConvert) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(HresultFromLastError(), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    ::SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(HresultFromLastError(), E_FAIL);
    EXPECT_EQ(HresultFromWin32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(HresultFromWin32(ERROR_MORE_DATA), HRESULT_FROM_WIN32(ERROR_MORE_DATA));
}

} // namespace
