#include "theme/ButtonStyles.h"

#include <utility>

namespace {

const TButtonClasses kClasses = {"Primary"};
const TButtonAppearances kAppearances = {"Normal", "Header", "Outline"};
constexpr std::string_view kDefaultClass = "Primary";
constexpr std::string_view kDefaultAppearance = "Normal";

enum class Look { Normal, Header, Outline };

Look LookOf(std::string_view appearance) {
    if (SameText(appearance, "Header")) {
        return Look::Header;
    }
    if (SameText(appearance, "Outline")) {
        return Look::Outline;
    }
    return Look::Normal; // any other name too
}

// What the normal state of each appearance writes.
struct NormalLook {
    TButtonDrawStyle fill;
    TColor buttonColor;
    TColor borderColor;
    TColor fontColor;
};

NormalLook NormalLookOf(Look look) {
    using enum TButtonDrawStyle;
    switch (look) {
    case Look::Header:
        return {btnClear, clWhite, clBlack, clBlack};
    case Look::Outline:
        return {btnClear, kAccentColor, kAccentColor, clBlack};
    case Look::Normal:
        break;
    }
    return {btnSolid, kAccentColor, kAccentColor, clWhite};
}

// A filled, borderless set in the accent (or `fill`) with white text: the header's active states.
void SolidWithoutBorder(TStyledButtonAttributes& set, TColor fill) {
    set.ButtonDrawStyle = TButtonDrawStyle::btnSolid;
    set.BorderDrawStyle = TBorderDrawStyle::brdClear;
    set.ButtonColor = fill;
    set.BorderColor = kAccentColor;
    set.FontColor = clWhite;
}

} // namespace

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

//--- TBrenwickButtonStyles

void TBrenwickButtonStyles::BuildAttributes(std::string_view, std::string_view, std::string_view Appearance,
                                            TStyledButtonAttributes& Normal, TStyledButtonAttributes& Pressed,
                                            TStyledButtonAttributes& Selected, TStyledButtonAttributes& Hot,
                                            TStyledButtonAttributes& Disabled) const {
    const Look chosen = LookOf(Appearance);
    const NormalLook look = NormalLookOf(chosen);
    Normal.DrawType = TStyledButtonDrawType::btRoundRect;
    Normal.ButtonDrawStyle = look.fill;
    Normal.BorderDrawStyle = TBorderDrawStyle::brdSolid;
    Normal.ButtonColor = look.buttonColor;
    Normal.BorderColor = look.borderColor;
    Normal.BorderWidth = 0;
    Normal.FontColor = look.fontColor;
    Normal.FontStyle = 0;
    Pressed = Selected = Hot = Disabled = Normal;

    const TColor accentLighter = Lighter(kAccentColor, 10);
    switch (chosen) {
    case Look::Normal:
        Hot.ButtonColor = accentLighter;
        Disabled.ButtonColor = clWhite;
        Disabled.BorderColor = clSilver;
        Disabled.FontColor = clSilver;
        Disabled.BorderWidth = 0;
        break;
    case Look::Header:
        SolidWithoutBorder(Pressed, kAccentColor);
        SolidWithoutBorder(Hot, kAccentColor);
        SolidWithoutBorder(Selected, accentLighter);
        Disabled.BorderColor = GrayScale(Lighter(kAccentColor, 50));
        Disabled.FontColor = GrayScale(Lighter(clBlack, 50));
        break;
    case Look::Outline:
        Pressed.ButtonDrawStyle = TButtonDrawStyle::btnSolid;
        Pressed.FontColor = clWhite;
        for (TStyledButtonAttributes* set : {&Hot, &Selected}) {
            set->ButtonDrawStyle = TButtonDrawStyle::btnSolid;
            set->ButtonColor = accentLighter;
            set->FontColor = clWhite;
        }
        Disabled.BorderColor = GrayScale(Lighter(kAccentColor, 70));
        Disabled.FontColor = GrayScale(Lighter(clBlack, 70));
        break;
    }
}

std::string TBrenwickButtonStyles::GetFamilyName() const { return std::string(kFamilyName); }
const TButtonClasses& TBrenwickButtonStyles::GetClasses() const { return kClasses; }
const TButtonAppearances& TBrenwickButtonStyles::GetAppearances() const { return kAppearances; }

void TBrenwickButtonStyles::GetDefaultStyle(int, std::string& Class, std::string& Appearance) const {
    Class = kDefaultClass;
    Appearance = kDefaultAppearance;
}

//--- TButtonFamilyRegistry

void TButtonFamilyRegistry::Register(std::shared_ptr<const IStyledButtonAttributes> family) {
    if (family) {
        std::string name = family->GetFamilyName();
        entries_.push_back({std::move(name), std::move(family)});
    }
}

const TButtonFamilyRegistry::Entry* TButtonFamilyRegistry::FindEntry(std::string_view name) const {
    for (const auto& entry : entries_) {
        if (SameText(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

const IStyledButtonAttributes* TButtonFamilyRegistry::Find(std::string_view name) const {
    const Entry* entry = FindEntry(name);
    return entry ? entry->family.get() : nullptr;
}

std::optional<TButtonStyle> TButtonFamilyRegistry::Resolve(std::string_view family, std::string_view cls,
                                                           std::string_view appearance) const {
    const Entry* entry = FindEntry(family);
    if (!entry) {
        return std::nullopt;
    }
    TButtonStyle style;
    style.Family = entry->name;
    entry->family->GetDefaultStyle(0, style.Class, style.Appearance);
    // The family's own spelling of a name it knows; its default for one it does not.
    auto correct = [](std::string_view asked, const std::vector<std::string>& known, std::string& out) {
        for (const auto& name : known) {
            if (SameText(name, asked)) {
                out = name;
                return;
            }
        }
    };
    correct(cls, entry->family->GetClasses(), style.Class);
    correct(appearance, entry->family->GetAppearances(), style.Appearance);
    auto& s = style.Sets;
    using enum TButtonState;
    auto at = [&s](TButtonState state) -> TStyledButtonAttributes& { return s[static_cast<std::size_t>(state)]; };
    entry->family->BuildAttributes(style.Family, style.Class, style.Appearance, at(Normal), at(Pressed), at(Selected),
                                   at(Hot), at(Disabled));
    return style;
}

const TButtonFamilyRegistry& ButtonFamilies() {
    static const TButtonFamilyRegistry registry = [] {
        TButtonFamilyRegistry r;
        r.Register(std::make_shared<TBrenwickButtonStyles>());
        return r;
    }();
    return registry;
}
