#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/FormDescription.h"
#include "app/PopupMenu_win.h"
#include "app/TranslateWindow_win.h"
#include "base/Handles_win.h"
#include "tests/win/FormWindow_win.h"
#include "translate/Translate_win.h"
#include "widgets/Dpi_win.h"
#include "widgets/FormControls_win.h"

namespace {

// The catalog as this executable carries it (the program's resources are linked in).
class TranslateWin : public ::testing::Test {
protected:
    void SetUp() override {
        LoadTranslations(::GetModuleHandleW(nullptr));
        saved_ = CurrentLanguage();
    }
    void TearDown() override { CurrentLanguage() = saved_; }

private:
    std::wstring saved_;
};

TEST_F(TranslateWin, TheEmbeddedCatalogIsReadWhole) {
    // 24 blocks of 191 rows, each followed by an empty line: the resource's bytes as stored.
    EXPECT_EQ(LoadedCatalog().size(), 215u);
    EXPECT_EQ(Translate(L"처음화면", L"ja"), L"ホーム");
    EXPECT_EQ(Translate(L"메모리를 정리하였습니다.", L"ar"), L"تم تحسين الذاكرة");
}

TEST_F(TranslateWin, TheLanguageIsThatOfTheUsersLocale) {
    wchar_t name[16] = {};
    ASSERT_GT(::GetLocaleInfoW(::GetUserDefaultLCID(), LOCALE_SISO639LANGNAME, name, 16), 0);
    EXPECT_EQ(GetUserLanguage(), name);
    EXPECT_EQ(CurrentLanguage(), std::wstring(name).substr(0, 2));
}

TEST_F(TranslateWin, AModuleWithoutTheResourceLeavesEveryTextAsItIs) {
    LoadTranslations(::GetModuleHandleW(L"kernel32.dll"));
    EXPECT_EQ(LoadedCatalog().size(), 0u);
    EXPECT_EQ(Translate(L"처음화면", L"en"), L"처음화면");
    EXPECT_EQ(Translate(L"a\\nb", L"en"), L"a\rb");
}

// The real form's controls in a hidden window, with a popup menu built from the form's items.
class TranslateComponentWin : public TranslateWin {
protected:
    void SetUp() override {
        TranslateWin::SetUp();
        menu = CreateFormPopupMenu();
    }

    std::wstring Caption(const char* name) { return controls.Find(name)->Text(); }
    std::wstring MenuText(int position) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu.get(), static_cast<UINT>(position), text, 128, MF_BYPOSITION);
        return text;
    }
    std::wstring WindowCaption() {
        wchar_t text[128] = {};
        ::GetWindowTextW(window, text, 128);
        return text;
    }

    FormWindow form{L"RamBroom"};
    HWND window = form.window;
    FormControls& controls = form.controls;
    UniqueHmenu menu;
};

TEST_F(TranslateComponentWin, EveryCaptionListAndMenuItemIsTranslated) {
    FormControl& phys = controls.Get(form::Ctl("EditUsagePhys"));
    const auto items = phys.Items();
    phys.SetSelectedIndex(2);

    TranslateComponent(window, controls, menu.get(), L"fr");

    EXPECT_EQ(CurrentLanguage(), L"fr"); // the given language stays for later lookups
    EXPECT_EQ(Translate(L"종료"), L"Quitter");
    struct Row {
        const char* name;
        const wchar_t* text;
    } rows[] = {
        {"BtnHome", L"Accueil"},
        {"BtnConfig", L"Config"},
        {"BtnDonate", L"Donner"},
        {"LblPhys", L"Physique"},
        {"LblWorking", L"Travail"},
        {"BtnClean", L"Nettoyer la mémoire"},
        {"GroupBox3", L"Général"},
        {"ChkAutoStart", L"Lancer au démarrage"},
        {"LblPhysStatus", L""}, // filled by the program, nothing to translate
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Caption(row.name), row.text) << row.name;
    }
    EXPECT_EQ(phys.Items(), items); // numbers stand in no block
    EXPECT_EQ(phys.SelectedIndex(), 2);
    EXPECT_EQ(MenuText(2), L"Créé par Orvel");
    EXPECT_EQ(MenuText(3), L"Quitter");
    EXPECT_EQ(::GetMenuItemCount(menu.get()), static_cast<int>(form::PopupMenu().size()));
}

