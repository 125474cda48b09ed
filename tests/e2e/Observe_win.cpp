#include "tests/e2e/Observe_win.h"

#include <tlhelp32.h>

#include <algorithm>
#include <type_traits>

#include "base/DynCalls_win.h"
#include "base/Handles_win.h"

namespace inspect {
namespace {

constexpr UINT kAskTimeoutMs = 5000;
constexpr DWORD kTerminateWaitMs = 5000;

bool IsAppProcess(DWORD pid) {
    auto pids = AppProcesses();
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

// EnumWindows / EnumChildWindows callback calling the visitor passed as the context.
template <typename Fn> BOOL CALLBACK Visit(HWND window, LPARAM context) {
    (*reinterpret_cast<Fn*>(context))(window);
    return TRUE;
}

template <typename Fn> void EnumTopLevel(Fn&& fn) {
    ::EnumWindows(Visit<std::remove_reference_t<Fn>>, reinterpret_cast<LPARAM>(&fn));
}

template <typename Fn> void EnumDescendants(HWND parent, Fn&& fn) {
    ::EnumChildWindows(parent, Visit<std::remove_reference_t<Fn>>, reinterpret_cast<LPARAM>(&fn));
}

} // namespace

std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

bool Ask(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, kAskTimeoutMs, &answer)) {
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool IsClass(HWND window, std::wstring_view className) {
    std::wstring actual = ClassName(window);
    return ::CompareStringOrdinal(actual.c_str(), static_cast<int>(actual.size()), className.data(),
                                  static_cast<int>(className.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Text(HWND window) {
    LRESULT length = 0;
    if (!Ask(window, WM_GETTEXTLENGTH, 0, 0, length) || length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied) || copied < 0) {
        return {};
    }
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied), text.size() - 1));
    return text;
}

std::wstring Caption(HWND window) {
    // The text the system keeps for the window, read without a message: a program still busy
    // starting up (or slowed down by an emulator) cannot make the answer time out.
    wchar_t text[512] = {};
    const int length = ::InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

UINT Dpi(HWND window) {
    // Wine 8 has one DPI for all monitors, and its GetDpiForWindow answers 96 for another
    // process's window whatever that window uses: there the system DPI is the answer.
    if (dyn::wine_get_version()) {
        HDC screen = ::GetDC(nullptr);
        int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) {
            ::ReleaseDC(nullptr, screen);
        }
        return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
    }
    auto getDpiForWindow = dyn::GetDpiForWindow();
    UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

POINT ClientOrigin(HWND window) {
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    return origin;
}

SIZE ClientSize(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

std::vector<DWORD> AppProcesses() {
    std::vector<DWORD> pids;
    HANDLE raw = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (raw == INVALID_HANDLE_VALUE) {
        return pids;
    }
    UniqueHandle snapshot(raw);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::CompareStringOrdinal(entry.szExeFile, -1, kExeName.data(), static_cast<int>(kExeName.size()), TRUE) ==
            CSTR_EQUAL) {
            pids.push_back(entry.th32ProcessID);
        }
    }
    return pids;
}

int TerminateApp() {
    int ended = 0;
    for (DWORD pid : AppProcesses()) {
        UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process && ::TerminateProcess(process.get(), 1)) {
            ::WaitForSingleObject(process.get(), kTerminateWaitMs);
            ++ended;
        }
    }
    return ended;
}

std::vector<HWND> MainWindows() {
    const auto pids = AppProcesses();
    std::vector<HWND> windows;
    EnumTopLevel([&](HWND window) {
        if (IsClass(window, form::kWindowClass) &&
            std::find(pids.begin(), pids.end(), ProcessOf(window)) != pids.end()) {
            windows.push_back(window);
        }
    });
    return windows;
}

HWND MainWindow() {
    auto windows = MainWindows();
    return windows.empty() ? nullptr : windows.front();
}

HWND FindControl(HWND main, const ControlDesc& control) {
    HWND found = nullptr;
    EnumDescendants(main, [&](HWND window) {
        if (!found && ::GetDlgCtrlID(window) == control.id) {
            found = window;
        }
    });
    return found;
}

const ControlDesc* ControlDescOf(HWND window) {
    if (!window || !(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) {
        return nullptr;
    }
    return form::FindControlById(::GetDlgCtrlID(window));
}

bool IsAppWindow(HWND window) { return IsAppProcess(ProcessOf(window)); }

std::vector<HWND> MessageBoxes() {
    const auto pids = AppProcesses();
    std::vector<HWND> boxes;
    EnumTopLevel([&](HWND window) {
        if (IsClass(window, L"#32770") && std::find(pids.begin(), pids.end(), ProcessOf(window)) != pids.end()) {
            boxes.push_back(window);
        }
    });
    return boxes;
}

HWND FindMessageBox() {
    auto boxes = MessageBoxes();
    return boxes.empty() ? nullptr : boxes.front();
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumTopLevel([&](HWND window) { windows.push_back(window); });
    return windows;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

} // namespace inspect
