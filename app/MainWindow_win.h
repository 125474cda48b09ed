#pragma once
// TFrmRamBroom: the program's only window and the owner of all user-interface state.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/CleaningJob.h"
#include "app/ProcessEntry.h"
#include "app/StatusFormat.h"
#include "base/DateTime.h"
#include "base/Handles_win.h"
#include "base/UiDispatcher_win.h"
#include "tray/TrayIcon_win.h"
#include "widgets/FormControls_win.h"

class TFrmRamBroom final : private CleaningWindow {
public:
    // Creates the window (hidden) and runs its startup sequence. Returns nullptr when the
    // window cannot be created.
    static std::unique_ptr<TFrmRamBroom> Create(HINSTANCE instance, Switch sw, Clock& clock);
    ~TFrmRamBroom();

    TFrmRamBroom(const TFrmRamBroom&) = delete;
    TFrmRamBroom& operator=(const TFrmRamBroom&) = delete;

    HWND Handle() const { return hwnd_; }
    // A close request: really closes (and so quits) only when FCanClose is set; else hides.
    void Close();

    bool IsRunning() const override { return FIsRunning; }
    void SetIsRunning(bool Value) override;

    // The clean button's handler; a click on the tray icon calls it too, with the icon's
    // class as the sender's, which makes the job end with a notification.
    void BtnCleanClick(std::string_view senderClass);

    // Reference time of the auto-clean interval and cooldown.
    TDateTime NextTime = 0;
    // Translated format of the physical-memory status line.
    std::wstring FmtPhysStatus;

private:
    static constexpr UINT_PTR kStatusTimerId = 1;

    TFrmRamBroom(Switch sw, Clock& clock);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    bool FormCloseQuery();
    void BindHandlers();
    void OnMenuCommand(int id);
    void OnControlMessage(WPARAM wParam);
    LRESULT OnCtlColor(HDC dc, HWND control);
    void ApplyDpi(UINT dpi, const RECT* suggested);
    void ShowPage(int index);

    // Handlers, bound by name from the form table.
    void BtnHomeClick(FormControl& sender);
    void SVGIconImage1Click();
    void BtnCopyrightClick();
    void BtnOpenClick();
    void BtnCloseClick();
    void EditInfoClick();
    void TmrStatusTimer();
    void TrayIconClick();

    // Cleaning job.
    void Clean(bool Alarm);
    void CleaningDone(bool alarm) override;

    HWND hwnd_ = nullptr;
    Switch switch_;
    Clock& clock_;
    FormControls controls_;
    UniqueHmenu popup_;
    std::map<int, std::function<void(FormControl*)>> menuHandlers_; // by menu item id
    UniqueHfont desktopFont_;
    UniqueHfont titleFont_;
    UINT dpi_ = 96;
    std::shared_ptr<UiDispatcher> dispatcher_;
    // Created during startup; control messages are ignored until it exists.
    std::shared_ptr<TrayIcon> trayIcon_;
    NumberSeparators separators_;
    // The usage lines of the last tick, and those not yet shown because their label was hidden.
    StatusLineCache statusLines_;
    unsigned statusPending_ = StatusLineCache::kPhys | StatusLineCache::kPage | StatusLineCache::kWork;

    // Controls the tick touches every second.
    FormControl* lblPhysStatus_ = nullptr;
    FormControl* lblVirtual_ = nullptr;
    FormControl* lblVirtualStatus_ = nullptr;
    FormControl* lblWorking_ = nullptr;
    FormControl* lblWorkingStatus_ = nullptr;
    FormControl* progressBar_ = nullptr;
    // The auto-clean rules: a check box and its drop-down list.
    struct RuleControls {
        FormControl* box = nullptr;
        FormControl* list = nullptr;
    };
    RuleControls rulePhys_, rulePage_, ruleWork_, ruleMinute_;

    bool FCanClose = false;
    bool FIsRunning = false;
};
