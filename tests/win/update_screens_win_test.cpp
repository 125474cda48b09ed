// The update prompt and the notice line held on the screen for screenshots: run only by
// tests/win/update_screenshots.sh, which sets RAMBROOM_SCREENSHOT_DIR. For each picture the case
// writes "<dir>/ready-<name>" with the screen rectangle to crop ("left top width height") and
// waits, its window responsive, until the script creates "<dir>/done-<name>".

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/Application_win.h"
#include "app/Texts.h"
#include "tests/win/ShownDialog_win.h"
#include "translate/Translate_win.h"
#include "update/UpdatePrompt_win.h"
#include "update/UpdateStatus_win.h"

namespace {

std::string gDir;     // the script's folder, as a Windows path
std::string gPicture; // the picture being taken
bool gAnnounced = false;
int gTicks = 0;

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Announce(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r;
    ::GetWindowRect(window, &r);
    std::ofstream(gDir + "/ready-" + gPicture)
        << r.left << ' ' << r.top << ' ' << r.right - r.left << ' ' << r.bottom - r.top << '\n';
    gAnnounced = true;
}

// Gives up after two minutes, so a script that went away does not leave the prompt up.
bool Done() { return Exists(gDir + "/done-" + gPicture) || ++gTicks > 2400; }

void CALLBACK HoldPrompt(HWND, UINT, UINT_PTR, DWORD) {
    HWND prompt = ShownDialog();
    if (!prompt) {
        return;
    }
    if (!gAnnounced) {
        Announce(prompt);
    } else if (Done()) {
        ::PostMessageW(::GetDlgItem(prompt, IDNO), BM_CLICK, 0, 0);
    }
}

class UpdateScreens : public ::testing::Test {
protected:
    void SetUp() override {
        const char* dir = std::getenv("RAMBROOM_SCREENSHOT_DIR");
        if (!dir) {
            GTEST_SKIP() << "pictures for tests/win/update_screenshots.sh only";
        }
        gDir = std::string("Z:") + dir;
        LoadTranslations(::GetModuleHandleW(nullptr));
        ApplicationTitle() = Translate(texts::kProductName);
        korean = CurrentLanguage() == L"ko";
    }

    void Show(const std::string& picture, const std::wstring& info, bool shownAtStart = true) {
        gPicture = picture;
        gAnnounced = false;
        gTicks = 0;
        const std::wstring data = L"{\"update\":\"https://example.com/get\",\"notify\":\"\"" +
                                  (info.empty() ? L"" : L",\"info\":{" + info + L"}") + L"}";
        UpdatePromptArgs args;
        args.data = data;
        args.mainWindowShownAtStart = shownAtStart;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, HoldPrompt);
        UpdateDialog(args);
        ::KillTimer(nullptr, timer);
    }

    bool korean = false;
};

TEST_F(UpdateScreens, Prompts) {
    Show("prompt-plain", L"");
    Show("prompt-hold",
         korean ? L"\"style\":\"hold\",\"text\":\"\\uc774 \\ubc84\\uc804\\uc740 \\uac74\\ub108\\ub6f0\\uae30\""
                : L"\"style\":\"hold\",\"text\":\"Skip this version\"");
    Show("prompt-note",
         (korean ? std::wstring(
                       L"\"style\":\"note\",\"text\":\"\\uc5c5\\ub370\\uc774\\ud2b8 \\ub0b4\\uc6a9 \\ubcf4\\uae30\"")
                 : std::wstring(L"\"style\":\"note\",\"text\":\"What is new in this version\"")) +
             L",\"flag\":\"stayontop\",\"url\":\"https://example.com/notes\"",
         false);
}

TEST_F(UpdateScreens, StatusLine) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"RamBroomScreens";
    ::RegisterClassW(&wc);
    HWND window =
        ::CreateWindowExW(0, wc.lpszClassName, ApplicationTitle().c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100,
                          100, 420, 240, nullptr, nullptr, wc.hInstance, nullptr);
    HWND label = ::CreateWindowExW(0, L"STATIC", L"(content)", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 80, 404, 40,
                                   window, nullptr, wc.hInstance, nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ShowUpdateStatus(window, L"https://example.com/notice", [](const std::wstring&) {});
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    gPicture = "status";
    gTicks = 0;
    Announce(window);
    while (!Done()) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(50);
    }
    ::DestroyWindow(window);
}

} // namespace
