#include "ChartTestSupport.hpp"

#include "charts/GraphDrawing.hpp"
#include "charts/GraphLayoutInput.hpp"
#include "support/ModelFixture.hpp"

#include "model/Formatting.hpp"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <thread>

namespace ambertrove {
namespace {

using test::buildScene;
using test::chartInput;
using test::itemPaths;
using test::markPaths;
using test::marksOf;
using test::ModelFixture;
using test::onlyMarkOf;
using test::shared;
using test::UnitMeasurer;

constexpr StorageView kCharts[] = {StorageView::treemap, StorageView::flame, StorageView::sunburst,
                                   StorageView::bubbles, StorageView::mindMap};
constexpr std::int64_t kDay = 86400;

// A folder, a large file, an empty file and a hidden one below the root.
ScanResultPtr smallScan() {
    ModelFixture f("/r");
    f.folder("/r/docs");
    f.file("/r/docs/a.txt", 4000, 4000);
    f.file("/r/docs/b.txt", 2000, 2000);
    f.file("/r/movie.mp4", 8000, 8000);
    f.file("/r/zero", 0, 0);
    f.file("/r/.hidden", 500, 500);
    return shared(f.finish());
}

void expectEmpty(const GraphScene& scene) {
    EXPECT_TRUE(scene.marks.empty());
    EXPECT_TRUE(scene.labels.empty());
    EXPECT_TRUE(scene.items.empty());
    EXPECT_TRUE(scene.pathsByNode.empty());
    EXPECT_TRUE(scene.hitIndex.rectangles().empty());
    EXPECT_EQ(scene.hitIndex.cellSize(), 64);
    EXPECT_FALSE(scene.center.has_value());
    EXPECT_EQ(scene.border, QColor(Qt::transparent));
    EXPECT_FALSE(scene.scan);
}

TEST(GraphSceneTest, FramesThatAreNotFiniteOrUnder32GiveTheEmptyScene) {
    const ScanResultPtr scan = smallScan();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> frames[] = {{31.9, 500}, {500, 31.9}, {nan, 500}, {500, nan},
                                                {inf, 500},  {500, inf},  {-40, 500}, {0, 0}};
    for (StorageView view : kCharts) {
        for (const auto& [width, height] : frames) {
            SCOPED_TRACE(testing::Message() << int(view) << ": " << width << " x " << height);
            expectEmpty(buildScene(chartInput(scan, view), width, height));
        }
        const GraphScene smallest = buildScene(chartInput(scan, view), 32, 32);
        EXPECT_FALSE(smallest.marks.empty()) << int(view);
        EXPECT_EQ(smallest.items.size(), 4u);
    }
    // Every scene is new, even two empty ones.
    const GraphScene a = buildScene(chartInput(scan, StorageView::treemap), 10, 10);
    const GraphScene b = buildScene(chartInput(scan, StorageView::treemap), 10, 10);
    EXPECT_NE(a.id, b.id);
}

TEST(GraphSceneTest, ItemsListEveryVisibleChildAndZeroSizeOnesGetNoMark) {
    const ScanResultPtr scan = smallScan();
    for (StorageView view : kCharts) {
        const GraphScene scene = buildScene(chartInput(scan, view), 400, 300);
        EXPECT_EQ(itemPaths(scene),
                  (std::vector<std::string>{"/r/movie.mp4", "/r/docs", "/r/.hidden", "/r/zero"}));
        EXPECT_TRUE(marksOf(scene, "/r/zero").empty()) << int(view);
        EXPECT_FALSE(marksOf(scene, "/r/movie.mp4").empty()) << int(view);
        for (const GraphMark& mark : scene.marks)
            EXPECT_EQ(mark.path.fillRule(), Qt::WindingFill);
    }
    // A view that is not a chart draws nothing but still lists the items.
    const GraphScene folders = buildScene(chartInput(scan, StorageView::folders), 400, 300);
    EXPECT_TRUE(folders.marks.empty());
    EXPECT_EQ(folders.items.size(), 4u);
}

TEST(GraphSceneTest, TheHitGridAndTheNodeMapFollowTheMarks) {
    const ScanResultPtr scan = smallScan();
    const GraphScene mindMap = buildScene(chartInput(scan, StorageView::mindMap), 400, 300);
    // A mind-map child has its link and its dot.
    const std::vector<std::size_t> movie = marksOf(mindMap, "/r/movie.mp4");
    ASSERT_EQ(movie.size(), 2u);
    EXPECT_LT(movie[0], movie[1]);
    for (std::size_t i : movie)
        EXPECT_EQ(test::pathOf(mindMap, mindMap.marks[i].node), "/r/movie.mp4");
    for (StorageView view : kCharts) {
        const GraphScene scene = buildScene(chartInput(scan, view), 400, 300);
        ASSERT_EQ(scene.hitIndex.rectangles().size(), scene.marks.size());
        for (std::size_t i = 0; i < scene.marks.size(); ++i) {
            const QRectF box = scene.marks[i].path.boundingRect();
            EXPECT_EQ(scene.hitIndex.rectangles()[i], Rect(box.x(), box.y(), box.width(), box.height()));
        }
        std::size_t listed = 0;
        for (const auto& [node, indexes] : scene.pathsByNode) {
            listed += indexes.size();
            EXPECT_TRUE(std::is_sorted(indexes.begin(), indexes.end()));
            for (std::size_t i : indexes)
                EXPECT_EQ(scene.marks[i].node, node);
        }
        EXPECT_EQ(listed, scene.marks.size());
        EXPECT_EQ(scene.center.has_value(), view == StorageView::sunburst) << int(view);
        if (scene.center) {
            EXPECT_EQ(*scene.center, scene.marks.front().path.boundingRect());
        }
    }
    // A sunburst with nothing to show has no centre.
    GraphLayoutInput nothing = chartInput(scan, StorageView::sunburst);
    nothing.filter = "no such name";
    const GraphScene empty = buildScene(nothing, 400, 300);
    EXPECT_TRUE(empty.marks.empty());
    EXPECT_FALSE(empty.center.has_value());
}

// ---- the label pass --------------------------------------------------------------------------------

// A flame chart of depth 1 whose root bar offers a label area of exactly width x height at (5, 8).
GraphScene rootBarChart(double width, double height, const char* childName = "c") {
    ModelFixture f("/r");
    f.file(std::string("/r/") + childName, 3000, 3000);
    return buildScene(chartInput(shared(f.finish()), StorageView::flame, 1), width + 10,
                      2 * (height + 5) + 16);
}

const GraphLabel* labelAt(const GraphScene& scene, QPointF anchor) {
    for (const GraphLabel& label : scene.labels)
        if (label.anchor == anchor)
            return &label;
    return nullptr;
}

TEST(GraphSceneTest, LabelsNeedAnAreaWiderThan38AndHigherThan17) {
    struct Case {
        double width, height;
        bool labelled;
        double fontSize;
        bool twoLines;
    };
    const Case cases[] = {
        {38, 30, false, 0, false}, {60, 17, false, 0, false}, {38.5, 17.5, true, 9, false},
        {60, 38, true, 9, false},  {60, 39, true, 9, true},   {79.5, 20, true, 9, false},
        {80, 20, true, 11, false}, {80, 60, true, 11, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const GraphScene scene = rootBarChart(c.width, c.height);
        ASSERT_FALSE(scene.marks.empty());
        const QRectF area = scene.marks.front().label;
        ASSERT_EQ(area, QRectF(5, 8, c.width, c.height));
        const GraphLabel* label = labelAt(scene, area.center());
        ASSERT_EQ(label != nullptr, c.labelled);
        if (!label)
            continue;
        EXPECT_EQ(label->title, QStringLiteral("r"));
        EXPECT_EQ(label->fontSize, c.fontSize);
        EXPECT_EQ(label->bytes.has_value(), c.twoLines);
        if (c.twoLines) {
            EXPECT_EQ(*label->bytes, QString::fromStdString(formattedBytes(3000)));
        }
        EXPECT_EQ(label->titleRect, QRectF(10, area.center().y() - (c.twoLines ? 17 : 7), c.width - 10, 16));
        EXPECT_EQ(label->bytesRect, QRectF(10, area.center().y() + 3, c.width - 10, 14));
        EXPECT_EQ(label->color, chartInput(scene.scan, StorageView::flame).ink);
        EXPECT_EQ(label->rotation, 0);
    }
}

TEST(GraphSceneTest, LabelsAreFittedToTheAreaLessTen) {
    // 60 wide: 50 left for the title, 10 units of 5.
    const GraphScene scene = rootBarChart(60, 20);
    ASSERT_FALSE(scene.labels.empty());
    EXPECT_EQ(scene.labels.front().title, QStringLiteral("r"));

    ModelFixture g("/a-very-long-root-name");
    g.file("/a-very-long-root-name/c", 3000, 3000);
    const GraphScene longName =
        buildScene(chartInput(shared(g.finish()), StorageView::flame, 1), 70, 2 * (20 + 5) + 16);
    const GraphLabel* label = labelAt(longName, longName.marks.front().label.center());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->title, QStringLiteral("a-ver…name")); // 9 characters and the ellipsis in 50
}

TEST(GraphSceneTest, ALabelBoxStickingOutOfTheChartIsDropped) {
    // A two-line box is at least 46 wide from 10, grown by 2: it reaches 58.
    EXPECT_NE(labelAt(rootBarChart(48, 40), QPointF(5 + 24, 8 + 20)), nullptr);
    EXPECT_EQ(labelAt(rootBarChart(47.75, 40), QPointF(5 + 47.75 / 2, 8 + 20)), nullptr);
}

TEST(GraphSceneTest, OfTwoCollidingLabelsTheLargerNodesWinsThenTheEarlierMark) {
    // Equal sizes: a folder holding one file. The folder's header label and the file's label overlap;
    // the folder was drawn first.
    {
        ModelFixture f("/r");
        f.folder("/r/Big");
        f.file("/r/Big/f", 3000, 3000);
        const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::treemap), 210, 55.6);
        ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r/Big", "/r/Big/f"}));
        ASSERT_EQ(scene.labels.size(), 1u);
        EXPECT_EQ(scene.labels[0].title, QStringLiteral("Big"));
    }
    // The mind map's root disc comes last but is the largest: its label wins over its child's.
    {
        ModelFixture f("/r");
        f.file("/r/file", 3000, 3000);
        f.file("/r/.more", 1000, 1000); // hidden below, but the root counts it
        GraphLayoutInput input = chartInput(shared(f.finish()), StorageView::mindMap);
        input.showHidden = false;
        const GraphScene scene = buildScene(input, 210, 134);
        ASSERT_EQ(scene.marks.size(), 3u);
        EXPECT_FALSE(scene.marks[1].label.isEmpty()); // the dot offers a label area
        ASSERT_EQ(scene.labels.size(), 1u);
        EXPECT_EQ(scene.labels[0].title, QStringLiteral("r"));
        // Without the root disc's label in the way the child's is placed.
        const GraphScene wide = buildScene(input, 400, 300);
        EXPECT_EQ(wide.labels.size(), 2u);
    }
}

