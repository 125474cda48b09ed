#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/FormDescription.h"
#include "base/Handles_win.h"
#include "tests/win/FormWindow_win.h"
#include "widgets/Dpi_win.h"
#include "widgets/FormControls_win.h"

namespace {

class FormFixture : public ::testing::Test {
protected:
    RECT RectInParent(const FormControl& c) {
        RECT r;
        ::GetWindowRect(c.hwnd, &r);
        ::MapWindowPoints(nullptr, ::GetParent(c.hwnd), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    FormWindow form;
    HWND window = form.window;
    FormControls& controls = form.controls;
};

TEST_F(FormFixture, EveryRowBecomesAWindowUnderItsParentWithItsId) {
    for (const auto& d : form::Controls()) {
        FormControl* c = controls.Find(d.name);
        ASSERT_NE(c, nullptr) << d.name;
        ASSERT_TRUE(::IsWindow(c->hwnd)) << d.name;
        EXPECT_EQ(::GetDlgCtrlID(c->hwnd), d.id) << d.name;
        HWND expectedParent = d.parent.empty() ? window : controls.Find(d.parent)->hwnd;
        EXPECT_EQ(::GetParent(c->hwnd), expectedParent) << d.name;
        if (d.kind != ControlKind::ComboBox) { // a drop-down list's text is its selected item
            EXPECT_EQ(c->Text(), std::wstring(d.caption)) << d.name;
        }
    }
}

TEST_F(FormFixture, LayoutScalesPositionsWithTheDpi) {
    for (UINT dpi : {96u, 144u, 192u}) {
        controls.Layout(dpi);
        for (auto name : {"BtnClean", "ProgressBar", "GroupBox1", "EditUsagePhys"}) {
            const auto& d = *form::FindControl(name);
            RECT r = RectInParent(*controls.Find(name));
            EXPECT_EQ(r.left, dpi::Scale(d.bounds.x, dpi)) << name << " at " << dpi;
            EXPECT_EQ(r.top, dpi::Scale(d.bounds.y, dpi)) << name << " at " << dpi;
            EXPECT_EQ(r.right - r.left, dpi::Scale(d.bounds.width, dpi)) << name << " at " << dpi;
        }
    }
}

TEST_F(FormFixture, ComboBoxesHoldTheirItemsAndDefaultSelection) {
    FormControl& minute = controls.Get(form::Ctl("EditMinute"));
    EXPECT_EQ(minute.Items(), (std::vector<std::wstring>{L"5", L"10", L"20", L"30", L"40", L"50", L"60"}));
    EXPECT_EQ(minute.SelectedText(), L"30");
    EXPECT_FALSE(minute.Enabled());
    minute.SetSelectedIndex(-1);
    EXPECT_EQ(minute.SelectedText(), L"");
    // A stored position past the items leaves the list with no selection, whatever it showed.
    for (int index : {7, 100, -5}) {
        minute.SetSelectedIndex(6);
        minute.SetSelectedIndex(index);
        EXPECT_EQ(minute.SelectedIndex(), -1) << index;
    }
}

TEST_F(FormFixture, HandlersAreBoundByNameAndRoutedFromWmCommand) {
    std::vector<std::string> clicked;
    EXPECT_EQ(controls.Bind("BtnHomeClick", [&](FormControl& s) { clicked.push_back(std::string(s.Name())); }), 3);
    EXPECT_EQ(controls.Bind("NoSuchHandler", [](FormControl&) {}), 0);
    for (auto name : {"BtnConfig", "BtnDonate"}) {
        FormControl& b = *controls.Find(name);
        EXPECT_TRUE(controls.OnCommand(MAKEWPARAM(b.desc.id, BN_CLICKED), reinterpret_cast<LPARAM>(b.hwnd)));
    }
    EXPECT_EQ(clicked, (std::vector<std::string>{"BtnConfig", "BtnDonate"}));
    // Notifications other than the control's event, and menu commands, run nothing.
    FormControl& home = controls.Get(form::Ctl("BtnHome"));
    controls.OnCommand(MAKEWPARAM(home.desc.id, BN_SETFOCUS), reinterpret_cast<LPARAM>(home.hwnd));
    EXPECT_FALSE(controls.OnCommand(MAKEWPARAM(home.desc.id, 0), 0));
    EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(FormFixture, SetTextLeavesAnUnchangedLabelAlone) {
    FormControl& label = controls.Get(form::Ctl("LblPhysStatus"));
    label.SetText(L"1 MB");
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    ::ValidateRect(label.hwnd, nullptr);
    label.SetText(L"1 MB");
    RECT dirty;
    EXPECT_FALSE(::GetUpdateRect(label.hwnd, &dirty, FALSE)) << "same text must not repaint";
    label.SetText(L"2 MB");
    EXPECT_EQ(label.Text(), L"2 MB");
}

// A label whose text changes every second is drawn into an off-screen bitmap and copied to
// the screen at once: the colours it asks for are always for a memory DC, never the window's.
// What kind of DC each colour question of a label came with.
std::vector<DWORD> gLabelDcKinds;

LRESULT CALLBACK LabelDcSpy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == kReflectBase + WM_CTLCOLORSTATIC) {
        gLabelDcKinds.push_back(::GetObjectType(reinterpret_cast<HGDIOBJ>(wParam)));
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(FormFixture, LabelsPaintThroughAnOffScreenBitmap) {
    FormControl& label = controls.Get(form::Ctl("LblPhysStatus"));
    gLabelDcKinds.clear();
    ::SetWindowSubclass(label.hwnd, LabelDcSpy, 99, 0);
    ::ShowWindow(window, SW_SHOW);
    for (auto text : {L"1,234 MB / 24,105 MB (5.12% 사용중)", L"1,240 MB / 24,105 MB (5.14% 사용중)"}) {
        label.SetText(text);
        ::UpdateWindow(window);
    }
    ::RemoveWindowSubclass(label.hwnd, LabelDcSpy, 99);
    ASSERT_FALSE(gLabelDcKinds.empty()) << "the label was never painted";
    for (DWORD kind : gLabelDcKinds) {
        EXPECT_EQ(kind, static_cast<DWORD>(OBJ_MEMDC)) << "the label drew straight onto the screen";
    }
    EXPECT_NE(::SendMessageW(label.hwnd, WM_ERASEBKGND, 0, 0), 0) << "a separate erase would show a blank label";
}

// The colours of a control live with it: its container hands the question back to it.
TEST_F(FormFixture, ControlsAnswerForTheirOwnColours) {
    FormControl& grey = controls.Get(form::Ctl("LblVirtual"));
    grey.textColor = RGB(128, 128, 128);
    UniqueHdc dc(::CreateCompatibleDC(nullptr));
    const LRESULT brush = ::SendMessageW(grey.parent->hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                         reinterpret_cast<LPARAM>(grey.hwnd));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(128, 128, 128));

    // A window that is no form control (here the test's own) is not asked.
    LRESULT result = 0;
    EXPECT_FALSE(ReflectToControl(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                  reinterpret_cast<LPARAM>(window), result));
    EXPECT_FALSE(ReflectToControl(WM_COMMAND, MAKEWPARAM(grey.desc.id, 0), 12345, result));
}

} // namespace
