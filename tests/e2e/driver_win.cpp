// rambroom_driver: looks at and pokes a running RamBroom from outside, for the end-to-end
// tests. Run in the same Wine prefix (or Windows session) as RamBroom.exe; each call prints
// one JSON object (UTF-8) on stdout and exits 0 when the request was met, 1 when it was not
// (not found, timed out), 2 on a usage error.
//
//   count                         windows of the main class and RamBroom.exe processes
//   texts                         the texts the program's code shows (app/Texts.h), by name
//   kill                          terminate every RamBroom.exe process
//   window                        the main window: caption, visibility, client size, DPI, focus
//   wait STATE [MS]               STATE: exists, visible, hidden or gone (default 10000 ms)
//   control NAME | dump           one control of the form table / the whole window
//   click NAME                    BM_CLICK for buttons, a posted mouse click for the rest
//   menu NAME                     WM_COMMAND of a popup-menu item, as the tray menu sends it
//   close | endsession | user N   WM_CLOSE (posted) / WM_QUERYENDSESSION / WM_USER wParam N
//   post|send MSG WPARAM LPARAM   any message to the main window (numbers as in C: 0x...)
//   remote-rect L T R B           a RECT written into the program's memory; its address
//   minimize                      WM_SYSCOMMAND SC_MINIMIZE (posted), as the title bar's button
//   msgbox [MS]                   the program's message box: caption, text, buttons, its
//                                 children, owner and z-order; how many
//   answer yes|no [MS]            press a button of that message box
//   dialog TITLE [MS]             any process's visible dialog (class #32770) whose caption
//                                 contains TITLE (the setup program's wizard and questions):
//                                 caption, text, buttons with their ids
//   press TITLE ID [MS]           press the button ID (1 Next/OK, 2 Cancel, 6 Yes, 7 No) of
//                                 that dialog once the button is enabled
//   memstatus                     GlobalMemoryStatusEx and the driver's number separators
//   setcheck NAME 0|1             BM_SETCHECK on a check box (no click notification)
//   pick NAME TEXT                select TEXT in a drop-down list, adding it when missing
//   choose NAME TEXT              pick the item TEXT as the user does (the list notifies)
//   tray                          the taskbar (whose right end holds the notification area)
//   tooltip hint|balloon [MS]     wait for a visible tool tip of that kind; its text
//   popup [MS]                    wait for the program's popup menu to open
//   hold NAME click|wait [MS]     hold RamBroom's next cleaning worker, after clicking NAME or
//                                 for something else to start it ("armed" line); a line with
//                                 NAME's state once held; the last after a stdin line released it
//   balloons                      the balloons RamBroom asked for since the last hold began
//   spawn-noshell STATION EXE ARGS...  start EXE where no shell (taskbar) runs
//   squat WHAT...                 hold the instance name as a process that is not RamBroom:
//                                 WHAT is event, semaphore, mapping, mutex or window; a line of
//                                 what it holds, then per stdin line the WM_USER messages its
//                                 window received; lets go at the end of stdin
//   resources [PID]               GDI objects, handles, threads and windows of the program's
//                                 process (the only RamBroom.exe, unless PID is given)
//
// Messages that could block behind a modal loop are posted; the ones whose answer matters
// are sent with a timeout.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/FormDescription.h"
#include "tests/e2e/Commands_win.h"
#include "tests/e2e/Observe_win.h"
#include "tests/e2e/Squat_win.h"
#include "widgets/Dpi_win.h"
#include "tests/e2e/Json.h"
#include "widgets/ControlKinds_win.h"

