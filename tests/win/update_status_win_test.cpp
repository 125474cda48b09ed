#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update/UpdateStatus_win.h"
#include "update/UpdateText.h"

namespace {

struct TooltipSearch {
    HWND owner, found;
};

BOOL CALLBACK FindTooltip(HWND w, LPARAM param) {
    auto* search = reinterpret_cast<TooltipSearch*>(param);
    wchar_t name[32] = {};
    ::GetClassNameW(w, name, 32);
    if (::GetWindow(w, GW_OWNER) == search->owner && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) {
        search->found = w;
        return FALSE;
    }
    return TRUE;
}

// A stand-in main window: a fixed client area filled by one content control.
class UpdateStatusWin : public ::testing::Test {
protected:
    static constexpr int kWidth = 420, kHeight = 260;

    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"RamBroomStatusTest";
        ::RegisterClassW(&wc);
        RECT frame{0, 0, kWidth, kHeight};
        constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        ::AdjustWindowRectEx(&frame, style, FALSE, 0);
        window = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"status", style, 40, 40, frame.right - frame.left,
                                   frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
        content = ::CreateWindowExW(0, L"STATIC", L"content", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, window,
                                    nullptr, wc.hInstance, nullptr);
        open = [this](const std::wstring& url) { opened.push_back(url); };
    }
    void TearDown() override { ::DestroyWindow(window); }

