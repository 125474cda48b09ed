#pragma once
// TFrmRamBroom: the program's only window and the owner of all user-interface state. Each
// feature lives in an object of its own that the window owns; the window keeps the names its
// handlers are bound by and forwards to them.

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/CleaningJob_win.h"
#include "app/ProcessEntry.h"
#include "app/SettingsPage_win.h"
#include "app/StatusRefresh_win.h"
#include "base/DateTime.h"
#include "base/Handles_win.h"
#include "base/UiDispatcher_win.h"
#include "theme/Theme_win.h"
#include "tray/TrayIcon_win.h"
#include "update/WindowUpdatePrompts_win.h"
#include "widgets/Dpi_win.h"
#include "widgets/FormControls_win.h"

class TFrmRamBroom final {
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

    bool IsRunning() const { return cleaning_->IsRunning(); }
    void SetIsRunning(bool Value) { cleaning_->SetIsRunning(Value); }
    void BtnCleanClick(std::string_view senderClass) { cleaning_->BtnCleanClick(senderClass); }
    void TmrStatusTimer() { status_->TmrStatusTimer(); }
    void LoadConfig() { settings_->Page().LoadConfig(); }

    // Reference time of the auto-clean interval and cooldown.
    TDateTime NextTime = 0;
    // Translated format of the physical-memory status line.
    std::wstring FmtPhysStatus;

private:
    using MenuHandler = void (TFrmRamBroom::*)(FormControl* sender);

    TFrmRamBroom(Switch sw, Clock& clock);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    bool FormCloseQuery();
    void BindHandlers();
    void OnMenuCommand(int id);
    void OnControlMessage(WPARAM wParam);
    void ApplyDpi(UINT dpi, const RECT* suggested);
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void ShowPage(int index);

    // Handlers, bound by name from the form table; menu items have no sender.
    void BtnHomeClick(FormControl* sender);
    void SVGIconImage1Click(FormControl* sender);
    void BtnCopyrightClick(FormControl* sender);
    void BtnOpenClick(FormControl* sender);
    void BtnCloseClick(FormControl* sender);
    void EditInfoClick(FormControl* sender);
    void BtnCleanClicked(FormControl* sender);
    void TrayIconClick();
    // The settings page's, forwarded to it.
    void ChkUsagePhysClick(FormControl*) { settings_->Page().ChkUsagePhysClick(); }
    void ChkUsagePageClick(FormControl*) { settings_->Page().ChkUsagePageClick(); }
    void ChkUsageWorkClick(FormControl*) { settings_->Page().ChkUsageWorkClick(); }
    void ChkMinuteClick(FormControl*) { settings_->Page().ChkMinuteClick(); }
    void EditUsagePhysChange(FormControl*) { settings_->Page().EditUsagePhysChange(); }
    void EditUsagePageChange(FormControl*) { settings_->Page().EditUsagePageChange(); }
    void EditUsageWorkChange(FormControl*) { settings_->Page().EditUsageWorkChange(); }
    void EditMinuteChange(FormControl*) { settings_->Page().EditMinuteChange(); }
    void ChkAutoStartClick(FormControl*) { settings_->Page().ChkAutoStartClick(); }
    void ChkCleanOnTrayClick(FormControl*) { settings_->Page().ChkCleanOnTrayClick(); }

    HWND hwnd_ = nullptr;
    // The form theme (dark frame, accent line): the first step of creation, kept as long as the window.
    std::unique_ptr<TThemeHelper> theme_;
    Switch switch_;
    Clock& clock_;
    FormControls controls_;
    UniqueHmenu popup_;
    std::map<int, MenuHandler> menuHandlers_; // by menu item id
    UniqueHfont desktopFont_;
    UniqueHfont titleFont_;
    UINT dpi_ = dpi::kDefault;
    std::shared_ptr<UiDispatcher> dispatcher_;
    // Created during startup; control messages are ignored until it exists.
    std::shared_ptr<TrayIcon> trayIcon_;
    std::unique_ptr<CleaningJob> cleaning_;
    std::unique_ptr<StatusRefreshView> status_;
    std::unique_ptr<SettingsPageView> settings_;
    // The server check's prompts on this window; the check's work that the dispatcher runs uses it.
    std::unique_ptr<WindowUpdatePrompts> updatePrompts_;
    // The quit question is open: a second request brings it forward instead of asking again.
    bool quitQuestionOpen_ = false;

    bool FCanClose = false;
};