namespace {

using inspect::Utf8;

constexpr DWORD kDefaultWaitMs = 10000;

enum Exit { kMet = 0, kNotMet = 1, kUsage = 2 };

struct Reply {
    JsonWriter json;
    int exitCode = kMet;
};

void Print(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int UsageError(std::string_view message) {
    JsonWriter json;
    json.BeginObject().Key("error").String(message).EndObject();
    Print(json.Text());
    return kUsage;
}

DWORD ParseMs(int argc, wchar_t** argv, int index) {
    return index < argc ? static_cast<DWORD>(std::wcstoul(argv[index], nullptr, 10)) : kDefaultWaitMs;
}

void Rect(JsonWriter& json, std::string_view key, int x, int y, int width, int height) {
    json.Key(key).BeginArray().Int(x).Int(y).Int(width).Int(height).EndArray();
}

// The keyboard focus of the window's thread (GetGUIThreadInfo reads another process's):
// a control's name in the form table, "window" for the window itself, "" for none.
std::string_view FocusName(HWND main) {
    GUITHREADINFO info{sizeof(info)};
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info) || !info.hwndFocus) {
        return {};
    }
    if (info.hwndFocus == main) {
        return "window";
    }
    const ControlDesc* row = inspect::ControlDescOf(info.hwndFocus);
    return row ? row->name : "?";
}

//--- the main window

