#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "app/FormDescription.h"
#include "base/Com_win.h"
#include "base/Handles_win.h"
#include "tests/win/FormWindow_win.h"
#include "theme/ButtonStyles.h"
#include "widgets/FormControls_win.h"
#include "widgets/StyledButton_win.h"

namespace {

constexpr COLORREF kAccent = RGB(61, 132, 221);
constexpr COLORREF kAccentLighter = RGB(80, 144, 224);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// What a control draws for WM_PRINTCLIENT: the same code path as its paints on the screen
// (the button's custom draw), into a bitmap the test can read.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    COLORREF At(int x, int y) const {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
    COLORREF Top() const { return At(width / 2, 0); }     // on the border
    COLORREF Inside() const { return At(4, height / 2); } // inside the border, clear of the caption
    int Count(COLORREF color) const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                n += At(x, y) == color;
            }
        }
        return n;
    }
};

Capture Print(HWND hwnd) {
    Capture c;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    c.width = client.right;
    c.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), c.width, -c.height, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueHdc dc(::CreateCompatibleDC(nullptr));
    UniqueHbitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    SelectObjectScope select(dc.get(), bitmap.get());
    std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(c.width) * c.height, 0x00FF00FFu);
    ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    c.pixels.assign(p, p + static_cast<std::size_t>(c.width) * c.height);
    return c;
}

// Keys held as the thread's input state says (GetKeyState), while `body` runs.
template <typename Fn> void WithKeysDown(std::initializer_list<int> keys, Fn body) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    BYTE held[256];
    std::copy(std::begin(state), std::end(state), held);
    for (int key : keys) {
        held[key] |= 0x80;
    }
    ::SetKeyboardState(held);
    body();
    ::SetKeyboardState(state);
}

class StyledButtons : public ::testing::Test {
protected:
    void SetUp() override {
        controls.Layout(96);
        clean = controls.Get(form::Ctl("BtnClean")).hwnd;
        home = controls.Get(form::Ctl("BtnHome")).hwnd;
        config = controls.Get(form::Ctl("BtnConfig")).hwnd;
        donate = controls.Get(form::Ctl("BtnDonate")).hwnd;
        for (auto name : {"BtnClean", "BtnHome", "BtnConfig", "BtnDonate"}) {
            controls.Bind(form::FindControl(name)->handler, [this](FormControl& s) { clicks.push_back(s.hwnd); });
        }
        ::ShowWindow(window, SW_SHOW);
        ::UpdateWindow(window);
        ::SetFocus(window);
    }

    void Key(HWND to, WPARAM key, bool repeat = false) {
        WithKeysDown({static_cast<int>(key)}, [&] { ::SendMessageW(to, WM_KEYDOWN, key, repeat ? (1 << 30) | 1 : 1); });
        ::SendMessageW(to, WM_KEYUP, key, 0xC0000001);
    }

    FormWindow form;
    HWND window = form.window;
    FormControls& controls = form.controls;
    HWND clean = nullptr, home = nullptr, config = nullptr, donate = nullptr;
    std::vector<HWND> clicks;
};

// What the common controls send a version 6 button's parent when the button paints: the face
// is drawn at the first custom-draw stage, and every kind of paint must come through there.
std::vector<DWORD> gDrawStages;

