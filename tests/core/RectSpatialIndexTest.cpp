#include "analysis/RectSpatialIndex.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ambertrove {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Indices = std::vector<std::int64_t>;

TEST(Rect, EmptyNullAndEdges) {
    struct Case {
        const char* name;
        Rect rect;
        bool null, empty;
        double minX, maxX, minY, maxY;
    };
    const std::vector<Case> cases = {
        {"plain", Rect(1, 2, 3, 4), false, false, 1, 4, 2, 6},
        {"negative size is made standard", Rect(10, 10, -4, -6), false, false, 6, 10, 4, 10},
        {"zero width", Rect(1, 2, 0, 4), false, true, 1, 1, 2, 6},
        {"zero height", Rect(1, 2, 3, 0), false, true, 1, 4, 2, 2},
        {"the null rectangle", Rect::null(), true, true, kInf, kInf, kInf, kInf},
        {"infinite origin y", Rect(0, kInf, 5, 5), true, true, kInf, kInf, kInf, kInf},
        {"negative infinite origin", Rect(-kInf, 0, 5, 5), true, true, kInf, kInf, kInf, kInf},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rect.isNull(), c.null) << c.name;
        EXPECT_EQ(c.rect.isEmpty(), c.empty) << c.name;
        EXPECT_EQ(c.rect.minX(), c.minX) << c.name;
        EXPECT_EQ(c.rect.maxX(), c.maxX) << c.name;
        EXPECT_EQ(c.rect.minY(), c.minY) << c.name;
        EXPECT_EQ(c.rect.maxY(), c.maxY) << c.name;
    }
    EXPECT_TRUE(std::isnan(Rect(0, 0, kNaN, 1).maxX()));
    EXPECT_EQ(Rect(0, 0, kNaN, 1).minX(), 0);
}

TEST(Rect, ContainsAndIntersects) {
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.contains({0, 0}));
    EXPECT_TRUE(a.contains({10, 10}));
    EXPECT_TRUE(a.contains({5, 10}));
    EXPECT_FALSE(a.contains({10.000001, 5}));
    EXPECT_FALSE(a.contains({kNaN, 5}));
    EXPECT_FALSE(Rect::null().contains({0, 0}));
    EXPECT_FALSE(Rect(0, 0, kNaN, 10).contains({0, 0}));
    EXPECT_TRUE(Rect(10, 10, -10, -10).contains({0, 0}));

    struct Case {
        const char* name;
        Rect b;
        bool intersects;
        Rect intersection;
    };
    const std::vector<Case> cases = {
        {"overlap", Rect(5, 5, 10, 10), true, Rect(5, 5, 5, 5)},
        {"inside", Rect(2, 3, 1, 1), true, Rect(2, 3, 1, 1)},
        {"same", a, true, a},
        {"touching edge", Rect(10, 0, 5, 10), false, Rect::null()},
        {"touching corner", Rect(10, 10, 5, 5), false, Rect::null()},
        {"apart", Rect(20, 20, 1, 1), false, Rect::null()},
        {"empty inside", Rect(5, 5, 0, 3), false, Rect::null()},
        {"null", Rect::null(), false, Rect::null()},
        {"NaN size", Rect(1, 1, kNaN, 2), false, Rect::null()},
        {"negative size overlapping", Rect(12, 12, -4, -4), true, Rect(8, 8, 2, 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.intersects(c.b), c.intersects) << c.name;
        EXPECT_EQ(c.b.intersects(a), c.intersects) << c.name;
        EXPECT_EQ(a.intersection(c.b), c.intersection) << c.name;
    }
}

TEST(RectSpatialIndex, CellSizeIsAtLeastOne) {
    struct Case {
        double given, expected;
    };
    for (const Case c : {Case{0, 1}, Case{-5, 1}, Case{kNaN, 1}, Case{64, 64}, Case{0.5, 1}, Case{1.5, 1.5}})
        EXPECT_EQ(RectSpatialIndex(c.given).cellSize(), c.expected) << c.given;
}

TEST(RectSpatialIndex, InvalidRectanglesTakeAnIndexButAreNeverFound) {
    RectSpatialIndex grid(64);
    const std::vector<Rect> invalid = {Rect(5, 5, 0, 10),     Rect::null(),
                                       Rect(0, 0, kInf, 10),  Rect(0, 0, 10, kNaN),
                                       Rect(kNaN, 0, 10, 10), Rect(-1e300, 0, -kInf, 1)};
    for (std::size_t i = 0; i < invalid.size(); ++i)
        EXPECT_EQ(grid.insert(invalid[i]), static_cast<std::int64_t>(i));
    EXPECT_EQ(grid.insert(Rect(0, 0, 20, 20)), static_cast<std::int64_t>(invalid.size()));
    EXPECT_EQ(grid.rectangles().size(), invalid.size() + 1);
    EXPECT_EQ(grid.candidates({5, 5}), (Indices{6}));
    EXPECT_EQ(grid.candidates({100, 5}), Indices{});
    EXPECT_FALSE(grid.intersects(Rect(30, 0, 5, 5)));
    EXPECT_TRUE(grid.intersects(Rect(19, 19, 5, 5)));
    EXPECT_FALSE(grid.intersects(Rect(0, 0, kInf, 5)));
    EXPECT_FALSE(grid.intersects(Rect(0, 0, 0, 5)));
}

