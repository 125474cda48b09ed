#pragma once
// The update prompt's and the notice line's own texts, in eight languages (not from the
// translation catalog).

#include <string_view>

enum class UpdateTextKind {
    PromptMessage = 0, // paragraphs separated by two carriage returns
    StatusLine = 1,    // the notice line: "Update available"
    YesButton = 2,
    NoButton = 3,
};

// The text of `kind` for the interface language `language` (exact, case-sensitive: "ko", "ja",
// "zh", "de", "ru", "it", "fr"); English for any other code.
std::wstring_view UpdateText(UpdateTextKind kind, std::wstring_view language);
