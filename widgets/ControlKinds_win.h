#pragma once
// What each kind of form control is made of: its window class and styles, the notification
// that counts as its event, whether it paints through an off-screen buffer, the step that
// finishes it after creation, and the button style of the styled kinds. The form builds its
// controls from this table; the end-to-end driver reports kinds by the same names.

#include <windows.h>

#include <string_view>

#include "widgets/ControlDesc.h"
#include "widgets/StyledButton_win.h"

class FormControl;

inline constexpr int kNoEvent = -1;

struct ControlKindInfo {
    ControlKind kind;
    std::string_view name;
    const wchar_t* className;
    DWORD style; // besides WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS
    DWORD exStyle;
    int eventCode;  // the WM_COMMAND notification that runs the control's handler; kNoEvent: none
    bool container; // holds other controls and passes their notifications back to them
    bool buffered;  // paints into an off-screen bitmap first: a text that changes never flickers
    void (*afterCreate)(FormControl& control); // nullptr: nothing to do
    // The look of a styled button of this kind, or of a toolbar's tool buttons; nullptr: none.
    const ButtonStyleDesc* buttonStyle = nullptr;
};

const ControlKindInfo& KindInfo(ControlKind kind);

// WM_COMMAND code of the read-only info box when it is clicked (EDIT has no click notification).
inline constexpr WORD kInfoClicked = 0x4001;
