#include "ChartTestSupport.hpp"

#include "charts/GraphLayoutInput.hpp"
#include "support/ModelFixture.hpp"
#include "theme/Paper.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace ambertrove {
namespace {

using test::buildScene;
using test::chartInput;
using test::markPaths;
using test::marksOf;
using test::ModelFixture;
using test::onlyMarkOf;
using test::shared;

constexpr double kPi = std::numbers::pi;

void expectRect(const QRectF& actual, const QRectF& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

// root/d1/d2/…/dN/f, every level as large as the file.
ScanResultPtr chain(int folders) {
    ModelFixture f("/r");
    std::string path = "/r";
    for (int k = 1; k <= folders; ++k) {
        path += "/d" + std::to_string(k);
        f.folder(path);
    }
    f.file(path + "/f", 1000, 1000);
    return shared(f.finish());
}

std::string chainPath(int level) {
    std::string path = "/r";
    for (int k = 1; k <= level; ++k)
        path += "/d" + std::to_string(k);
    return path;
}

// ---- treemap -----------------------------------------------------------------------------------------

TEST(GraphStylesTest, TreemapHeaderNeedsATileWiderAndHigherThan28) {
    ModelFixture f("/r");
    f.folder("/r/F");
    f.file("/r/F/x", 1000, 1000);
    const ScanResultPtr scan = shared(f.finish());
    // The one tile is the content rectangle less 0.8 on every side.
    const GraphScene opened = buildScene(chartInput(scan, StorageView::treemap), 40.1, 46.1);
    ASSERT_EQ(markPaths(opened), (std::vector<std::string>{"/r/F", "/r/F/x"}));
    expectRect(opened.marks[0].path.boundingRect(), QRectF(5.8, 8.8, 28.5, 28.5));
    expectRect(opened.marks[0].label, QRectF(5.8, 9.8, 28.5, 18));
    expectRect(opened.marks[1].path.boundingRect(), QRectF(6.8 + 0.8, 25.8 + 0.8, 26.5 - 1.6, 10.5 - 1.6));

    const GraphScene closed = buildScene(chartInput(scan, StorageView::treemap), 39.6, 45.6);
    ASSERT_EQ(markPaths(closed), (std::vector<std::string>{"/r/F"}));
    expectRect(closed.marks[0].label, QRectF(5.8, 8.8, 28, 28));

    // At the deepest level a folder gets no header either.
    const GraphScene flat = buildScene(chartInput(scan, StorageView::treemap, 1), 400, 300);
    ASSERT_EQ(markPaths(flat), (std::vector<std::string>{"/r/F"}));
    EXPECT_EQ(flat.marks[0].label, flat.marks[0].path.boundingRect());
}

TEST(GraphStylesTest, TreemapSkipsTilesOf3OrLessWithTheirSubtree) {
    for (const bool wide : {true, false}) {
        for (const std::int64_t small : {299, 301}) {
            SCOPED_TRACE(testing::Message() << (wide ? "wide " : "tall ") << small);
            ModelFixture f("/r");
            f.file("/r/a", 10000 - small, 10000 - small);
            f.folder("/r/b");
            f.file("/r/b/c", small, small);
            // Content 100 x 50 (or 50 x 100): b gets a strip 2.99 or 3.01 across.
            const GraphScene scene =
                wide ? buildScene(chartInput(shared(f.finish()), StorageView::treemap), 110, 66)
                     : buildScene(chartInput(shared(f.finish()), StorageView::treemap), 60, 116);
            const std::vector<std::string> expected =
                small < 300 ? std::vector<std::string>{"/r/a"} : std::vector<std::string>{"/r/a", "/r/b"};
            EXPECT_EQ(markPaths(scene), expected);
        }
    }
}

TEST(GraphStylesTest, TreemapTheDeepestTileWinsTheHitTest) {
    ModelFixture f("/r");
    f.folder("/r/F");
    f.folder("/r/F/G");
    f.file("/r/F/G/x", 6000, 6000);
    f.file("/r/F/y", 2000, 2000);
    f.file("/r/z", 3000, 3000);
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::treemap), 400, 300);
    ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r/F", "/r/F/G", "/r/F/G/x", "/r/F/y", "/r/z"}));
    // A point in a file's tile hits the file, not the folders drawn under it; a folder is hit in its
    // header band.
    for (std::size_t i : {2u, 3u, 4u}) {
        const QRectF box = scene.marks[i].path.boundingRect();
        EXPECT_EQ(scene.markAt(QPointF(box.center().x(), box.bottom() - 2)), std::optional<std::size_t>(i))
            << i;
    }
    for (std::size_t i : {0u, 1u}) {
        const QRectF box = scene.marks[i].path.boundingRect();
        EXPECT_EQ(scene.markAt(QPointF(box.center().x(), box.top() + 6)), std::optional<std::size_t>(i)) << i;
    }
}

