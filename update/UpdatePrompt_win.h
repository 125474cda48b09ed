#pragma once
// UpdateDialog: the modal Yes/No question whether to download a new version. A standard
// message box, made over while it is created: its own caption and button texts, a white
// background, and what the answer's "info" object adds (a hold check box or a link line below
// a grey line, staying on top).

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// The extras' control identifiers: clear of the message box's own (IDOK .. IDCONTINUE, IDHELP).
inline constexpr int kPromptSeparatorId = 0x5E10;
inline constexpr int kPromptHoldBoxId = 0x5E11;
inline constexpr int kPromptNoteLinkId = 0x5E12;

struct UpdatePromptArgs {
    HWND owner = nullptr;               // the main window: disabled while the prompt is open
    std::wstring_view data;             // the server's answer
    int layoutOffset = 10;              // taken off the extras' layout values (see UpdatePromptLayout.h)
    bool mainWindowShownAtStart = true; // false: a stay-on-top prompt gets a taskbar button
    std::wstring language;              // of the texts; empty: CurrentLanguage()
    // The hold check box was ticked when the prompt closed, whatever the answer.
    std::function<void()> onHold;
    // The link line was clicked; only ever given an http:// or https:// URL.
    std::function<void(const std::wstring& url)> onOpenUrl;
};

// Shows the prompt and waits for the answer: true for Yes; No, Escape and the close button
// give false. Throws EConvertError (update/JsonField.h) for a malformed escape in the answer's
// "info" fields, before anything is shown; an exception from onHold reaches the caller too.
bool UpdateDialog(const UpdatePromptArgs& args);
