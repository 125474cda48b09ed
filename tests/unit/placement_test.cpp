#include <gtest/gtest.h>

#include <climits>

#include "widgets/Placement.h"

namespace {

using placement::Rect;

TEST(Placement, OnlyTheDpisOfAMonitorAreTaken) {
    struct Case {
        unsigned x, y;
        bool taken;
    } cases[] = {
        {96, 96, true}, {120, 120, true}, {144, 144, true},  {480, 480, true},      {0, 0, false},
        {1, 1, false},  {95, 95, false},  {481, 481, false}, {65535, 65535, false}, {96, 144, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(placement::IsMonitorDpi(c.x, c.y), c.taken) << c.x << " x " << c.y;
    }
}

TEST(Placement, TheWindowIsMovedOntoTheWorkArea) {
    const Rect work{0, 0, 1024, 738};
    struct Case {
        const char* what;
        Rect window;
        Rect placed;
    } cases[] = {
        {"inside stays", {100, 50, 600, 550}, {100, 50, 600, 550}},
        {"far off to the top left", {-32768, -32768, -32268, -32268}, {0, 0, 500, 500}},
        {"far off to the bottom right", {30000, 30000, 30500, 30500}, {524, 238, 1024, 738}},
        {"half off the right edge", {800, 100, 1300, 600}, {524, 100, 1024, 600}},
        {"larger than the work area", {-50, -50, 1500, 1000}, {0, 0, 1550, 1050}},
        {"the extremes of a RECT", {INT_MIN, INT_MIN, INT_MIN + 500, INT_MIN + 500}, {0, 0, 500, 500}},
    };
    auto fit = [](const Rect& w, const Rect& area) {
        return placement::FitIntoWorkArea(w.left, w.top, w.right - w.left, w.bottom - w.top, area);
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fit(c.window, work), c.placed) << c.what;
    }
    // A work area on a monitor left of the primary one.
    EXPECT_EQ(fit({0, 0, 500, 500}, {-1920, 0, 0, 1040}), (Rect{-500, 0, 0, 500}));
    // No work area: nothing to fit into, but the rectangle stays one a RECT can hold.
    EXPECT_EQ(fit({5, 5, 10, 10}, {}), (Rect{5, 5, 10, 10}));
    EXPECT_EQ(placement::FitIntoWorkArea(INT_MAX, INT_MAX, 500, 400, {}),
              (Rect{INT_MAX - 500, INT_MAX - 400, INT_MAX, INT_MAX}));
}

} // namespace