TEST(GraphStylesTest, TreemapStopsAt6000Marks) {
    ModelFixture f("/r");
    for (int k = 0; k < 7000; ++k)
        f.file("/r/f" + std::to_string(k), 1, 1);
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::treemap), 2000, 2000);
    EXPECT_EQ(scene.marks.size(), 6000u);
    EXPECT_EQ(scene.items.size(), 7000u);
}

// ---- flame -------------------------------------------------------------------------------------------

TEST(GraphStylesTest, FlameRowsAreAShareOfTheHeightUpTo76AndFadeByLevel) {
    // Depth 8 in 360 of content height: rows of 40, bars of 35.
    const ScanResultPtr scan = chain(9);
    const GraphLayoutInput input = chartInput(scan, StorageView::flame, 8);
    const GraphScene scene = buildScene(input, 400, 376);
    ASSERT_EQ(scene.marks.size(), 9u); // the root bar and levels 1 to 8
    for (int level = 0; level <= 8; ++level) {
        SCOPED_TRACE(level);
        const GraphMark& mark = scene.marks[std::size_t(level)];
        EXPECT_EQ(test::pathOf(scene, mark.node), chainPath(level));
        const QRectF box = mark.path.boundingRect();
        EXPECT_NEAR(box.top(), 8 + 40 * level, 1e-9);
        EXPECT_NEAR(box.height(), 35, 1e-9);
        EXPECT_EQ(mark.label, box);
        if (level == 0) {
            EXPECT_EQ(mark.color, input.palette[7]);
        } else {
            EXPECT_NEAR(mark.color.alphaF(), 1 - 0.12 * (level - 1), 1e-4);
        }
    }
    EXPECT_NEAR(scene.marks[2].color.alphaF(), 0.88, 1e-4);
    EXPECT_NEAR(scene.marks[8].color.alphaF(), 0.16, 1e-4);

    // Depth 1 in 400 of height: rows of min(200, 76).
    const GraphScene shallow = buildScene(chartInput(scan, StorageView::flame, 1), 400, 416);
    ASSERT_EQ(shallow.marks.size(), 2u);
    expectRect(shallow.marks[0].path.boundingRect(), QRectF(5, 8, 390, 71));
    expectRect(shallow.marks[1].path.boundingRect(), QRectF(6, 8 + 76, 388, 71));
}

TEST(GraphStylesTest, FlameAChildOf3WideIsLeftOutWithItsSubtree) {
    // 100 of content width shared by sizes out of 10000; b holds one file as large as itself.
    struct Case {
        std::int64_t b;
        bool drawn;
    };
    for (const Case& c : {Case{300, false}, Case{301, true}}) {
        SCOPED_TRACE(c.b);
        ModelFixture f("/r");
        f.file("/r/a", 5000, 5000);
        f.folder("/r/b");
        f.file("/r/b/c", c.b, c.b);
        f.file("/r/d", 5000 - c.b, 5000 - c.b);
        const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::flame), 110, 200);
        const double row = 184.0 / 8;
        const double d = double(5000 - c.b) / 100;
        if (!c.drawn) {
            ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r", "/r/a", "/r/d"}));
        } else {
            ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r", "/r/a", "/r/d", "/r/b", "/r/b/c"}));
            // Each bar starts where the shares before it end.
            expectRect(scene.marks[3].path.boundingRect(), QRectF(5 + 50 + d + 1, 8 + row, 1.01, row - 5),
                       1e-9);
            expectRect(scene.marks[4].path.boundingRect(), QRectF(5 + 50 + d + 1, 8 + 2 * row, 1.01, row - 5),
                       1e-9);
        }
        expectRect(scene.marks[1].path.boundingRect(), QRectF(6, 8 + row, 48, row - 5));
        expectRect(scene.marks[2].path.boundingRect(), QRectF(5 + 50 + 1, 8 + row, d - 2, row - 5), 1e-9);
    }
}

