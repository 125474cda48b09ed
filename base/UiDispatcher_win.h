#pragma once
// The UI-thread hand-over of the program. Work handed over by Send (the worker waits until it
// has run) or Post (queued) waits in the dispatcher's own queue; a private message posted to
// the owning window only wakes the UI thread, which then runs the queue in order. The message
// carries nothing: any process can post it, so its parameters are never trusted.
//
// The window procedure passes its messages to HandleMessage first. Modal loops (menus,
// message boxes) dispatch the wake message too, so work runs while they are open.
//
// Workers hold the dispatcher by shared_ptr, so it outlives the window; once the window
// detaches, Send and Post refuse, queued work is dropped unrun and waiting senders return.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "base/UiThread.h"

class UiDispatcher final : public UiThread {
public:
    static std::shared_ptr<UiDispatcher> Create();

    void Attach(HWND window);
    void Detach();

    bool Send(std::function<void()> work) override;
    bool Post(std::function<void()> work) override;

    // Returns true when `msg` was the dispatcher's own message; it has then been handled
    // and `result` is the window procedure's answer.
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    struct Item {
        std::function<void()> work;
        enum class State { Queued, Done, Dropped } state = State::Queued;
    };

    UiDispatcher() = default;
    // Both with mutex_ held.
    bool EnqueueLocked(std::shared_ptr<Item> item);
    void WakeLocked();
    void Drain();

    std::mutex mutex_;
    std::condition_variable finished_;
    HWND window_ = nullptr;
    DWORD uiThreadId_ = 0;
    std::deque<std::shared_ptr<Item>> queue_;
    bool wakePending_ = false;
};
