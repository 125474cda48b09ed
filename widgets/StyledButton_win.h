#pragma once
// The styled button and the styled toolbar's tool buttons. Each stays a real BUTTON control, so
// the keyboard (Tab, Space, Enter), the check and hot states and screen readers work as for any
// button; only its face is the program's: the attribute set its style family gives for the
// state it is in, drawn anti-aliased at its radius into an off-screen bitmap and put on the
// screen in one copy. The face is drawn through common-controls custom draw (NM_CUSTOMDRAW,
// which Windows and Wine both send for every paint of a version 6 button, focus and state
// changes included), so the parent must pass WM_NOTIFY back to the button as
// kReflectBase + WM_NOTIFY (FormControls' containers do).
//
// The focus shows (the Selected set and a ring inside the face) only when the keyboard moved it
// there, or the window's UI state (WM_UPDATEUISTATE) says keyboard cues are on.

#include <windows.h>

#include <string_view>

struct ButtonStyleDesc {
    std::string_view family;
    std::string_view cls; // empty: the family's default class
    std::string_view appearance;
    int radius; // of the corners at 96 DPI
};

// A button of a group (the header's tool buttons): the arrow keys move the focus among the
// enabled group members with the same parent, round the ends, without clicking any.
inline constexpr unsigned kStyledInGroup = 1u << 0;

// Gives `button` the face `style` names. False, and the system's look kept, when the family is
// not registered or the control is not a button.
bool AttachStyledButton(HWND button, const ButtonStyleDesc& style, unsigned options = 0);

// Whether `button` shows its focus now (the keyboard moved it there): what it paints.
bool StyledButtonShowsFocus(HWND button);
