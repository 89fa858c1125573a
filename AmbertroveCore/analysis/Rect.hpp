#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace ambertrove {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle of the plane in the charts' coordinates. A negative width or height extends the rectangle
// to the other side of its origin: the edges (minX … maxY) are those of the rectangle made standard.
//
// Two special kinds:
// - null: the origin has an infinite coordinate (Rect::null() is the one the operations here produce); a
//   null rectangle has no edges (they read as +infinity), contains nothing and intersects nothing;
// - empty: null, or a width or height of zero; it has edges but no area.
// A rectangle with a NaN in it contains and intersects nothing.
struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double width, double height)
        : origin{x, y}
        , size{width, height} {}
    constexpr Rect(Point o, Size s)
        : origin(o)
        , size(s) {}

    static constexpr Rect null() {
        constexpr double inf = std::numeric_limits<double>::infinity();
        return Rect(inf, inf, 0, 0);
    }

    [[nodiscard]] bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }
    [[nodiscard]] bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

    // A NaN width or height makes the far edge NaN, so such a rectangle has no finite extent.
    [[nodiscard]] double minX() const {
        return isNull() ? kInf : size.width < 0 ? origin.x + size.width : origin.x;
    }
    [[nodiscard]] double maxX() const {
        return isNull() ? kInf : size.width < 0 ? origin.x : origin.x + size.width;
    }
    [[nodiscard]] double minY() const {
        return isNull() ? kInf : size.height < 0 ? origin.y + size.height : origin.y;
    }
    [[nodiscard]] double maxY() const {
        return isNull() ? kInf : size.height < 0 ? origin.y : origin.y + size.height;
    }
    [[nodiscard]] bool hasNaN() const {
        return std::isnan(origin.x) || std::isnan(origin.y) || std::isnan(size.width) ||
               std::isnan(size.height);
    }
    [[nodiscard]] double width() const { return std::abs(size.width); }
    [[nodiscard]] double height() const { return std::abs(size.height); }
    [[nodiscard]] Point center() const { return {(minX() + maxX()) / 2, (minY() + maxY()) / 2}; }

    // Edges included: a point on the border is inside. Never true for a null rectangle or a point with a
    // NaN coordinate.
    [[nodiscard]] bool contains(Point p) const {
        return !isNull() && !hasNaN() && minX() <= p.x && p.x <= maxX() && minY() <= p.y && p.y <= maxY();
    }
    // The two share area: rectangles that only touch along an edge or at a corner do not intersect, and
    // an empty or null rectangle intersects nothing.
    [[nodiscard]] bool intersects(const Rect& other) const {
        if (isEmpty() || other.isEmpty() || hasNaN() || other.hasNaN())
            return false;
        return std::max(minX(), other.minX()) < std::min(maxX(), other.maxX()) &&
               std::max(minY(), other.minY()) < std::min(maxY(), other.maxY());
    }
    // The common part, or Rect::null() when the two do not intersect.
    [[nodiscard]] Rect intersection(const Rect& other) const {
        if (!intersects(other))
            return null();
        const double x = std::max(minX(), other.minX());
        const double y = std::max(minY(), other.minY());
        return Rect(x, y, std::min(maxX(), other.maxX()) - x, std::min(maxY(), other.maxY()) - y);
    }

    friend bool operator==(const Rect&, const Rect&) = default;

private:
    static constexpr double kInf = std::numeric_limits<double>::infinity();
};

} // namespace ambertrove
