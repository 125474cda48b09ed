#include "base/Worker_win.h"

#include <windows.h>
#include <process.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "base/DynCalls_win.h"
#include "base/Handles_win.h"

namespace {

using Work = std::function<void()>;

unsigned __stdcall WorkerEntry(void* context) {
    std::unique_ptr<Work> work(static_cast<Work*>(context));
    // No exception crosses a thread entry. A worker reports only through what it hands to the
    // UI thread, so one that fails just ends.
    try {
        (*work)();
    } catch (...) {
    }
    return 0;
}

void NameThread(HANDLE thread, std::wstring_view name) noexcept {
    auto setDescription = dyn::SetThreadDescription();
    if (!setDescription || name.empty()) {
        return;
    }
    try {
        const std::wstring text(name); // SetThreadDescription wants it terminated
        setDescription(thread, text.c_str());
    } catch (...) {
        // out of memory: the thread stays unnamed
    }
}

} // namespace

bool StartWorker(std::wstring_view name, std::function<void()> fn) noexcept {
    std::unique_ptr<Work> work(new (std::nothrow) Work(std::move(fn)));
    if (!work) {
        return false;
    }
    // _beginthreadex, not CreateThread: the C runtime sets up its per-thread state. Suspended, so
    // the name is there before the thread runs any code: the DLL_THREAD_ATTACH notifications
    // already see it.
    const std::uintptr_t raw = ::_beginthreadex(nullptr, 0, WorkerEntry, work.get(), CREATE_SUSPENDED, nullptr);
    if (raw == 0) {
        return false;
    }
    UniqueHandle thread(reinterpret_cast<HANDLE>(raw));
    NameThread(thread.get(), name);
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // Not with a handle just made; should it happen, the thread has not run a line and ends here.
        ::TerminateThread(thread.get(), 0);
        ::WaitForSingleObject(thread.get(), INFINITE);
        return false;
    }
    work.release(); // WorkerEntry owns it now
    return true;
}
