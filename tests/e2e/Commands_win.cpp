#include "tests/e2e/Commands_win.h"

#include <commctrl.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/Texts.h"
#include "base/DynCalls_win.h"
#include "base/Handles_win.h"
#include "base/Workers.h"
#include "tests/common/HandleCount_win.h"
#include "tests/e2e/Hold.h"
#include "tests/e2e/Observe_win.h"
#include "tests/e2e/Shell_win.h"
#include "tests/e2e/Station_win.h"

namespace commands {
namespace {

using inspect::Utf8;

void Rect(JsonWriter& json, std::string_view key, const RECT& r) {
    json.Key(key).BeginArray().Int(r.left).Int(r.top).Int(r.right - r.left).Int(r.bottom - r.top).EndArray();
}

std::wstring LocaleText(LCTYPE type) {
    wchar_t buffer[32] = {};
    int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<std::size_t>(length > 1 ? length - 1 : 0));
}

HWND ControlWindow(const ControlDesc& control) {
    HWND main = inspect::MainWindow();
    return main ? inspect::FindControl(main, control) : nullptr;
}

struct ButtonState {
    std::wstring text;
    bool enabled = false;
    bool operator==(const ButtonState&) const = default;
};

ButtonState StateOf(HWND button) { return {inspect::Text(button), ::IsWindowEnabled(button) != FALSE}; }

void WriteState(JsonWriter& json, const ButtonState& state) {
    json.Key("text").String(Utf8(state.text)).Key("enabled").Bool(state.enabled);
}

std::wstring BesideDriver(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + fileName;
}

// Returns at a line or the end of stdin.
void WaitForStdinLine() {
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    char c = 0;
    DWORD got = 0;
    while (::ReadFile(in, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
    }
}

// The driver's side of rambroom_e2e_spy.dll (Hold.h): the shared state, the two events, and
// the module that the hook hands to the program.
class Spy {
public:
    Spy() {
        mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(hold::State),
                                            hold::kStateName));
        if (mapping_) {
            state_ = static_cast<hold::State*>(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        }
        held_.reset(::CreateEventW(nullptr, TRUE, FALSE, hold::kHeldEventName));
        release_.reset(::CreateEventW(nullptr, TRUE, FALSE, hold::kReleaseEventName));
        if (!state_ || !held_ || !release_) {
            return;
        }
        // The spy may be in the program from an earlier hold: same section, same events.
        ::ResetEvent(held_.get());
        ::ResetEvent(release_.get());
        state_->driver = ::GetCurrentProcessId();
        state_->armed = 0;
        state_->heldThread = 0;
        state_->balloons = 0;
        module_.reset(::LoadLibraryW(BesideDriver(hold::kSpyDll).c_str()));
    }
    ~Spy() {
        Release();
        if (state_) {
            state_->armed = 0;
            ::UnmapViewOfFile(state_);
        }
    }
    Spy(const Spy&) = delete;
    Spy& operator=(const Spy&) = delete;

    // Puts the spy into the program: a hook on the UI thread, fired once, removed again before
    // any hold (the held thread keeps the loader lock, which a hook call may need).
    bool Enter(HWND main) {
        auto proc =
            module_
                ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), hold::kSpyHook)))
                : nullptr;
        if (!proc) {
            return false;
        }
        UniqueHhook hook(
            ::SetWindowsHookExW(WH_CALLWNDPROC, proc, module_.get(), ::GetWindowThreadProcessId(main, nullptr)));
        return hook && inspect::PollFor(5000, [&] {
                   LRESULT ignored = 0;
                   inspect::Ask(main, WM_NULL, 0, 0, ignored);
                   return state_->loaded != 0;
               });
    }
    // Holds the next thread the program starts with the name `worker`.
    void Arm(std::wstring_view worker) {
        const std::size_t length = std::min(worker.size(), std::size(state_->worker) - 1);
        std::copy_n(worker.data(), length, state_->worker);
        state_->worker[length] = L'\0';
        ::InterlockedExchange(&state_->armed, 1); // a full barrier: the name is there first
    }
    bool WaitHeld(DWORD timeoutMs) { return ::WaitForSingleObject(held_.get(), timeoutMs) == WAIT_OBJECT_0; }
    DWORD HeldThread() const { return state_ ? state_->heldThread : 0; }
    void Release() {
        if (release_) {
            ::SetEvent(release_.get());
        }
    }