TEST(RectSpatialIndex, CellsAreHalfOpen) {
    RectSpatialIndex grid(64);
    grid.insert(Rect(0, 0, 64, 64));
    EXPECT_EQ(grid.cellListCount(), 4u); // (0,0), (1,0), (0,1), (1,1)
    struct Case {
        Point p;
        Indices expected;
    };
    const std::vector<Case> cases = {
        {{64, 64}, {0}},  {{0, 0}, {0}},    {{63.9, 0.1}, {0}}, {{64, 0}, {0}},
        {{64.01, 5}, {}}, {{-0.01, 5}, {}}, {{kNaN, 1}, {}},    {{1, kInf}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid.candidates(c.p), c.expected) << c.p.x << "," << c.p.y;

    RectSpatialIndex negative(10);
    negative.insert(Rect(-10, -10, 10, 10)); // cells -1 and 0 on each axis
    EXPECT_EQ(negative.cellListCount(), 4u);
    EXPECT_EQ(negative.candidates({-10, -10}), (Indices{0}));
    EXPECT_EQ(negative.candidates({-5, -0.0}), (Indices{0}));
}

TEST(RectSpatialIndex, MostRecentFirst) {
    RectSpatialIndex grid(64);
    grid.insert(Rect(0, 0, 100, 100));
    grid.insert(Rect(50, 50, 100, 100));
    grid.insert(Rect(200, 200, 10, 10));
    EXPECT_EQ(grid.candidates({60, 60}), (Indices{1, 0}));
    EXPECT_EQ(grid.candidates({10, 10}), (Indices{0}));
    EXPECT_EQ(grid.candidates({205, 205}), (Indices{2}));
}

TEST(RectSpatialIndex, HugeRectanglesAreKeptAsideWithTheSameAnswers) {
    RectSpatialIndex grid(1);
    grid.insert(Rect(0, 0, 10, 10));         // 0: cells
    grid.insert(Rect(-1e9, -1e9, 2e9, 2e9)); // 1: a few billion billion cells
    grid.insert(Rect(5, 5, 10, 10));         // 2: cells
    grid.insert(Rect(0, 0, 1e200, 1e200));   // 3: cell numbers beyond 64 bits
    grid.insert(Rect(4, 4, 2, 2));           // 4: cells
    EXPECT_LT(grid.cellListCount(), 400u);
    EXPECT_EQ(grid.candidates({5, 5}), (Indices{4, 3, 2, 1, 0}));
    EXPECT_EQ(grid.candidates({12, 12}), (Indices{3, 2, 1}));
    EXPECT_EQ(grid.candidates({-5, -5}), (Indices{1}));
    EXPECT_EQ(grid.candidates({1e100, 1e100}), (Indices{3}));
    EXPECT_EQ(grid.candidates({-2e9, 0}), Indices{});
    EXPECT_TRUE(grid.intersects(Rect(-100, -100, 1, 1)));
    EXPECT_TRUE(grid.intersects(Rect(1e150, 1e150, 1e140, 1e140)));
    EXPECT_FALSE(grid.intersects(Rect(-1e200, -1e200, 1e10, 1e10)));

    // A huge query rectangle against ordinary ones answers without visiting its cells.
    RectSpatialIndex small(1);
    small.insert(Rect(100, 100, 1, 1));
    EXPECT_TRUE(small.intersects(Rect(-1e18, -1e18, 2e18, 2e18)));
    EXPECT_FALSE(small.intersects(Rect(-1e18, -1e18, 1e18, 1e18)));
    EXPECT_FALSE(small.intersects(Rect(101, 0, 1e18, 1e18)));
}

TEST(RectSpatialIndex, IntersectsAtCellEdges) {
    RectSpatialIndex grid(64);
    grid.insert(Rect(0, 0, 64, 64));
    struct Case {
        const char* name;
        Rect r;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"shares the right edge only", Rect(64, 0, 10, 10), false},
        {"overlaps by a sliver", Rect(63.5, 63.5, 10, 10), true},
        {"far cell", Rect(200, 200, 10, 10), false},
        {"covers it", Rect(-10, -10, 100, 100), true},
        {"inside", Rect(10, 10, 1, 1), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid.intersects(c.r), c.expected) << c.name;
}

} // namespace
} // namespace ambertrove