    RECT Client() {
        RECT r;
        ::GetClientRect(window, &r);
        return r;
    }
    RECT RectInClient(HWND child) {
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void Click(HWND bar) {
        ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    std::wstring Tooltip(HWND bar) {
        TooltipSearch search{window, nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            return L"(no tooltip)";
        }
        wchar_t text[256] = {};
        TTTOOLINFOW tool{sizeof(tool)};
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(bar);
        tool.lpszText = text;
        ::SendMessageW(search.found, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return text;
    }

    HWND window = nullptr;
    HWND content = nullptr;
    std::function<void(const std::wstring&)> open;
    std::vector<std::wstring> opened;
};

TEST_F(UpdateStatusWin, TheFirstNoticeAddsTheLineBelowTheContentOnce) {
    EXPECT_EQ(UpdateStatusHeight(window), 0);
    EXPECT_EQ(FindUpdateStatus(window), nullptr);
    ShowUpdateStatus(window, L"https://example.com/a", open, L"en");
    HWND bar = FindUpdateStatus(window);
    ASSERT_NE(bar, nullptr);
    wchar_t className[32] = {};
    ::GetClassNameW(bar, className, 32);
    EXPECT_STREQ(className, STATUSCLASSNAMEW);
    EXPECT_EQ(UpdateStatusHeight(window), 28);
    EXPECT_EQ(Client().bottom, kHeight + 28);
    EXPECT_EQ(Client().right, kWidth);
    const RECT contentRect = RectInClient(content);
    EXPECT_EQ(contentRect.bottom - contentRect.top, kHeight) << "the content keeps its size";
    const RECT barRect = RectInClient(bar);
    EXPECT_EQ(barRect.top, kHeight);
    EXPECT_EQ(barRect.bottom, kHeight + 28);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.right, kWidth);
    EXPECT_EQ(::SendMessageW(bar, SB_GETPARTS, 0, 0), 1);
    EXPECT_EQ(Tooltip(bar), L"https://example.com/a");

    // A later notice changes the text, the URL and the click, nothing else.
    std::vector<std::wstring> second;
    ShowUpdateStatus(
        window, L"https://example.com/b", [&](const std::wstring& url) { second.push_back(url); }, L"ko");
    EXPECT_EQ(FindUpdateStatus(window), bar);
    EXPECT_EQ(Client().bottom, kHeight + 28);
    EXPECT_EQ(Tooltip(bar), L"https://example.com/b");
    Click(bar);
    EXPECT_EQ(second, std::vector<std::wstring>{L"https://example.com/b"});
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateStatusWin, TheWindowGrowsInsideTheWorkArea) {
    MONITORINFO monitor{sizeof(monitor)};
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT work = monitor.rcWork;
    RECT outer;
    ::GetWindowRect(window, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;

    // Ten pixels above the work area's bottom: the grown window moves up by the rest.
    ::SetWindowPos(window, nullptr, work.left + 30, work.bottom - height - 10, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowUpdateStatus(window, L"https://example.com/", open, L"en");
    ::GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, work.left + 30) << "sideways it stays";
    EXPECT_EQ(outer.bottom, work.bottom);
    EXPECT_EQ(outer.bottom - outer.top, height + 28);
    EXPECT_EQ(outer.right - outer.left, width);
    EXPECT_EQ(Client().bottom, kHeight + 28);
}

TEST_F(UpdateStatusWin, AMinimisedWindowShowsTheLineOnceRestored) {
    ::ShowWindow(window, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(::IsIconic(window));
    ShowUpdateStatus(window, L"https://example.com/", open, L"en");
    EXPECT_TRUE(::IsIconic(window)) << "the notice does not restore the window";
    ::ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(Client().bottom, kHeight + 28);
    const RECT contentRect = RectInClient(content);
    EXPECT_EQ(contentRect.bottom - contentRect.top, kHeight);
    const RECT barRect = RectInClient(FindUpdateStatus(window));
    EXPECT_EQ(barRect.top, kHeight);
    EXPECT_EQ(barRect.bottom, kHeight + 28);
}

TEST_F(UpdateStatusWin, TheLineFollowsTheWindowsSize) {
    ShowUpdateStatus(window, L"https://example.com/", open, L"en");
    HWND bar = FindUpdateStatus(window);
    // As the main window does on a DPI change: its own new size plus the line's height.
    RECT outer;
    ::GetWindowRect(window, &outer);
    ::SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 210, outer.bottom - outer.top + 130,
                   SWP_NOMOVE | SWP_NOZORDER);
    const RECT barRect = RectInClient(bar);
    EXPECT_EQ(barRect.top, Client().bottom - 28);
    EXPECT_EQ(barRect.bottom, Client().bottom);
    EXPECT_EQ(barRect.right, Client().right);
    // A DPI message reaches the window's own handler and leaves the line in place.
    RECT suggested;
    ::GetWindowRect(window, &suggested);
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(RectInClient(bar).top, Client().bottom - 28);
}

// The box around the pixels of `colour` in a `width` x `height` area of `dc`; empty when none.
RECT InkBox(HDC dc, int width, int height, COLORREF colour) {
    RECT box{width, height, -1, -1};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (::GetPixel(dc, x, y) == colour) {
                box.left = std::min<LONG>(box.left, x), box.right = std::max<LONG>(box.right, x + 1);
                box.top = std::min<LONG>(box.top, y), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
    }
    return box;
}

TEST_F(UpdateStatusWin, TheTextIsRedBoldAndCentredOnTheBarsFace) {
    ShowUpdateStatus(window, L"https://example.com/", open, L"de");
    HWND bar = FindUpdateStatus(window);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    auto font = reinterpret_cast<HFONT>(::SendMessageW(bar, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    ::GetObjectW(font, sizeof(logFont), &logFont);
    EXPECT_GE(logFont.lfWeight, FW_BOLD);

    RECT client;
    ::GetClientRect(bar, &client);
    HDC dc = ::GetDC(bar);
    const RECT shown = InkBox(dc, client.right, client.bottom, RGB(255, 0, 0));
    const COLORREF face = ::GetPixel(dc, 3, client.bottom / 2);
    // What the text looks like written in red in that font, centred on a bar of that size.
    HDC memory = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    HGDIOBJ oldFont = ::SelectObject(memory, font);
    ::FillRect(memory, &client, ::GetSysColorBrush(COLOR_3DFACE));
    ::SetTextColor(memory, RGB(255, 0, 0));
    ::SetBkMode(memory, TRANSPARENT);
    const std::wstring text(UpdateText(UpdateTextKind::StatusLine, L"de"));
    RECT all = client;
    ::DrawTextW(memory, text.c_str(), -1, &all, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    const RECT expected = InkBox(memory, client.right, client.bottom, RGB(255, 0, 0));
    ::SelectObject(memory, oldFont);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(bar, dc);

    EXPECT_EQ(face, ::GetSysColor(COLOR_3DFACE));
    ASSERT_GE(shown.right, 0) << "no red pixel on the bar";
    ASSERT_GE(expected.right, 0);
    EXPECT_EQ(shown.right - shown.left, expected.right - expected.left) << "not \"Update möglich\" in the bold font";
    EXPECT_EQ(shown.bottom - shown.top, expected.bottom - expected.top);
    // The panel lies inside the bar's borders: a pixel or two off its centre at most.
    EXPECT_NEAR(shown.left, expected.left, 2) << "not centred across";
    EXPECT_NEAR(shown.top, expected.top, 2) << "not centred up and down";
}

// What kind of DC the panel is drawn on: a bitmap's, so the bar never shows half drawn.
std::vector<DWORD> gPanelDcKinds;

LRESULT CALLBACK DrawItemSpy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_DRAWITEM) {
        gPanelDcKinds.push_back(::GetObjectType(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC));
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(UpdateStatusWin, ThePanelIsDrawnOffScreen) {
    ShowUpdateStatus(window, L"https://example.com/", open, L"en");
    HWND bar = FindUpdateStatus(window);
    gPanelDcKinds.clear();
    ::SetWindowSubclass(window, DrawItemSpy, 99, 0);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::RemoveWindowSubclass(window, DrawItemSpy, 99);
    ASSERT_FALSE(gPanelDcKinds.empty()) << "the panel was never drawn";
    for (DWORD kind : gPanelDcKinds) {
        EXPECT_EQ(kind, static_cast<DWORD>(OBJ_MEMDC)) << "the panel was drawn straight onto the screen";
    }
    EXPECT_NE(::SendMessageW(bar, WM_ERASEBKGND, 0, 0), 0) << "a separate erase would flash the bar";
}

TEST_F(UpdateStatusWin, AClickOpensOnlyAWebUrlAndTheHandShowsOverTheBar) {
    struct Case {
        const wchar_t* url;
        bool opens;
    } cases[] = {
        {L"https://example.com/notice", true}, {L"http://example.com/", true},  {L"file:///C:/x.exe", false},
        {L"C:\\Windows\\notepad.exe", false},  {L"javascript:alert(1)", false}, {L"", false},
    };
    for (const auto& c : cases) {
        opened.clear();
        ShowUpdateStatus(window, c.url, open, L"en");
        HWND bar = FindUpdateStatus(window);
        Click(bar);
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.url;
        if (c.opens && !opened.empty()) {
            EXPECT_EQ(opened[0], c.url);
        }
    }
    HWND bar = FindUpdateStatus(window);
    ::SendMessageW(bar, WM_SETCURSOR, reinterpret_cast<WPARAM>(bar), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(UpdateStatusWin, NoWindowNoLine) {
    ShowUpdateStatus(nullptr, L"https://example.com/", open);
    HWND gone = ::CreateWindowExW(0, L"RamBroomStatusTest", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::DestroyWindow(gone);
    ShowUpdateStatus(gone, L"https://example.com/", open);
    EXPECT_EQ(UpdateStatusHeight(nullptr), 0);
    // The window goes with its line: its subclass and the line's state go too.
    ShowUpdateStatus(window, L"https://example.com/", open);
    ::DestroyWindow(window);
    EXPECT_FALSE(::IsWindow(window));
    window = nullptr;
}

} // namespace