void WriteWindow(JsonWriter& json, HWND main) {
    auto windows = inspect::MainWindows();
    auto processes = inspect::AppProcesses();
    json.Key("windows").Int(static_cast<long long>(windows.size()));
    json.Key("processes").Int(static_cast<long long>(processes.size()));
    json.Key("found").Bool(main != nullptr);
    if (!main) {
        return;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    UINT dpi = inspect::Dpi(main);
    SIZE client = inspect::ClientSize(main);
    RECT outer = inspect::ScreenRect(main);
    json.Key("pid").Int(pid);
    json.Key("class").String(Utf8(inspect::ClassName(main)));
    json.Key("caption").String(Utf8(inspect::Caption(main)));
    json.Key("visible").Bool(::IsWindowVisible(main) != FALSE);
    json.Key("foreground").Bool(::GetForegroundWindow() == main);
    json.Key("iconic").Bool(::IsIconic(main) != FALSE);
    json.Key("focus").String(FocusName(main));
    json.Key("enabled").Bool(::IsWindowEnabled(main) != FALSE);
    LONG_PTR style = ::GetWindowLongPtrW(main, GWL_STYLE);
    json.Key("sizable").Bool((style & WS_THICKFRAME) != 0);
    json.Key("minimize_box").Bool((style & WS_MINIMIZEBOX) != 0);
    json.Key("maximize_box").Bool((style & WS_MAXIMIZEBOX) != 0);
    json.Key("dpi").Int(dpi);
    json.Key("client").BeginArray().Int(client.cx).Int(client.cy).EndArray();
    json.Key("expected_client")
        .BeginArray()
        .Int(::MulDiv(form::kClientWidth, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI))
        .Int(::MulDiv(form::kClientHeight, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI))
        .EndArray();
    json.Key("expected_caption").String(Utf8(form::kCaption));
    Rect(json, "screen", outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    MONITORINFO monitor{sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    Rect(json, "work", work.left, work.top, work.right - work.left, work.bottom - work.top);
}

//--- one control of the form table

// The page (of PnlMain) a control stands on, or "" for the header.
std::string_view PageOf(const ControlDesc& control) {
    for (const ControlDesc* c = &control; c; c = c->parent.empty() ? nullptr : form::FindControl(c->parent)) {
        for (std::string_view page : form::kPages) {
            if (c->name == page) {
                return page;
            }
        }
    }
    return {};
}

// The table position in the main window's client coordinates, each level scaled to `dpi`.
RECT ExpectedRect(const ControlDesc& control, UINT dpi, int& depth) {
    auto scale = [dpi](int v) { return ::MulDiv(v, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); };
    int x = 0;
    int y = 0;
    depth = 0;
    for (const ControlDesc* c = &control; c; c = c->parent.empty() ? nullptr : form::FindControl(c->parent)) {
        x += scale(c->bounds.x);
        y += scale(c->bounds.y);
        ++depth;
    }
    return {x, y, x + scale(control.bounds.width), y + scale(control.bounds.height)};
}

void WriteButtonState(JsonWriter& json, HWND window) {
    LRESULT check = 0;
    LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    json.Key("button_type").Int(style & BS_TYPEMASK);
    json.Key("pushlike").Bool((style & BS_PUSHLIKE) != 0);
    if (inspect::Ask(window, BM_GETCHECK, 0, 0, check)) {
        json.Key("checked").Int(check);
    }
}

void WriteComboState(JsonWriter& json, HWND window) {
    LRESULT count = 0;
    LRESULT selected = CB_ERR;
    inspect::Ask(window, CB_GETCOUNT, 0, 0, count);
    inspect::Ask(window, CB_GETCURSEL, 0, 0, selected);
    json.Key("items").BeginArray();
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!inspect::Ask(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, length) || length < 0) {
            json.Null();
            continue;
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        inspect::Ask(window, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), copied);
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        json.String(Utf8(text));
    }
    json.EndArray();
    json.Key("selected").Int(selected);
}

void WriteControl(JsonWriter& json, HWND main, const ControlDesc& control) {
    json.BeginObject();
    json.Key("name").String(control.name);
    json.Key("kind").String(KindInfo(control.kind).name);
    json.Key("parent").String(control.parent);
    json.Key("page").String(PageOf(control));
    json.Key("id").Int(control.id);
    json.Key("design_caption").String(Utf8(control.caption));
    json.Key("design_disabled").Bool((control.flags & kCtlDisabled) != 0);
    json.Key("design_down").Bool((control.flags & kCtlDown) != 0);
    json.Key("design_items").BeginArray();
    for (auto item : control.items) {
        json.String(Utf8(item));
    }
    json.EndArray();
    json.Key("design_selected").Int(control.selected);

    HWND window = main ? inspect::FindControl(main, control) : nullptr;
    json.Key("found").Bool(window != nullptr);
    if (window) {
        UINT dpi = inspect::Dpi(main);
        int depth = 0;
        RECT expected = ExpectedRect(control, dpi, depth);
        RECT screen = inspect::ScreenRect(window);
        POINT origin = inspect::ClientOrigin(main);
        HWND parent = ::GetParent(window);
        const ControlDesc* parentRow = inspect::ControlDescOf(parent);
        json.Key("class").String(Utf8(inspect::ClassName(window)));
        json.Key("text").String(Utf8(inspect::Text(window)));
        json.Key("visible").Bool(::IsWindowVisible(window) != FALSE);
        json.Key("shown").Bool((::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0);
        json.Key("enabled").Bool(::IsWindowEnabled(window) != FALSE);
        json.Key("actual_parent").String(parent == main ? std::string_view{} : parentRow ? parentRow->name : "?");
        Rect(json, "rect", screen.left - origin.x, screen.top - origin.y, screen.right - screen.left,
             screen.bottom - screen.top);
        Rect(json, "expected_rect", expected.left, expected.top, expected.right - expected.left,
             expected.bottom - expected.top);
        json.Key("depth").Int(depth);
        Rect(json, "screen", screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top);
        if (inspect::IsClass(window, WC_BUTTONW)) {
            WriteButtonState(json, window);
        } else if (inspect::IsClass(window, WC_COMBOBOXW)) {
            WriteComboState(json, window);
        } else if (inspect::IsClass(window, PROGRESS_CLASSW)) {
            LRESULT position = 0;
            if (inspect::Ask(window, PBM_GETPOS, 0, 0, position)) {
                json.Key("position").Int(position);
            }
        }
    }
    json.EndObject();
}

void WriteDescendants(JsonWriter& json, HWND parent) {
    for (HWND child : inspect::Children(parent)) {
        RECT screen = inspect::ScreenRect(child);
        const ControlDesc* row = inspect::ControlDescOf(child);
        json.BeginObject();
        json.Key("id").Int(::GetDlgCtrlID(child));
        json.Key("name").String(row ? row->name : "");
        json.Key("class").String(Utf8(inspect::ClassName(child)));
        json.Key("text").String(Utf8(inspect::Text(child)));
        json.Key("visible").Bool(::IsWindowVisible(child) != FALSE);
        Rect(json, "screen", screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top);
        if (inspect::IsClass(child, WC_BUTTONW)) {
            WriteButtonState(json, child);
        }
        json.Key("children").BeginArray();
        WriteDescendants(json, child);
        json.EndArray();
        json.EndObject();
    }
}

//--- commands

int Count(Reply& reply) {
    reply.json.BeginObject();
    WriteWindow(reply.json, inspect::MainWindow());
    reply.json.EndObject();
    return kMet;
}

int Kill(Reply& reply) {
    int ended = inspect::TerminateApp();
    bool none = inspect::PollFor(kDefaultWaitMs, [] { return inspect::AppProcesses().empty(); });
    reply.json.BeginObject().Key("ended").Int(ended).Key("none_left").Bool(none).EndObject();
    return none ? kMet : kNotMet;
}

int Wait(Reply& reply, std::wstring_view state, DWORD timeoutMs) {
    auto met = [state] {
        HWND main = inspect::MainWindow();
        if (state == L"gone") {
            return main == nullptr;
        }
        if (!main) {
            return false;
        }
        bool visible = ::IsWindowVisible(main) != FALSE;
        return state == L"exists" || (state == L"visible" && visible) || (state == L"hidden" && !visible);
    };
    bool ok = inspect::PollFor(timeoutMs, met);
    reply.json.BeginObject().Key("met").Bool(ok);
    WriteWindow(reply.json, inspect::MainWindow());
    reply.json.EndObject();
    return ok ? kMet : kNotMet;
}

int Control(Reply& reply, const ControlDesc& control) {
    HWND main = inspect::MainWindow();
    WriteControl(reply.json, main, control);
    return main && inspect::FindControl(main, control) ? kMet : kNotMet;
}

int Dump(Reply& reply) {
    HWND main = inspect::MainWindow();
    auto& json = reply.json;
    json.BeginObject().Key("window").BeginObject();
    WriteWindow(json, main);
    json.EndObject();
    json.Key("controls").BeginArray();
    for (const auto& control : form::Controls()) {
        WriteControl(json, main, control);
    }
    json.EndArray();
    json.Key("menu").BeginArray();
    for (const auto& item : form::PopupMenu()) {
        json.BeginObject().Key("name").String(item.name).Key("id").Int(item.id);
        json.Key("design_caption").String(Utf8(item.caption)).EndObject();
    }
    json.EndArray();
    json.Key("children").BeginArray();
    if (main) {
        WriteDescendants(json, main);
    }
    json.EndArray().EndObject();
    return main ? kMet : kNotMet;
}

int Click(Reply& reply, const ControlDesc& control) {
    HWND main = inspect::MainWindow();
    HWND window = main ? inspect::FindControl(main, control) : nullptr;
    std::string_view how = "none";
    if (window && inspect::IsClass(window, WC_BUTTONW)) {
        how = "BM_CLICK";
        ::PostMessageW(window, BM_CLICK, 0, 0);
    } else if (window) {
        how = "mouse";
        SIZE size = inspect::ClientSize(window);
        LPARAM centre = MAKELPARAM(size.cx / 2, size.cy / 2);
        ::PostMessageW(window, WM_MOUSEMOVE, 0, centre);
        ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        ::PostMessageW(window, WM_LBUTTONUP, 0, centre);
    }
    reply.json.BeginObject().Key("clicked").Bool(window != nullptr).Key("how").String(how).EndObject();
    return window ? kMet : kNotMet;
}

int Menu(Reply& reply, const MenuItemDesc& item) {
    HWND main = inspect::MainWindow();
    bool posted = main && ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(item.id, 0), 0);
    reply.json.BeginObject().Key("posted").Bool(posted).Key("id").Int(item.id).EndObject();
    return posted ? kMet : kNotMet;
}

int Post(Reply& reply, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    HWND main = inspect::MainWindow();
    bool posted = main && ::PostMessageW(main, msg, wParam, lParam);
    reply.json.BeginObject().Key("posted").Bool(posted).EndObject();
    return posted ? kMet : kNotMet;
}

int Send(Reply& reply, UINT msg, WPARAM wParam, LPARAM lParam = 0) {
    HWND main = inspect::MainWindow();
    LRESULT result = 0;
    bool answered = main && inspect::Ask(main, msg, wParam, lParam, result);
    reply.json.BeginObject().Key("answered").Bool(answered).Key("result").Int(result).EndObject();
    return answered ? kMet : kNotMet;
}

void WriteMessageBox(JsonWriter& json, HWND box) {
    json.Key("found").Bool(box != nullptr);
    if (!box) {
        return;
    }
    json.Key("caption").String(Utf8(inspect::Caption(box)));
    std::wstring text;
    json.Key("buttons").BeginArray();
    for (HWND child : inspect::Children(box)) {
        if (inspect::IsClass(child, WC_STATICW)) {
            std::wstring line = inspect::Text(child);
            text += text.empty() || line.empty() ? line : L"\n" + line;
        } else if (inspect::IsClass(child, WC_BUTTONW) && ::IsWindowVisible(child)) {
            LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
            json.BeginObject().Key("id").Int(::GetDlgCtrlID(child));
            json.Key("text").String(Utf8(inspect::Text(child)));
            json.Key("default").Bool((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON).EndObject();
        }
    }
    json.EndArray();
    json.Key("text").String(Utf8(text));
    json.Key("foreground").Bool(::GetForegroundWindow() == box);
    json.Key("visible").Bool(::IsWindowVisible(box) != FALSE);
    json.Key("topmost").Bool((::GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    // "main": owned by the program's main window (disabled while the box is up); "": no owner,
    // a taskbar button of its own.
    HWND owner = ::GetWindow(box, GW_OWNER);
    json.Key("owner").String(!owner ? "" : owner == inspect::MainWindow() ? "main" : "other");
    RECT screen = inspect::ScreenRect(box);
    Rect(json, "screen", screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top);
    json.Key("children").BeginArray();
    WriteDescendants(json, box);
    json.EndArray();
}

int MessageBoxInfo(Reply& reply, DWORD timeoutMs) {
    HWND box = nullptr;
    inspect::PollFor(timeoutMs, [&] { return (box = inspect::FindMessageBox()) != nullptr; });
    reply.json.BeginObject().Key("count").Int(static_cast<long long>(inspect::MessageBoxes().size()));
    WriteMessageBox(reply.json, box);
    reply.json.EndObject();
    return box ? kMet : kNotMet;
}

int Answer(Reply& reply, int buttonId, DWORD timeoutMs) {
    HWND box = nullptr;
    inspect::PollFor(timeoutMs, [&] { return (box = inspect::FindMessageBox()) != nullptr; });
    HWND button = box ? ::GetDlgItem(box, buttonId) : nullptr;
    if (button) {
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    bool gone = button && inspect::PollFor(timeoutMs, [box] { return !::IsWindow(box); });
    reply.json.BeginObject().Key("found").Bool(box != nullptr).Key("pressed").Bool(button != nullptr);
    reply.json.Key("gone").Bool(gone).EndObject();
    return gone ? kMet : kNotMet;
}

// The first visible top-level dialog of any process whose caption contains `title`.
HWND FindDialog(std::wstring_view title) {
    for (HWND window : inspect::TopLevelWindows()) {
        if (inspect::IsClass(window, L"#32770") && ::IsWindowVisible(window) &&
            inspect::Caption(window).find(title) != std::wstring::npos) {
            return window;
        }
    }
    return nullptr;
}

// A wizard keeps its page's controls in a child dialog: buttons and texts are searched at
// every depth.
void CollectDescendants(HWND parent, std::vector<HWND>& out) {
    for (HWND child : inspect::Children(parent)) {
        out.push_back(child);
        CollectDescendants(child, out);
    }
}

int DialogInfo(Reply& reply, std::wstring_view title, DWORD timeoutMs) {
    HWND dialog = nullptr;
    inspect::PollFor(timeoutMs, [&] { return (dialog = FindDialog(title)) != nullptr; });
    auto& json = reply.json;
    json.BeginObject().Key("found").Bool(dialog != nullptr);
    if (dialog) {
        json.Key("caption").String(Utf8(inspect::Caption(dialog)));
        std::vector<HWND> all;
        CollectDescendants(dialog, all);
        json.Key("texts").BeginArray();
        for (HWND child : all) {
            const bool texty = inspect::IsClass(child, WC_STATICW) || inspect::IsClass(child, WC_BUTTONW) ||
                               inspect::IsClass(child, WC_EDITW) || inspect::ClassName(child).starts_with(L"RichEdit");
            if (::IsWindowVisible(child) && texty) {
                const std::wstring text = inspect::Text(child);
                if (!text.empty()) {
                    json.String(Utf8(text));
                }
            }
        }
        json.EndArray().Key("buttons").BeginArray();
        for (HWND child : inspect::Children(dialog)) {
            if (inspect::IsClass(child, WC_BUTTONW) && ::IsWindowVisible(child)) {
                json.BeginObject().Key("id").Int(::GetDlgCtrlID(child)).Key("text").String(Utf8(inspect::Text(child)));
                json.Key("enabled").Bool(::IsWindowEnabled(child) != FALSE).EndObject();
            }
        }
        json.EndArray();
    }
    json.EndObject();
    return dialog ? kMet : kNotMet;
}

int PressInDialog(Reply& reply, std::wstring_view title, int buttonId, DWORD timeoutMs) {
    HWND dialog = nullptr, button = nullptr;
    inspect::PollFor(timeoutMs, [&] {
        dialog = FindDialog(title);
        button = dialog ? ::GetDlgItem(dialog, buttonId) : nullptr;
        return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
    });
    const bool pressed = button && ::IsWindowEnabled(button);
    if (pressed) {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    reply.json.BeginObject().Key("found").Bool(dialog != nullptr).Key("pressed").Bool(pressed).EndObject();
    return pressed ? kMet : kNotMet;
}

int Met(bool met) { return met ? kMet : kNotMet; }

// One argument of a command line, quoted the way CommandLineToArgvW takes it apart.
std::wstring Quoted(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos) {
        return std::wstring(arg);
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

int Run(int argc, wchar_t** argv, Reply& reply) {
    if (argc < 2) {
        return UsageError("usage: rambroom_driver COMMAND [ARGS]");
    }
    std::wstring_view command = argv[1];
    std::string arg = argc > 2 ? Utf8(argv[2]) : std::string();

    if (command == L"count") {
        return Count(reply);
    }
    if (command == L"kill") {
        return Kill(reply);
    }
    if (command == L"texts") {
        return Met(commands::Texts(reply.json));
    }
    if (command == L"window") {
        return Wait(reply, L"exists", 0);
    }
    if (command == L"wait") {
        std::wstring_view state = argc > 2 ? argv[2] : L"exists";
        if (state != L"exists" && state != L"visible" && state != L"hidden" && state != L"gone") {
            return UsageError("wait: state is exists, visible, hidden or gone");
        }
        return Wait(reply, state, ParseMs(argc, argv, 3));
    }
    if (command == L"control" || command == L"click") {
        const ControlDesc* control = form::FindControl(arg);
        if (!control) {
            return UsageError("no control of that name in the form table");
        }
        return command == L"control" ? Control(reply, *control) : Click(reply, *control);
    }
    if (command == L"dump") {
        return Dump(reply);
    }
    if (command == L"menu") {
        const MenuItemDesc* item = form::FindMenuItem(arg);
        if (!item) {
            return UsageError("no popup-menu item of that name");
        }
        return Menu(reply, *item);
    }
    if (command == L"close") {
        return Post(reply, WM_CLOSE);
    }
    if (command == L"minimize") {
        return Post(reply, WM_SYSCOMMAND, SC_MINIMIZE);
    }
    if (command == L"endsession") {
        return Send(reply, WM_QUERYENDSESSION, 0);
    }
    if ((command == L"post" || command == L"send") && argc > 4) {
        // Numbers in C notation (0x... for hexadecimal); lParam as the pointer-sized value.
        const auto msg = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
        const auto wParam = static_cast<WPARAM>(std::wcstoull(argv[3], nullptr, 0));
        const auto lParam = static_cast<LPARAM>(std::wcstoll(argv[4], nullptr, 0));
        return command == L"post" ? Post(reply, msg, wParam, lParam) : Send(reply, msg, wParam, lParam);
    }
    if (command == L"remote-rect" && argc > 5) {
        RECT rect{std::wcstol(argv[2], nullptr, 0), std::wcstol(argv[3], nullptr, 0), std::wcstol(argv[4], nullptr, 0),
                  std::wcstol(argv[5], nullptr, 0)};
        return Met(commands::RemoteRect(reply.json, rect));
    }
    if (command == L"user" && argc > 2) {
        return Send(reply, WM_USER, std::wcstoul(argv[2], nullptr, 10));
    }
    if (command == L"dialog" && argc >= 3) {
        return DialogInfo(reply, argv[2], ParseMs(argc, argv, 3));
    }
    if (command == L"press" && argc >= 4) {
        return PressInDialog(reply, argv[2], _wtoi(argv[3]), ParseMs(argc, argv, 4));
    }
    if (command == L"msgbox") {
        return MessageBoxInfo(reply, ParseMs(argc, argv, 2));
    }
    if (command == L"answer" && (arg == "yes" || arg == "no")) {
        return Answer(reply, arg == "yes" ? IDYES : IDNO, ParseMs(argc, argv, 3));
    }
    if (command == L"memstatus") {
        return Met(commands::MemStatus(reply.json));
    }
    if ((command == L"setcheck" || command == L"pick" || command == L"choose") && argc > 3) {
        const ControlDesc* control = form::FindControl(arg);
        if (!control) {
            return UsageError("no control of that name in the form table");
        }
        if (command == L"setcheck") {
            return Met(commands::SetCheck(reply.json, *control, std::wcstoul(argv[3], nullptr, 10) != 0));
        }
        if (command == L"choose") {
            return Met(commands::Choose(reply.json, *control, argv[3]));
        }
        return Met(commands::Pick(reply.json, *control, argv[3]));
    }
    if (command == L"hold" && argc > 3) {
        const ControlDesc* control = form::FindControl(arg);
        std::wstring_view how = argv[3];
        if (!control || (how != L"click" && how != L"wait")) {
            return UsageError("hold NAME click|wait [MS]: NAME from the form table");
        }
        return Met(commands::Hold(reply.json, *control, how == L"click", ParseMs(argc, argv, 4), Print));
    }
    if (command == L"tray") {
        return Met(commands::Tray(reply.json));
    }
    if (command == L"tooltip" && (arg == "hint" || arg == "balloon")) {
        return Met(commands::Tooltips(reply.json, argv[2], ParseMs(argc, argv, 3)));
    }
    if (command == L"popup") {
        return Met(commands::Popup(reply.json, ParseMs(argc, argv, 2)));
    }
    if (command == L"balloons") {
        return Met(commands::Balloons(reply.json));
    }
    if (command == L"spawn-noshell" && argc > 3) {
        std::wstring commandLine;
        for (int i = 3; i < argc; ++i) {
            commandLine += (i > 3 ? L" " : L"") + Quoted(argv[i]);
        }
        return Met(commands::SpawnWithoutShell(reply.json, argv[2], commandLine));
    }
    if (command == L"squat" && argc > 2) {
        std::vector<std::wstring_view> what(argv + 2, argv + argc);
        for (std::wstring_view kind : what) {
            if (kind != L"event" && kind != L"semaphore" && kind != L"mapping" && kind != L"mutex" &&
                kind != L"window") {
                return UsageError("squat: WHAT is event, semaphore, mapping, mutex or window");
            }
        }
        return Met(commands::Squat(reply.json, what, Print));
    }
    if (command == L"resources") {
        return Met(commands::Resources(reply.json, argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 0));
    }
    return UsageError("unknown command");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // The driver measures in physical pixels like the program; an unaware driver would see
    // scaled coordinates on a high-DPI screen.
    dpi::EnableProcessAwareness();
    Reply reply;
    int code = Run(argc, argv, reply);
    if (code != kUsage) {
        Print(reply.json.Text());
    }
    return code;
}
