#pragma once
// Button style families. A styled button carries no colours of its own: it names a family, a
// class and an appearance, and the family fills five attribute sets, one per button state. The
// program's own family is "Brenwick" (TBrenwickButtonStyles), the blue accent look of the main
// window's buttons; the registry finds a family by name and corrects class and appearance to
// what the family knows.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "theme/Colors.h"

enum class TStyledButtonDrawType { btRoundRect = 0, btRounded = 1, btRect = 2, btEllipse = 3 };
enum class TButtonDrawStyle { btnClear = 0, btnSolid = 1 }; // btnSolid: filled with ButtonColor
enum class TBorderDrawStyle { brdClear = 0, brdSolid = 1 }; // brdSolid: a border in BorderColor

// FontStyle bits.
enum : unsigned { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };
// RoundedCorners bits.
enum : unsigned { rcTopLeft = 1u << 0, rcTopRight = 1u << 1, rcBottomLeft = 1u << 2, rcBottomRight = 1u << 3 };
inline constexpr unsigned kAllCorners = rcTopLeft | rcTopRight | rcBottomLeft | rcBottomRight;

// How a button looks in one state. The defaults are those of a freshly made set; a family writes
// what it decides and leaves Radius and RoundedCorners alone (the widget's own radius is drawn).
struct TStyledButtonAttributes {
    TStyledButtonDrawType DrawType = TStyledButtonDrawType::btRoundRect;
    TButtonDrawStyle ButtonDrawStyle = TButtonDrawStyle::btnSolid;
    TBorderDrawStyle BorderDrawStyle = TBorderDrawStyle::brdSolid;
    TColor ButtonColor = clWhite; // stored, not painted, under btnClear
    TColor BorderColor = clBlack;
    TColor FontColor = clBlack;
    int BorderWidth = 1; // 0: the thinnest line the display draws
    unsigned FontStyle = 0;
    int Radius = 6;
    unsigned RoundedCorners = kAllCorners;

    bool operator==(const TStyledButtonAttributes&) const = default;
};

using TButtonClasses = std::vector<std::string>;
using TButtonAppearances = std::vector<std::string>;

// A style family: what a styled button asks to learn how it looks.
class IStyledButtonAttributes {
public:
    virtual ~IStyledButtonAttributes() = default;
    // Fills the five sets (each made by the caller) for the class and appearance named.
    virtual void BuildAttributes(std::string_view Family, std::string_view Class, std::string_view Appearance,
                                 TStyledButtonAttributes& Normal, TStyledButtonAttributes& Pressed,
                                 TStyledButtonAttributes& Selected, TStyledButtonAttributes& Hot,
                                 TStyledButtonAttributes& Disabled) const = 0;
    virtual std::string GetFamilyName() const = 0;
    // The lists are the family's own; callers only read them.
    virtual const TButtonClasses& GetClasses() const = 0;
    virtual const TButtonAppearances& GetAppearances() const = 0;
    virtual void GetDefaultStyle(int ModalResult, std::string& Class, std::string& Appearance) const = 0;
};

// "Brenwick": one class ("Primary"), three appearances ("Normal", "Header", "Outline"), all in
// the accent blue. Stateless: every answer comes from constants.
class TBrenwickButtonStyles final : public IStyledButtonAttributes {
public:
    static constexpr std::string_view kFamilyName = "Brenwick";

    void BuildAttributes(std::string_view Family, std::string_view Class, std::string_view Appearance,
                         TStyledButtonAttributes& Normal, TStyledButtonAttributes& Pressed,
                         TStyledButtonAttributes& Selected, TStyledButtonAttributes& Hot,
                         TStyledButtonAttributes& Disabled) const override;
    std::string GetFamilyName() const override;
    const TButtonClasses& GetClasses() const override;
    const TButtonAppearances& GetAppearances() const override;
    void GetDefaultStyle(int ModalResult, std::string& Class, std::string& Appearance) const override;
};

// The states a styled button is drawn in, in the order BuildAttributes fills them.
enum class TButtonState { Normal, Pressed, Selected, Hot, Disabled };
inline constexpr std::size_t kButtonStateCount = 5;

// A styled button's look once its family answered: the names as the family spells them and the
// five sets, indexed by TButtonState.
struct TButtonStyle {
    std::string Family, Class, Appearance;
    std::array<TStyledButtonAttributes, kButtonStateCount> Sets;

    const TStyledButtonAttributes& For(TButtonState state) const { return Sets[static_cast<std::size_t>(state)]; }
};

// The families known to the program, in the order they were registered.
class TButtonFamilyRegistry {
public:
    // Asks the family for its name once and keeps it with the family.
    void Register(std::shared_ptr<const IStyledButtonAttributes> family);
    // The first family registered under `name`, ignoring letter case; nullptr when none.
    const IStyledButtonAttributes* Find(std::string_view name) const;
    // The look of a button naming `family`, `cls` and `appearance`: the class and appearance take
    // the family's spelling of the entry they equal ignoring case, or the family's defaults when
    // they equal none. Nothing when no family has that name.
    std::optional<TButtonStyle> Resolve(std::string_view family, std::string_view cls,
                                        std::string_view appearance) const;

private:
    struct Entry {
        std::string name;
        std::shared_ptr<const IStyledButtonAttributes> family;
    };
    const Entry* FindEntry(std::string_view name) const;

    std::vector<Entry> entries_;
};

// The program's registry, with the Brenwick family registered on first use.
const TButtonFamilyRegistry& ButtonFamilies();

// ASCII letters compared without case, as family, class and appearance names are.
bool SameText(std::string_view a, std::string_view b);
