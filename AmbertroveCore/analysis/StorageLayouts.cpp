#include "analysis/StorageLayouts.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ambertrove::StorageLayouts {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kCircleGap = 0.025;
// Lets the two circles a candidate was made to touch pass the overlap test despite rounding.
constexpr double kTouchTolerance = 0.00001;
constexpr double kGoldenAngle = 2.399963229728653;
constexpr int kSpiralPoints = 4000;
constexpr int kBubblePasses = 18;
constexpr double kBubbleMargin = 5.0;

// Indices of the usable items, heaviest first, equal weights in input order.
std::vector<std::size_t> heaviestFirst(std::span<const WeightedItem> items, std::size_t limit) {
    std::vector<std::size_t> order;
    order.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        if (std::isfinite(items[i].second) && items[i].second > 0)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return items[a].second > items[b].second; });
    if (order.size() > limit)
        order.resize(limit);
    return order;
}

struct RowItem {
    std::size_t item;
    double area;
};

// The row being filled, with the figures `worst` needs kept as items are added (sums in row order).
struct Row {
    std::vector<RowItem> items;
    double sum = 0;
    double largest = 0;
    double smallest = 0;

    void add(const RowItem& item) {
        largest = items.empty() ? item.area : std::max(largest, item.area);
        smallest = items.empty() ? item.area : std::min(smallest, item.area);
        sum += item.area;
        items.push_back(item);
    }
    void clear() { *this = Row{}; }
};

// The worse of the most elongated tile's two aspect ratios when a row of these areas lies along `side`.
double worst(double sum, double largest, double smallest, double side) {
    if (!(smallest > 0) || !(side > 0))
        return kInfinity;
    const double side2 = side * side;
    return std::max(side2 * largest / (sum * sum), (sum * sum) / (side2 * smallest));
}

double worst(const Row& row, double side) {
    return row.items.empty() ? kInfinity : worst(row.sum, row.largest, row.smallest, side);
}

// The same row with one more item.
double worstWith(const Row& row, const RowItem& item, double side) {
    return worst(row.sum + item.area, std::max(row.largest, item.area), std::min(row.smallest, item.area),
                 side);
}

struct FreeRect {
    double x, y, width, height;
};

// Lays the row along the shorter side of the free rectangle; the last tile ends exactly at the far edge so
// that rounding leaves no gap.
void place(Row& row, FreeRect& free, std::span<const WeightedItem> items, std::vector<WeightedRect>& result) {
    const double sum = row.sum;
    const std::vector<RowItem>& tiles = row.items;
    if (free.height <= free.width) {
        const double thickness = std::min(sum / free.height, free.width);
        double y = free.y;
        for (std::size_t k = 0; k < tiles.size(); ++k) {
            double h = k + 1 == tiles.size() ? (free.y + free.height) - y : tiles[k].area / thickness;
            h = std::max(h, 0.0);
            result.push_back({items[tiles[k].item].first, Rect(free.x, y, thickness, h)});
            y += h;
        }
        free = {free.x + thickness, free.y, std::max(free.width - thickness, 0.0), free.height};
    } else {
        const double thickness = std::min(sum / free.width, free.height);
        double x = free.x;
        for (std::size_t k = 0; k < tiles.size(); ++k) {
            double w = k + 1 == tiles.size() ? (free.x + free.width) - x : tiles[k].area / thickness;
            w = std::max(w, 0.0);
            result.push_back({items[tiles[k].item].first, Rect(x, free.y, w, thickness)});
            x += w;
        }
        free = {free.x, free.y + thickness, free.width, std::max(free.height - thickness, 0.0)};
    }
    row.clear();
}

struct Circle {
    double x, y, r;
};

double distance(double x0, double y0, double x1, double y1) {
    return std::hypot(x1 - x0, y1 - y0);
}

// The position of a circle of radius r next to those placed: touching a pair of them across the gap,
// as close to the middle as possible.
Circle nextCircle(const std::vector<Circle>& placed, double r) {
    bool found = false;
    Circle best{0, 0, r};
    double bestScore = kInfinity;
    auto consider = [&](double cx, double cy) {
        for (const Circle& k : placed) {
            const double m = std::max(r + k.r + kCircleGap - kTouchTolerance, 0.0);
            const double dx = cx - k.x, dy = cy - k.y;
            if (dx * dx + dy * dy < m * m)
                return;
        }
        const double score = r + std::hypot(cx, cy);
        if (!found || score < bestScore) {
            found = true;
            bestScore = score;
            best = {cx, cy, r};
        }
    };
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            const Circle& a = placed[i];
            const Circle& b = placed[j];
            const double d = distance(a.x, a.y, b.x, b.y);
            const double ra = r + a.r + kCircleGap;
            const double rb = r + b.r + kCircleGap;
            if (!(d > 0) || d > ra + rb || d < std::abs(ra - rb))
                continue;
            const double q = (d * d + ra * ra - rb * rb) / (2 * d);
            const double h = std::sqrt(std::max(ra * ra - q * q, 0.0));
            const double fx = a.x + (b.x - a.x) * q / d;
            const double fy = a.y + (b.y - a.y) * q / d;
            for (double sign : {-1.0, 1.0}) {
                consider(fx + (-(b.y - a.y)) * sign * h / d, fy + (b.x - a.x) * sign * h / d);
            }
        }
    }
    if (found)
        return best;
    double right = -kInfinity;
    for (const Circle& k : placed)
        right = std::max(right, k.x + k.r);
    return {right + r + kCircleGap, 0, r};
}

} // namespace

