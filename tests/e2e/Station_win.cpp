#include "tests/e2e/Station_win.h"

#include <thread>

#include "base/Handles_win.h"

namespace inspect {
namespace {

using UniqueWindowStation = UniqueResource<HandleTraits<HWINSTA, ::CloseWindowStation>>;
using UniqueDesktop = UniqueResource<HandleTraits<HDESK, ::CloseDesktop>>;

} // namespace

Spawned SpawnWithoutShell(const std::wstring& station, std::wstring commandLine) {
    Spawned spawned;
    HWINSTA own = ::GetProcessWindowStation();
    UniqueWindowStation created(::CreateWindowStationW(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
    if (!created) {
        return spawned;
    }
    // A desktop is made in the caller's window station, so the driver steps in for a moment,
    // and looks for a taskbar on the new desktop while it is in.
    UniqueDesktop desktop;
    if (::SetProcessWindowStation(created.get())) {
        desktop.reset(::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        if (desktop) {
            // On a thread of its own: SetThreadDesktop refuses a thread that has windows or hooks.
            std::thread([&] {
                if (::SetThreadDesktop(desktop.get())) {
                    spawned.taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
                }
            }).join();
        }
        ::SetProcessWindowStation(own);
    }
    if (!desktop) {
        return spawned;
    }

    // Only NUL goes to the program: a handle of the driver's own stdout there would keep the
    // caller's pipe open for as long as the program runs.
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        ::SetHandleInformation(::GetStdHandle(which), HANDLE_FLAG_INHERIT, 0);
    }
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));
    std::wstring desktopName = station + L"\\Default";
    STARTUPINFOW si{sizeof(si)};
    si.lpDesktop = desktopName.data();
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        UniqueHandle process(pi.hProcess);
        UniqueHandle thread(pi.hThread);
        spawned.pid = pi.dwProcessId;
    }
    return spawned;
}

} // namespace inspect
