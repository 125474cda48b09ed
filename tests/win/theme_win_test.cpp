#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "theme/Theme.h"
#include "theme/Theme_win.h"
#include "widgets/Dpi_win.h"

namespace {

constexpr COLORREF kAccent = RGB(61, 132, 221);

// A shown top-level window that counts the messages its own procedure gets.
class ThemedForm : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"RamBroomThemeTest";
        ::RegisterClassW(&wc);
        form = ::CreateWindowExW(0, wc.lpszClassName, L"themed", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 40, 40, 320,
                                 200, nullptr, nullptr, wc.hInstance, nullptr);
        ownSizes = 0;
    }
    void TearDown() override {
        helper.reset();
        if (::IsWindow(form)) {
            ::DestroyWindow(form);
        }
    }

    void Show() {
        ::ShowWindow(form, SW_SHOWNOACTIVATE);
        Paint();
    }
    void Paint() {
        ::RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    RECT LineRect() const {
        RECT r{};
        ::GetWindowRect(helper->Line(), &r);
        ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // What the line shows on the screen, half way across.
    COLORREF LinePixel() {
        Paint();
        RECT client{};
        ::GetClientRect(form, &client);
        HDC dc = ::GetDC(form);
        const COLORREF pixel = ::GetPixel(dc, client.right / 2, 0);
        ::ReleaseDC(form, dc);
        return pixel;
    }
    int ClientWidth() const {
        RECT client{};
        ::GetClientRect(form, &client);
        return client.right;
    }

    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_SIZE) {
            ++ownSizes;
        }
        return ::DefWindowProcW(h, m, w, l);
    }

    HWND form = nullptr;
    std::unique_ptr<TThemeHelper> helper;
    static inline int ownSizes = 0;
};

TEST_F(ThemedForm, OnlyAFormCanBeThemed) {
    HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, form, nullptr, nullptr, nullptr);
    EXPECT_THROW(ApplyTheme(child), std::invalid_argument);
    EXPECT_EQ(::GetWindow(form, GW_CHILD), child) << "a refused owner gets no line";
    EXPECT_THROW(ApplyTheme(nullptr), std::invalid_argument);
}

TEST_F(ThemedForm, TheLineStartsInTheAccentTwoPixelsHighAcrossTheClientArea) {
    helper = ApplyTheme(form);
    ASSERT_NE(helper->Line(), nullptr);
    EXPECT_EQ(::GetParent(helper->Line()), form);
    EXPECT_TRUE(helper->IsActive());
    Show();
    const int height = theme::AccentLineFor(true, true, dpi::ForWindow(form)).height;
    const RECT r = LineRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, ClientWidth());
    EXPECT_EQ(r.bottom, height);
    EXPECT_TRUE(::IsWindowVisible(helper->Line()));
    EXPECT_EQ(LinePixel(), kAccent);
}

TEST_F(ThemedForm, TheLineTurnsGreyWhileTheFormIsInactiveAndBlueAgainOnAnyActivation) {
    helper = ApplyTheme(form);
    Show();
    for (WPARAM activation : {WA_ACTIVE, WA_CLICKACTIVE}) {
        ::SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, 0);
        EXPECT_FALSE(helper->IsActive());
        EXPECT_EQ(LinePixel(), ::GetSysColor(COLOR_GRAYTEXT));
        ::SendMessageW(form, WM_ACTIVATE, activation, 0);
        EXPECT_TRUE(helper->IsActive());
        EXPECT_EQ(LinePixel(), kAccent) << activation;
    }
}

TEST_F(ThemedForm, TheLineFollowsTheWidthAndHidesWithoutABorder) {
    helper = ApplyTheme(form);
    Show();
    ::SetWindowPos(form, nullptr, 0, 0, 500, 240, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(LineRect().right, ClientWidth());
    EXPECT_GT(ClientWidth(), 400);

    // A border style change shows at the next size or activation change.
    ::SetWindowLongPtrW(form, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    ::SetWindowPos(form, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::SetWindowPos(form, nullptr, 0, 0, 480, 240, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(::IsWindowVisible(helper->Line()));
    ::SetWindowLongPtrW(form, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_BORDER);
    ::SendMessageW(form, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(::IsWindowVisible(helper->Line()));
}

TEST_F(ThemedForm, RemovingTheHelperGivesTheFormItsOwnProcedureBack) {
    helper = ApplyTheme(form);
    Show();
    HWND line = helper->Line();
    helper.reset();
    EXPECT_FALSE(::IsWindow(line)) << "the line goes with the helper";
    ownSizes = 0;
    ::SetWindowPos(form, nullptr, 0, 0, 300, 180, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(ownSizes, 1) << "the form's own procedure still sees its messages";
}

TEST_F(ThemedForm, AFormDestroyedFirstTakesTheLineAndLeavesTheHelperHarmless) {
    helper = ApplyTheme(form);
    Show();
    HWND line = helper->Line();
    ::DestroyWindow(form);
    EXPECT_FALSE(::IsWindow(line));
    EXPECT_EQ(helper->Line(), nullptr);
    helper.reset(); // must neither touch the dead form's hook nor destroy a window again
}

} // namespace
