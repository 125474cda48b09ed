#pragma once
// The update prompt's decisions and arithmetic, apart from the window: which extra the answer's
// "info" asks for, whether the prompt stays on top, and where the extras go at the prompt's DPI.

#include <string_view>

namespace update_prompt {

// What the "style" field adds below the buttons. Compared exactly ("Hold" is not "hold").
enum class Extra {
    None,     // empty style: the plain question
    Space,    // any other style: the extra height and the separator line only
    HoldBox,  // "hold": plus a check box that asks the server to hold the update
    NoteLink, // "note": plus a link line that opens the "url" field
};
Extra ExtraFor(std::wstring_view style);

// The "flag" field holds "stayontop" anywhere in it, in exactly that case.
bool StaysOnTop(std::wstring_view flag);

// The scale of `dpi` in whole percent of 96 DPI, rounded (150 at 144).
int ScalePercent(unsigned dpi);
// `value` scaled to `percent`: value x percent / 100, rounded to the nearest, halves away from 0.
int ScaleToPercent(int value, int percent);

// Where the extras go, for a prompt of the given outer size before it grows. Tops are counted
// from the top of the client area but measured up from the grown outer height, as the layout
// values are given; the separator spans the outer width and is one pixel high at any DPI.
struct Placement {
    int growth = 0;       // added to the outer height
    int outerHeight = 0;  // after growing
    int separatorTop = 0; // outerHeight - S(76 - layoutOffset)
    int separatorLeft = 0;
    int separatorWidth = 0;
    int separatorHeight = 1;
    int extraTop = 0; // the check box's or the link line's: outerHeight - S(66 - layoutOffset)
    int extraLeft = 0;
    int checkBoxWidth = 0; // the outer width

    bool operator==(const Placement&) const = default;
};
Placement PlaceExtras(int outerWidth, int outerHeight, int layoutOffset, int percent);

} // namespace update_prompt
