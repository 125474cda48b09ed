#pragma once
// The driver as a squatter: a process that is not RamBroom.exe holding the program's instance
// name, as a kernel object and as a top-level window of its class.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "tests/e2e/Json.h"

namespace commands {

// Takes the name with each of `what`: "event", "semaphore", "mapping" or "mutex" (a kernel object
// of that kind), "window" (a hidden, topmost window of the class, so that FindWindowW finds it
// before the program's). Emits a first JSON line of what it holds, then one line with the
// WM_USER wParams the window received so far for each line read from stdin; at the end of
// stdin it writes the last such answer to `json`, lets go and returns whether everything
// asked for was taken.
bool Squat(JsonWriter& json, std::span<const std::wstring_view> what,
           const std::function<void(const std::string&)>& emit);

} // namespace commands