TEST(GraphStylesTest, FlameBarsStayAtLeastOneHighInALowChart) {
    // 16 of content height over 8 rows: rows of 2, which would leave bars of -3.
    const GraphScene scene = buildScene(chartInput(chain(3), StorageView::flame), 200, 32);
    ASSERT_EQ(scene.marks.size(), 5u);
    for (std::size_t level = 0; level < scene.marks.size(); ++level) {
        const QRectF box = scene.marks[level].path.boundingRect();
        EXPECT_NEAR(box.top(), 8 + 2 * double(level), 1e-9) << level;
        EXPECT_NEAR(box.height(), 1, 1e-9) << level;
    }
}

TEST(GraphStylesTest, FlameSharesOfAbsurdSizesStayFinite) {
    // A crafted saved scan: two sizes whose sum passes the largest 64-bit value.
    constexpr std::int64_t large = std::int64_t(1) << 62;
    ModelFixture f("/r");
    f.file("/r/a", large + large / 2, large + large / 2);
    f.file("/r/b", large, large);
    const ScanResultPtr scan = shared(f.finish());
    for (StorageView view : {StorageView::flame, StorageView::sunburst, StorageView::mindMap}) {
        const GraphScene scene = buildScene(chartInput(scan, view), 110, 200);
        ASSERT_EQ(scene.marks.size(), view == StorageView::mindMap ? 5u : 3u);
        for (const GraphMark& mark : scene.marks) {
            const QRectF box = mark.path.boundingRect();
            EXPECT_TRUE(std::isfinite(box.width()) && std::isfinite(box.height()));
            EXPECT_LE(box.width(), 200);
        }
        if (view == StorageView::flame) {
            // The total stops at the largest value, so a's share is 0.75 of 100.
            EXPECT_NEAR(scene.marks[1].path.boundingRect().width(), 73, 1e-6);
        }
    }
}

TEST(GraphStylesTest, FlameRootBarFallsBackToTheThemesColourForAShortPalette) {
    ModelFixture f("/r");
    f.file("/r/a", 10, 10);
    const ScanResultPtr scan = shared(f.finish());
    for (const bool dark : {false, true}) {
        GraphLayoutInput input = chartInput(scan, StorageView::flame);
        input.dark = dark;
        input.palette.resize(3);
        EXPECT_EQ(buildScene(input, 200, 200).marks.front().color, Paper::colors()[7].resolved(dark));
        input.palette.clear();
        EXPECT_EQ(buildScene(input, 200, 200).marks.front().color, Paper::colors()[7].resolved(dark));
    }
}

TEST(GraphStylesTest, NodeColoursFollowTheColourModeInTheInputsAppearance) {
    ModelFixture f("/r");
    f.folder("/r/Music");
    f.file("/r/Music/song.mp3", 100, 100);
    f.file("/r/clip.mp4", 50, 50, test::kChartNow - 10 * 86400);
    const ScanResultPtr scan = shared(f.finish());
    const Date now = Date::fromUnixSeconds(test::kChartNow);
    for (const bool dark : {false, true}) {
        for (const ColorMode mode : {ColorMode::folder, ColorMode::type, ColorMode::age}) {
            GraphLayoutInput input = chartInput(scan, StorageView::treemap);
            input.dark = dark;
            input.colorMode = mode;
            const GraphScene scene = buildScene(input, 400, 300);
            for (const char* path : {"/r/Music", "/r/Music/song.mp3", "/r/clip.mp4"}) {
                const auto node = scan->nodes.node(path);
                ASSERT_TRUE(node.has_value());
                EXPECT_EQ(onlyMarkOf(scene, path).color, Paper::color(*node, mode, "/r", now).resolved(dark))
                    << path << " " << int(mode) << " " << dark;
            }
        }
    }
}

// ---- sunburst ----------------------------------------------------------------------------------------

