#include "analysis/StorageLayouts.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ambertrove {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Items = std::vector<WeightedItem>;
using StorageLayouts::Bubble;

std::vector<std::string> ids(const auto& list) {
    std::vector<std::string> out;
    for (const auto& e : list)
        out.push_back(e.id);
    return out;
}

TEST(Treemap, KnownLayouts) {
    struct Case {
        const char* name;
        Items items;
        Rect bounds;
        std::vector<WeightedRect> expected;
    };
    const std::vector<Case> cases = {
        {"one item fills the rectangle", {{"a", 5}}, Rect(10, 20, 300, 40), {{"a", Rect(10, 20, 300, 40)}}},
        {"two equal weights side by side",
         {{"a", 1}, {"b", 1}},
         Rect(0, 0, 200, 100),
         {{"a", Rect(0, 0, 100, 100)}, {"b", Rect(100, 0, 100, 100)}}},
        {"two equal weights stacked in a tall rectangle",
         {{"a", 7}, {"b", 7}},
         Rect(0, 0, 100, 200),
         {{"a", Rect(0, 0, 100, 100)}, {"b", Rect(0, 100, 100, 100)}}},
        // The classic squarified example: areas 6,6,4,3,2,2,1 in 6 x 4.
        {"squarified rows",
         {{"g", 1}, {"a", 6}, {"b", 6}, {"c", 4}, {"d", 3}, {"e", 2}, {"f", 2}},
         Rect(0, 0, 6, 4),
         {{"a", Rect(0, 0, 3, 2)},
          {"b", Rect(0, 2, 3, 2)},
          {"c", Rect(3, 0, 12.0 / 7.0, 7.0 / 3.0)},
          {"d", Rect(3 + 12.0 / 7.0, 0, 3 - 12.0 / 7.0, 7.0 / 3.0)},
          {"e", Rect(3, 7.0 / 3.0, 1.2, 5.0 / 3.0)},
          {"f", Rect(4.2, 7.0 / 3.0, 1.2, 5.0 / 3.0)},
          {"g", Rect(5.4, 7.0 / 3.0, 0.6, 5.0 / 3.0)}}},
        {"a negative size is made standard",
         {{"a", 1}},
         Rect(50, 50, -50, -20),
         {{"a", Rect(0, 30, 50, 20)}}},
    };
    for (const Case& c : cases) {
        const std::vector<WeightedRect> got = StorageLayouts::treemap(c.items, c.bounds);
        ASSERT_EQ(ids(got), ids(c.expected)) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const Rect& g = got[i].rect;
            const Rect& e = c.expected[i].rect;
            EXPECT_NEAR(g.origin.x, e.origin.x, 1e-9) << c.name << " " << got[i].id;
            EXPECT_NEAR(g.origin.y, e.origin.y, 1e-9) << c.name << " " << got[i].id;
            EXPECT_NEAR(g.size.width, e.size.width, 1e-9) << c.name << " " << got[i].id;
            EXPECT_NEAR(g.size.height, e.size.height, 1e-9) << c.name << " " << got[i].id;
        }
    }
}

