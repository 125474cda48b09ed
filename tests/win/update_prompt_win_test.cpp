#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/Application_win.h"
#include "base/Handles_win.h"
#include "tests/win/ShownDialog_win.h"
#include "translate/Translate_win.h"
#include "update/JsonField.h"
#include "update/UpdatePromptLayout.h"
#include "update/UpdatePrompt_win.h"
#include "update/UpdateText.h"
#include "widgets/Dpi_win.h"

namespace {

// The modal prompt runs its own message loop on this thread: a thread timer, dispatched by that
// loop, finds the prompt once it is shown, hands it to the case and, should the case not close
// it, ends it after ten seconds so a fault fails the case instead of hanging the run.
struct PromptRun {
    std::function<void(HWND prompt)> answer;
    HWND prompt = nullptr;
    int prompts = 0; // prompts seen
    int ticks = 0;
    bool forced = false;
};
PromptRun* gRun = nullptr;

void CALLBACK DrivePrompt(HWND, UINT, UINT_PTR, DWORD) {
    if (!gRun) {
        return;
    }
    HWND prompt = ShownDialog();
    if (prompt && prompt != gRun->prompt) {
        gRun->prompt = prompt;
        ++gRun->prompts;
        gRun->answer(prompt);
    } else if (prompt && ++gRun->ticks > 200) {
        gRun->forced = true;
        ::EndDialog(prompt, IDCANCEL);
    }
}

class PromptDriver {
public:
    explicit PromptDriver(PromptRun& run) : timer_(::SetTimer(nullptr, 0, 50, DrivePrompt)) { gRun = &run; }
    ~PromptDriver() {
        ::KillTimer(nullptr, timer_);
        gRun = nullptr;
    }
    PromptDriver(const PromptDriver&) = delete;
    PromptDriver& operator=(const PromptDriver&) = delete;

private:
    UINT_PTR timer_;
};

// Ways to answer, as a user would: the buttons, Escape (the dialog manager's), the close button.
void Click(HWND prompt, int id) { ::PostMessageW(::GetDlgItem(prompt, id), BM_CLICK, 0, 0); }
void PressEscape(HWND prompt) { ::PostMessageW(::GetDlgItem(prompt, IDYES), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }
void CloseButton(HWND prompt) { ::PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

RECT RectInClient(HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int OuterHeight(HWND window) {
    RECT r;
    ::GetWindowRect(window, &r);
    return r.bottom - r.top;
}

COLORREF PixelAt(HWND window, int x, int y) {
    HDC dc = ::GetDC(window);
    const COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return colour;
}

// The number of pixels of `colour` in the window's client area.
int CountPixels(HWND window, COLORREF colour) {
    RECT client;
    ::GetClientRect(window, &client);
    HDC dc = ::GetDC(window);
    int count = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            count += ::GetPixel(dc, x, y) == colour;
        }
    }
    ::ReleaseDC(window, dc);
    return count;
}

void PaintNow(HWND prompt) {
    ::RedrawWindow(prompt, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::wstring Answer(const std::wstring& info) {
    return L"{\"update\":\"https://example.com/get\",\"notify\":\"\"" +
           (info.empty() ? L"" : L",\"info\":{" + info + L"}") + L"}";
}

class UpdatePromptWin : public ::testing::Test {
protected:
    void SetUp() override {
        LoadTranslations(::GetModuleHandleW(nullptr));
        savedTitle_ = ApplicationTitle();
        // A title the catalog translates: the prompt's caption shows that it went through it.
        ApplicationTitle() = L"처음화면";
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RamBroomPromptOwner";
        ::RegisterClassW(&wc);
        owner = ::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        args.owner = owner;
        args.language = L"en";
        args.onHold = [this] { ++holds; };
        args.onOpenUrl = [this](const std::wstring& url) { opened.push_back(url); };
    }
    void TearDown() override {
        ::DestroyWindow(owner);
        ApplicationTitle() = savedTitle_;
    }

    // Shows the prompt for `data`, lets `answer` look at it and close it.
    bool Run(const std::wstring& data, std::function<void(HWND)> answer) {
        data_ = data;
        args.data = data_;
        run = PromptRun{std::move(answer)};
        PromptDriver driver(run);
        const bool yes = UpdateDialog(args);
        EXPECT_FALSE(run.forced) << "the prompt stayed open";
        EXPECT_EQ(run.prompts, 1);
        return yes;
    }

    // The outer height of the plain prompt (no "info") in this language.
    int PlainHeight() {
        int height = 0;
        Run(Answer(L""), [&](HWND p) {
            height = OuterHeight(p);
            Click(p, IDNO);
        });
        return height;
    }

    HWND owner = nullptr;
    UpdatePromptArgs args;
    PromptRun run;
    int holds = 0;
    std::vector<std::wstring> opened;
    std::wstring data_; // args.data views it

private:
    std::wstring savedTitle_;
};

TEST_F(UpdatePromptWin, OnlyYesAnswersTrue) {
    struct Case {
        const char* how;
        void (*answer)(HWND);
        bool yes;
    } cases[] = {
        {"Yes", [](HWND p) { Click(p, IDYES); }, true},
        {"No", [](HWND p) { Click(p, IDNO); }, false},
        {"Escape", PressEscape, false},
        {"the close button", CloseButton, false},
        {"WM_CLOSE", [](HWND p) { ::PostMessageW(p, WM_CLOSE, 0, 0); }, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(Answer(L"\"style\":\"hold\",\"text\":\"T\""), c.answer), c.yes) << c.how;
    }
    EXPECT_EQ(holds, 0); // never ticked
}

TEST_F(UpdatePromptWin, TheStandardQuestionInTheLanguagesTexts) {
    for (const wchar_t* language : {L"ko", L"en", L"it", L"FR"}) {
        args.language = language;
        Run(Answer(L""), [&](HWND p) {
            EXPECT_EQ(TextOf(p), Translate(L"처음화면", language)) << language;
            EXPECT_EQ(TextOf(::GetDlgItem(p, IDYES)), UpdateText(UpdateTextKind::YesButton, language)) << language;
            EXPECT_EQ(TextOf(::GetDlgItem(p, IDNO)), UpdateText(UpdateTextKind::NoButton, language)) << language;
            EXPECT_EQ(::GetDlgItem(p, IDCANCEL), nullptr);
            // The message is one of the dialog's texts; Yes is the default button.
            bool found = false;
            for (HWND child = ::GetWindow(p, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                found |= TextOf(child) == UpdateText(UpdateTextKind::PromptMessage, language);
            }
            EXPECT_TRUE(found) << language;
            EXPECT_EQ(::GetWindowLongPtrW(::GetDlgItem(p, IDYES), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
                << language;
            EXPECT_EQ(::GetWindow(p, GW_OWNER), owner);
            EXPECT_FALSE(::IsWindowEnabled(owner)) << "the prompt is modal to the main window";
            EXPECT_EQ(::GetWindowLongPtrW(p, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << language;
            for (int id : {kPromptSeparatorId, kPromptHoldBoxId, kPromptNoteLinkId}) {
                EXPECT_EQ(::GetDlgItem(p, id), nullptr) << language << " " << id;
            }
            Click(p, IDNO);
        });
    }
    EXPECT_EQ(Translate(L"처음화면", L"en"), L"Home"); // the caption above did change per language
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(UpdatePromptWin, TheWindowIsWhiteAndCentredOnItsScreen) {
    Run(Answer(L"\"style\":\"x\""), [&](HWND p) {
        PaintNow(p);
        RECT client;
        ::GetClientRect(p, &client);
        EXPECT_EQ(PixelAt(p, 2, 2), RGB(255, 255, 255));
        EXPECT_EQ(PixelAt(p, client.right - 3, client.bottom - 3), RGB(255, 255, 255)); // the grown part too
        RECT outer;
        ::GetWindowRect(p, &outer);
        MONITORINFO monitor{sizeof(monitor)};
        ::GetMonitorInfoW(::MonitorFromWindow(p, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        EXPECT_NEAR(outer.left - work.left, work.right - outer.right, 1);
        EXPECT_NEAR(outer.top - work.top, work.bottom - outer.bottom, 1);
        Click(p, IDNO);
    });
}

// The extras measured on the live prompt at the DPI this process runs at: 96 in the test run,
// 144 in the child process the next case starts.
TEST_F(UpdatePromptWin, TheExtrasSitAtTheirDistancesAboveTheGrownBottom) {
    const int plain = PlainHeight();
    UINT dpi = 0;
    int growth = 0, separatorAbove = 0, boxAbove = 0, linkAbove = 0, boxLeft = 0, linkLeft = 0;
    Run(Answer(L"\"style\":\"hold\",\"text\":\"Do not ask again\""), [&](HWND p) {
        dpi = dpi::ForWindow(p);
        const int outer = OuterHeight(p);
        growth = outer - plain;
        const RECT line = RectInClient(::GetDlgItem(p, kPromptSeparatorId));
        const RECT box = RectInClient(::GetDlgItem(p, kPromptHoldBoxId));
        separatorAbove = outer - line.top;
        boxAbove = outer - box.top;
        boxLeft = box.left;
        RECT window;
        ::GetWindowRect(p, &window);
        EXPECT_EQ(line.left, 0);
        EXPECT_EQ(line.right - line.left, window.right - window.left);
        EXPECT_EQ(line.bottom - line.top, 1);
        EXPECT_EQ(box.right - box.left, window.right - window.left);
        Click(p, IDNO);
    });
    Run(Answer(L"\"style\":\"note\",\"text\":\"Read me\",\"url\":\"https://example.com/n\""), [&](HWND p) {
        const RECT link = RectInClient(::GetDlgItem(p, kPromptNoteLinkId));
        linkAbove = OuterHeight(p) - link.top;
        linkLeft = link.left;
        Click(p, IDNO);
    });

    struct Expected {
        UINT dpi;
        int growth, separatorAbove, extraAbove, left;
    } table[] = {{96, 30, 66, 56, 10}, {144, 45, 99, 84, 15}};
    const Expected* e = nullptr;
    for (const auto& row : table) {
        e = row.dpi == dpi ? &row : e;
    }
    ASSERT_NE(e, nullptr) << "no figures for " << dpi << " DPI";
    if (const char* wanted = std::getenv("RAMBROOM_TEST_PROMPT_DPI")) {
        EXPECT_EQ(dpi, static_cast<UINT>(std::atoi(wanted))) << "the prompt did not run at the DPI asked for";
    }
    EXPECT_EQ(growth, e->growth) << dpi;
    EXPECT_EQ(separatorAbove, e->separatorAbove) << dpi;
    EXPECT_EQ(boxAbove, e->extraAbove) << dpi;
    EXPECT_EQ(linkAbove, e->extraAbove) << dpi;
    EXPECT_EQ(boxLeft, e->left) << dpi;
    EXPECT_EQ(linkLeft, e->left) << dpi;
}

// The system DPI of a Wine process is read from the registry when it starts: the case above runs
// again in a child process started with 144 DPI set, and the setting is put back after it.
class LogPixelsScope {
public:
    explicit LogPixelsScope(DWORD dpi) {
        DWORD size = sizeof(saved_);
        had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_, &size) ==
               ERROR_SUCCESS;
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    }
    ~LogPixelsScope() {
        if (had_) {
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &saved_, sizeof(saved_));
        } else {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
        }
    }
    LogPixelsScope(const LogPixelsScope&) = delete;
    LogPixelsScope& operator=(const LogPixelsScope&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    DWORD saved_ = 0;
    bool had_ = false;
};

TEST(UpdatePromptDpi, TheExtrasScaleWithThePromptsDpi) {
    if (std::getenv("RAMBROOM_TEST_PROMPT_DPI")) {
        GTEST_SKIP() << "this is the child";
    }
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) +
                           L"\" --gtest_brief=1 "
                           L"--gtest_filter=UpdatePromptWin.TheExtrasSitAtTheirDistancesAboveTheGrownBottom";
    LogPixelsScope logPixels(144);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"RAMBROOM_TEST_PROMPT_DPI", L"144"));
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    const BOOL started =
        ::CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    ::SetEnvironmentVariableW(L"RAMBROOM_TEST_PROMPT_DPI", nullptr);
    ASSERT_TRUE(started) << ::GetLastError();
    UniqueHandle process(info.hProcess), thread(info.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 120000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the prompt's extras at 144 DPI (the child's output is above)";
}

TEST_F(UpdatePromptWin, TheStyleDecidesTheExtras) {
    const int plain = PlainHeight();
    struct Case {
        const wchar_t* style;
        bool grows, box, link;
    } cases[] = {
        {L"hold", true, true, false},   {L"Hold", true, false, false}, {L"note", true, false, true},
        {L"other", true, false, false}, {L"", false, false, false},
    };
    for (const auto& c : cases) {
        Run(Answer(L"\"style\":\"" + std::wstring(c.style) +
                   L"\",\"text\":\"Skip this version\",\"url\":\"https://e.com\""),
            [&](HWND p) {
                PaintNow(p);
                EXPECT_EQ(OuterHeight(p) > plain, c.grows) << c.style;
                HWND line = ::GetDlgItem(p, kPromptSeparatorId);
                EXPECT_EQ(line != nullptr, c.grows) << c.style;
                if (line) {
                    EXPECT_EQ(PixelAt(line, 1, 0), RGB(204, 204, 204)) << c.style;
                }
                HWND box = ::GetDlgItem(p, kPromptHoldBoxId);
                EXPECT_EQ(box != nullptr, c.box) << c.style;
                if (box) {
                    EXPECT_EQ(TextOf(box), L"Skip this version");
                    EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
                    EXPECT_TRUE(::IsWindowVisible(box));
                }
                HWND link = ::GetDlgItem(p, kPromptNoteLinkId);
                EXPECT_EQ(link != nullptr, c.link) << c.style;
                if (link) {
                    EXPECT_EQ(TextOf(link), L"Skip this version");
                    LOGFONTW font{};
                    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)), sizeof(font), &font);
                    EXPECT_TRUE(font.lfUnderline);
                    EXPECT_GT(CountPixels(link, RGB(0, 0, 255)), 10) << "the link is not blue";
                    // Sized to its text: its last column holds the underline's blue.
                    RECT r;
                    ::GetClientRect(link, &r);
                    EXPECT_GT(r.right, 0);
                    bool blueAtEnd = false;
                    for (int y = 0; y < r.bottom; ++y) {
                        blueAtEnd |= PixelAt(link, r.right - 1, y) == RGB(0, 0, 255);
                    }
                    EXPECT_TRUE(blueAtEnd) << "the link is wider than its text";
                    ::SendMessageW(p, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
                }
                Click(p, IDNO);
            });
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdatePromptWin, ATickedHoldBoxSendsTheHoldWhateverTheAnswer) {
    struct Case {
        const char* how;
        bool tick;
        int button;
        bool yes;
        int holds;
    } cases[] = {
        {"ticked, No", true, IDNO, false, 1},
        {"ticked, Yes", true, IDYES, true, 1},
        {"ticked twice, No", false, IDNO, false, 0},
        {"ticked, Escape", true, IDCANCEL, false, 1},
    };
    for (const auto& c : cases) {
        holds = 0;
        const bool yes = Run(Answer(L"\"style\":\"hold\",\"text\":\"Hold\""), [&](HWND p) {
            HWND box = ::GetDlgItem(p, kPromptHoldBoxId);
            ::SendMessageW(box, BM_CLICK, 0, 0);
            if (!c.tick) {
                ::SendMessageW(box, BM_CLICK, 0, 0);
            }
            if (c.button == IDCANCEL) {
                PressEscape(p);
            } else {
                Click(p, c.button);
            }
        });
        EXPECT_EQ(yes, c.yes) << c.how;
        EXPECT_EQ(holds, c.holds) << c.how;
    }
}

TEST_F(UpdatePromptWin, TheNoteLinkOpensOnlyWebUrlsAndThePromptStaysOpen) {
    struct Case {
        const wchar_t* url;
        bool opens;
    } cases[] = {
        {L"https://example.com/notice?id=1", true},
        {L"HTTP://example.com/", true},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"C:\\\\Windows\\\\notepad.exe", false}, // escaped backslashes in the answer
        {L"javascript:alert(1)", false},
        {L"", false},
    };
    for (const auto& c : cases) {
        opened.clear();
        bool openAfterClick = false;
        Run(Answer(L"\"style\":\"note\",\"text\":\"Notice\",\"url\":\"" + std::wstring(c.url) + L"\""), [&](HWND p) {
            HWND link = ::GetDlgItem(p, kPromptNoteLinkId);
            ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            openAfterClick = ::IsWindowVisible(p);
            Click(p, IDNO);
        });
        EXPECT_TRUE(openAfterClick) << c.url;
        if (c.opens) {
            EXPECT_EQ(opened, std::vector<std::wstring>{c.url}) << c.url;
        } else {
            EXPECT_TRUE(opened.empty()) << c.url;
        }
    }
}

TEST_F(UpdatePromptWin, StayOnTopAndATaskbarButtonWhenStartedHidden) {
    struct Case {
        const wchar_t* flag;
        bool shownAtStart;
        bool topmost, ownerless;
    } cases[] = {
        {L"stayontop", true, true, false},
        {L"beta,stayontop", false, true, true},
        {L"StayOnTop", false, false, false},
        {L"", false, false, false},
    };
    for (const auto& c : cases) {
        args.mainWindowShownAtStart = c.shownAtStart;
        Run(Answer(L"\"flag\":\"" + std::wstring(c.flag) + L"\""), [&](HWND p) {
            EXPECT_EQ((::GetWindowLongPtrW(p, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.topmost) << c.flag;
            EXPECT_EQ(::GetWindow(p, GW_OWNER), c.ownerless ? nullptr : owner) << c.flag;
            EXPECT_EQ(::SendMessageW(p, WM_GETICON, ICON_SMALL, 0) != 0, c.ownerless) << c.flag;
            Click(p, IDNO);
        });
    }
    EXPECT_TRUE(::IsWindowEnabled(owner)) << "the owner must be enabled again after an ownerless prompt";
}

TEST_F(UpdatePromptWin, AMalformedEscapeStopsBeforeThePromptIsShown) {
    for (const wchar_t* info : {L"\"style\":\"hold\",\"text\":\"\\u12G4\"", L"\"style\":\"\\uZZZZ\"",
                                L"\"flag\":\"\\u\"", L"\"url\":\"\\uXYZW\",\"style\":\"note\""}) {
        data_ = Answer(info);
        args.data = data_;
        run = PromptRun{[](HWND p) { Click(p, IDYES); }};
        PromptDriver driver(run);
        EXPECT_THROW(UpdateDialog(args), EConvertError) << info;
        EXPECT_EQ(run.prompts, 0) << info;
    }
    // The hook went with the failed call: a message box now is a plain one.
    run = PromptRun{[](HWND p) { Click(p, IDYES); }};
    std::wstring caption;
    run.answer = [&](HWND p) {
        caption = TextOf(p);
        Click(p, IDOK);
    };
    PromptDriver driver(run);
    EXPECT_EQ(::MessageBoxW(owner, L"plain", L"Plain caption", MB_OK), IDOK);
    EXPECT_EQ(caption, L"Plain caption");
}

} // namespace