TEST(GraphStylesTest, SunburstLabelsTurnAlongTheRingAndNeverUpsideDown) {
    struct Case {
        std::int64_t a, b;
        double rotationA, rotationB;
    };
    // Two halves, centred on the right (0) and on the left (π); then a large segment centred just left of
    // straight up and a sliver just before the top (3π/2 − π/1000): both turned by almost a full turn.
    const Case cases[] = {{10, 10, kPi / 2, 5 * kPi / 2},
                          {999, 1, 2 * kPi - kPi / 1000, 2 * kPi - kPi / 1000}};
    for (const Case& c : cases) {
        ModelFixture f("/r");
        f.file("/r/a", c.a, c.a);
        f.file("/r/b", c.b, c.b);
        const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::sunburst), 400, 400);
        ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r", "/r/a", "/r/b"}));
        EXPECT_NEAR(scene.marks[1].rotation, c.rotationA, 1e-9);
        EXPECT_NEAR(scene.marks[2].rotation, c.rotationB, 1e-9);
        for (std::size_t i = 1; i < scene.marks.size(); ++i)
            EXPECT_GE(std::cos(scene.marks[i].rotation), -1e-9);
    }
    ModelFixture g("/r");
    g.file("/r/only", 10, 10);
    const GraphScene whole = buildScene(chartInput(shared(g.finish()), StorageView::sunburst), 400, 400);
    ASSERT_EQ(whole.marks.size(), 2u);
    EXPECT_NEAR(whole.marks[1].rotation, 2 * kPi, 1e-9);
    // Its label area is upright, 20 high, centred on the ring's middle straight below the centre.
    const QRectF area = whole.marks[1].label;
    EXPECT_NEAR(area.height(), 20, 1e-9);
    EXPECT_NEAR(area.center().x(), 200, 1e-6);
    EXPECT_GT(area.center().y(), 200);
}

TEST(GraphStylesTest, SunburstSegmentsOfferLabelsFromRingWidth18Point5) {
    // Depth 11 over eleven nested folders: the centre radius is 80, so the ring width is (R - 80) / 11.
    const ScanResultPtr scan = chain(11);
    const GraphScene narrow = buildScene(chartInput(scan, StorageView::sunburst, 11), 582, 588); // 18
    const GraphScene wide = buildScene(chartInput(scan, StorageView::sunburst, 11), 593, 599);   // 18.5
    ASSERT_EQ(narrow.marks.size(), 12u);
    ASSERT_EQ(wide.marks.size(), 12u);
    for (std::size_t i = 1; i < 12; ++i) {
        EXPECT_TRUE(narrow.marks[i].label.isEmpty()) << i;
        EXPECT_FALSE(wide.marks[i].label.isEmpty()) << i;
    }
    // The first ring reaches 80 + 18.5 - 2.
    EXPECT_NEAR(wide.marks[1].path.boundingRect().width(), 2 * 96.5, 0.01);
    EXPECT_NEAR(wide.marks[0].path.boundingRect().width(), 2 * 77, 1e-9);
}

TEST(GraphStylesTest, SunburstRingsAreAsManyAsTheLevelsShown) {
    ModelFixture f("/r");
    f.folder("/r/A");
    f.file("/r/A/x", 100, 100);
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::sunburst, 3), 400, 400);
    // R = 184, c = 55.2, two rings of 64.4.
    ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r", "/r/A", "/r/A/x"}));
    EXPECT_NEAR(scene.marks[1].path.boundingRect().width(), 2 * (55.2 + 64.4 - 2), 0.01);
    EXPECT_NEAR(scene.marks[2].path.boundingRect().width(), 2 * (184 - 2), 0.01);
    EXPECT_EQ(scene.marks[1].color.alphaF(), 1.0f);
    EXPECT_NEAR(scene.marks[2].color.alphaF(), 0.9, 1e-4);
}

TEST(GraphStylesTest, SunburstInASmallChartKeepsADiscOfRadius0AndDrawsNoInvertedRing) {
    ModelFixture f("/r");
    f.file("/r/x", 100, 100);
    const ScanResultPtr scan = shared(f.finish());
    // 40 x 40: R = 4, c = 1.2, rings 2.8 wide; 32 x 32: R = 0.
    for (const auto& [width, height, centre] :
         {std::tuple{40.0, 40.0, QPointF(20, 20)}, std::tuple{32.0, 32.0, QPointF(16, 16)}}) {
        const GraphScene scene = buildScene(chartInput(scan, StorageView::sunburst), width, height);
        ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r"})) << width;
        const QRectF disc = scene.marks[0].path.boundingRect();
        EXPECT_EQ(disc.width(), 0);
        EXPECT_EQ(disc.height(), 0);
        EXPECT_EQ(disc.center(), centre);
        ASSERT_TRUE(scene.center.has_value());
        EXPECT_EQ(*scene.center, disc);
    }
    // 60 x 60: the ring is wide enough again.
    EXPECT_EQ(buildScene(chartInput(scan, StorageView::sunburst), 60, 60).marks.size(), 2u);
}

