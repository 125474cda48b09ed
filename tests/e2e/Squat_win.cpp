#include "tests/e2e/Squat_win.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include "app/FormDescription.h"
#include "base/Handles_win.h"
#include "tests/e2e/Observe_win.h"

namespace commands {
namespace {

// Thread messages from the stdin reader to the squatter's message loop.
constexpr UINT kMsgLine = WM_APP;
constexpr UINT kMsgEnd = WM_APP + 1;

// The control messages the window received (wParam each), in order; the window procedure
// runs on the driver's one UI thread. More than fit are only counted.
std::array<WPARAM, 64> g_received{};
std::size_t g_receivedCount = 0;

LRESULT CALLBACK SquatterProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) {
        if (g_receivedCount < g_received.size()) {
            g_received[g_receivedCount] = wParam;
        }
        ++g_receivedCount;
        return 0;
    }
    return ::DefWindowProcW(window, msg, wParam, lParam);
}

// Registers the program's class in the driver and makes a window of it, hidden and above
// every window that is not topmost.
UniqueHwnd CreateSquatterWindow() {
    const std::wstring className(form::kWindowClass);
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = SquatterProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className.c_str();
    if (!::RegisterClassExW(&wc)) {
        return UniqueHwnd();
    }
    return UniqueHwnd(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className.c_str(), L"squatter", WS_POPUP, 0,
                                        0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
}

// A kernel object named as the instance mutex; null when the name could not be taken.
UniqueHandle CreateNamedObject(std::wstring_view kind) {
    const std::wstring name(form::kWindowClass);
    HANDLE object = nullptr;
    if (kind == L"event") {
        object = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    } else if (kind == L"semaphore") {
        object = ::CreateSemaphoreW(nullptr, 0, 1, name.c_str());
    } else if (kind == L"mapping") {
        object = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
    } else if (kind == L"mutex") {
        object = ::CreateMutexW(nullptr, TRUE, name.c_str());
    }
    // An object of the name that exists already is someone else's: not taken here.
    if (object && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(object);
        object = nullptr;
    }
    return UniqueHandle(object);
}

void WriteReceived(JsonWriter& json, HWND window) {
    json.Key("alive").Bool(window && ::IsWindow(window));
    json.Key("received").BeginArray();
    for (std::size_t i = 0; i < std::min(g_receivedCount, g_received.size()); ++i) {
        json.Int(static_cast<long long>(g_received[i]));
    }
    json.EndArray().Key("received_count").Int(static_cast<long long>(g_receivedCount));
}

} // namespace

bool Squat(JsonWriter& json, std::span<const std::wstring_view> what,
           const std::function<void(const std::string&)>& emit) {
    std::vector<UniqueHandle> objects;
    UniqueHwnd window;
    JsonWriter first;
    first.BeginObject().Key("pid").Int(::GetCurrentProcessId()).Key("taken").BeginObject();
    bool all = !what.empty();
    for (std::wstring_view kind : what) {
        bool taken = false;
        if (kind == L"window") {
            window = CreateSquatterWindow();
            taken = window.valid();
        } else {
            objects.push_back(CreateNamedObject(kind));
            taken = objects.back().valid();
        }
        first.Key(inspect::Utf8(kind)).Bool(taken);
        all = all && taken;
    }
    first.EndObject().Key("window").Int(reinterpret_cast<long long>(window.get()));
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for the reader's messages
    emit(first.EndObject().Text());

    const DWORD loop = ::GetCurrentThreadId();
    std::thread reader([loop] {
        HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
        char c = 0;
        DWORD got = 0;
        while (::ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
            if (c == '\n') {
                ::PostThreadMessageW(loop, kMsgLine, 0, 0);
            }
        }
        ::PostThreadMessageW(loop, kMsgEnd, 0, 0);
    });
    // Sent messages are delivered while the loop waits in GetMessageW.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kMsgEnd) {
            break;
        }
        if (msg.hwnd == nullptr && msg.message == kMsgLine) {
            JsonWriter line;
            line.BeginObject();
            WriteReceived(line, window.get());
            emit(line.EndObject().Text());
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    reader.join();
    json.BeginObject();
    WriteReceived(json, window.get());
    json.EndObject();
    return all;
}

} // namespace commands