std::vector<WeightedRect> treemap(std::span<const WeightedItem> items, const Rect& bounds) {
    const std::vector<std::size_t> order = heaviestFirst(items, items.size());
    std::vector<WeightedRect> result;
    if (order.empty())
        return result;
    const double width = bounds.width(), height = bounds.height();
    // An infinite or NaN extent cannot be tiled.
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height) ||
        !std::isfinite(bounds.minX()) || !std::isfinite(bounds.minY()))
        return result;

    const double largest = items[order.front()].second;
    double share = 0;
    for (std::size_t i : order)
        share += items[i].second / largest;
    result.reserve(order.size());
    FreeRect free{bounds.minX(), bounds.minY(), width, height};
    Row row;
    for (std::size_t i : order) {
        const RowItem item{i, items[i].second / largest / share * width * height};
        if (!row.items.empty()) {
            const double side = std::min(free.width, free.height);
            if (worstWith(row, item, side) > worst(row, side))
                place(row, free, items, result);
        }
        row.add(item);
    }
    if (!row.items.empty())
        place(row, free, items, result);
    return result;
}

std::vector<Bubble> circles(std::span<const WeightedItem> items, Point center, double radius,
                            std::stop_token stop) {
    const std::vector<std::size_t> order = heaviestFirst(items, kMaxBubbles);
    if (order.empty() || !(radius > 0))
        return {};
    const double largest = items[order.front()].second;
    std::vector<Circle> placed;
    placed.reserve(order.size());
    for (std::size_t i : order) {
        if (stop.stop_requested())
            return {};
        const double r = std::sqrt(items[i].second / largest);
        if (placed.empty())
            placed.push_back({0, 0, r});
        else if (placed.size() == 1)
            placed.push_back({placed[0].r + r + kCircleGap, 0, r});
        else
            placed.push_back(nextCircle(placed, r));
    }

    double minX = kInfinity, maxX = -kInfinity, minY = kInfinity, maxY = -kInfinity;
    for (const Circle& c : placed) {
        minX = std::min(minX, c.x - c.r);
        maxX = std::max(maxX, c.x + c.r);
        minY = std::min(minY, c.y - c.r);
        maxY = std::max(maxY, c.y + c.r);
    }
    const double cx = (minX + maxX) / 2, cy = (minY + maxY) / 2;
    double extent = 0;
    for (const Circle& c : placed)
        extent = std::max(extent, c.r + distance(cx, cy, c.x, c.y));
    const double scale = radius / extent;
    std::vector<Bubble> result;
    result.reserve(placed.size());
    for (std::size_t k = 0; k < placed.size(); ++k) {
        const Circle& c = placed[k];
        result.push_back({items[order[k]].first,
                          {center.x + scale * (c.x - cx), center.y + scale * (c.y - cy)},
                          scale * c.r});
    }
    return result;
}

std::vector<Bubble> bubbles(std::span<const WeightedItem> items, const Rect& bounds) {
    // An infinite weight would make every radius NaN and every pass fail, so it is dropped like the
    // other unusable weights.
    const std::vector<std::size_t> order = heaviestFirst(items, kMaxBubbles);
    const double width = bounds.width(), height = bounds.height();
    if (order.empty() || !(width > 0) || !(height > 0))
        return {};
    const double largest = items[order.front()].second;
    const Point middle = bounds.center();
    const double reach = std::hypot(width, height) * 0.5;
    double base = 0.24 * std::min(width, height);

    std::vector<Bubble> placed;
    for (int pass = 0; pass < kBubblePasses; ++pass, base *= 0.86) {
        placed.clear();
        bool complete = true;
        for (std::size_t i : order) {
            const double r = base * std::sqrt(items[i].second / largest);
            bool done = false;
            for (int k = 0; k < kSpiralPoints && !done; ++k) {
                const double angle = k * kGoldenAngle;
                const double d = std::sqrt(double(k) / kSpiralPoints) * reach;
                const Point p{middle.x + std::cos(angle) * d, middle.y + std::sin(angle) * d};
                if (!(p.x - r >= bounds.minX() && p.x + r <= bounds.maxX() && p.y - r >= bounds.minY() &&
                      p.y + r <= bounds.maxY()))
                    continue;
                const bool clear = std::all_of(placed.begin(), placed.end(), [&](const Bubble& other) {
                    return distance(p.x, p.y, other.center.x, other.center.y) >=
                           r + other.radius + kBubbleMargin;
                });
                if (clear) {
                    placed.push_back({items[i].first, p, r});
                    done = true;
                }
            }
            if (!done) {
                complete = false;
                break;
            }
        }
        if (complete)
            return placed;
    }
    return {};
}

} // namespace ambertrove::StorageLayouts
