#include "app/Notification_win.h"

#include "app/Application_win.h"
#include "tray/TrayIcon_win.h"

void ShowNotification(TrayIcon* icon, const std::wstring& Text) {
    if (icon) {
        icon->ShowBalloon(ApplicationTitle(), Text);
    }
}
