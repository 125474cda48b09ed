#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/FormDescription.h"

namespace {

TEST(FormDescription, NamesAndIdsAreUniqueAndParentsComeFirst) {
    std::set<std::string_view> seen;
    std::set<int> ids;
    for (const auto& c : form::Controls()) {
        EXPECT_TRUE(seen.insert(c.name).second) << c.name;
        EXPECT_TRUE(ids.insert(c.id).second) << c.name;
        EXPECT_GT(c.id, 0) << c.name;
        if (!c.parent.empty()) {
            EXPECT_TRUE(seen.count(c.parent)) << c.name << " comes before its parent " << c.parent;
        }
    }
    for (const auto& m : form::PopupMenu()) {
        EXPECT_FALSE(ids.count(m.id)) << m.name << " shares an id with a control";
    }
}

TEST(FormDescription, EveryControlLiesInsideItsParent) {
    for (const auto& c : form::Controls()) {
        int width = form::kClientWidth, height = form::kClientHeight;
        if (!c.parent.empty()) {
            const auto* parent = form::FindControl(c.parent);
            ASSERT_NE(parent, nullptr) << c.name;
            width = parent->bounds.width;
            height = parent->bounds.height;
        }
        EXPECT_GE(c.bounds.x, 0) << c.name;
        EXPECT_GE(c.bounds.y, 0) << c.name;
        EXPECT_LE(c.bounds.x + c.bounds.width, width) << c.name;
        EXPECT_LE(c.bounds.y + c.bounds.height, height) << c.name;
    }
}

TEST(FormDescription, ComboBoxesStartOnTheDefaultItems) {
    struct Case {
        const char* name;
        const wchar_t* shown;
    } cases[] = {{"EditUsagePhys", L"90"}, {"EditUsagePage", L"90"}, {"EditUsageWork", L"90"}, {"EditMinute", L"30"}};
    for (const auto& c : cases) {
        const auto* combo = form::FindControl(c.name);
        ASSERT_NE(combo, nullptr) << c.name;
        ASSERT_EQ(combo->items.size(), 7u) << c.name;
        ASSERT_GE(combo->selected, 0);
        EXPECT_EQ(combo->items[static_cast<std::size_t>(combo->selected)], c.shown) << c.name;
        EXPECT_TRUE(combo->flags & kCtlDisabled) << c.name;
    }
}

TEST(FormDescription, HeaderButtonsShareOneHandlerAndOnlyHomeStartsDown) {
    for (auto name : {"BtnHome", "BtnConfig", "BtnDonate"}) {
        const auto* b = form::FindControl(name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->handler, "BtnHomeClick");
        EXPECT_EQ(b->parent, "BtnHead");
        EXPECT_EQ((b->flags & kCtlDown) != 0, std::string_view(name) == "BtnHome") << name;
    }
}

TEST(FormDescription, HeaderActionComparesNamesWithoutCase) {
    struct Case {
        const char* name;
        form::HeaderAction action;
    } cases[] = {
        {"BtnHome", form::HeaderAction::Home},     {"btnhome", form::HeaderAction::Home},
        {"BTNCONFIG", form::HeaderAction::Config}, {"BtnDonate", form::HeaderAction::Donate},
        {"BtnDonate2", form::HeaderAction::None},  {"", form::HeaderAction::None},
        {"BtnClean", form::HeaderAction::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(form::HeaderActionFor(c.name), c.action) << c.name;
    }
}

TEST(FormDescription, PopupMenuHasOpenSeparatorCreditAndQuit) {
    auto menu = form::PopupMenu();
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].name, "BtnOpen");
    EXPECT_EQ(menu[1].caption, L"-");
    EXPECT_EQ(menu[2].caption, L"만든이 Orvel");
    EXPECT_EQ(menu[3].caption, L"종료");
    EXPECT_EQ(menu[3].handler, "BtnCloseClick");
}

// Names are checked when the program compiles; this checks the lookup finds the same row.
TEST(FormDescription, CompileTimeIndexIsTheTableRow) {
    constexpr ControlIndex clean = form::Ctl("BtnClean");
    ASSERT_LT(clean.value, form::Controls().size());
    EXPECT_EQ(&form::Controls()[clean.value], form::FindControl("BtnClean"));
    static_assert(form::Handler("BtnCloseClick") == "BtnCloseClick"); // a menu item's handler
}

} // namespace
