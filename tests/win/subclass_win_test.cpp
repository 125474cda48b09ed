#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/Subclass_win.h"

namespace {

// What each procedure of the chain saw, in the order it saw it.
std::vector<std::string> seen;
constexpr UINT kProbe = WM_APP + 7;

LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kProbe) {
        seen.push_back("base");
        return 100;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Each subclass records itself and its data, and adds one to what the chain below answered.
LRESULT Lower(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data, WNDPROC next) {
    if (msg == kProbe) {
        seen.push_back("lower " + std::to_string(data));
        return ::CallWindowProcW(next, hwnd, msg, wParam, lParam) + 1;
    }
    if (msg == WM_NCDESTROY) {
        seen.push_back("lower ncdestroy");
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

LRESULT Upper(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data, WNDPROC next) {
    if (msg == kProbe) {
        seen.push_back("upper " + std::to_string(data));
        return ::CallWindowProcW(next, hwnd, msg, wParam, lParam) + 1;
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

// Lets go of itself inside the message it handles, as a subclass that stops at WM_DESTROY does.
LRESULT SelfDetaching(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR, WNDPROC next) {
    if (msg == kProbe) {
        seen.push_back("self");
        DetachLocalSubclass<SelfDetaching>(hwnd);
        // A message sent meanwhile goes past it.
        ::SendMessageW(hwnd, kProbe, 0, 0);
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ComctlSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == kProbe) {
        seen.push_back("comctl");
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, ComctlSubclass, 5);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

class LocalSubclass : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = BaseProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RamBroomSubclassTest";
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        seen.clear();
    }
    void TearDown() override {
        if (::IsWindow(window)) {
            ::DestroyWindow(window);
        }
    }
    LRESULT Probe() {
        seen.clear();
        return ::SendMessageW(window, kProbe, 0, 0);
    }
    WNDPROC Proc() const { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC)); }

    HWND window = nullptr;
};

TEST_F(LocalSubclass, ChainsAboveTheWindowProcedureWithItsData) {
    ASSERT_TRUE(AttachLocalSubclass<Lower>(window, 1));
    ASSERT_TRUE(AttachLocalSubclass<Upper>(window, 2));
    EXPECT_EQ(Probe(), 102);
    EXPECT_EQ(seen, (std::vector<std::string>{"upper 2", "lower 1", "base"}));

    DWORD_PTR data = 0;
    EXPECT_TRUE(FindLocalSubclass<Lower>(window, data));
    EXPECT_EQ(data, 1u);
    // One of each procedure on a window: its data stays the first one's.
    EXPECT_FALSE(AttachLocalSubclass<Lower>(window, 9));
    EXPECT_EQ(Probe(), 102);
}

TEST_F(LocalSubclass, RefusesWhatIsNoWindow) {
    EXPECT_FALSE(AttachLocalSubclass<Lower>(nullptr, 1));
    DWORD_PTR data = 0;
    EXPECT_FALSE(FindLocalSubclass<Lower>(window, data));
    // The desktop is another process's window under Wine and Windows alike.
    EXPECT_FALSE(AttachLocalSubclass<Lower>(::GetDesktopWindow(), 1));
}

TEST_F(LocalSubclass, DetachOnTopRestoresTheProcedureBelow) {
    const WNDPROC base = Proc();
    ASSERT_TRUE(AttachLocalSubclass<Lower>(window, 1));
    ASSERT_TRUE(AttachLocalSubclass<Upper>(window, 2));
    DetachLocalSubclass<Upper>(window);
    EXPECT_EQ(Probe(), 101);
    EXPECT_EQ(seen, (std::vector<std::string>{"lower 1", "base"}));
    DetachLocalSubclass<Lower>(window);
    EXPECT_EQ(Proc(), base);
    EXPECT_EQ(Probe(), 100);
    DWORD_PTR data = 0;
    EXPECT_FALSE(FindLocalSubclass<Lower>(window, data));
}

TEST_F(LocalSubclass, DetachBelowAnotherSubclassPassesMessagesOn) {
    ASSERT_TRUE(AttachLocalSubclass<Lower>(window, 1));
    ASSERT_TRUE(::SetWindowSubclass(window, ComctlSubclass, 5, 0));
    DetachLocalSubclass<Lower>(window);
    EXPECT_EQ(Probe(), 100);
    EXPECT_EQ(seen, (std::vector<std::string>{"comctl", "base"}));
    DWORD_PTR data = 0;
    EXPECT_FALSE(FindLocalSubclass<Lower>(window, data));
    // Above comctl32's chain too.
    ASSERT_TRUE(AttachLocalSubclass<Upper>(window, 2));
    EXPECT_EQ(Probe(), 101);
    EXPECT_EQ(seen, (std::vector<std::string>{"upper 2", "comctl", "base"}));
}

TEST_F(LocalSubclass, DetachInsideItsOwnMessage) {
    ASSERT_TRUE(AttachLocalSubclass<Lower>(window, 1));
    ASSERT_TRUE(AttachLocalSubclass<SelfDetaching>(window, 0));
    EXPECT_EQ(Probe(), 101);
    EXPECT_EQ(seen, (std::vector<std::string>{"self", "lower 1", "base", "lower 1", "base"}));
    EXPECT_EQ(Probe(), 101);
    EXPECT_EQ(seen, (std::vector<std::string>{"lower 1", "base"}));
}

TEST_F(LocalSubclass, GoesWithTheWindow) {
    ASSERT_TRUE(AttachLocalSubclass<Lower>(window, 1));
    const HWND gone = window;
    ::DestroyWindow(window);
    EXPECT_EQ(seen, (std::vector<std::string>{"lower ncdestroy"}));
    DWORD_PTR data = 0;
    EXPECT_FALSE(FindLocalSubclass<Lower>(gone, data));
}

} // namespace
