#include <gtest/gtest.h>

#include "update/UpdatePromptLayout.h"

namespace {

using update_prompt::Extra;

TEST(UpdatePromptLayout, TheStyleIsComparedExactly) {
    struct Case {
        const wchar_t* style;
        Extra extra;
    } cases[] = {
        {L"", Extra::None},      {L"hold", Extra::HoldBox}, {L"note", Extra::NoteLink}, {L"Hold", Extra::Space},
        {L"NOTE", Extra::Space}, {L" hold", Extra::Space},  {L"holding", Extra::Space}, {L"x", Extra::Space},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(update_prompt::ExtraFor(c.style), c.extra) << c.style;
    }
}

TEST(UpdatePromptLayout, StayOnTopIsAWordAnywhereInTheFlagInLowerCase) {
    struct Case {
        const wchar_t* flag;
        bool onTop;
    } cases[] = {
        {L"stayontop", true},  {L"beta,stayontop", true}, {L"stayontop,beta", true}, {L"xstayontopx", true},
        {L"StayOnTop", false}, {L"STAYONTOP", false},     {L"stay on top", false},   {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(update_prompt::StaysOnTop(c.flag), c.onTop) << c.flag;
    }
}

TEST(UpdatePromptLayout, ScaleIsInWholePercentRounded) {
    struct Case {
        unsigned dpi;
        int percent;
    } cases[] = {{96, 100}, {120, 125}, {144, 150}, {168, 175}, {192, 200}, {100, 104}, {97, 101}, {480, 500}};
    for (const auto& c : cases) {
        EXPECT_EQ(update_prompt::ScalePercent(c.dpi), c.percent) << c.dpi;
    }
    struct Value {
        int value, percent, scaled;
    } values[] = {{30, 100, 30}, {30, 150, 45}, {5, 150, 8}, {-5, 150, -8}, {10, 125, 13},
                  {66, 125, 83}, {0, 150, 0},   {1, 104, 1}, {56, 175, 98}, {-30, 100, -30}};
    for (const auto& v : values) {
        EXPECT_EQ(update_prompt::ScaleToPercent(v.value, v.percent), v.scaled) << v.value << " at " << v.percent;
    }
}

TEST(UpdatePromptLayout, TheExtrasAreMeasuredUpFromTheGrownOuterHeight) {
    // With the main window's offset of 10: grows by 30, the line 66 and the extra 56 above the
    // bottom at 96 DPI; 45, 99 and 84 at 144.
    struct Case {
        unsigned dpi;
        int growth, separatorAbove, extraAbove, left;
    } cases[] = {{96, 30, 66, 56, 10}, {144, 45, 99, 84, 15}, {120, 38, 83, 70, 13}};
    for (const auto& c : cases) {
        const auto p = update_prompt::PlaceExtras(400, 150, 10, update_prompt::ScalePercent(c.dpi));
        EXPECT_EQ(p.growth, c.growth) << c.dpi;
        EXPECT_EQ(p.outerHeight, 150 + c.growth) << c.dpi;
        EXPECT_EQ(p.outerHeight - p.separatorTop, c.separatorAbove) << c.dpi;
        EXPECT_EQ(p.outerHeight - p.extraTop, c.extraAbove) << c.dpi;
        EXPECT_EQ(p.extraLeft, c.left) << c.dpi;
        EXPECT_EQ(p.separatorLeft, 0) << c.dpi;
        EXPECT_EQ(p.separatorHeight, 1) << c.dpi; // not scaled
        EXPECT_EQ(p.separatorWidth, 400) << c.dpi;
        EXPECT_EQ(p.checkBoxWidth, 400) << c.dpi;
    }
    // Another offset moves all three by the same amount.
    const auto p = update_prompt::PlaceExtras(400, 150, 0, 100);
    EXPECT_EQ(p.growth, 40);
    EXPECT_EQ(p.outerHeight - p.separatorTop, 76);
    EXPECT_EQ(p.outerHeight - p.extraTop, 66);
}

} // namespace
