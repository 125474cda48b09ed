#pragma once
// Hand-over of work from a worker thread to the user-interface thread, which owns all
// window state. The program's implementation sends a private window message; tests run
// the callable in place or queue it.

#include <functional>

class UiThread {
public:
    virtual ~UiThread() = default;

    // Runs `work` on the UI thread and waits until it has run. Returns false when the
    // UI thread is gone (the window was destroyed): `work` then never runs.
    virtual bool Send(std::function<void()> work) = 0;

    // Queues `work` for the UI thread and returns at once. Work still queued when the
    // window goes away is dropped, never run against a destroyed window.
    virtual bool Post(std::function<void()> work) = 0;
};