private:
    UniqueHandle mapping_;
    hold::State* state_ = nullptr;
    UniqueHandle held_;
    UniqueHandle release_;
    UniqueHmodule module_;
};

// Sleep(0) ends at once: a decoy still running after this was held.
constexpr DWORD kDecoyWaitMs = 5000;

struct Decoy {
    DWORD thread = 0;
    bool passed = false; // it ended by itself, not held
};

// Starts a thread in the program the way StartWorker does, named as another worker, and waits
// for its end: an armed spy must let it pass. kernel32 lies at the same address in every
// process of one bitness, and its Sleep has the shape of a thread routine (one 32-bit
// argument); Sleep(0) returns at once.
Decoy StartDecoy(HWND main, std::wstring_view name, DWORD timeoutMs) {
    Decoy decoy;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    UniqueHandle process(::OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                           PROCESS_VM_WRITE | PROCESS_VM_READ,
                                       FALSE, pid));
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(&::Sleep));
    UniqueHandle thread(
        process ? ::CreateRemoteThread(process.get(), nullptr, 0, routine, nullptr, CREATE_SUSPENDED, &decoy.thread)
                : nullptr);
    if (!thread) {
        decoy.thread = 0;
        return decoy;
    }
    if (auto setDescription = dyn::SetThreadDescription()) {
        setDescription(thread.get(), std::wstring(name).c_str());
    }
    ::ResumeThread(thread.get());
    decoy.passed = ::WaitForSingleObject(thread.get(), timeoutMs) == WAIT_OBJECT_0;
    return decoy;
}

//--- one process's resources, for the soak

// Wine's GDI_HANDLE_ENTRY, 24 bytes in 32- and 64-bit processes alike. win32u allocates the table
// of 0x10000 of them in each process's own memory at start and points the PEB's
// GdiSharedHandleTable at it: every process has its own (at the same address, so the driver's
// own table says nothing of the program's). A live entry has a non-zero type; the 24 stock
// objects every process makes carry the stock flag.
struct WineGdiEntry {
    ULONG64 object;
    ULONG owner;
    BYTE extType; // the kind (NTGDI_OBJ_*) in the low 7 bits, the stock flag in the top one
    BYTE generation;
    BYTE type;
    BYTE flags;
    ULONG64 userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);
constexpr std::size_t kWineGdiEntries = 0x10000;
constexpr BYTE kGdiStockFlag = 0x80;
// PEB.GdiSharedHandleTable: at 0xF8 in a 64-bit process's PEB, 0x94 in a 32-bit one's. The
// driver runs with the program's bitness (the harness picks the loader by the PE's machine).
// Wine's newer WoW64 mode fills in only the 64-bit PEB of a 32-bit process: no count then.
constexpr std::size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

// NTGDI_OBJ_*, the kinds Wine gives the entries (a DC made by CreateCompatibleDC is "memdc").
constexpr std::pair<BYTE, std::string_view> kGdiKinds[] = {
    {0x01, "dc"},     {0x41, "memdc"}, {0x04, "region"}, {0x05, "surface"}, {0x08, "palette"},
    {0x09, "bitmap"}, {0x0a, "font"},  {0x10, "brush"},  {0x30, "pen"},     {0x50, "extpen"},
};

struct GdiCount {
    long long total = 0;
    std::map<BYTE, long long> byKind;
};

std::optional<GdiCount> WineGdiObjects(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (!NT_SUCCESS(::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &length))) {
        return std::nullopt;
    }
    void* table = nullptr;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                             sizeof(table), &read) ||
        !table) {
        return std::nullopt;
    }
    std::vector<WineGdiEntry> entries(kWineGdiEntries);
    if (!::ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(WineGdiEntry), &read)) {
        return std::nullopt;
    }
    GdiCount count;
    for (const auto& entry : entries) {
        if (!entry.type || (entry.extType & kGdiStockFlag)) {
            continue;
        }
        ++count.total;
        ++count.byKind[static_cast<BYTE>(entry.extType & ~kGdiStockFlag)];
    }
    return count;
}

