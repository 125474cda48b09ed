#include "autostart/AutoStart.h"

std::wstring SecondsToDuration(int Seconds) {
    const int minutes = Seconds / 60;
    const int rest = Seconds - 60 * minutes;
    std::wstring text = L"PT";
    if (minutes > 0) {
        text += std::to_wstring(minutes) + L"M";
    }
    if (rest > 0) {
        text += std::to_wstring(rest) + L"S";
    }
    if (minutes == 0 && rest == 0) {
        text += L"0S";
    }
    return text;
}

AutoStartTask AutoStartTaskFor(std::wstring_view executablePath, int delaySeconds) {
    AutoStartTask task;
    if (delaySeconds > 0) {
        task.delay = SecondsToDuration(delaySeconds);
    }
    task.path = executablePath;
    const std::size_t slash = executablePath.rfind(L'\\');
    task.workingDirectory = slash == std::wstring_view::npos ? std::wstring() : task.path.substr(0, slash + 1);
    task.arguments = L"/start";
    return task;
}
