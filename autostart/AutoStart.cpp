#include "autostart/AutoStart.h"

std::wstring SecondsToDuration(int Seconds) {
    const int minutes = Seconds / 60;
    const int rest = Seconds - 60 * minutes;
    std::wstring text = L"PT";
    if (minutes > 0) {
        text += std::to_wstring(minutes) + L'M';
    }
    if (rest > 0) {
        text += std::to_wstring(rest) + L'S';
    }
    if (minutes <= 0 && rest <= 0) {
        text += L"0S";
    }
    return text;
}

std::wstring_view PathFolder(std::wstring_view Path) {
    const std::size_t slash = Path.rfind(L'\\');
    return slash == std::wstring_view::npos ? std::wstring_view{} : Path.substr(0, slash + 1);
}

LogonTaskLaunch MakeLogonTaskLaunch(std::wstring_view ExecutablePath, int DelaySeconds) {
    LogonTaskLaunch launch;
    launch.Path = ExecutablePath;
    launch.WorkingDirectory = PathFolder(ExecutablePath);
    launch.Arguments = kAutoStartArguments;
    if (DelaySeconds > 0) {
        launch.Delay = SecondsToDuration(DelaySeconds);
    }
    return launch;
}