long long ThreadCount(DWORD pid) {
    HANDLE raw = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (raw == INVALID_HANDLE_VALUE) {
        return 0;
    }
    UniqueHandle snapshot(raw);
    long long count = 0;
    THREADENTRY32 entry{sizeof(entry)};
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        count += entry.th32OwnerProcessID == pid ? 1 : 0;
    }
    return count;
}

struct WindowCount {
    DWORD pid = 0;
    long long top = 0;
    long long child = 0;
    long long messageOnly = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM context) {
    ++reinterpret_cast<WindowCount*>(context)->child;
    return TRUE;
}

// A top-level window of the process, hidden ones included, and all its descendants.
void CountTree(HWND window, long long WindowCount::*bucket, WindowCount& count) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != count.pid) {
        return;
    }
    ++(count.*bucket);
    ::EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM context) {
    CountTree(window, &WindowCount::top, *reinterpret_cast<WindowCount*>(context));
    return TRUE;
}

WindowCount WindowsOf(DWORD pid) {
    WindowCount count;
    count.pid = pid;
    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    // EnumWindows leaves out message-only windows.
    for (HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTree(window, &WindowCount::messageOnly, count);
    }
    return count;
}

} // namespace

bool Texts(JsonWriter& json) {
    const std::pair<std::string_view, std::wstring_view> all[] = {
        {"ProductName", texts::kProductName},
        {"TrayHint", texts::kTrayHint},
        {"PhysStatusFormat", texts::kPhysStatusFormat},
        {"SecondaryStatusFormat", texts::kSecondaryStatusFormat},
        {"CleanIdle", texts::kCleanIdle},
        {"CleanBusy", texts::kCleanBusy},
        {"Cleaned", texts::kCleaned},
        {"QuitQuestion", texts::kQuitQuestion},
        {"VersionWord", texts::kVersionWord},
    };
    json.BeginObject();
    for (const auto& [name, text] : all) {
        json.Key(name).String(Utf8(text));
    }
    json.EndObject();
    return true;
}

bool RemoteRect(JsonWriter& json, const RECT& rect) {
    HWND main = inspect::MainWindow();
    DWORD pid = 0;
    if (main) {
        ::GetWindowThreadProcessId(main, &pid);
    }
    UniqueHandle process(pid ? ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid) : nullptr);
    void* address =
        process ? ::VirtualAllocEx(process.get(), nullptr, sizeof(rect), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                : nullptr;
    const bool written = address && ::WriteProcessMemory(process.get(), address, &rect, sizeof(rect), nullptr) != FALSE;
    json.BeginObject().Key("written").Bool(written);
    json.Key("address").Int(static_cast<long long>(reinterpret_cast<std::uintptr_t>(address))).EndObject();
    return written;
}

bool MemStatus(JsonWriter& json) {
    MEMORYSTATUSEX status{sizeof(status)};
    bool ok = ::GlobalMemoryStatusEx(&status) != FALSE;
    json.BeginObject().Key("ok").Bool(ok);
    json.Key("total_phys").Int(static_cast<long long>(status.ullTotalPhys));
    json.Key("avail_phys").Int(static_cast<long long>(status.ullAvailPhys));
    json.Key("total_page").Int(static_cast<long long>(status.ullTotalPageFile));
    json.Key("avail_page").Int(static_cast<long long>(status.ullAvailPageFile));
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    json.Key("locale").String(Utf8(name));
    json.Key("thousand").String(Utf8(LocaleText(LOCALE_STHOUSAND)));
    json.Key("decimal").String(Utf8(LocaleText(LOCALE_SDECIMAL)));
    json.EndObject();
    return ok;
}

bool SetCheck(JsonWriter& json, const ControlDesc& control, bool checked) {
    HWND box = ControlWindow(control);
    LRESULT state = BST_UNCHECKED;
    bool done = box && inspect::Ask(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, state) &&
                inspect::Ask(box, BM_GETCHECK, 0, 0, state);
    json.BeginObject().Key("found").Bool(box != nullptr).Key("checked").Int(state).EndObject();
    return done && (state == BST_CHECKED) == checked;
}

