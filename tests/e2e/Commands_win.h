#pragma once
// The driver's commands about the program's texts, memory, the settings controls, a clean's
// busy state and the shell. Each writes one JSON object and returns whether the request was met.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/FormDescription.h"
#include "tests/e2e/Json.h"

namespace commands {

// The texts the program's code shows (app/Texts.h), keyed by their names there without the "k".
bool Texts(JsonWriter& json);

// GlobalMemoryStatusEx as the driver sees it, and its own user locale's number separators.
bool MemStatus(JsonWriter& json);

// BM_SETCHECK on a check box of the form table; no click notification reaches the program.
bool SetCheck(JsonWriter& json, const ControlDesc& control, bool checked);

// Selects the item `text` of a drop-down list, adding it first when the list lacks it.
bool Pick(JsonWriter& json, const ControlDesc& control, std::wstring_view text);
// Picks the item TEXT of a drop-down list as the user does: selected, then the list's own
// CBN_SELCHANGE to its parent. Not met when the list has no such item.
bool Choose(JsonWriter& json, const ControlDesc& control, std::wstring_view text);

// The taskbar: whether there is one, and where. Wine 8 draws the notification area's icons
// on it (no window of their own): look for them on a screenshot.
bool Tray(JsonWriter& json);

// Waits up to `timeoutMs` for a visible tool tip of the kind asked ("hint" or "balloon")
// with some text, and lists the visible ones of that kind.
bool Tooltips(JsonWriter& json, std::wstring_view kind, DWORD timeoutMs);

// Waits up to `timeoutMs` for an open popup menu of the program.
bool Popup(JsonWriter& json, DWORD timeoutMs);

// Holds the next cleaning worker the program starts (Hold.h), clicks `control` unless `click` is
// false (something else is to start that worker), and once it is held emits a first JSON line:
// the held thread and the control's text and state, and a decoy: a thread started in the program
// first, named as another worker, which the hold must let pass. Then waits for a line or the end of stdin,
// releases the thread and writes the control's text and state once they are back as before,
// or `timeoutMs` passed.
bool Hold(JsonWriter& json, const ControlDesc& control, bool click, DWORD timeoutMs,
          const std::function<void(const std::string&)>& emit);

// The balloons the program asked for since the last hold began, as the hold's spy noted them
// in the program: how many, and the last one's title and text.
bool Balloons(JsonWriter& json);

// Writes `rect` into fresh memory of the program (left there) and gives its address, for a
// message whose lParam must point into the program, as the system's WM_DPICHANGED does.
bool RemoteRect(JsonWriter& json, const RECT& rect);

// Starts `commandLine` where no shell runs (Station_win.h) and gives its process id.
bool SpawnWithoutShell(JsonWriter& json, const std::wstring& station, const std::wstring& commandLine);

// What a soak samples of one RamBroom process (`pid`, or the only one running when 0), counts
// that do not depend on how its memory is laid out: GDI objects (in total and by kind), kernel
// handles, threads, and windows (top-level, child, message-only).
bool Resources(JsonWriter& json, DWORD pid);

} // namespace commands
