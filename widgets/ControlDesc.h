#pragma once
// One control of a declarative form: kind, parent, position at 96 DPI, design caption and
// the name of the handler it is bound to.

#include <cstddef>
#include <span>
#include <string_view>

enum class ControlKind {
    Panel,        // plain white container
    Toolbar,      // container of tool buttons forming one exclusive group
    ToolButton,   // header button; pressed state shown
    Image,        // the logo, clickable
    PageControl,  // container showing one of its pages
    Page,         // one page of a PageControl
    Label,        // static text
    ProgressBar,  // smooth bar, range 0..100
    StyledButton, // the big clean button
    GroupBox,     // framed group with a caption, container of its rows
    CheckBox,
    ComboBox, // drop-down list: pick an item only
    InfoEdit, // borderless read-only single-line text box
};

// A control's position in its form's table.
struct ControlIndex {
    std::size_t value;
};

struct FormRect {
    int x, y, width, height;
};

// Flags of a control.
enum : unsigned {
    kCtlNone = 0,
    kCtlCentered = 1u << 0, // text centred
    kCtlOwnFont = 1u << 1,  // keeps its own font when the window switches to the desktop font
    kCtlDown = 1u << 2,     // tool button pressed at start
    kCtlHandCursor = 1u << 3,
    kCtlDisabled = 1u << 4, // disabled at start
};

struct ControlDesc {
    std::string_view name;
    ControlKind kind;
    std::string_view parent; // empty: the window itself
    FormRect bounds;         // relative to the parent's client area, at 96 DPI
    std::wstring_view caption;
    std::string_view handler; // empty: no handler
    unsigned flags = kCtlNone;
    std::span<const std::wstring_view> items = {}; // combo box items
    int selected = -1;                             // combo box selection at start
    int id = 0;                                    // control identifier (WM_COMMAND, GetDlgItem)
};

struct MenuItemDesc {
    std::string_view name;
    std::wstring_view caption; // L"-" is a separator
    std::string_view handler;
    int id = 0;
};

struct FontDesc {
    std::wstring_view face;
    int heightPx; // cell height in pixels at 96 DPI (positive: cell height, as the window font)
    bool antialiased;
};
