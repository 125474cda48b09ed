#pragma once
// The live control tree of a declarative form: one FormControl per table row, with its
// window, its parent and children, and the handler bound to it by name.

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/ControlDesc.h"

class PaintBuffer;

class FormControl {
public:
    using Handler = std::function<void(FormControl& sender)>;

    explicit FormControl(const ControlDesc& d) : desc(d) {}

    const ControlDesc& desc;
    HWND hwnd = nullptr;
    FormControl* parent = nullptr;
    std::vector<FormControl*> children;
    Handler onEvent;
    COLORREF textColor = CLR_INVALID; // CLR_INVALID: the system's text colour
    int tag = 0;
    PaintBuffer* paintBuffer = nullptr; // its form's, for the kinds painted off-screen first

    std::string_view Name() const { return desc.name; }

    std::wstring Text() const;
    // Sets the text only when it differs, so an unchanged label is not repainted.
    void SetText(std::wstring_view text);

    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Checked() const;
    void SetChecked(bool checked);
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    std::wstring SelectedText() const;
    std::vector<std::wstring> Items() const;
    void SetItems(std::span<const std::wstring> items);
};

class FormControls {
public:
    FormControls();
    ~FormControls();
    FormControls(const FormControls&) = delete;
    FormControls& operator=(const FormControls&) = delete;

    // Creates every control of `table` (parents before children) inside `window`.
    void Create(HWND window, std::span<const ControlDesc> table);
    // Positions every control for `dpi`; labels grow to the line height of their font.
    void Layout(UINT dpi);
    // `desktop` for every control, `own` for controls that keep their own font.
    void ApplyFonts(HFONT desktop, HFONT own);

    FormControl* Find(std::string_view name);
    // The control of a table row, by its position (the form's compile-time lookup gives it).
    FormControl& Get(ControlIndex index) const { return *controls_.at(index.value); }
    FormControl* FromId(int id);
    FormControl* FromHwnd(HWND hwnd);
    std::span<const std::unique_ptr<FormControl>> All() const { return controls_; }

    // Binds `handler` to every control whose table row names `handlerName`; returns how many.
    int Bind(std::string_view handlerName, FormControl::Handler handler);
    // Handler names of the table with nothing bound to them.
    std::vector<std::string_view> UnboundHandlers() const;

    // Routes a WM_COMMAND from a control to its bound handler; true when it was a control's.
    static bool OnCommand(WPARAM wParam, LPARAM lParam);

private:
    std::vector<std::unique_ptr<FormControl>> controls_;
    std::unique_ptr<PaintBuffer> paintBuffer_;
    int lineHeight_ = 0;
};

// The window class of panels, toolbars and pages: plain white containers.
inline constexpr wchar_t kPanelClass[] = L"RamBroomPanel";

// A control's own notifications (its WM_COMMAND codes, its WM_NOTIFY ones such as custom draw,
// its WM_CTLCOLOR* colours) go back to it as kReflectBase + the message, so its handler, its
// drawing and its colours live with the control.
// (The base is the one OLE controls use for reflected messages.)
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

// Called by every window that holds form controls (the form itself, its containers): sends a
// child's notification back to the child when the child is a form control. True when it was
// one; `result` is then the answer.
bool ReflectToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
