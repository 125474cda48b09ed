#include "base/UiDispatcher_win.h"

namespace {
constexpr UINT kMsgInvoke = WM_APP + 0x100; // lParam: std::function<void()>*
constexpr UINT kMsgDrain = WM_APP + 0x101;

// The boundary where a failing hand-over step is dropped: nothing escapes the window procedure.
void RunGuarded(const std::function<void()>& work) noexcept {
    try {
        work();
    } catch (...) {
    }
}
} // namespace

std::shared_ptr<UiDispatcher> UiDispatcher::Create() { return std::shared_ptr<UiDispatcher>(new UiDispatcher()); }

void UiDispatcher::Attach(HWND window) {
    std::lock_guard lock(mutex_);
    window_ = window;
    uiThreadId_ = ::GetWindowThreadProcessId(window, nullptr);
}

void UiDispatcher::Detach() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        window_ = nullptr;
        dropped.swap(queue_);
    }
}

bool UiDispatcher::Send(std::function<void()> work) {
    HWND window;
    bool onUiThread;
    {
        std::lock_guard lock(mutex_);
        window = window_;
        onUiThread = ::GetCurrentThreadId() == uiThreadId_;
    }
    if (window && onUiThread) {
        RunGuarded(work);
        return true;
    }
    if (!window) {
        return false;
    }
    // SendMessageTimeout with SMTO_NOTIMEOUTIFNOTHUNG: waits while the UI thread is alive,
    // returns 0 when the window is destroyed meanwhile.
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, kMsgInvoke, 0, reinterpret_cast<LPARAM>(&work),
                                 SMTO_BLOCK | SMTO_NOTIMEOUTIFNOTHUNG, 0, &result) != 0 &&
           result == 1;
}

bool UiDispatcher::Post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (!window_) {
        return false;
    }
    queue_.push_back(std::move(work));
    if (!drainPosted_) {
        if (!::PostMessageW(window_, kMsgDrain, 0, 0)) {
            queue_.pop_back();
            return false;
        }
        drainPosted_ = true;
    }
    return true;
}

void UiDispatcher::Drain() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || !window_) {
                drainPosted_ = false;
                return;
            }
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        RunGuarded(work);
    }
}

bool UiDispatcher::HandleMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg == kMsgInvoke) {
        RunGuarded(*reinterpret_cast<const std::function<void()>*>(lParam));
        result = 1;
        return true;
    }
    if (msg == kMsgDrain) {
        Drain();
        result = 0;
        return true;
    }
    return false;
}
