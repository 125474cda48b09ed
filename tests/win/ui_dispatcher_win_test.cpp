#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "base/UiDispatcher_win.h"

namespace {

// A message-only window whose procedure hands the dispatcher's messages to it.
class DispatcherWindow {
public:
    DispatcherWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RamBroomDispatcherTest";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        dispatcher = UiDispatcher::Create();
        current = dispatcher.get();
        dispatcher->Attach(hwnd);
    }
    ~DispatcherWindow() {
        dispatcher->Detach();
        ::DestroyWindow(hwnd);
        current = nullptr;
    }
    // Pumps messages until `done` or the timeout.
    bool PumpUntil(const std::atomic<bool>& done, DWORD timeoutMs = 5000) {
        const DWORD start = ::GetTickCount();
        while (!done && ::GetTickCount() - start < timeoutMs) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::DispatchMessageW(&msg);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return done;
    }

    HWND hwnd = nullptr;
    std::shared_ptr<UiDispatcher> dispatcher;

private:
    static inline UiDispatcher* current = nullptr;
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        LRESULT result = 0;
        if (current && current->HandleMessage(m, w, l, result)) {
            return result;
        }
        return ::DefWindowProcW(h, m, w, l);
    }
};

TEST(UiDispatcher, SendRunsOnTheUiThreadAndWaits) {
    DispatcherWindow window;
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> sent{false}, done{false};
    std::thread worker([&] {
        sent = window.dispatcher->Send([&] { ranOn = ::GetCurrentThreadId(); });
        // Send returns only after the work has run.
        EXPECT_EQ(ranOn.load(), uiThread);
        done = true;
    });
    EXPECT_TRUE(window.PumpUntil(done));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(ranOn.load(), uiThread);
}

TEST(UiDispatcher, SendOnTheUiThreadRunsInPlace) {
    DispatcherWindow window;
    bool ran = false;
    EXPECT_TRUE(window.dispatcher->Send([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST(UiDispatcher, PostedWorkRunsInOrderWhenMessagesArePumped) {
    DispatcherWindow window;
    std::vector<int> order;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i) {
            window.dispatcher->Post([&, i] { order.push_back(i); });
        }
        window.dispatcher->Post([&] { done = true; });
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "posted work must not run before the UI thread pumps";
    EXPECT_TRUE(window.PumpUntil(done));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(UiDispatcher, AfterDetachWorkIsRefusedAndQueuedWorkDropped) {
    DispatcherWindow window;
    bool ran = false;
    window.dispatcher->Post([&] { ran = true; });
    window.dispatcher->Detach();
    std::atomic<bool> sent{true};
    std::thread worker([&] { sent = window.dispatcher->Send([&] { ran = true; }); });
    worker.join();
    EXPECT_FALSE(sent);
    EXPECT_FALSE(window.dispatcher->Post([&] { ran = true; }));
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&msg);
    }
    EXPECT_FALSE(ran);
}

// Windows counts a thread that has not asked for messages for about five seconds as hung, and
// SendMessageTimeout(SMTO_NOTIMEOUTIFNOTHUNG) then gives up at once without running anything.
// A completion step must run all the same once the UI thread pumps again.
TEST(UiDispatcher, SendWaitsForAUiThreadThatLooksHung) {
    DispatcherWindow window;
    std::atomic<bool> ran{false}, sent{false}, done{false};
    std::thread worker([&] {
        ::Sleep(200);
        sent = window.dispatcher->Send([&] { ran = true; });
        done = true;
    });
    ::Sleep(6000); // no messages pumped: the window looks hung
    EXPECT_FALSE(done) << "Send returned while the UI thread was not pumping";
    EXPECT_TRUE(window.PumpUntil(done));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(ran);
}

// Sent and posted work runs in the order it was handed over.
TEST(UiDispatcher, SentAndPostedWorkKeepTheirOrder) {
    DispatcherWindow window;
    std::vector<int> order;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        window.dispatcher->Post([&] { order.push_back(1); });
        window.dispatcher->Send([&] { order.push_back(2); });
        window.dispatcher->Post([&] { order.push_back(3); });
        window.dispatcher->Post([&] { done = true; });
    });
    EXPECT_TRUE(window.PumpUntil(done));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// A sender waiting for its work returns false when the window goes away first.
TEST(UiDispatcher, DetachReleasesAWaitingSender) {
    DispatcherWindow window;
    std::atomic<bool> ran{false}, done{false};
    std::atomic<int> sent{-1};
    std::thread worker([&] {
        sent = window.dispatcher->Send([&] { ran = true; }) ? 1 : 0;
        done = true;
    });
    ::Sleep(300); // the worker waits: nothing is pumped
    window.dispatcher->Detach();
    const DWORD start = ::GetTickCount();
    while (!done && ::GetTickCount() - start < 5000) {
        ::Sleep(10);
    }
    worker.join();
    EXPECT_EQ(sent.load(), 0);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&msg);
    }
    EXPECT_FALSE(ran);
}

// Any process may post any message to the window: the dispatcher's own messages carry no
// pointer it would trust, whatever their parameters.
TEST(UiDispatcher, ForeignMessagesInItsRangeAreHarmless) {
    DispatcherWindow window;
    for (UINT msg = WM_APP + 0xF0; msg < WM_APP + 0x110; ++msg) {
        for (LPARAM lParam : {LPARAM{0}, LPARAM{1}, LPARAM{0x1000}, static_cast<LPARAM>(-1)}) {
            ::PostMessageW(window.hwnd, msg, static_cast<WPARAM>(lParam), lParam);
            ::SendMessageW(window.hwnd, msg, static_cast<WPARAM>(lParam), lParam);
        }
    }
    std::atomic<bool> done{false};
    window.dispatcher->Post([&] { done = true; });
    EXPECT_TRUE(window.PumpUntil(done));
}

TEST(UiDispatcher, ThrowingWorkDoesNotEscapeTheWindowProcedure) {
    DispatcherWindow window;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        EXPECT_TRUE(window.dispatcher->Send([] { throw 42; }));
        done = true;
    });
    EXPECT_TRUE(window.PumpUntil(done));
    worker.join();
}

} // namespace
