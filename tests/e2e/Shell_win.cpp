#include "tests/e2e/Shell_win.h"

#include <commctrl.h>

#include <cstdint>

#include "base/Handles_win.h"
#include "tests/e2e/Inspect_win.h"

namespace inspect {
namespace {

// TTGETTITLE as a process of the given pointer width lays it out: the message hands over a
// pointer, which the system does not marshal, so the structure and its text buffer must live
// in the tool tip's process.
template <typename Pointer> struct RemoteGetTitle {
    DWORD dwSize;
    UINT uTitleBitmap;
    UINT cch;
    Pointer pszTitle;
};

// Memory committed in another process, freed with it.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, std::size_t size)
        : process_(process),
          address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_) {
            ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    std::uint64_t Address() const { return reinterpret_cast<std::uintptr_t>(address_); }
    explicit operator bool() const { return address_ != nullptr; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        return ::WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != FALSE;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return ::ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != FALSE;
    }

private:
    HANDLE process_;
    void* address_;
};

// Whether `process` runs 64-bit code.
bool Is64Bit(HANDLE process) {
    BOOL wow64 = FALSE;
    if (::IsWow64Process(process, &wow64) && wow64) {
        return false;
    }
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        BOOL selfWow64 = FALSE; // a 32-bit driver: the system is 64-bit exactly when the driver runs in WOW64
        return ::IsWow64Process(::GetCurrentProcess(), &selfWow64) && selfWow64;
    }
}

template <typename Pointer> std::optional<std::wstring> GetTitle(HWND tooltip, HANDLE process) {
    constexpr UINT kChars = 128; // a balloon's title holds at most 63 characters
    using Request = RemoteGetTitle<Pointer>;
    RemoteBuffer buffer(process, sizeof(Request) + kChars * sizeof(wchar_t));
    if (!buffer) {
        return std::nullopt;
    }
    Request request{sizeof(Request), 0, kChars, static_cast<Pointer>(buffer.Address() + sizeof(Request))};
    const wchar_t empty = L'\0';
    LRESULT ignored = 0;
    if (!buffer.Write(0, &request, sizeof(request)) || !buffer.Write(sizeof(Request), &empty, sizeof(empty)) ||
        !Ask(tooltip, TTM_GETTITLE, 0, static_cast<LPARAM>(buffer.Address()), ignored)) {
        return std::nullopt;
    }
    wchar_t title[kChars] = {};
    if (!buffer.Read(sizeof(Request), title, sizeof(title))) {
        return std::nullopt;
    }
    title[kChars - 1] = L'\0';
    return std::wstring(title);
}

} // namespace

HWND Taskbar() { return ::FindWindowW(L"Shell_TrayWnd", nullptr); }

std::vector<HWND> VisibleTooltips() {
    std::vector<HWND> tips;
    for (HWND window : TopLevelWindows()) {
        if (::IsWindowVisible(window) && IsClass(window, TOOLTIPS_CLASSW)) {
            tips.push_back(window);
        }
    }
    return tips;
}

bool IsBalloon(HWND tooltip) { return (::GetWindowLongPtrW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0; }

std::optional<std::wstring> TooltipTitle(HWND tooltip) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(tooltip, &pid);
    UniqueHandle process(::OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    return Is64Bit(process.get()) ? GetTitle<std::uint64_t>(tooltip, process.get())
                                  : GetTitle<std::uint32_t>(tooltip, process.get());
}

std::vector<HWND> AppPopupMenus() {
    std::vector<HWND> menus;
    for (HWND window : TopLevelWindows()) {
        if (::IsWindowVisible(window) && IsClass(window, L"#32768") && IsAppWindow(window)) {
            menus.push_back(window);
        }
    }
    return menus;
}

} // namespace inspect
