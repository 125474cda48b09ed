#include "app/MainWindow_win.h"

#include <commctrl.h>

#include <array>
#include <utility>

#include "app/Application_win.h"
#include "app/FormDescription.h"
#include "app/Texts.h"
#include "app/PopupMenu_win.h"
#include "app/Privilege_win.h"
#include "app/TranslateWindow_win.h"
#include "base/MessageData_win.h"
#include "config/Registry_win.h"
#include "resources/ResourceIds.h"
#include "translate/Translate_win.h"
#include "tray/VisibleOnShell_win.h"
#include "tray/WindowVisibility_win.h"
#include "update/AppVersion_win.h"
#include "update/Links.h"
#include "update/ServerCheck_win.h"
#include "update/ShellOpen_win.h"
#include "update/UpdateStatus_win.h"
#include "update/WindowUpdatePrompts_win.h"
#include "widgets/Dpi_win.h"
#include "widgets/Placement.h"

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
constexpr UINT kQuitQuestionFlags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST;

COLORREF ToColorRef(unsigned bgr) { return static_cast<COLORREF>(bgr); }

// The message box of this thread owned by `owner` (MessageBoxW gives no handle of its own).
struct MessageBoxSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedMessageBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(param);
    wchar_t className[16] = {};
    if (::GetWindow(window, GW_OWNER) == search->owner && ::GetClassNameW(window, className, 16) > 0 &&
        lstrcmpW(className, L"#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindMessageBoxOwnedBy(HWND owner) {
    MessageBoxSearch search{owner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindOwnedMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

UniqueHfont CreateTitleFont(UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -dpi::Scale(form::kTitleFont.heightPx, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = form::kTitleFont.antialiased ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, std::wstring(form::kTitleFont.face).c_str(), LF_FACESIZE);
    return UniqueHfont(::CreateFontIndirectW(&font));
}

} // namespace

std::unique_ptr<TFrmRamBroom> TFrmRamBroom::Create(HINSTANCE instance, Switch sw, Clock& clock) {
    const std::wstring className(form::kWindowClass);
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className.c_str();
    if (!::RegisterClassExW(&wc)) {
        return nullptr;
    }

    std::unique_ptr<TFrmRamBroom> window(new TFrmRamBroom(sw, clock));
    HWND hwnd = ::CreateWindowExW(kWindowExStyle, className.c_str(), std::wstring(form::kCaption).c_str(), kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, window.get());
    if (!hwnd) {
        return nullptr;
    }
    window->FormCreate();
    return window;
}

TFrmRamBroom::TFrmRamBroom(Switch sw, Clock& clock) : switch_(sw), clock_(clock), dispatcher_(UiDispatcher::Create()) {}

TFrmRamBroom::~TFrmRamBroom() {
    dispatcher_->Detach();
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK TFrmRamBroom::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TFrmRamBroom*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TFrmRamBroom*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    // Nothing thrown by a handler may unwind through the system's window-procedure frames.
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        result = ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    // The window was destroyed while this message was handled, maybe inside a modal loop (the
    // tray icon's menu, a message box) that took the quit message for itself, and maybe for a
    // message sent from another thread, which GetMessageW answers without returning: the quit
    // message is posted again, so the message loop wakes and ends.
    if (!self->hwnd_) {
        ::PostQuitMessage(0);
    }
    return result;
}

LRESULT TFrmRamBroom::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (dispatcher_->HandleMessage(msg, wParam, lParam, result)) {
        return result;
    }
    // A copy: the icon's popup menu may see the window destroyed (and trayIcon_ reset) before
    // its modal loop returns.
    if (const auto icon = trayIcon_; icon && icon->HandleMessage(msg, wParam, lParam)) {
        return 0;
    }
    if (status_ && status_->HandleMessage(msg, wParam, lParam)) {
        return 0;
    }
    switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
        // A control's own notifications go back to it; a WM_COMMAND without a control is the
        // popup menu's.
        LRESULT answer = 0;
        if (ReflectToControl(msg, wParam, lParam, answer)) {
            return answer;
        }
        if (msg == WM_COMMAND && lParam == 0) {
            OnMenuCommand(LOWORD(wParam));
            return 0;
        }
        break;
    }
    case WM_CLOSE:
        if (FormCloseQuery()) {
            ::DestroyWindow(hwnd_);
        } else {
            HideMainWindow(hwnd_);
        }
        return 0;
    case WM_QUERYENDSESSION:
        // Log-off or shutdown: quit without a question and let the session end.
        FCanClose = true;
        Close();
        return TRUE;
    case WM_HELP:
        return 0; // F1 shows no help
    case WM_USER:
        // IsDialogMessageW in the message loop asks the window for its default push button with
        // DM_GETDEFID, which is this same number, with wParam 0. The window has none: 0 says so.
        // The control messages of a second launch carry 1 or 2.
        static_assert(DM_GETDEFID == WM_USER);
        if (wParam != 0) {
            OnControlMessage(wParam);
        }
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(wParam, lParam);
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETICONTITLELOGFONT || wParam == SPI_SETNONCLIENTMETRICS) {
            ApplyDpi(dpi_, nullptr); // the desktop font changed
        }
        break;
    case WM_DESTROY:
        SetApplicationTerminating();
        // A popup menu open now would keep its modal loop running, and that loop may swallow the
        // quit message; the process entry's loop also ends once the window is gone.
        ::EndMenu();
        status_.reset(); // its timer goes with it
        dispatcher_->Detach();
        trayIcon_.reset(); // the icon leaves the notification area with the window
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = std::exchange(hwnd_, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    default:
        break;
    }
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

