#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "theme/ButtonStyles.h"
#include "theme/Colors.h"
#include "theme/Theme.h"

namespace {

//--- colour rules

TEST(ButtonColors, LighterMovesEachChannelTowardsWhiteRoundingHalvesUp) {
    struct Case {
        TColor color;
        int percent;
        TColor lighter;
    } cases[] = {
        {kAccentColor, 10, RGBColor(80, 144, 224)},  // 19.4, 12.3, 3.4 round down
        {kAccentColor, 50, RGBColor(158, 194, 238)}, // 61.5 rounds up
        {kAccentColor, 70, RGBColor(197, 218, 245)}, // 135.8, 86.1, 23.8
        {clBlack, 50, RGBColor(128, 128, 128)},      // 127.5 rounds up
        {clBlack, 70, RGBColor(179, 179, 179)},      // 178.5 rounds up
        {kAccentColor, 0, kAccentColor},
        {kAccentColor, 100, clWhite},
        {clWhite, 40, clWhite},
        {0x12DD843D, 10, RGBColor(80, 144, 224)}, // a stray top byte is dropped
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Lighter(c.color, c.percent), c.lighter) << std::hex << c.color << " " << std::dec << c.percent;
    }
}

TEST(ButtonColors, LighterLooksUpASystemColourFirst) {
    const SystemColorLookup grayText = [](int index) -> std::uint32_t {
        return index == kColorGrayText ? 0x006D6D6D : 0x00FF00FF;
    };
    EXPECT_EQ(ColorToRGB(SystemColor(kColorGrayText), grayText), 0x006D6D6Du);
    EXPECT_EQ(Lighter(SystemColor(kColorGrayText), 50, grayText), RGBColor(182, 182, 182));
    EXPECT_EQ(ColorToRGB(kAccentColor, grayText), kAccentColor) << "a plain colour is not looked up";
    EXPECT_EQ(ColorToRGB(SystemColor(kColorGrayText), nullptr), clBlack);
}

TEST(ButtonColors, GreyWeighsTheChannelsAndRoundsHalvesToEven) {
    struct Case {
        TColor color;
        TColor grey;
    } cases[] = {
        {RGBColor(158, 194, 238), RGBColor(188, 188, 188)}, // 188.252
        {RGBColor(197, 218, 245), RGBColor(215, 215, 215)}, // 214.799
        {RGBColor(128, 128, 128), RGBColor(128, 128, 128)},
        {RGBColor(179, 179, 179), RGBColor(179, 179, 179)},
        {RGBColor(255, 0, 0), RGBColor(76, 76, 76)},    // 76.245
        {RGBColor(0, 255, 0), RGBColor(150, 150, 150)}, // 149.685
        {RGBColor(0, 0, 255), RGBColor(29, 29, 29)},    // 29.07
        {RGBColor(1, 0, 0), RGBColor(0, 0, 0)},         // 0.299
        {RGBColor(0, 0, 5), RGBColor(1, 1, 1)},         // 0.57
        {RGBColor(5, 0, 5), RGBColor(2, 2, 2)},         // 2.065
        {RGBColor(0, 0, 250), RGBColor(28, 28, 28)},    // 28.5: halves to even, down
        {RGBColor(0, 8, 86), RGBColor(14, 14, 14)},     // 14.5: down
        {RGBColor(0, 12, 4), RGBColor(8, 8, 8)},        // 7.5: up
        {RGBColor(0, 2, 3) | 0x7F000000, 0x7F020202},   // 1.516, the top byte kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GrayScale(c.color), c.grey) << std::hex << c.color;
    }
}

//--- the Brenwick family's fifteen sets

using enum TButtonDrawStyle;
using enum TBorderDrawStyle;

struct Expected {
    TButtonDrawStyle fill;
    TColor button;
    TBorderDrawStyle border;
    TColor borderColor;
    TColor font;
};