// ---- bubbles -----------------------------------------------------------------------------------------

TEST(GraphStylesTest, BubblesOpenAboveRadius15WithAPadThatGrowsAbove45) {
    ModelFixture f("/r");
    f.folder("/r/A");
    f.file("/r/A/x", 100, 100);
    const ScanResultPtr scan = shared(f.finish());
    const GraphLayoutInput input = chartInput(scan, StorageView::bubbles);

    // Radius 15: an inset label and no children.
    const GraphScene closed = buildScene(input, 48, 54);
    ASSERT_EQ(markPaths(closed), (std::vector<std::string>{"/r"}));
    expectRect(closed.marks[0].path.boundingRect(), QRectF(24 - 15, 27 - 15, 30, 30));
    expectRect(closed.marks[0].label, QRectF(24 - 15 + 2.25, 27 - 15 + 2.25, 25.5, 25.5));
    EXPECT_EQ(closed.marks[0].color, input.surface);

    struct Case {
        double width, height, radius, pad;
    };
    for (const Case& c : {Case{108, 114, 45, 4}, Case{110, 116, 46, 15}}) {
        SCOPED_TRACE(c.radius);
        const GraphScene scene = buildScene(input, c.width, c.height);
        ASSERT_GE(scene.marks.size(), 2u);
        EXPECT_EQ(test::pathOf(scene, scene.marks[1].node), "/r/A");
        const QPointF centre(c.width / 2, 8 + (c.height - 16) / 2);
        // The cap label across the top of the circle.
        const double band = std::min(c.radius * 0.18, 10.0);
        const double cap = 2 * std::sqrt(2 * c.radius * band - band * band) - 6;
        expectRect(scene.marks[0].label,
                   QRectF(centre.x() - cap / 2, centre.y() - c.radius + band - 3, cap, 20));
        // The one child fills the circle less the pad, moved down by half of it.
        const QRectF child = scene.marks[1].path.boundingRect();
        EXPECT_NEAR(child.center().x(), centre.x(), 1e-9);
        EXPECT_NEAR(child.center().y(), centre.y() + c.pad / 2, 1e-9);
        EXPECT_NEAR(child.width() / 2, c.radius - c.pad, 1e-9);
        EXPECT_NEAR(scene.marks[1].color.alphaF(), 0.82, 1e-4);
    }
}

TEST(GraphStylesTest, BubblesStopAt3000Marks) {
    ModelFixture f("/r");
    for (int a = 0; a < 60; ++a) {
        const std::string folder = "/r/f" + std::to_string(a);
        f.folder(folder);
        for (int b = 0; b < 60; ++b)
            f.file(folder + "/x" + std::to_string(b), 1000 + b, 1000 + b);
    }
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::bubbles), 3000, 3000);
    EXPECT_EQ(scene.marks.size(), 3000u);
}

// ---- mind map ----------------------------------------------------------------------------------------

TEST(GraphStylesTest, MindMapShows16ChildrenOfTheRootAnd10OfOthers) {
    ModelFixture f("/r");
    f.folder("/r/big");
    for (int k = 0; k < 12; ++k)
        f.file("/r/big/x" + std::to_string(k), 1000 + k, 1000 + k);
    for (int k = 0; k < 19; ++k)
        f.file("/r/f" + std::to_string(k), 100 + k, 100 + k);
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::mindMap), 800, 800);
    EXPECT_EQ(scene.marks.size(), 16u * 2 + 10 * 2 + 1);
    EXPECT_EQ(marksOf(scene, "/r/big").size(), 2u);
    EXPECT_EQ(marksOf(scene, "/r/f18").size(), 2u); // the largest files
    EXPECT_EQ(marksOf(scene, "/r/f4").size(), 2u);
    EXPECT_TRUE(marksOf(scene, "/r/f3").empty());
    EXPECT_EQ(marksOf(scene, "/r/big/x2").size(), 2u);
    EXPECT_TRUE(marksOf(scene, "/r/big/x1").empty());
}