TEST(Treemap, DegenerateWeightsAndSizes) {
    struct Case {
        const char* name;
        Items items;
        Rect bounds;
        std::vector<std::string> expectedIds;
    };
    const std::vector<Case> cases = {
        {"no items", {}, Rect(0, 0, 10, 10), {}},
        {"unusable weights dropped",
         {{"zero", 0}, {"neg", -3}, {"inf", kInf}, {"nan", kNaN}, {"ok", 2}, {"-inf", -kInf}},
         Rect(0, 0, 10, 10),
         {"ok"}},
        {"only unusable weights", {{"zero", 0}, {"nan", kNaN}}, Rect(0, 0, 10, 10), {}},
        {"zero width", {{"a", 1}}, Rect(0, 0, 0, 10), {}},
        {"zero height", {{"a", 1}}, Rect(0, 0, 10, 0), {}},
        {"null rectangle", {{"a", 1}}, Rect::null(), {}},
        {"NaN height", {{"a", 1}}, Rect(0, 0, 10, kNaN), {}},
        {"infinite width", {{"a", 1}}, Rect(0, 0, kInf, 10), {}},
        {"equal weights keep input order",
         {{"x", 1}, {"y", 3}, {"z", 1}, {"w", 1}},
         Rect(0, 0, 9, 9),
         {"y", "x", "z", "w"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(StorageLayouts::treemap(c.items, c.bounds)), c.expectedIds) << c.name;
}

TEST(Treemap, TilesCoverTheRectangleExactly) {
    Items items;
    for (int i = 0; i < 300; ++i)
        items.push_back({std::to_string(i), std::pow(1.07, i % 97) + i * 0.31});
    const Rect bounds(3, 7, 1024.5, 611.25);
    const std::vector<WeightedRect> tiles = StorageLayouts::treemap(items, bounds);
    ASSERT_EQ(tiles.size(), items.size());
    double area = 0;
    double maxX = bounds.minX(), maxY = bounds.minY();
    for (const WeightedRect& t : tiles) {
        EXPECT_GE(t.rect.size.width, 0);
        EXPECT_GE(t.rect.size.height, 0);
        EXPECT_GE(t.rect.minX(), bounds.minX() - 1e-9);
        EXPECT_GE(t.rect.minY(), bounds.minY() - 1e-9);
        EXPECT_LE(t.rect.maxX(), bounds.maxX() + 1e-6);
        EXPECT_LE(t.rect.maxY(), bounds.maxY() + 1e-6);
        area += t.rect.width() * t.rect.height();
        maxX = std::max(maxX, t.rect.maxX());
        maxY = std::max(maxY, t.rect.maxY());
    }
    EXPECT_NEAR(area, bounds.width() * bounds.height(), 1e-6 * bounds.width() * bounds.height());
    // Each column or row ends on the far edge of the free rectangle, so no rounding gap opens at the edges.
    EXPECT_NEAR(maxY, bounds.maxY(), 1e-9);
    EXPECT_NEAR(maxX, bounds.maxX(), 1e-9);
}

TEST(Circles, KnownLayouts) {
    const std::vector<Bubble> one = StorageLayouts::circles(Items{{"a", 42}}, {100, 50}, 30);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], (Bubble{"a", {100, 50}, 30}));

    // Two equal circles of unit radius touch across the gap: the pair reaches 2.0125 from its middle.
    const std::vector<Bubble> two = StorageLayouts::circles(Items{{"a", 1}, {"b", 1}}, {0, 0}, 2.0125);
    ASSERT_EQ(ids(two), (std::vector<std::string>{"a", "b"}));
    EXPECT_NEAR(two[0].center.x, -1.0125, 1e-12);
    EXPECT_NEAR(two[1].center.x, 1.0125, 1e-12);
    EXPECT_NEAR(two[0].center.y, 0, 1e-12);
    EXPECT_NEAR(two[0].radius, 1, 1e-12);
    EXPECT_NEAR(two[1].radius, 1, 1e-12);

    // Three equal circles: the third sits below the pair (the -1 side wins the tie), touching both.
    const std::vector<Bubble> three =
        StorageLayouts::circles(Items{{"a", 1}, {"b", 1}, {"c", 1}}, {0, 0}, 10);
    ASSERT_EQ(three.size(), 3u);
    const double d = 2.025; // centre distance of touching circles, in unit space
    const double scale = three[0].radius;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = i + 1; j < 3; ++j)
            EXPECT_NEAR(
                std::hypot(three[i].center.x - three[j].center.x, three[i].center.y - three[j].center.y),
                d * scale, 1e-9);
    EXPECT_LT(three[2].center.y, three[0].center.y);
    for (const Bubble& b : three)
        EXPECT_LE(std::hypot(b.center.x, b.center.y) + b.radius, 10 + 1e-9);
}

