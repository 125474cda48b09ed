#pragma once
// Room for captions that came out longer than the control made for them (a translated check
// box text, say): such a control grows into the free space beside it, within its parent, instead
// of cutting its text off.

#include <span>

namespace caption_fit {

struct Item {
    int left = 0, top = 0, width = 0, height = 0; // in the parent's client area
    int needed = -1; // width its caption needs; -1: not a caption that may grow (a list, a box)
};

// Widens every item whose caption needs more than its width, in place: first to the right, up
// to `gap` before the nearest sibling on its rows (or the parent's right edge), then, if that
// is not enough and a sibling stands on its left, to the left, up to `gap` after what that
// sibling draws (its caption's width when that is narrower than its rectangle); that sibling's
// rectangle then gives up its undrawn part. No caption is ever cut shorter than before, no item
// moves right or covers a sibling, and the margin left of a column stays as it is. Items are
// taken from left to right. `parentWidth` is the width of the parent's client area.
void Fit(std::span<Item> items, int parentWidth, int gap);

} // namespace caption_fit
