#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "widgets/CaptionFit.h"

namespace {

using caption_fit::Item;

struct Span {
    int left, width;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& s) { return out << "{" << s.left << ", " << s.width << "}"; }

std::vector<Span> Spans(const std::vector<Item>& items) {
    std::vector<Span> spans;
    for (const auto& i : items) {
        spans.push_back({i.left, i.width});
    }
    return spans;
}

// The settings page's rows at 96 DPI: check boxes with a list to their right, and the row of
// two check boxes in a 473 pixel wide group.
TEST(CaptionFit, CaptionsGrowIntoTheFreeSpaceBesideThem) {
    constexpr int kGroup = 473, kGap = 8;
    struct Case {
        const char* what;
        std::vector<Item> items;
        std::vector<Span> fitted;
    } cases[] = {
        {"a caption that fits keeps its width", {{17, 32, 328, 17, 300}, {372, 31, 81, 21}}, {{17, 328}, {372, 81}}},
        {"grows right up to the list", {{17, 32, 328, 17, 340}, {372, 31, 81, 21}}, {{17, 340}, {372, 81}}},
        {"stops short of the list by the gap", {{17, 32, 328, 17, 400}, {372, 31, 81, 21}}, {{17, 347}, {372, 81}}},
        {"a list beside it is never moved or widened", {{17, 32, 328, 17, 900}, {372, 31, 81, 21, -1}},
         {{17, 347}, {372, 81}}},
        {"the right one of a pair grows to the group's edge", {{17, 32, 208, 17, 150}, {245, 32, 208, 17, 215}},
         {{17, 208}, {245, 215}}},
        {"then moves left into what its neighbour leaves free",
         {{17, 32, 208, 17, 150}, {245, 32, 208, 17, 250}},
         {{17, 190}, {215, 250}}},
        {"but never over what the neighbour draws", {{17, 32, 208, 17, 200}, {245, 32, 208, 17, 400}},
         {{17, 200}, {225, 240}}},
        {"the left one of a pair takes only the gap before the right one",
         {{17, 32, 208, 17, 260}, {245, 32, 208, 17, 100}},
         {{17, 220}, {245, 208}}},
        {"a wide left caption leaves less room for the right one",
         {{17, 32, 208, 17, 260}, {245, 32, 208, 17, 300}},
         {{17, 220}, {245, 220}}},
        {"siblings on other rows are no obstacle", {{17, 32, 328, 17, 440}, {372, 62, 81, 21}}, {{17, 440}, {372, 81}}},
        {"the parent's edge less the gap is the limit", {{17, 32, 328, 17, 9000}}, {{17, 448}}},
        {"a control already past the edge stays as it is", {{400, 32, 100, 17, 200}}, {{400, 100}}},
        {"overlapping siblings leave no free space", {{17, 32, 328, 17, 400}, {100, 32, 50, 17}}, {{17, 328}, {100, 50}}},
        {"no caption measured: nothing moves", {{17, 32, 328, 17, -1}, {372, 31, 81, 21}}, {{17, 328}, {372, 81}}},
    };
    for (auto& c : cases) {
        caption_fit::Fit(c.items, kGroup, kGap);
        EXPECT_EQ(Spans(c.items), c.fitted) << c.what;
    }
}

TEST(CaptionFit, NoCaptionIsCutShorterAndNoSiblingIsCovered) {
    // Every pair of widths on the two-box row, each from fitting to far too long.
    for (int a = 100; a <= 700; a += 25) {
        for (int b = 100; b <= 700; b += 25) {
            std::vector<Item> items{{17, 32, 208, 17, a}, {245, 32, 208, 17, b}};
            caption_fit::Fit(items, 473, 8);
            const Item &left = items[0], &right = items[1];
            EXPECT_GE(left.width, (std::min)(a, 208)) << a << " " << b;
            EXPECT_GE(right.width, 208) << a << " " << b;
            EXPECT_LE(left.left + left.width + 8, right.left) << a << " " << b;
            EXPECT_LE(right.left + right.width, 473 - 8) << a << " " << b;
            EXPECT_EQ(left.left, 17);
        }
    }
}

} // namespace
