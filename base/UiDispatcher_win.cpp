#include "base/UiDispatcher_win.h"

#include <chrono>

namespace {

constexpr UINT kMsgWake = WM_APP + 0x100;
// A sender re-posts the wake message this often while it waits, in case posting failed (a
// full message queue) when its work was queued.
constexpr auto kWakeRetry = std::chrono::milliseconds(100);

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
    std::deque<std::shared_ptr<Item>> dropped;
    {
        std::lock_guard lock(mutex_);
        window_ = nullptr;
        dropped.swap(queue_);
        for (const auto& item : dropped) {
            item->state = Item::State::Dropped;
        }
    }
    finished_.notify_all();
    // The dropped work (and whatever it captured) is destroyed here, outside the lock.
}

void UiDispatcher::WakeLocked() {
    if (!wakePending_ && window_) {
        wakePending_ = ::PostMessageW(window_, kMsgWake, 0, 0) != FALSE;
    }
}

bool UiDispatcher::EnqueueLocked(std::shared_ptr<Item> item) {
    if (!window_) {
        return false;
    }
    queue_.push_back(std::move(item));
    WakeLocked();
    return true;
}

bool UiDispatcher::Send(std::function<void()> work) {
    std::unique_lock lock(mutex_);
    if (window_ && ::GetCurrentThreadId() == uiThreadId_) {
        lock.unlock();
        RunGuarded(work);
        return true;
    }
    auto item = std::make_shared<Item>();
    item->work = std::move(work);
    if (!EnqueueLocked(item)) {
        return false;
    }
    // No time-out: the step runs whatever the UI thread is doing now (busy, or modal, or seen
    // as hung by the system), or the window goes away and the step is dropped.
    while (item->state == Item::State::Queued) {
        if (!finished_.wait_for(lock, kWakeRetry, [&] { return item->state != Item::State::Queued; })) {
            WakeLocked();
        }
    }
    return item->state == Item::State::Done;
}

bool UiDispatcher::Post(std::function<void()> work) {
    auto item = std::make_shared<Item>();
    item->work = std::move(work);
    std::lock_guard lock(mutex_);
    return EnqueueLocked(std::move(item));
}

void UiDispatcher::Drain() {
    for (;;) {
        std::shared_ptr<Item> item;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                wakePending_ = false;
                return;
            }
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        // The work may open a modal loop, which dispatches later wake messages: those run the
        // rest of the queue from inside it, still in order.
        RunGuarded(item->work);
        item->work = nullptr; // what the work captured goes here, on the UI thread
        {
            std::lock_guard lock(mutex_);
            item->state = Item::State::Done;
        }
        finished_.notify_all();
    }
}

bool UiDispatcher::HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != kMsgWake) {
        return false;
    }
    Drain();
    result = 0;
    return true;
}