// The tables, in TButtonState order: normal, pressed, selected, hot, disabled.
const Expected kNormal[] = {
    {btnSolid, 0x00DD843D, brdSolid, 0x00DD843D, 0x00FFFFFF}, {btnSolid, 0x00DD843D, brdSolid, 0x00DD843D, 0x00FFFFFF},
    {btnSolid, 0x00DD843D, brdSolid, 0x00DD843D, 0x00FFFFFF}, {btnSolid, 0x00E09050, brdSolid, 0x00DD843D, 0x00FFFFFF},
    {btnSolid, 0x00FFFFFF, brdSolid, 0x00C0C0C0, 0x00C0C0C0},
};
const Expected kHeader[] = {
    {btnClear, 0x00FFFFFF, brdSolid, 0x00000000, 0x00000000}, {btnSolid, 0x00DD843D, brdClear, 0x00DD843D, 0x00FFFFFF},
    {btnSolid, 0x00E09050, brdClear, 0x00DD843D, 0x00FFFFFF}, {btnSolid, 0x00DD843D, brdClear, 0x00DD843D, 0x00FFFFFF},
    {btnClear, 0x00FFFFFF, brdSolid, 0x00BCBCBC, 0x00808080},
};
const Expected kOutline[] = {
    {btnClear, 0x00DD843D, brdSolid, 0x00DD843D, 0x00000000}, {btnSolid, 0x00DD843D, brdSolid, 0x00DD843D, 0x00FFFFFF},
    {btnSolid, 0x00E09050, brdSolid, 0x00DD843D, 0x00FFFFFF}, {btnSolid, 0x00E09050, brdSolid, 0x00DD843D, 0x00FFFFFF},
    {btnClear, 0x00DD843D, brdSolid, 0x00D7D7D7, 0x00B3B3B3},
};
const char* const kStateNames[] = {"normal", "pressed", "selected", "hot", "disabled"};

std::array<TStyledButtonAttributes, kButtonStateCount> Build(std::string_view family, std::string_view cls,
                                                             std::string_view appearance) {
    std::array<TStyledButtonAttributes, kButtonStateCount> sets;
    // Made by the caller with values the family must overwrite, or (Radius, RoundedCorners) keep.
    for (auto& set : sets) {
        set.DrawType = TStyledButtonDrawType::btEllipse;
        set.BorderWidth = 7;
        set.FontStyle = fsBold | fsItalic;
        set.Radius = 11;
        set.RoundedCorners = rcTopLeft;
    }
    TBrenwickButtonStyles().BuildAttributes(family, cls, appearance, sets[0], sets[1], sets[2], sets[3], sets[4]);
    return sets;
}

// `radius` and `corners`: what the sets held before the family filled them.
void ExpectSets(const std::array<TStyledButtonAttributes, kButtonStateCount>& sets, const Expected (&table)[5],
                const std::string& what, int radius = 11, unsigned corners = rcTopLeft) {
    for (std::size_t i = 0; i < kButtonStateCount; ++i) {
        const auto& s = sets[i];
        const auto& e = table[i];
        SCOPED_TRACE(what + ", " + kStateNames[i]);
        EXPECT_EQ(s.DrawType, TStyledButtonDrawType::btRoundRect);
        EXPECT_EQ(s.ButtonDrawStyle, e.fill);
        EXPECT_EQ(s.ButtonColor, e.button);
        EXPECT_EQ(s.BorderDrawStyle, e.border);
        EXPECT_EQ(s.BorderColor, e.borderColor);
        EXPECT_EQ(s.FontColor, e.font);
        EXPECT_EQ(s.BorderWidth, 0);
        EXPECT_EQ(s.FontStyle, 0u);
        EXPECT_EQ(s.Radius, radius) << "the radius is the widget's, not the family's";
        EXPECT_EQ(s.RoundedCorners, corners);
    }
}

TEST(BrenwickButtonStyles, EachAppearanceFillsItsFiveSets) {
    ExpectSets(Build("Brenwick", "Primary", "Normal"), kNormal, "Normal");
    ExpectSets(Build("Brenwick", "Primary", "Header"), kHeader, "Header");
    ExpectSets(Build("Brenwick", "Primary", "Outline"), kOutline, "Outline");
}

