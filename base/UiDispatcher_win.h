#pragma once
// The UI-thread hand-over of the program: a worker calls Send (synchronous, a private
// message carrying the callable) or Post (queued). The window procedure of the owning
// window passes its messages to HandleMessage first.
//
// Workers hold the dispatcher by shared_ptr, so it outlives the window; once the window
// detaches, Send and Post refuse and queued work is dropped unrun.

#include <windows.h>

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
    UiDispatcher() = default;
    void Drain();

    std::mutex mutex_;
    HWND window_ = nullptr;
    DWORD uiThreadId_ = 0;
    std::deque<std::function<void()>> queue_;
    bool drainPosted_ = false;
};