TEST(GraphStylesTest, MindMapShowsAtMost5RingsAndLabelsTheFirstTwo) {
    const ScanResultPtr scan = chain(10);
    // 800 x 800: r = 360, dots of min(360 / 5 * 0.27, 23).
    const GraphLayoutInput input = chartInput(scan, StorageView::mindMap, 8);
    const GraphScene scene = buildScene(input, 800, 800);
    ASSERT_EQ(scene.marks.size(), 5u * 2 + 1);
    const QPointF centre(400, 400);
    for (int level = 1; level <= 5; ++level) {
        SCOPED_TRACE(level);
        const std::vector<std::size_t> own = marksOf(scene, chainPath(level));
        ASSERT_EQ(own.size(), 2u);
        const GraphMark& dot = scene.marks[own[1]];
        const QRectF box = dot.path.boundingRect();
        EXPECT_NEAR(box.width() / 2, 360.0 / 5 * 0.27, 1e-6);
        EXPECT_NEAR(std::hypot(box.center().x() - centre.x(), box.center().y() - centre.y()),
                    360.0 * level / 5, 1e-6);
        EXPECT_TRUE(scene.marks[own[0]].label.isEmpty()); // links never offer one
        EXPECT_EQ(dot.label.isEmpty(), level > 2);
    }
    // The root disc comes last, in ink, its label in the background colour.
    const GraphMark& disc = scene.marks.back();
    EXPECT_EQ(test::pathOf(scene, disc.node), "/r");
    EXPECT_EQ(disc.color, input.ink);
    EXPECT_EQ(disc.textColor, std::optional<QColor>(input.background));
    expectRect(disc.label, QRectF(368, 368, 64, 64));
    bool rootLabelled = false;
    for (const GraphLabel& label : scene.labels)
        if (label.anchor == centre) {
            rootLabelled = true;
            EXPECT_EQ(label.color, input.background);
            EXPECT_TRUE(label.bytes.has_value());
        }
    EXPECT_TRUE(rootLabelled);

    EXPECT_EQ(buildScene(chartInput(scan, StorageView::mindMap, 3), 800, 800).marks.size(), 3u * 2 + 1);
}

TEST(GraphStylesTest, MindMapDotsOfRadius7OrLessOfferNoLabel) {
    ModelFixture f("/r");
    f.file("/r/only", 100, 100);
    const ScanResultPtr scan = shared(f.finish());
    // One ring: the dot's radius is r * 0.27 with r = m / 2 - 32.
    const GraphScene above = buildScene(chartInput(scan, StorageView::mindMap), 400, 116 + 16); // r = 26
    const GraphScene below = buildScene(chartInput(scan, StorageView::mindMap), 400, 115.8 + 16);
    ASSERT_EQ(above.marks.size(), 3u);
    ASSERT_EQ(below.marks.size(), 3u);
    EXPECT_NEAR(above.marks[1].path.boundingRect().width() / 2, 7.02, 1e-6);
    EXPECT_FALSE(above.marks[1].label.isEmpty());
    EXPECT_TRUE(below.marks[1].label.isEmpty());
}

TEST(GraphStylesTest, MindMapStopsNear1600Marks) {
    ModelFixture f("/r");
    for (int a = 0; a < 16; ++a) {
        const std::string one = "/r/a" + std::to_string(a);
        f.folder(one);
        for (int b = 0; b < 10; ++b) {
            const std::string two = one + "/b" + std::to_string(b);
            f.folder(two);
            for (int c = 0; c < 10; ++c)
                f.file(two + "/c" + std::to_string(c), 10 + c, 10 + c);
        }
    }
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::mindMap), 1000, 1000);
    // The budget is tested as a visit starts: the visits under way when it is reached still add their
    // remaining children (16 at the root, 10 below), and the root disc comes last.
    EXPECT_GE(scene.marks.size(), 1600u);
    EXPECT_LE(scene.marks.size(), 1600u + 2 * 16 + 2 * 10 * 2 + 1);
}

} // namespace
} // namespace ambertrove
