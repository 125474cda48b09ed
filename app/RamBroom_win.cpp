// RamBroom: process entry. One instance per session; a later launch becomes a control
// message for the running one.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "app/FormDescription.h"
#include "app/MainWindow_win.h"
#include "app/ProcessEntry.h"
#include "base/Clock_win.h"
#include "base/Handles_win.h"
#include "translate/Translate_win.h"
#include "widgets/Dpi_win.h"

namespace {

std::wstring FirstArgument() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::wstring first = (args && count > 1) ? args[1] : L"";
    ::LocalFree(args);
    return first;
}

// Ordinal and without case: how the window manager compares class names and the file
// system file names.
bool SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The file name of a process's image, folder left off; empty when the process cannot be asked.
std::wstring ImageFileName(HANDLE process) {
    std::wstring path(32768, L'\0'); // the longest Win32 path
    DWORD length = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
        return {};
    }
    path.resize(length);
    return path.substr(path.find_last_of(L"\\/") + 1);
}

BOOL CALLBACK CollectInstanceWindow(HWND window, LPARAM context) noexcept {
    wchar_t name[257] = {}; // class names are at most 256 characters
    int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (length > 0 && SameName({name, static_cast<std::size_t>(length)}, form::kWindowClass)) {
        try {
            reinterpret_cast<std::vector<ProcessEntrySystem::Window>*>(context)->push_back(window);
        } catch (...) { // out of memory: the windows found so far will do
            return FALSE;
        }
    }
    return TRUE;
}

class Win32ProcessEntry final : public ProcessEntrySystem {
public:
    explicit Win32ProcessEntry(HINSTANCE instance) : instance_(instance) {}

    // What FindWindowW(class) would search, all of it: any process may register the class.
    // EnumWindows works on a snapshot, so windows moving meanwhile cannot make it loop.
    std::vector<Window> InstanceWindows() override {
        std::vector<Window> windows;
        ::EnumWindows(CollectInstanceWindow, reinterpret_cast<LPARAM>(&windows));
        return windows;
    }
    // The image's file name decides, not its path: a copy installed elsewhere still counts.
    // PROCESS_QUERY_LIMITED_INFORMATION (Vista on) is granted across integrity levels too.
    bool RunsThisProgram(Window window) override {
        DWORD pid = 0;
        if (!::GetWindowThreadProcessId(static_cast<HWND>(window), &pid)) {
            return false;
        }
        UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process) {
            return false;
        }
        std::wstring name = ImageFileName(process.get());
        return !name.empty() && SameName(name, ownImageName_);
    }
    void SendControl(Window window, unsigned wParam) override {
        ::SendMessageW(static_cast<HWND>(window), WM_USER, wParam, 0);
    }
    bool IsWindow(Window window) override { return ::IsWindow(static_cast<HWND>(window)) != FALSE; }
    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
    // The mutex handle is held until the process ends.
    bool OpenInstanceMutex() override {
        mutex_.reset(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kName.c_str()));
        return mutex_.valid();
    }
    // Another kind of object of the name makes CreateMutexW fail with ERROR_INVALID_HANDLE.
    MutexCreate CreateInstanceMutex() override {
        HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kName.c_str());
        const DWORD error = ::GetLastError();
        mutex_.reset(mutex);
        if (!mutex_) {
            return MutexCreate::Failed;
        }
        return error == ERROR_ALREADY_EXISTS ? MutexCreate::AlreadyExists : MutexCreate::Created;
    }
    void RunFirstInstance(Switch sw) override;

private:
    const std::wstring kName{form::kWindowClass};
    HINSTANCE instance_;
    const std::wstring ownImageName_ = ImageFileName(::GetCurrentProcess());
    UniqueHandle mutex_;
};

void Win32ProcessEntry::RunFirstInstance(Switch sw) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    auto mainForm = TFrmRamBroom::Create(instance_, sw, SystemClock());
    if (!mainForm) {
        return;
    }
    HWND window = mainForm->Handle();
    if (sw != Switch::Start) {
        ::ShowWindow(window, SW_SHOWNORMAL);
        ::SetForegroundWindow(window);
    }

    // The loop ends with the window, not only on WM_QUIT: a modal loop (a popup menu, a message
    // box) running when the window is destroyed may take the quit message for itself.
    MSG msg;
    while (mainForm->Handle() && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab and arrow keys move between the controls as in a dialog.
        window = mainForm->Handle();
        if (window && ::IsDialogMessageW(window, &msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    dpi::EnableProcessAwareness();
    LoadTranslations(instance);
    Win32ProcessEntry system(instance);
    return RunProcessEntry(system, ParseSwitch(FirstArgument()));
}