bool Pick(JsonWriter& json, const ControlDesc& control, std::wstring_view text) {
    HWND list = ControlWindow(control);
    const std::wstring item(text);
    LRESULT index = CB_ERR;
    // The system copies the string of CB_FINDSTRINGEXACT / CB_ADDSTRING into a list with strings
    // of another process.
    if (list &&
        inspect::Ask(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.c_str()),
                     index) &&
        index == CB_ERR) {
        inspect::Ask(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()), index);
    }
    LRESULT selected = CB_ERR;
    if (list && index >= 0) {
        inspect::Ask(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0, selected);
    }
    json.BeginObject().Key("found").Bool(list != nullptr).Key("index").Int(index).Key("selected").Int(selected);
    json.EndObject();
    return list && index >= 0 && selected == index;
}

bool Choose(JsonWriter& json, const ControlDesc& control, std::wstring_view text) {
    HWND list = ControlWindow(control);
    const std::wstring item(text);
    LRESULT index = CB_ERR;
    LRESULT selected = CB_ERR;
    if (list &&
        inspect::Ask(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.c_str()),
                     index) &&
        index >= 0 && inspect::Ask(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0, selected) && selected == index) {
        const int id = ::GetDlgCtrlID(list);
        ::PostMessageW(::GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    json.BeginObject().Key("found").Bool(list != nullptr).Key("index").Int(index).Key("selected").Int(selected);
    json.EndObject();
    return list && index >= 0 && selected == index;
}

bool Tray(JsonWriter& json) {
    HWND taskbar = inspect::Taskbar();
    json.BeginObject().Key("taskbar").Bool(taskbar != nullptr);
    if (taskbar) {
        json.Key("visible").Bool(::IsWindowVisible(taskbar) != FALSE);
        Rect(json, "screen", inspect::ScreenRect(taskbar));
    }
    json.EndObject();
    return taskbar != nullptr;
}

bool Tooltips(JsonWriter& json, std::wstring_view kind, DWORD timeoutMs) {
    const bool balloons = kind == L"balloon";
    std::vector<HWND> found;
    auto look = [&] {
        found.clear();
        for (HWND tip : inspect::VisibleTooltips()) {
            if (inspect::IsBalloon(tip) == balloons && !inspect::Text(tip).empty()) {
                found.push_back(tip);
            }
        }
        return !found.empty();
    };
    bool met = inspect::PollFor(timeoutMs, look);
    json.BeginObject().Key("found").Bool(met).Key("tips").BeginArray();
    for (HWND tip : found) {
        // WM_GETTEXT gives a tool tip's current text. Its title is not to be had: Wine 8's tool
        // tip does not know TTM_GETTITLE ("unknown msg 0423"); the hold's spy sees the program's
        // request instead.
        json.BeginObject().Key("text").String(Utf8(inspect::Text(tip)));
        Rect(json, "screen", inspect::ScreenRect(tip));
        json.EndObject();
    }
    json.EndArray().EndObject();
    return met;
}

bool Popup(JsonWriter& json, DWORD timeoutMs) {
    std::vector<HWND> menus;
    bool met = inspect::PollFor(timeoutMs, [&] { return !(menus = inspect::AppPopupMenus()).empty(); });
    json.BeginObject().Key("found").Bool(met);
    if (met) {
        Rect(json, "screen", inspect::ScreenRect(menus.front()));
    }
    json.Key("count").Int(static_cast<long long>(menus.size())).EndObject();
    return met;
}

bool Hold(JsonWriter& json, const ControlDesc& control, bool click, DWORD timeoutMs,
          const std::function<void(const std::string&)>& emit) {
    HWND main = inspect::MainWindow();
    HWND button = ControlWindow(control);
    Spy spy;
    bool entered = button && spy.Enter(main);
    const ButtonState before = button ? StateOf(button) : ButtonState{};
    bool held = false;
    Decoy decoy;
    if (entered) {
        spy.Arm(kCleaningWorker);
        decoy = StartDecoy(main, kTaskbarWaitWorker, std::min(timeoutMs, kDecoyWaitMs));
        if (click) {
            ::PostMessageW(button, BM_CLICK, 0, 0);
        } else {
            emit("{\"armed\":true}");
        }
        held = spy.WaitHeld(timeoutMs);
    }
    JsonWriter first;
    first.BeginObject().Key("entered").Bool(entered).Key("held").Bool(held).Key("thread").Int(spy.HeldThread());
    first.Key("decoy").BeginObject().Key("thread").Int(decoy.thread).Key("passed").Bool(decoy.passed).EndObject();
    if (button) {
        first.Key("before").BeginObject();
        WriteState(first, before);
        first.EndObject().Key("busy").BeginObject();
        WriteState(first, StateOf(button));
        first.EndObject();
    }
    emit(first.EndObject().Text());
    if (!held) {
        json.BeginObject().Key("released").Bool(false).EndObject();
        return false;
    }
    WaitForStdinLine();
    spy.Release();
    bool back = inspect::PollFor(timeoutMs, [&] { return StateOf(button) == before; });
    json.BeginObject().Key("released").Bool(true).Key("after").BeginObject();
    WriteState(json, StateOf(button));
    json.EndObject().EndObject();
    return back;
}

bool Balloons(JsonWriter& json) {
    UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, hold::kStateName));
    const auto* state =
        mapping ? static_cast<const hold::State*>(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0)) : nullptr;
    json.BeginObject().Key("spy").Bool(state && state->loaded);
    if (state) {
        json.Key("noting").Bool(state->noting != 0).Key("count").Int(state->balloons);
        if (state->balloons) {
            json.Key("title").String(Utf8(state->balloonTitle)).Key("text").String(Utf8(state->balloonText));
        }
        ::UnmapViewOfFile(state);
    }
    json.EndObject();
    return state != nullptr;
}

