#include "analysis/RectSpatialIndex.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

namespace ambertrove {

namespace {

// Cell numbers stay within this so that range sizes and the cell of any contained point fit in 64 bits.
constexpr double kCellNumberLimit = 4611686018427387904.0; // 2^62

} // namespace

std::size_t RectSpatialIndex::CellHash::operator()(const Cell& c) const noexcept {
    const std::size_t h = std::hash<std::int64_t>{}(c.x);
    return h ^ (std::hash<std::int64_t>{}(c.y) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

std::int64_t RectSpatialIndex::CellRange::count() const {
    const std::int64_t columns = high.x - low.x + 1;
    const std::int64_t rows = high.y - low.y + 1;
    if (columns > kMaxCellsPerRectangle || rows > kMaxCellsPerRectangle)
        return kMaxCellsPerRectangle + 1;
    return columns * rows;
}

RectSpatialIndex::RectSpatialIndex(double cellSize)
    : m_cellSize(std::fmax(cellSize, 1.0)) {}

bool RectSpatialIndex::valid(const Rect& rect) {
    return !rect.isEmpty() && !rect.isNull() && std::isfinite(rect.minX()) && std::isfinite(rect.maxX()) &&
           std::isfinite(rect.minY()) && std::isfinite(rect.maxY());
}

std::optional<std::int64_t> RectSpatialIndex::cellNumber(double v) const {
    const double cell = std::floor(v / m_cellSize);
    if (!(std::abs(cell) <= kCellNumberLimit))
        return std::nullopt;
    return static_cast<std::int64_t>(cell);
}

std::optional<RectSpatialIndex::CellRange> RectSpatialIndex::cellRange(const Rect& rect) const {
    const auto x0 = cellNumber(rect.minX()), x1 = cellNumber(rect.maxX());
    const auto y0 = cellNumber(rect.minY()), y1 = cellNumber(rect.maxY());
    if (!x0 || !x1 || !y0 || !y1)
        return std::nullopt;
    return CellRange{{*x0, *y0}, {*x1, *y1}};
}

std::int64_t RectSpatialIndex::insert(const Rect& rect) {
    const auto index = static_cast<std::int64_t>(m_rectangles.size());
    m_rectangles.push_back(rect);
    if (!valid(rect))
        return index;
    const std::optional<CellRange> range = cellRange(rect);
    if (!range || range->count() > kMaxCellsPerRectangle) {
        m_huge.push_back(index);
        return index;
    }
    for (std::int64_t y = range->low.y; y <= range->high.y; ++y)
        for (std::int64_t x = range->low.x; x <= range->high.x; ++x)
            m_cells[Cell{x, y}].push_back(index);
    return index;
}

std::vector<std::int64_t> RectSpatialIndex::candidates(Point point) const {
    std::vector<std::int64_t> hits;
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return hits;
    const auto x = cellNumber(point.x), y = cellNumber(point.y);
    if (x && y) {
        if (auto it = m_cells.find(Cell{*x, *y}); it != m_cells.end())
            for (std::int64_t i : it->second)
                if (m_rectangles[static_cast<std::size_t>(i)].contains(point))
                    hits.push_back(i);
    }
    // Both lists are in insertion order; merged they give the order one cell list would have had.
    const auto cellHits = static_cast<std::ptrdiff_t>(hits.size());
    for (std::int64_t i : m_huge)
        if (m_rectangles[static_cast<std::size_t>(i)].contains(point))
            hits.push_back(i);
    std::inplace_merge(hits.begin(), hits.begin() + cellHits, hits.end());
    std::reverse(hits.begin(), hits.end());
    return hits;
}

bool RectSpatialIndex::intersects(const Rect& rect) const {
    if (!valid(rect))
        return false;
    for (std::int64_t i : m_huge)
        if (m_rectangles[static_cast<std::size_t>(i)].intersects(rect))
            return true;
    const std::optional<CellRange> range = cellRange(rect);
    if (!range || range->count() > kMaxCellsPerRectangle) {
        // Too many cells to visit: test each rectangle that any cell holds, which is every registered one.
        for (std::size_t i = 0; i < m_rectangles.size(); ++i)
            if (valid(m_rectangles[i]) && m_rectangles[i].intersects(rect))
                return true;
        return false;
    }
    for (std::int64_t y = range->low.y; y <= range->high.y; ++y)
        for (std::int64_t x = range->low.x; x <= range->high.x; ++x)
            if (auto it = m_cells.find(Cell{x, y}); it != m_cells.end())
                for (std::int64_t i : it->second)
                    if (m_rectangles[static_cast<std::size_t>(i)].intersects(rect))
                        return true;
    return false;
}

} // namespace ambertrove
