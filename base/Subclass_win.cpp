#include "base/Subclass_win.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct Layer {
    WNDPROC next = nullptr;
    DWORD_PTR data = 0;
    bool active = true;
};

// Windows of several threads may be subclassed; the lock is held only to copy a layer out.
struct Table {
    std::mutex mutex;
    std::map<std::pair<HWND, LocalSubclassProc>, Layer> layers;
};

Table& Layers() {
    static Table table;
    return table;
}

} // namespace

namespace subclass_detail {

bool Attach(HWND hwnd, LocalSubclassProc proc, WNDPROC thunk, DWORD_PTR data) {
    DWORD process = 0;
    if (!::IsWindow(hwnd) || !::GetWindowThreadProcessId(hwnd, &process) || process != ::GetCurrentProcessId()) {
        return false;
    }
    const auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    Table& table = Layers();
    {
        const std::lock_guard lock(table.mutex);
        if (!table.layers.emplace(std::pair{hwnd, proc}, Layer{previous, data, true}).second) {
            return false;
        }
    }
    ::SetLastError(0);
    if (!::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk)) && ::GetLastError() != 0) {
        const std::lock_guard lock(table.mutex);
        table.layers.erase({hwnd, proc});
        return false;
    }
    return true;
}

void Detach(HWND hwnd, LocalSubclassProc proc, WNDPROC thunk) {
    Table& table = Layers();
    const std::lock_guard lock(table.mutex);
    const auto found = table.layers.find({hwnd, proc});
    if (found == table.layers.end()) {
        return;
    }
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == thunk) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.next));
        table.layers.erase(found);
    } else {
        found->second.active = false; // another procedure calls ours: it passes messages on
    }
}

bool Find(HWND hwnd, LocalSubclassProc proc, DWORD_PTR& data) {
    Table& table = Layers();
    const std::lock_guard lock(table.mutex);
    const auto found = table.layers.find({hwnd, proc});
    if (found == table.layers.end() || !found->second.active) {
        return false;
    }
    data = found->second.data;
    return true;
}

LRESULT Dispatch(LocalSubclassProc proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Table& table = Layers();
    Layer layer;
    {
        const std::lock_guard lock(table.mutex);
        const auto found = table.layers.find({hwnd, proc});
        if (found == table.layers.end()) {
            return ::DefWindowProcW(hwnd, msg, wParam, lParam); // cannot happen: the thunk is ours
        }
        layer = found->second;
    }
    const LRESULT result = layer.active ? proc(hwnd, msg, wParam, lParam, layer.data, layer.next)
                                        : ::CallWindowProcW(layer.next, hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const std::lock_guard lock(table.mutex);
        table.layers.erase({hwnd, proc});
    }
    return result;
}

} // namespace subclass_detail