TEST_F(TranslateComponentWin, TranslatedTextsTranslateAgainIntoAnotherLanguage) {
    TranslateComponent(window, controls, menu.get(), L"ru");
    EXPECT_EQ(Caption("ChkAutoStart"), L"Запуск при старте системы");
    TranslateComponent(window, controls, menu.get(), L"ja");
    EXPECT_EQ(Caption("ChkAutoStart"), L"システム起動時に実行");
    EXPECT_EQ(Caption("BtnHome"), L"ホーム");
    EXPECT_EQ(MenuText(3), L"終了");
    TranslateComponent(window, controls, menu.get(), L"ja");
    EXPECT_EQ(Caption("BtnHome"), L"ホーム");
}

TEST_F(TranslateComponentWin, TheWindowCaptionIsEnglishOutsideKorean) {
    // A caption with a different text in each language shows the rule.
    struct Case {
        const wchar_t* language;
        const wchar_t* caption;
        const wchar_t* label;
    } cases[] = {
        {L"ko", L"처음화면", L"처음화면"},
        {L"ja", L"Home", L"ホーム"},
        {L"ar", L"Home", L"الرئيسية"},
        {L"de", L"Home", L"Home"},
    };
    for (const auto& c : cases) {
        ::SetWindowTextW(window, L"처음화면");
        TranslateComponent(window, controls, menu.get(), c.language);
        EXPECT_EQ(WindowCaption(), c.caption) << c.language;
        EXPECT_EQ(Caption("BtnHome"), c.label) << c.language;
    }
}

TEST_F(TranslateComponentWin, WithoutAWindowOnlyTheLanguageChanges) {
    TranslateComponent(nullptr, controls, menu.get(), L"it");
    EXPECT_EQ(CurrentLanguage(), L"it");
    EXPECT_EQ(Caption("BtnHome"), L"처음화면");
    EXPECT_EQ(MenuText(3), L"종료");
}

TEST_F(TranslateComponentWin, LongCaptionsGrowIntoTheRoomBesideThem) {
    TranslateComponent(window, controls, menu.get(), L"fr");
    for (UINT dpi : {96u, 120u, 144u, 192u}) {
        const LOGFONTW desktop = dpi::IconTitleFont(dpi);
        UniqueHfont font(::CreateFontIndirectW(&desktop));
        controls.ApplyFonts(font.get(), font.get());
        controls.Layout(dpi);
        auto rect = [](const FormControl& c) {
            RECT r;
            ::GetWindowRect(c.hwnd, &r);
            ::MapWindowPoints(nullptr, ::GetParent(c.hwnd), reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        const RECT autoStart = rect(*controls.Find("ChkAutoStart"));
        const RECT onTray = rect(*controls.Find("ChkCleanOnTray"));
        RECT group;
        ::GetClientRect(controls.Find("GroupBox3")->hwnd, &group);
        EXPECT_LT(autoStart.right, onTray.left) << dpi;
        EXPECT_LE(onTray.right, group.right) << dpi;
        // Measured with the control's own font: its text fits now.
        HDC dc = ::GetDC(controls.Find("ChkCleanOnTray")->hwnd);
        HGDIOBJ old = ::SelectObject(dc, font.get());
        const std::wstring text = Caption("ChkCleanOnTray");
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(controls.Find("ChkCleanOnTray")->hwnd, dc);
        EXPECT_GT(onTray.right - onTray.left, extent.cx) << dpi;
    }
}

} // namespace