TEST(BrenwickButtonStyles, AppearanceIsReadWithoutCaseAndAnyOtherNameIsNormal) {
    ExpectSets(Build("Brenwick", "Primary", "header"), kHeader, "header");
    ExpectSets(Build("Brenwick", "Primary", "OUTLINE"), kOutline, "OUTLINE");
    for (auto other : {"", "Flat", "Header ", "Outlined", "Normal"}) {
        ExpectSets(Build("Brenwick", "Primary", other), kNormal, std::string("\"") + other + "\"");
    }
    // Family and class are not looked at.
    ExpectSets(Build("", "", "Header"), kHeader, "no family, no class");
    ExpectSets(Build("Other", "Secondary", "Outline"), kOutline, "another family and class");
}

TEST(BrenwickButtonStyles, NamesListsAndDefaults) {
    const TBrenwickButtonStyles family;
    EXPECT_EQ(family.GetFamilyName(), "Brenwick");
    EXPECT_EQ(family.GetClasses(), (TButtonClasses{"Primary"}));
    EXPECT_EQ(family.GetAppearances(), (TButtonAppearances{"Normal", "Header", "Outline"}));
    EXPECT_EQ(&family.GetClasses(), &TBrenwickButtonStyles().GetClasses()) << "one shared list";
    for (int modalResult : {0, 1, 2, 7, -1, 1000}) {
        std::string cls = "x", appearance = "y";
        family.GetDefaultStyle(modalResult, cls, appearance);
        EXPECT_EQ(cls, "Primary") << modalResult;
        EXPECT_EQ(appearance, "Normal") << modalResult;
    }
}

//--- the registry

// A family with classes and appearances of its own, to tell the registry's rules from Brenwick's.
class RecordingFamily final : public IStyledButtonAttributes {
public:
    RecordingFamily(std::string name, TColor mark) : name_(std::move(name)), mark_(mark) {}
    void BuildAttributes(std::string_view Family, std::string_view Class, std::string_view Appearance,
                         TStyledButtonAttributes& Normal, TStyledButtonAttributes&, TStyledButtonAttributes&,
                         TStyledButtonAttributes&, TStyledButtonAttributes&) const override {
        asked = std::string(Family) + "/" + std::string(Class) + "/" + std::string(Appearance);
        Normal.ButtonColor = mark_;
    }
    std::string GetFamilyName() const override {
        ++nameQuestions;
        return name_;
    }
    const TButtonClasses& GetClasses() const override { return classes_; }
    const TButtonAppearances& GetAppearances() const override { return appearances_; }
    void GetDefaultStyle(int, std::string& Class, std::string& Appearance) const override {
        Class = "Basic";
        Appearance = "Plain";
    }
    mutable std::string asked;
    mutable int nameQuestions = 0;

private:
    std::string name_;
    TColor mark_;
    TButtonClasses classes_{"Basic", "Danger"};
    TButtonAppearances appearances_{"Plain", "RoundedTop"};
};

TEST(ButtonFamilyRegistry, FindsTheFirstFamilyOfANameIgnoringCase) {
    TButtonFamilyRegistry registry;
    auto first = std::make_shared<RecordingFamily>("Bootstrap", 1);
    auto second = std::make_shared<RecordingFamily>("BOOTSTRAP", 2);
    registry.Register(first);
    registry.Register(second);
    registry.Register(nullptr);
    EXPECT_EQ(first->nameQuestions, 1) << "the name is asked once, at registration";
    EXPECT_EQ(registry.Find("bootstrap"), first.get());
    EXPECT_EQ(registry.Find("Bootstrap"), first.get());
    EXPECT_EQ(registry.Find("Bootstra"), nullptr);
    EXPECT_EQ(registry.Find(""), nullptr);
    EXPECT_FALSE(registry.Resolve("Brenwick", "", "").has_value());
    const auto style = registry.Resolve("bootSTRAP", "", "");
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(style->For(TButtonState::Normal).ButtonColor, 1u);
    EXPECT_EQ(style->Family, "Bootstrap") << "the family's own spelling";
}