//--- startup

void TFrmRamBroom::FormCreate() {
    theme_ = ApplyTheme(hwnd_);
    dispatcher_->Attach(hwnd_);
    controls_.Create(hwnd_, form::Controls());
    popup_ = CreateFormPopupMenu();
    cleaning_ = std::make_unique<CleaningJob>(
        CleaningJob::Args{&controls_.Get(form::Ctl("BtnClean")), &trayIcon_, &NextTime, &clock_, dispatcher_});
    settings_ = std::make_unique<SettingsPageView>(controls_, SystemRegistry(), [this] { NextTime = clock_.Now(); });
    BindHandlers();

    TranslateComponent(hwnd_, controls_, popup_.get());
    // The application title is the window's caption, which translation may have changed.
    {
        const int length = ::GetWindowTextLengthW(hwnd_);
        std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
        caption.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd_, caption.data(), length + 1)));
        ApplicationTitle() = caption;
    }
    controls_.Get(form::Ctl("EditInfo")).SetText(Translate(texts::kVersionWord) + L": " + GetAppVersion(L"%d.%d.%d"));
    FmtPhysStatus = Translate(texts::kPhysStatusFormat);

    // Desktop font, layout for the window's DPI, centred on its monitor.
    ApplyDpi(dpi::ForWindow(hwnd_), nullptr);
    {
        RECT window;
        ::GetWindowRect(hwnd_, &window);
        MONITORINFO monitor{sizeof(monitor)};
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& work = monitor.rcWork;
        const int width = window.right - window.left, height = window.bottom - window.top;
        ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                       work.top + (work.bottom - work.top - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    for (auto index : {form::Ctl("LblVirtual"), form::Ctl("LblVirtualStatus"), form::Ctl("LblWorking"),
                       form::Ctl("LblWorkingStatus")}) {
        controls_.Get(index).textColor = ToColorRef(form::kGreyText);
    }
    ShowPage(0);

    // The first start after installation registers the logon task, with a delay; the load
    // registers it again without one, as every start that finds it does. The Task Scheduler can
    // take a second to answer (its service starts when first asked), so the load runs beside the
    // start, and the start-at-logon box waits for its answer greyed.
    controls_.Get(form::Ctl("ChkAutoStart")).SetEnabled(false);
    LoadAutoStartTaskInBackground(switch_ == Switch::Inst ? kInstallDelaySeconds : -1, dispatcher_,
                                  [this](std::optional<bool> exists) {
                                      settings_->Page().AutoStartLoaded(exists);
                                      controls_.Get(form::Ctl("ChkAutoStart")).SetEnabled(true);
                                  });
    LoadConfig();

    TrayIcon::CreateArgs tray;
    tray.owner = hwnd_;
    tray.iconResources = {IDI_TRAY_IDLE, IDI_TRAY_BUSY};
    tray.popup = popup_.get();
    tray.onClick = [this] { TrayIconClick(); };
    trayIcon_ = std::make_shared<TrayIcon>(tray);
    VisibleOnShell(trayIcon_, std::wstring(texts::kTrayHint), dispatcher_);
    trayIcon_->SetIconIndex(0);

    FCanClose = false;
    NextTime = clock_.Now();
    SetPrivilege(L"SeIncreaseQuotaPrivilege", true);
    SetPrivilege(L"SeProfileSingleProcessPrivilege", true);
    StatusRefreshView::Owner owner;
    owner.physFormat = &FmtPhysStatus;
    owner.isRunning = [this] { return IsRunning(); };
    owner.nextTime = [this] { return NextTime; };
    owner.now = [this] { return clock_.Now(); };
    owner.cleanAutomatically = [this] { cleaning_->Clean(false); }; // automatic cleans never notify
    status_ = std::make_unique<StatusRefreshView>(hwnd_, controls_, std::move(owner));
    // The first tick runs now; it starts the one-second timer as its last step.
    TmrStatusTimer();

    if (switch_ == Switch::Start) {
        HideMainWindow(hwnd_);
    }

    // The server check runs on its own; its prompts belong to this window. Accepting an update
    // ends the program (the download page is open by then).
    updatePrompts_ = std::make_unique<WindowUpdatePrompts>(hwnd_, switch_ != Switch::Start);
    CheckUpdate(
        CheckEndpoint(),
        [this](bool accepted, const std::wstring&) {
            if (accepted) {
                FCanClose = true;
                Close();
            }
        },
        10, dispatcher_, *updatePrompts_); // the prompt's layout lies 10 px (at 96 DPI) lower
}

void TFrmRamBroom::BindHandlers() {
    // Every handler the form table and the popup menu name, bound by that name, each once: checked
    // when this compiles.
    struct Binding {
        std::string_view name;
        MenuHandler handler;
    };
    static constexpr Binding kBindings[] = {
        {form::Handler("BtnHomeClick"), &TFrmRamBroom::BtnHomeClick},
        {form::Handler("SVGIconImage1Click"), &TFrmRamBroom::SVGIconImage1Click},
        {form::Handler("EditInfoClick"), &TFrmRamBroom::EditInfoClick},
        {form::Handler("BtnCleanClick"), &TFrmRamBroom::BtnCleanClicked},
        {form::Handler("BtnOpenClick"), &TFrmRamBroom::BtnOpenClick},
        {form::Handler("BtnCopyrightClick"), &TFrmRamBroom::BtnCopyrightClick},
        {form::Handler("BtnCloseClick"), &TFrmRamBroom::BtnCloseClick},
        {form::Handler("ChkUsagePhysClick"), &TFrmRamBroom::ChkUsagePhysClick},
        {form::Handler("ChkUsagePageClick"), &TFrmRamBroom::ChkUsagePageClick},
        {form::Handler("ChkUsageWorkClick"), &TFrmRamBroom::ChkUsageWorkClick},
        {form::Handler("ChkMinuteClick"), &TFrmRamBroom::ChkMinuteClick},
        {form::Handler("EditUsagePhysChange"), &TFrmRamBroom::EditUsagePhysChange},
        {form::Handler("EditUsagePageChange"), &TFrmRamBroom::EditUsagePageChange},
        {form::Handler("EditUsageWorkChange"), &TFrmRamBroom::EditUsageWorkChange},
        {form::Handler("EditMinuteChange"), &TFrmRamBroom::EditMinuteChange},
        {form::Handler("ChkAutoStartClick"), &TFrmRamBroom::ChkAutoStartClick},
        {form::Handler("ChkCleanOnTrayClick"), &TFrmRamBroom::ChkCleanOnTrayClick},
    };
    static_assert(form::BindsEveryHandlerOnce([] {
        std::array<std::string_view, std::size(kBindings)> names{};
        for (std::size_t i = 0; i < names.size(); ++i) {
            names[i] = kBindings[i].name;
        }
        return names;
    }()));
    for (const auto& [name, handler] : kBindings) {
        controls_.Bind(name, [this, handler](FormControl& sender) { (this->*handler)(&sender); });
        for (const auto& item : form::PopupMenu()) {
            if (item.handler == name) {
                menuHandlers_[item.id] = handler;
            }
        }
    }
}

void TFrmRamBroom::OnMenuCommand(int id) {
    if (auto found = menuHandlers_.find(id); found != menuHandlers_.end()) {
        (this->*found->second)(nullptr);
    }
}

void TFrmRamBroom::ApplyDpi(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    const LOGFONTW desktopLogFont = dpi::IconTitleFont(dpi);
    UniqueHfont desktop(::CreateFontIndirectW(&desktopLogFont));
    UniqueHfont title = CreateTitleFont(dpi);
    // The controls take the new fonts before the old ones are deleted.
    controls_.ApplyFonts(desktop.get(), title.get());
    desktopFont_ = std::move(desktop);
    titleFont_ = std::move(title);
    controls_.Layout(dpi);

    // The notice line, once shown, lies below the form's client area.
    const RECT frame = dpi::WindowRectForClient(form::kClientWidth, form::kClientHeight + UpdateStatusHeight(hwnd_),
                                                kWindowStyle, kWindowExStyle, dpi);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (suggested) {
        // Where the system suggests, but on the work area of the monitor nearest to that place,
        // whatever the suggestion was.
        MONITORINFO monitor{sizeof(monitor)};
        const POINT corner{suggested->left, suggested->top};
        ::GetMonitorInfoW(::MonitorFromPoint(corner, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        const placement::Rect placed = placement::FitIntoWorkArea(suggested->left, suggested->top, width, height,
                                                                  {work.left, work.top, work.right, work.bottom});
        ::SetWindowPos(hwnd_, nullptr, placed.left, placed.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TFrmRamBroom::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // Any process can send or post this message: only a DPI a monitor can have is taken, and the
    // suggested rectangle only when lParam points at readable memory of this process.
    if (!placement::IsMonitorDpi(LOWORD(wParam), HIWORD(wParam))) {
        return;
    }
    RECT suggested;
    const bool readable = CopyFromThisProcess(lParam, suggested);
    ApplyDpi(HIWORD(wParam), readable ? &suggested : nullptr);
}

//--- messages

void TFrmRamBroom::OnControlMessage(WPARAM wParam) {
    if (!trayIcon_) {
        return; // startup has not made the tray icon yet
    }
    switch (wParam) {
    case kCtlShow:
        ShowMainWindow(hwnd_);
        break;
    case kCtlUninstall:
        DeleteAutoStartTask();
        FCanClose = true;
        Close();
        break;
    default:
        break;
    }
}

bool TFrmRamBroom::FormCloseQuery() { return FCanClose || DebugMode; }

void TFrmRamBroom::Close() {
    if (hwnd_) {
        ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

void TFrmRamBroom::ShowPage(int index) {
    constexpr ControlIndex kPages[] = {form::Ctl(form::kPages[0]), form::Ctl(form::kPages[1])};
    static_assert(std::size(kPages) == std::size(form::kPages));
    for (int i = 0; i < static_cast<int>(std::size(kPages)); ++i) {
        controls_.Get(kPages[i]).SetVisible(i == index);
    }
}

//--- handlers

void TFrmRamBroom::BtnHomeClick(FormControl* sender) {
    const auto action = form::HeaderActionFor(sender->Name());
    switch (action) {
    case form::HeaderAction::Home:
    case form::HeaderAction::Config:
        // The header buttons are one exclusive group.
        if (sender->parent) {
            for (FormControl* button : sender->parent->children) {
                button->SetChecked(button == sender);
            }
        }
        ShowPage(action == form::HeaderAction::Home ? 0 : 1);
        break;
    case form::HeaderAction::Donate:
        ShellOpen(links::DonatePage());
        break;
    case form::HeaderAction::None:
        break;
    }
}

void TFrmRamBroom::SVGIconImage1Click(FormControl*) { ShellOpen(links::ProductPage()); }

void TFrmRamBroom::BtnCopyrightClick(FormControl*) {
    ShellOpen(links::VersionedProductPage(GetAppVersion(L"%d.%d.%d")));
}

void TFrmRamBroom::BtnOpenClick(FormControl*) { ShowMainWindow(hwnd_); }

void TFrmRamBroom::BtnCleanClicked(FormControl*) { BtnCleanClick("TStyledSpeedButton"); }

void TFrmRamBroom::TrayIconClick() {
    if (controls_.Get(form::Ctl("ChkCleanOnTray")).Checked()) {
        BtnCleanClick("TTrayIcon");
    } else {
        ShowMainWindow(hwnd_);
    }
}

void TFrmRamBroom::BtnCloseClick(FormControl*) {
    // One question at a time: the tray menu stays usable while the box is open (the box disables
    // only its owner), so a second Quit brings the open box forward.
    if (quitQuestionOpen_) {
        if (HWND box = FindMessageBoxOwnedBy(hwnd_)) {
            ForceForegroundWindow(box);
        }
        return;
    }
    quitQuestionOpen_ = true;
    const int answer =
        ::MessageBoxW(hwnd_, Translate(texts::kQuitQuestion).c_str(), ApplicationTitle().c_str(), kQuitQuestionFlags);
    quitQuestionOpen_ = false;
    if (answer == IDYES) {
        FCanClose = true;
        Close();
    }
}

void TFrmRamBroom::EditInfoClick(FormControl*) {
    // The version box gives up the focus, so it shows no caret.
    ::SetFocus(hwnd_);
}