LRESULT CALLBACK CustomDrawSpy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == kReflectBase + WM_NOTIFY) {
        const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
        if (draw->hdr.code == NM_CUSTOMDRAW) {
            gDrawStages.push_back(draw->dwDrawStage);
        }
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(StyledButtons, EveryPaintOfAButtonComesThroughCustomDrawFirstStage) {
    struct Step {
        const char* what;
        void (*act)(HWND button);
    } steps[] = {
        {"a paint",
         [](HWND b) {
             ::InvalidateRect(b, nullptr, FALSE);
             ::UpdateWindow(b);
         }},
        {"the focus",
         [](HWND b) {
             ::SetFocus(b);
             ::UpdateWindow(b);
         }},
        {"a press",
         [](HWND b) {
             ::SendMessageW(b, BM_SETSTATE, TRUE, 0);
             ::UpdateWindow(b);
             ::SendMessageW(b, BM_SETSTATE, FALSE, 0);
         }},
        {"disabling",
         [](HWND b) {
             ::EnableWindow(b, FALSE);
             ::UpdateWindow(b);
             ::EnableWindow(b, TRUE);
         }},
        {"a print", [](HWND b) { Print(b); }},
    };
    for (HWND button : {config, clean}) { // a push-like radio button and a push button
        ::SetWindowSubclass(button, CustomDrawSpy, 99, 0);
        for (const auto& step : steps) {
            gDrawStages.clear();
            step.act(button);
            ASSERT_FALSE(gDrawStages.empty()) << step.what << ": no custom draw";
            EXPECT_EQ(gDrawStages.front(), static_cast<DWORD>(CDDS_PREERASE)) << step.what;
            for (DWORD stage : gDrawStages) {
                EXPECT_EQ(stage, static_cast<DWORD>(CDDS_PREERASE)) << step.what << ": the button went on drawing";
            }
        }
        ::RemoveWindowSubclass(button, CustomDrawSpy, 99);
        ::SetFocus(window);
    }
}

TEST_F(StyledButtons, TheCleanButtonPaintsTheOutlineSetOfEachState) {
    Capture normal = Print(clean);
    EXPECT_EQ(normal.Top(), kAccent);
    EXPECT_EQ(normal.Inside(), kWhite);
    EXPECT_EQ(normal.At(0, 0), kWhite) << "the corner is round";
    EXPECT_GT(normal.Count(kBlack), 10) << "the caption in black";

    ::SendMessageW(clean, BM_SETSTATE, TRUE, 0);
    Capture pressed = Print(clean);
    EXPECT_EQ(pressed.Inside(), kAccent);
    EXPECT_GT(pressed.Count(kWhite), 10) << "the caption in white";
    ::SendMessageW(clean, BM_SETSTATE, FALSE, 0);

    // Hot from the pointer's first move over it until it leaves.
    ::SendMessageW(clean, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Capture hot = Print(clean);
    EXPECT_EQ(hot.Inside(), kAccentLighter);
    EXPECT_EQ(hot.Top(), kAccent);
    EXPECT_GT(hot.Count(kWhite), 10) << "the caption in white";
    ::SendMessageW(clean, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Print(clean).Inside(), kWhite);

    ::EnableWindow(clean, FALSE);
    Capture disabled = Print(clean);
    EXPECT_EQ(disabled.Top(), RGB(215, 215, 215));
    EXPECT_EQ(disabled.Inside(), kWhite);
    EXPECT_GT(disabled.Count(RGB(179, 179, 179)), 10) << "the caption in the lighter grey";
    ::EnableWindow(clean, TRUE);
}

TEST_F(StyledButtons, HeaderButtonsShowDownNormalAndDisabled) {
    EXPECT_EQ(::SendMessageW(home, BM_GETCHECK, 0, 0), BST_CHECKED);
    Capture down = Print(home);
    EXPECT_EQ(down.Top(), kAccent);
    EXPECT_EQ(down.Inside(), kAccent);
    Capture up = Print(config);
    EXPECT_EQ(up.Top(), kBlack);
    EXPECT_EQ(up.Inside(), kWhite);
    ::EnableWindow(donate, FALSE);
    Capture disabled = Print(donate);
    EXPECT_EQ(disabled.Top(), RGB(188, 188, 188));
    EXPECT_GT(disabled.Count(RGB(128, 128, 128)), 10);
}

TEST_F(StyledButtons, FocusShowsOnlyWhenTheKeyboardMovedIt) {
    ::SetFocus(clean); // as a click or the program would
    EXPECT_FALSE(StyledButtonShowsFocus(clean));
    Capture byMouse = Print(clean);
    EXPECT_EQ(byMouse.Inside(), kWhite) << "no Selected set";
    EXPECT_EQ(byMouse.At(byMouse.width / 2, 3), kWhite) << "no ring";

    ::SetFocus(window);
    WithKeysDown({VK_TAB}, [&] { ::SetFocus(clean); });
    EXPECT_TRUE(StyledButtonShowsFocus(clean));
    Capture byTab = Print(clean);
    EXPECT_EQ(byTab.Inside(), kAccentLighter) << "the Selected set";
    EXPECT_EQ(byTab.At(byTab.width / 2, 3), kWhite) << "the ring, in the caption's colour";

    // A click while the focus shows: the mouse holds it now.
    ::SetFocus(window);
    WithKeysDown({VK_TAB, VK_LBUTTON}, [&] { ::SetFocus(clean); });
    EXPECT_FALSE(StyledButtonShowsFocus(clean));

    // The window's UI state turning keyboard cues on or off, as a dialog's keys do on Windows.
    ::SendMessageW(clean, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_TRUE(StyledButtonShowsFocus(clean));
    ::SendMessageW(clean, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_FALSE(StyledButtonShowsFocus(clean));
    ::SetFocus(window);
    EXPECT_FALSE(StyledButtonShowsFocus(clean));
}

TEST_F(StyledButtons, TheScreenShowsTheStyledFaceAfterAFocusChange) {
    // What reaches the window itself, not only a printed copy.
    WithKeysDown({VK_TAB}, [&] { ::SetFocus(config); });
    ::UpdateWindow(window);
    HDC dc = ::GetDC(config);
    RECT client{};
    ::GetClientRect(config, &client);
    EXPECT_EQ(::GetPixel(dc, 4, client.bottom / 2), kAccentLighter);
    EXPECT_EQ(::GetPixel(dc, client.right / 2, 3), kWhite);
    ::ReleaseDC(config, dc);
}

TEST_F(StyledButtons, EnterClicksTheFocusedButtonOnceAndSpaceStillDoes) {
    ::SetFocus(clean);
    MSG enter{clean, WM_KEYDOWN, VK_RETURN, 1};
    EXPECT_TRUE(::SendMessageW(clean, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    EXPECT_FALSE(::SendMessageW(clean, WM_GETDLGCODE, 0, 0) & DLGC_WANTMESSAGE);
    EXPECT_FALSE(::SendMessageW(clean, WM_GETDLGCODE, 0, 0x10) & DLGC_WANTMESSAGE) << "an address from nowhere";
    Key(clean, VK_RETURN);
    Key(clean, VK_RETURN, true); // held: the key repeats
    EXPECT_EQ(clicks, std::vector<HWND>{clean});
    Key(clean, VK_SPACE);
    EXPECT_EQ(clicks, (std::vector<HWND>{clean, clean}));
    ::SetFocus(home);
    Key(home, VK_RETURN);
    EXPECT_EQ(clicks.back(), home);
}

TEST_F(StyledButtons, ArrowKeysMoveTheFocusAroundTheHeaderWithoutClicking) {
    MSG right{home, WM_KEYDOWN, VK_RIGHT, 1};
    EXPECT_TRUE(::SendMessageW(home, WM_GETDLGCODE, VK_RIGHT, reinterpret_cast<LPARAM>(&right)) & DLGC_WANTMESSAGE);
    MSG arrowToClean{clean, WM_KEYDOWN, VK_RIGHT, 1};
    EXPECT_FALSE(::SendMessageW(clean, WM_GETDLGCODE, VK_RIGHT, reinterpret_cast<LPARAM>(&arrowToClean)) &
                 DLGC_WANTMESSAGE)
        << "the clean button is in no group";
    ::SetFocus(home);
    struct Step {
        WPARAM key;
        HWND focus;
    } steps[] = {{VK_RIGHT, config}, {VK_DOWN, donate}, {VK_RIGHT, home}, {VK_LEFT, donate}, {VK_UP, config}};
    for (const auto& step : steps) {
        Key(::GetFocus(), step.key);
        EXPECT_EQ(::GetFocus(), step.focus) << step.key;
        EXPECT_TRUE(StyledButtonShowsFocus(step.focus));
    }
    EXPECT_TRUE(clicks.empty()) << "moving the focus clicks nothing";
    EXPECT_EQ(::SendMessageW(home, BM_GETCHECK, 0, 0), BST_CHECKED) << "nor changes the down button";
    ::EnableWindow(donate, FALSE);
    ::SetFocus(config);
    Key(config, VK_RIGHT);
    EXPECT_EQ(::GetFocus(), home) << "a disabled button is passed over";
}

TEST_F(StyledButtons, ANewCaptionIsPaintedByTheNextPaintNotStraightAway) {
    ::UpdateWindow(window);
    ::ValidateRect(clean, nullptr);
    ::SetWindowTextW(clean, L"정리중...");
    RECT dirty;
    EXPECT_TRUE(::GetUpdateRect(clean, &dirty, FALSE));
    EXPECT_EQ(controls.Get(form::Ctl("BtnClean")).Text(), L"정리중...");
}

// A container hands WM_NOTIFY back only to a form control of this process, and reads the header
// only from this process's memory: a forged address or sender is refused, not followed.
TEST_F(StyledButtons, ContainersRefuseForgedNotifications) {
    HWND header = controls.Get(form::Ctl("BtnHead")).hwnd;
    EXPECT_EQ(::SendMessageW(header, WM_NOTIFY, 0, 0x10), 0);
    EXPECT_EQ(::SendMessageW(header, WM_NOTIFY, 0, static_cast<LPARAM>(-64)), 0);
    NMCUSTOMDRAW draw{};
    draw.hdr = {window, 0, NM_CUSTOMDRAW}; // the test's window: no form control
    draw.dwDrawStage = CDDS_PREERASE;
    EXPECT_EQ(::SendMessageW(header, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), CDRF_DODEFAULT);
    draw.hdr = {home, 0, NM_CUSTOMDRAW};
    draw.hdc = nullptr; // no DC to draw on: the button answers, draws nothing
    EXPECT_EQ(::SendMessageW(header, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), CDRF_SKIPDEFAULT);
}

TEST_F(StyledButtons, ScreenReadersGetTheCaptionAndTheState) {
    ComScope com;
    struct Case {
        HWND button;
        bool disable, focus;
    } cases[] = {
        {clean, false, false}, {clean, true, false}, {clean, false, true}, {home, false, false}, {donate, false, true}};
    for (const auto& c : cases) {
        ::EnableWindow(c.button, c.disable ? FALSE : TRUE);
        if (c.focus) {
            ::SetFocus(c.button);
        }
        IAccessible* raw = nullptr;
        ASSERT_EQ(
            ::AccessibleObjectFromWindow(c.button, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&raw)),
            S_OK);
        ComPtr<IAccessible> acc;
        acc.Attach(raw);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        ASSERT_EQ(acc->get_accName(self, &name), S_OK);
        EXPECT_EQ(std::wstring(name ? name : L""), controls.FromHwnd(c.button)->Text());
        ::SysFreeString(name);
        VARIANT role{}, state{};
        ASSERT_EQ(acc->get_accRole(self, &role), S_OK);
        // Windows' button proxy says push or radio button; Wine 8's generic one says client.
        EXPECT_TRUE(role.lVal == ROLE_SYSTEM_PUSHBUTTON || role.lVal == ROLE_SYSTEM_RADIOBUTTON ||
                    role.lVal == ROLE_SYSTEM_CLIENT)
            << role.lVal;
        ASSERT_EQ(acc->get_accState(self, &state), S_OK);
        EXPECT_EQ((state.lVal & STATE_SYSTEM_UNAVAILABLE) != 0, c.disable);
        EXPECT_EQ((state.lVal & STATE_SYSTEM_FOCUSED) != 0, c.focus);
        ::EnableWindow(c.button, TRUE);
        ::SetFocus(window);
    }
}

} // namespace