TEST(Circles, DegenerateInputs) {
    struct Case {
        const char* name;
        Items items;
        double radius;
        std::vector<std::string> expectedIds;
    };
    const std::vector<Case> cases = {
        {"radius 0", {{"a", 1}}, 0, {}},
        {"negative radius", {{"a", 1}}, -1, {}},
        {"NaN radius", {{"a", 1}}, kNaN, {}},
        {"no items", {}, 10, {}},
        {"unusable weights dropped",
         {{"z", 0}, {"n", -1}, {"i", kInf}, {"q", kNaN}, {"ok", 3}, {"ok2", 1}},
         10,
         {"ok", "ok2"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(StorageLayouts::circles(c.items, {0, 0}, c.radius)), c.expectedIds) << c.name;
}

TEST(Circles, KeepsTheSixtyHeaviestWithoutOverlap) {
    Items items;
    for (int i = 0; i < 61; ++i)
        items.push_back({"item" + std::to_string(i), double(1 + i)});
    const std::vector<Bubble> bubbles = StorageLayouts::circles(items, {0, 0}, 100);
    ASSERT_EQ(bubbles.size(), 60u);
    EXPECT_EQ(bubbles.front().id, "item60");
    EXPECT_EQ(bubbles.back().id, "item1");             // item0, the lightest, is cut
    const double gap = 0.025 * bubbles.front().radius; // the heaviest has radius 1 in unit space
    for (std::size_t i = 0; i < bubbles.size(); ++i) {
        EXPECT_LE(std::hypot(bubbles[i].center.x, bubbles[i].center.y) + bubbles[i].radius, 100 + 1e-9);
        for (std::size_t j = i + 1; j < bubbles.size(); ++j) {
            const double dist = std::hypot(bubbles[i].center.x - bubbles[j].center.x,
                                           bubbles[i].center.y - bubbles[j].center.y);
            EXPECT_GE(dist, bubbles[i].radius + bubbles[j].radius + gap - 1e-3) << i << " " << j;
        }
    }
}

TEST(Circles, StoppedTaskGivesNothing) {
    std::stop_source source;
    source.request_stop();
    EXPECT_TRUE(StorageLayouts::circles(Items{{"a", 1}, {"b", 2}}, {0, 0}, 10, source.get_token()).empty());
}

TEST(Bubbles, ScatteredInsideTheRectangle) {
    Items items;
    for (int i = 0; i < 20; ++i)
        items.push_back({"b" + std::to_string(i), double(20 - i)});
    items.push_back({"inf", kInf});
    items.push_back({"zero", 0});
    const Rect bounds(10, 20, 800, 600);
    const std::vector<Bubble> placed = StorageLayouts::bubbles(items, bounds);
    ASSERT_EQ(placed.size(), 20u);
    EXPECT_EQ(placed.front().id, "b0");
    // Each failed pass shrinks the radii by 0.86, starting from 0.24 of the shorter side.
    const double passes = std::log(placed.front().radius / (0.24 * 600)) / std::log(0.86);
    EXPECT_NEAR(passes, std::round(passes), 1e-9);
    EXPECT_GE(std::round(passes), 1);
    EXPECT_EQ(placed.front().center, bounds.center()); // the spiral starts at the centre
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const Bubble& b = placed[i];
        EXPECT_EQ(b.id, "b" + std::to_string(i));
        EXPECT_GE(b.center.x - b.radius, bounds.minX());
        EXPECT_LE(b.center.x + b.radius, bounds.maxX());
        EXPECT_GE(b.center.y - b.radius, bounds.minY());
        EXPECT_LE(b.center.y + b.radius, bounds.maxY());
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            EXPECT_GE(std::hypot(b.center.x - placed[j].center.x, b.center.y - placed[j].center.y),
                      b.radius + placed[j].radius + 5.0);
    }
}

TEST(Bubbles, DegenerateInputs) {
    EXPECT_TRUE(StorageLayouts::bubbles(Items{{"a", 1}}, Rect(0, 0, 0, 10)).empty());
    EXPECT_TRUE(StorageLayouts::bubbles(Items{{"a", 0}, {"b", -1}}, Rect(0, 0, 100, 100)).empty());
    // Two bubbles that can never be 5 apart inside 3 x 3, however small they are made.
    EXPECT_TRUE(StorageLayouts::bubbles(Items{{"a", 1}, {"b", 1}}, Rect(0, 0, 3, 3)).empty());
    const std::vector<Bubble> one = StorageLayouts::bubbles(Items{{"a", 1}}, Rect(0, 0, 100, 50));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].center, (Point{50, 25}));
    EXPECT_NEAR(one[0].radius, 12, 1e-12);
}

} // namespace
} // namespace ambertrove
