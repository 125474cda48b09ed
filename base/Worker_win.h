#pragma once
// The one way the program starts a thread (names in base/Workers.h). A worker never touches a
// window: it hands its results to the UI thread (base/UiThread.h).

#include <functional>
#include <string_view>

// Runs `fn` on a new thread that ends by itself; nobody joins it. The thread carries `name`
// (where the system has SetThreadDescription) before it runs anything. Whatever `fn` throws ends
// at the thread's boundary and is ignored. False when no thread could be started: `fn` is then
// not run, and is destroyed before this returns.
[[nodiscard]] bool StartWorker(std::wstring_view name, std::function<void()> fn) noexcept;
