// <ntstatus.h>'s names, which clash with <winnt.h>'s few unless <windows.h> comes first with
// WIN32_NO_STATUS.
#define WIN32_NO_STATUS
#include <windows.h>
#undef WIN32_NO_STATUS
#include <ntstatus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/DynCalls_win.h"
#include "base/Handles_win.h"
#include "base/Worker_win.h"
#include "tests/common/HandleCount_win.h"
#include "base/Workers.h"

namespace {

constexpr DWORD kWaitMs = 5000;

UniqueHandle ManualEvent() { return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// A handle on the calling thread that can wait for its end.
UniqueHandle CurrentThread() {
    HANDLE thread = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &thread,
                      SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0);
    return UniqueHandle(thread);
}

std::wstring CurrentThreadDescription() {
    PWSTR text = nullptr;
    auto getDescription = dyn::GetThreadDescription();
    if (!getDescription || FAILED(getDescription(::GetCurrentThread(), &text))) {
        return L"(none)";
    }
    std::wstring description(text ? text : L"");
    ::LocalFree(text);
    return description;
}

// This process's handles; a system without any way to count them fails the test.
DWORD HandleCount() {
    const auto count = test_support::HandleCount(::GetCurrentProcess(), ::GetCurrentProcessId());
    EXPECT_TRUE(count.has_value()) << "no handle count on this system";
    return static_cast<DWORD>(count.value_or(0));
}

template <typename Condition> bool PollFor(DWORD timeoutMs, Condition condition) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() > end) {
            return false;
        }
        ::Sleep(10);
    }
    return true;
}

TEST(StartWorker, RunsTheWorkOnANewThreadThatCarriesItsName) {
    UniqueHandle done = ManualEvent();
    DWORD ranOn = 0;
    std::wstring description;
    ASSERT_TRUE(StartWorker(kCleaningWorker, [&] {
        ranOn = ::GetCurrentThreadId();
        description = CurrentThreadDescription();
        ::SetEvent(done.get());
    }));
    ASSERT_EQ(::WaitForSingleObject(done.get(), kWaitMs), WAIT_OBJECT_0);
    EXPECT_NE(ranOn, 0u);
    EXPECT_NE(ranOn, ::GetCurrentThreadId());
    if (!dyn::GetThreadDescription()) {
        GTEST_SKIP() << "this system has no thread descriptions";
    }
    EXPECT_EQ(description, kCleaningWorker);
}

TEST(StartWorker, AnExceptionEndsOnlyTheWorker) {
    const std::function<void()> throwers[] = {
        [] { throw std::runtime_error("worker failed"); }, [] { throw 42; },
        std::function<void()>(), // calling it throws std::bad_function_call
    };
    for (const auto& thrower : throwers) {
        UniqueHandle started = ManualEvent();
        UniqueHandle thread;
        ASSERT_TRUE(StartWorker(kTaskbarWaitWorker, [&] {
            thread = CurrentThread();
            ::SetEvent(started.get());
            thrower();
        }));
        ASSERT_EQ(::WaitForSingleObject(started.get(), kWaitMs), WAIT_OBJECT_0);
        ASSERT_TRUE(thread);
        // An exception past the thread entry would have ended the whole test program.
        ASSERT_EQ(::WaitForSingleObject(thread.get(), kWaitMs), WAIT_OBJECT_0);
        DWORD code = STILL_ACTIVE;
        EXPECT_TRUE(::GetExitCodeThread(thread.get(), &code));
        EXPECT_EQ(code, 0u);
    }
}

TEST(StartWorker, ManyWorkersLeaveNoHandleAndNoWorkBehind) {
    constexpr int kWorkers = 50;
    UniqueHandle allDone = ManualEvent();
    std::atomic<int> left{kWorkers};
    auto token = std::make_shared<int>(0); // each work holds a copy until it is destroyed
    {
        // The first thread may set up what every later one shares.
        UniqueHandle warm = ManualEvent();
        ASSERT_TRUE(StartWorker(kCleaningWorker, [&] { ::SetEvent(warm.get()); }));
        ASSERT_EQ(::WaitForSingleObject(warm.get(), kWaitMs), WAIT_OBJECT_0);
    }
    const DWORD before = HandleCount();

    for (int i = 0; i < kWorkers; ++i) {
        ASSERT_TRUE(StartWorker(kCleaningWorker, [&, token] {
            if (--left == 0) {
                ::SetEvent(allDone.get());
            }
        }));
    }
    ASSERT_EQ(::WaitForSingleObject(allDone.get(), kWaitMs), WAIT_OBJECT_0);

    // The threads end a moment after their work.
    EXPECT_TRUE(PollFor(kWaitMs, [&] { return token.use_count() == 1; }))
        << token.use_count() - 1 << " works not destroyed";
    EXPECT_TRUE(PollFor(kWaitMs, [&] { return HandleCount() <= before; }))
        << "handles: " << before << " before, " << HandleCount() << " after";
}

} // namespace