// ---- the view filter -------------------------------------------------------------------------------

ScanResultPtr filterScan() {
    constexpr std::int64_t old = 1'600'000'000;
    ModelFixture f("/r");
    f.file("/r/.hidden.txt", 300, 300, old);
    f.file("/r/Report.PDF", 5000, 5000, old);
    f.file("/r/photo.jpg", 2000, 4096, old);
    f.folder("/r/Images", old);
    f.file("/r/Images/x.png", 1000, 1000, old);
    f.file("/r/old.log", 700, 700, test::kChartNow - 30 * kDay);
    f.file("/r/recent.log", 600, 600, test::kChartNow - 30 * kDay + 1);
    f.file("/r/empty", 0, 0, old);
    return shared(f.finish());
}

TEST(GraphSceneTest, TheViewFiltersDecideTheItemsAndTheMarks) {
    const ScanResultPtr scan = filterScan();
    struct Case {
        const char* name;
        void (*set)(GraphLayoutInput&);
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"none",
         [](GraphLayoutInput&) {},
         {"/r/Report.PDF", "/r/photo.jpg", "/r/Images", "/r/old.log", "/r/recent.log", "/r/.hidden.txt",
          "/r/empty"}},
        {"hidden",
         [](GraphLayoutInput& in) { in.showHidden = false; },
         {"/r/Report.PDF", "/r/photo.jpg", "/r/Images", "/r/old.log", "/r/recent.log", "/r/empty"}},
        {"name in any case", [](GraphLayoutInput& in) { in.filter = "rEPORT"; }, {"/r/Report.PDF"}},
        {"name anywhere", [](GraphLayoutInput& in) { in.filter = "log"; }, {"/r/old.log", "/r/recent.log"}},
        {"size from 1000",
         [](GraphLayoutInput& in) { in.minimumBytes = 1000; },
         {"/r/Report.PDF", "/r/photo.jpg", "/r/Images"}},
        {"category, never a folder",
         [](GraphLayoutInput& in) { in.categoryFilter = FileCategory::image; },
         {"/r/photo.jpg"}},
        {"age of exactly 30 days",
         [](GraphLayoutInput& in) { in.modifiedBeforeDays = 30; },
         {"/r/Report.PDF", "/r/photo.jpg", "/r/Images", "/r/old.log", "/r/.hidden.txt", "/r/empty"}},
        {"allocated size from 4096",
         [](GraphLayoutInput& in) { in.minimumBytes = 4096; },
         {"/r/Report.PDF", "/r/photo.jpg"}},
        {"logical size from 2001",
         [](GraphLayoutInput& in) {
             in.logical = true;
             in.minimumBytes = 2001;
         },
         {"/r/Report.PDF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GraphLayoutInput input = chartInput(scan, StorageView::treemap);
        c.set(input);
        const GraphScene scene = buildScene(input, 600, 400);
        EXPECT_EQ(itemPaths(scene), c.items);
        // The marks are the items that have a size.
        std::vector<std::string> drawn = markPaths(scene);
        std::erase(drawn, "/r/Images/x.png");
        std::vector<std::string> sized = c.items;
        std::erase(sized, "/r/empty");
        std::sort(drawn.begin(), drawn.end());
        std::sort(sized.begin(), sized.end());
        EXPECT_EQ(drawn, sized);
    }
}

TEST(GraphSceneTest, TheNameFilterAppliesAtEveryLevel) {
    ModelFixture f("/r");
    f.folder("/r/Alpha");
    f.file("/r/Alpha/alpha-one.txt", 3000, 3000);
    f.file("/r/Alpha/beta.txt", 2000, 2000);
    f.folder("/r/Beta");
    f.file("/r/Beta/ALPHA-two.txt", 9000, 9000);
    GraphLayoutInput input = chartInput(shared(f.finish()), StorageView::treemap);
    input.filter = "alpha";
    const GraphScene scene = buildScene(input, 400, 300);
    EXPECT_EQ(markPaths(scene), (std::vector<std::string>{"/r/Alpha", "/r/Alpha/alpha-one.txt"}));
}

// ---- hit testing -----------------------------------------------------------------------------------

TEST(GraphSceneTest, ARingHasAHoleThatHitsNothing) {
    ModelFixture f("/r");
    f.folder("/r/A");
    f.file("/r/A/x", 100, 100);
    const GraphScene scene = buildScene(chartInput(shared(f.finish()), StorageView::sunburst, 1), 300, 300);
    // One ring between 41.2 and 132 around (150, 150), the disc of radius 37.2 inside it.
    ASSERT_EQ(markPaths(scene), (std::vector<std::string>{"/r", "/r/A"}));
    const QPointF c(150, 150);
    const QPainterPath& ring = scene.marks[1].path;
    EXPECT_EQ(ring.fillRule(), Qt::WindingFill);
    for (const QPointF band :
         {c + QPointF(80, 0), c + QPointF(-80, 0), c + QPointF(0, 80), c + QPointF(60, 60)}) {
        EXPECT_TRUE(ring.contains(band));
        EXPECT_EQ(scene.markAt(band), std::optional<std::size_t>(1));
    }
    // Inside the ring's box but in its hole: neither the ring nor the disc.
    for (const QPointF hole : {c + QPointF(39.5, 0), c + QPointF(0, -39.5), c + QPointF(-27.9, 27.9)}) {
        EXPECT_TRUE(ring.boundingRect().contains(hole));
        EXPECT_FALSE(ring.contains(hole));
        EXPECT_EQ(scene.markAt(hole), std::nullopt);
    }
    // A ring drawn as two circles one way round fills its hole under the non-zero rule: the segment
    // turns back along its inner edge, so the hole stays empty under both rules.
    QPainterPath oddEven = ring;
    oddEven.setFillRule(Qt::OddEvenFill);
    EXPECT_FALSE(oddEven.contains(c + QPointF(39.5, 0)));
    QPainterPath twoCircles;
    twoCircles.addEllipse(c, 132, 132);
    twoCircles.addEllipse(c, 41.2, 41.2);
    twoCircles.setFillRule(Qt::WindingFill);
    EXPECT_TRUE(twoCircles.contains(c + QPointF(39.5, 0)));
    // The centre is the disc, which stands for the root.
    EXPECT_EQ(scene.markAt(c), std::optional<std::size_t>(0));
    EXPECT_EQ(scene.markAt(QPointF(2, 2)), std::nullopt);
    EXPECT_EQ(scene.markAt(QPointF(std::nan(""), 150)), std::nullopt);
}

// ---- cancellation and threads ----------------------------------------------------------------------

TEST(GraphSceneTest, ACancelledBuildGivesTheEmptyScene) {
    const ScanResultPtr scan = filterScan();
    const UnitMeasurer measurer;
    for (StorageView view : kCharts) {
        SCOPED_TRACE(int(view));
        const GraphLayoutInput input = chartInput(scan, view);
        const QRectF bounds(0, 0, 600, 400);
        std::stop_source stopped;
        stopped.request_stop();
        expectEmpty(input.build(bounds, TaskCancellation(stopped.get_token()), &measurer));

        int polls = 0;
        const GraphScene whole =
            input.build(bounds, TaskCancellation([&] { return ++polls < 0; }), &measurer);
        ASSERT_FALSE(whole.marks.empty());
        ASSERT_FALSE(whole.labels.empty());
        // The build polls in its visits and before each label: cancelling at any poll gives nothing.
        ASSERT_GT(polls, int(whole.labels.size()) + 2);
        for (int stopAt : {1, 2, polls / 2, polls - 1, polls}) {
            int seen = 0;
            const GraphScene cut =
                input.build(bounds, TaskCancellation([&] { return ++seen >= stopAt; }), &measurer);
            expectEmpty(cut);
        }
    }
}

TEST(GraphSceneTest, ABuildOnAWorkerThreadMeasuresWithItsOwnFonts) {
    const ScanResultPtr scan = filterScan();
    const GraphLayoutInput input = chartInput(scan, StorageView::treemap);
    const QRectF bounds(0, 0, 640, 420);
    const GraphScene here = input.build(bounds);
    GraphScene there;
    std::thread worker([&] { there = input.build(bounds); });
    worker.join();
    ASSERT_FALSE(here.labels.empty());
    ASSERT_EQ(there.labels.size(), here.labels.size());
    for (std::size_t i = 0; i < here.labels.size(); ++i) {
        EXPECT_EQ(there.labels[i].title, here.labels[i].title);
        EXPECT_EQ(there.labels[i].titleRect, here.labels[i].titleRect);
    }
    EXPECT_NE(there.id, here.id);
    EXPECT_EQ(there.scan, scan);
}

// ---- pictures --------------------------------------------------------------------------------------

ScanResultPtr pictureScan() {
    ModelFixture f("/home/ada");
    f.folder("/home/ada/Documents");
    f.file("/home/ada/Documents/thesis.pdf", 42'000'000, 42'000'000);
    f.file("/home/ada/Documents/notes.txt", 9'000'000, 9'000'000);
    f.folder("/home/ada/Documents/Letters");
    for (int k = 0; k < 6; ++k)
        f.file("/home/ada/Documents/Letters/letter-" + std::to_string(k) + ".odt", 2'000'000 + k * 700'000,
               2'000'000 + k * 700'000);
    f.folder("/home/ada/Music");
    f.folder("/home/ada/Music/Bach");
    for (int k = 0; k < 9; ++k)
        f.file("/home/ada/Music/Bach/cantata-" + std::to_string(k + 1) + ".flac", 30'000'000 - k * 2'500'000,
               30'000'000 - k * 2'500'000);
    f.file("/home/ada/Music/playlist.m3u", 40'000, 40'000);
    f.folder("/home/ada/Pictures");
    for (int k = 0; k < 14; ++k)
        f.file("/home/ada/Pictures/IMG_" + std::to_string(4000 + k) + ".jpg", 5'000'000 + k * 300'000,
               5'000'000 + k * 300'000);
    f.folder("/home/ada/Downloads");
    f.file("/home/ada/Downloads/installer-with-a-very-long-name-x86_64.iso", 60'000'000, 60'000'000);
    f.file("/home/ada/Downloads/café-menu.pdf", 800'000, 800'000);
    f.file("/home/ada/video.mp4", 35'000'000, 35'000'000);
    return shared(f.finish());
}

QImage render(const GraphScene& scene, const QColor& background, bool labels) {
    QImage image(640, 420, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    GraphDrawing::paint(painter, scene, labels);
    painter.end();
    return image;
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

TEST(GraphSceneTest, EachChartDrawsIntoAPicture) {
    const ScanResultPtr scan = pictureScan();
    QDir().mkpath(QStringLiteral(AMBERTROVE_TEST_OUTPUT_DIR));
    const std::pair<StorageView, const char*> charts[] = {{StorageView::treemap, "treemap"},
                                                          {StorageView::flame, "flame"},
                                                          {StorageView::sunburst, "sunburst"},
                                                          {StorageView::bubbles, "bubbles"},
                                                          {StorageView::mindMap, "mind-map"}};
    for (const auto& [view, name] : charts) {
        SCOPED_TRACE(name);
        const GraphLayoutInput input = chartInput(scan, view);
        const GraphScene scene = input.build(QRectF(0, 0, 640, 420));
        ASSERT_FALSE(scene.marks.empty());
        EXPECT_FALSE(scene.labels.empty());
        const QImage picture = render(scene, input.background, true);
        EXPECT_TRUE(picture.save(QStringLiteral(AMBERTROVE_TEST_OUTPUT_DIR "/chart-%1.png").arg(name)));

        // Without labels a point shows the fill of the mark on top there.
        const QImage plain = render(scene, input.background, false);
        EXPECT_TRUE(near(plain.pixelColor(1, 1), input.background));
        const QPointF centre(320, 210);
        QPointF probe = centre;
        QColor expected;
        switch (view) {
        case StorageView::treemap:
            // The topmost tile with room inside its outline.
            for (std::size_t i = scene.marks.size(); i-- > 0;) {
                const QRectF box = scene.marks[i].path.boundingRect();
                if (box.width() >= 20 && box.height() >= 20 && scene.markAt(box.center()) == i) {
                    probe = box.center();
                    expected = scene.marks[i].color;
                    break;
                }
            }
            break;
        case StorageView::flame:
            probe = scene.marks.front().path.boundingRect().center();
            expected = input.palette[7];
            break;
        case StorageView::sunburst:
            expected = input.surface;
            break;
        case StorageView::bubbles:
            probe = QPointF(320, scene.marks.front().path.boundingRect().top() + 4);
            expected = input.surface;
            break;
        default:
            expected = input.ink;
            break;
        }
        const std::optional<std::size_t> hit = scene.markAt(probe);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(scene.marks[*hit].color, expected);
        EXPECT_TRUE(near(plain.pixelColor(probe.toPoint()), expected))
            << plain.pixelColor(probe.toPoint()).name().toStdString() << " at " << probe.x() << ", "
            << probe.y();
    }
}

} // namespace
} // namespace ambertrove