TEST(ButtonFamilyRegistry, ClassAndAppearanceTakeTheFamilysSpellingOrItsDefaults) {
    TButtonFamilyRegistry registry;
    auto family = std::make_shared<RecordingFamily>("Bootstrap", 1);
    registry.Register(family);
    struct Case {
        const char* cls;
        const char* appearance;
        const char* asked; // what BuildAttributes was given
    } cases[] = {
        {"danger", "roundedtop", "Bootstrap/Danger/RoundedTop"}, {"DANGER", "Plain", "Bootstrap/Danger/Plain"},
        {"Warning", "Outline", "Bootstrap/Basic/Plain"},         {"", "", "Bootstrap/Basic/Plain"},
        {"Danger ", "RoundedTop", "Bootstrap/Basic/RoundedTop"},
    };
    for (const auto& c : cases) {
        const auto style = registry.Resolve("bootstrap", c.cls, c.appearance);
        ASSERT_TRUE(style.has_value()) << c.cls;
        EXPECT_EQ(family->asked, c.asked) << c.cls << " / " << c.appearance;
        EXPECT_EQ(style->Family + "/" + style->Class + "/" + style->Appearance, c.asked);
    }
}

TEST(ButtonFamilyRegistry, TheProgramsRegistryKnowsBrenwick) {
    // A widget that writes the family in small letters and names a class Brenwick lacks.
    const auto style = ButtonFamilies().Resolve("brenwick", "Secondary", "header");
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(style->Family, "Brenwick");
    EXPECT_EQ(style->Class, "Primary");
    EXPECT_EQ(style->Appearance, "Header");
    ExpectSets(style->Sets, kHeader, "resolved Header", 6, kAllCorners); // fresh sets
    // The two widgets of the main window.
    const auto outline = ButtonFamilies().Resolve("Brenwick", "", "Outline");
    ASSERT_TRUE(outline.has_value());
    EXPECT_EQ(outline->Class, "Primary");
    EXPECT_EQ(outline->For(TButtonState::Normal).ButtonDrawStyle, btnClear);
    EXPECT_EQ(outline->For(TButtonState::Normal).FontColor, clBlack);
    EXPECT_EQ(outline->For(TButtonState::Hot).ButtonDrawStyle, btnSolid);
    EXPECT_EQ(outline->For(TButtonState::Hot).ButtonColor, 0x00E09050u);
    EXPECT_EQ(outline->For(TButtonState::Hot).FontColor, clWhite);
    EXPECT_EQ(ButtonFamilies().Resolve("Brenwick", "Primary", "Unknown")->Appearance, "Normal");
}

//--- the accent line

TEST(FormTheme, AccentLineIsBlueWhileActiveGreyWhileNotAndOnlyWithABorder) {
    EXPECT_EQ(theme::AccentLineFor(true, true, 96).color, 0x00DD843Du);
    EXPECT_EQ(theme::AccentLineFor(false, true, 96).color, 0xFF000011u);
    EXPECT_EQ(ColorToRGB(theme::AccentLineFor(false, true, 96).color,
                         [](int index) -> std::uint32_t { return index == 17 ? 0x006D6D6D : 0; }),
              0x006D6D6Du);
    EXPECT_TRUE(theme::AccentLineFor(true, true, 96).visible);
    EXPECT_FALSE(theme::AccentLineFor(true, false, 96).visible);
    EXPECT_FALSE(theme::AccentLineFor(false, false, 96).visible);
}

TEST(FormTheme, AccentLineIsTwoPixelsAtNinetySixDpiScaledAsTheForm) {
    struct Case {
        unsigned dpi;
        int height;
    } cases[] = {{96, 2}, {120, 3}, {144, 3}, {168, 4}, {192, 4}, {240, 5}, {288, 6}, {72, 2}, {0, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(theme::AccentLineFor(true, true, c.dpi).height, c.height) << c.dpi;
    }
}

} // namespace