bool SpawnWithoutShell(JsonWriter& json, const std::wstring& station, const std::wstring& commandLine) {
    inspect::Spawned spawned = inspect::SpawnWithoutShell(station, commandLine);
    DWORD error = spawned.pid ? 0 : ::GetLastError();
    json.BeginObject().Key("pid").Int(spawned.pid).Key("error").Int(error).Key("taskbar").Bool(spawned.taskbar);
    json.EndObject();
    return spawned.pid != 0;
}

bool Resources(JsonWriter& json, DWORD pid) {
    json.BeginObject();
    if (!pid) {
        auto pids = inspect::AppProcesses();
        json.Key("processes").Int(static_cast<long long>(pids.size()));
        pid = pids.size() == 1 ? pids.front() : 0;
    }
    UniqueHandle process(pid ? ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid) : nullptr);
    json.Key("pid").Int(pid).Key("found").Bool(static_cast<bool>(process));
    if (!process) {
        json.EndObject();
        return false;
    }

    // Windows counts a process's GDI and USER objects; Wine 8's GetGuiResources answers 0.
    std::optional<GdiCount> gdi;
    const bool wine = dyn::wine_get_version() != nullptr;
    if (wine) {
        gdi = WineGdiObjects(process.get());
    } else {
        gdi = GdiCount{::GetGuiResources(process.get(), GR_GDIOBJECTS)};
        json.Key("user").Int(::GetGuiResources(process.get(), GR_USEROBJECTS));
    }
    json.Key("gdi_source").String(wine ? "table" : "GetGuiResources");
    json.Key("gdi");
    gdi ? json.Int(gdi->total) : json.Null();
    if (gdi && wine) {
        json.Key("gdi_kinds").BeginObject();
        for (const auto& [kind, number] : gdi->byKind) {
            auto known = std::find_if(std::begin(kGdiKinds), std::end(kGdiKinds),
                                      [kind](const auto& k) { return k.first == kind; });
            char code[8];
            std::snprintf(code, sizeof code, "0x%02x", kind);
            json.Key(known != std::end(kGdiKinds) ? known->second : code).Int(number);
        }
        json.EndObject();
    }
    std::optional<long long> handles = test_support::HandleCount(process.get(), pid);
    json.Key("handles");
    handles ? json.Int(*handles) : json.Null();
    json.Key("threads").Int(ThreadCount(pid));
    WindowCount windows = WindowsOf(pid);
    json.Key("windows").BeginObject().Key("top").Int(windows.top).Key("child").Int(windows.child);
    json.Key("message").Int(windows.messageOnly);
    json.Key("total").Int(windows.top + windows.child + windows.messageOnly).EndObject();
    json.EndObject();
    return gdi && handles;
}

} // namespace commands
