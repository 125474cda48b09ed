#pragma once
// Shows the tray icon once the taskbar exists: a worker waits for it and queues the show step
// to the UI thread. The step holds the icon weakly, so an icon freed meanwhile is never touched.

#include <memory>
#include <string>

#include "base/UiThread.h"
#include "tray/TrayIcon_win.h"

void VisibleOnShell(const std::shared_ptr<TrayIcon>& icon, const std::wstring& AppName,
                    const std::shared_ptr<UiThread>& ui);
