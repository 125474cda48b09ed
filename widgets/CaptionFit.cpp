#include "widgets/CaptionFit.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace caption_fit {

namespace {

bool SharesRows(const Item& a, const Item& b) {
    return a.top < b.top + b.height && b.top < a.top + a.height;
}

// What an item covers of its row: a caption draws only as far as it needs.
int DrawnRight(const Item& item) {
    const int drawn = item.needed >= 0 ? std::min(item.width, item.needed) : item.width;
    return item.left + drawn;
}

} // namespace

void Fit(std::span<Item> items, int parentWidth, int gap) {
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return items[a].left < items[b].left; });

    for (const std::size_t index : order) {
        Item& item = items[index];
        if (item.needed <= item.width || item.width < 0) {
            continue;
        }
        // Right: up to the nearest sibling that starts at or after this item's right edge.
        const int right = item.left + item.width;
        int rightLimit = parentWidth - gap;
        // The margin on the left belongs to the column the item stands in: only the space a
        // sibling on its left leaves undrawn is taken.
        int leftLimit = item.left;
        bool siblingOnTheLeft = false;
        for (std::size_t other = 0; other < items.size(); ++other) {
            const Item& sibling = items[other];
            if (other == index || !SharesRows(item, sibling)) {
                continue;
            }
            if (sibling.left >= right) {
                rightLimit = std::min(rightLimit, sibling.left - gap);
            } else if (sibling.left + sibling.width <= item.left) {
                const int after = DrawnRight(sibling) + gap;
                leftLimit = siblingOnTheLeft ? std::max(leftLimit, after) : after;
                siblingOnTheLeft = true;
            } else {
                // Already overlapping: the layout gives no free space beside it to claim.
                rightLimit = std::min(rightLimit, right);
                leftLimit = std::max(leftLimit, item.left);
            }
        }
        const int newRight = std::clamp(item.left + item.needed, right, std::max(right, rightLimit));
        int newLeft = item.left;
        if (newRight - newLeft < item.needed && siblingOnTheLeft && leftLimit < item.left) {
            newLeft = std::max(newRight - item.needed, leftLimit);
            // The siblings on the left give up the part of their rectangles they do not draw.
            for (std::size_t other = 0; other < items.size(); ++other) {
                Item& sibling = items[other];
                if (other != index && SharesRows(item, sibling) && sibling.left + sibling.width <= item.left &&
                    sibling.left + sibling.width > newLeft - gap) {
                    sibling.width = newLeft - gap - sibling.left;
                }
            }
        }
        item.left = newLeft;
        item.width = newRight - newLeft;
    }
}

} // namespace caption_fit
