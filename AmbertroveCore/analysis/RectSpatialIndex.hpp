#pragma once

#include "analysis/Rect.hpp"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ambertrove {

// A uniform grid over the plane for a chart of many rectangles: which rectangles contain a point
// (hit-testing) and whether a rectangle overlaps a stored one (placing labels). Rectangles are known by
// the index insert() hands out, their position in insertion order.
class RectSpatialIndex {
public:
    // A rectangle covering more cells than this is kept in a list of its own that every query scans, so
    // that one huge rectangle costs one entry instead of millions of cell lists. Answers are the same.
    static constexpr std::int64_t kMaxCellsPerRectangle = 4096;

    // Cell sizes below 1, and NaN, give 1.
    explicit RectSpatialIndex(double cellSize = 64);

    // Stores the rectangle and returns its index. A rectangle that is empty, null or not finite takes an
    // index but is never reported by a query.
    std::int64_t insert(const Rect& rect);
    // The rectangles containing the point (edges included), the most recently inserted first.
    [[nodiscard]] std::vector<std::int64_t> candidates(Point point) const;
    // Whether the rectangle shares area with any stored one.
    [[nodiscard]] bool intersects(const Rect& rect) const;

    [[nodiscard]] double cellSize() const { return m_cellSize; }
    [[nodiscard]] const std::vector<Rect>& rectangles() const { return m_rectangles; }
    [[nodiscard]] std::size_t cellListCount() const { return m_cells.size(); }

private:
    struct Cell {
        std::int64_t x = 0;
        std::int64_t y = 0;
        friend bool operator==(const Cell&, const Cell&) = default;
    };
    struct CellHash {
        std::size_t operator()(const Cell& c) const noexcept;
    };
    // The cells a rectangle covers, both corners included.
    struct CellRange {
        Cell low, high;
        [[nodiscard]] std::int64_t count() const;
    };

    static bool valid(const Rect& rect);
    // Nothing when the cell number is beyond what the grid counts (about 2^62); a rectangle reaching
    // there is kept with the huge ones, and a point there can only be inside one of those.
    [[nodiscard]] std::optional<std::int64_t> cellNumber(double v) const;
    [[nodiscard]] std::optional<CellRange> cellRange(const Rect& rect) const;

    std::unordered_map<Cell, std::vector<std::int64_t>, CellHash> m_cells;
    std::vector<Rect> m_rectangles;
    std::vector<std::int64_t> m_huge; // in insertion order
    double m_cellSize = 1;
};

} // namespace ambertrove
