#pragma once

#include "analysis/Rect.hpp"

#include <cstddef>
#include <span>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace ambertrove {

// An item to lay out: its identifier (the application passes a path) and its weight (bytes).
using WeightedItem = std::pair<std::string, double>;

// One tile of a treemap.
struct WeightedRect {
    std::string id;
    Rect rect;

    friend bool operator==(const WeightedRect&, const WeightedRect&) = default;
};

// Geometry for the charts. The functions are pure: they know nothing of scans, allocate only their
// results and may run on any thread. Every function first sorts the items by weight, largest first,
// keeping the input order among equal weights.
namespace StorageLayouts {

struct Bubble {
    std::string id;
    Point center;
    double radius = 0;

    friend bool operator==(const Bubble&, const Bubble&) = default;
};

// At most this many of the heaviest items become bubbles.
inline constexpr std::size_t kMaxBubbles = 60;

// A squarified treemap tiling `bounds`, in descending weight order. Items whose weight is not finite or
// not positive are dropped; an empty rectangle gives nothing.
[[nodiscard]] std::vector<WeightedRect> treemap(std::span<const WeightedItem> items, const Rect& bounds);

// The heaviest items as circles packed around each other and scaled to fit the circle (center, radius).
// Weights that are not finite or not positive are dropped. Stopping gives an empty list, never a partial one.
[[nodiscard]] std::vector<Bubble> circles(std::span<const WeightedItem> items, Point center, double radius,
                                          std::stop_token stop = {});

// The heaviest items as circles scattered inside `bounds` along a spiral, kept apart by a margin;
// nothing when they do not fit after shrinking them a number of times.
[[nodiscard]] std::vector<Bubble> bubbles(std::span<const WeightedItem> items, const Rect& bounds);

} // namespace StorageLayouts

} // namespace ambertrove
