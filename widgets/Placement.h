#pragma once
// Where the window may go when the system reports a change of DPI: the message's values are
// checked here before anything is resized or moved.

namespace placement {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0; // as a Win32 RECT holds them

    bool operator==(const Rect&) const = default;
};

// The DPIs a monitor can have: 100 % (96) to 500 % (480) scaling. A WM_DPICHANGED with any
// other value, or with different horizontal and vertical DPIs, did not come from the system.
inline constexpr unsigned kMinMonitorDpi = 96;
inline constexpr unsigned kMaxMonitorDpi = 480;
bool IsMonitorDpi(unsigned xDpi, unsigned yDpi);

// A window of `width` x `height` wanted at (left, top), moved by as little as it takes to lie
// inside the work area. A window larger than the work area keeps its top-left corner there, so
// its caption stays reachable. An empty work area leaves it where it was wanted (as far as a
// rectangle of that size can be).
Rect FitIntoWorkArea(int left, int top, int width, int height, const Rect& work);

} // namespace placement
