// The chart view's layout scheduling: the layout key, the cache of recent charts, the pause before a
// layout, results that arrive too late, and the live chart of a running scan.
#include "GraphViewTestSupport.hpp"

#include "controller/ThreadJobRunner.hpp"
#include "explore/BusyBadge.hpp"
#include "explore/GraphCanvas.hpp"
#include "explore/GraphSceneCache.hpp"
#include "widgets/EmptyPanel.hpp"

#include <QElapsedTimer>

#include <functional>

namespace ambertrove::test {
namespace {

// ---- The layout key ----

class GraphLayoutKeyTest : public GraphViewTest {
protected:
    void SetUp() override {
        GraphViewTest::SetUp();
        makeModel();
        model->setScan(smallScan());
    }
    [[nodiscard]] GraphLayoutKey key(QSizeF size = QSizeF(500, 300), std::string root = "/r") const {
        return GraphLayoutKey::make(*model, std::nullopt, std::move(root), size, false);
    }
};

TEST_F(GraphLayoutKeyTest, SizesAreRoundedToWholePixelsHalvesAwayFromZero) {
    const struct {
        double in;
        long out;
    } cases[] = {{100.0, 100}, {100.49, 100}, {100.5, 101}, {99.5, 100}, {0.4, 0}, {1.5, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(key(QSizeF(c.in, 10)).width, c.out) << c.in;
        EXPECT_EQ(key(QSizeF(10, c.in)).height, c.out) << c.in;
    }
    EXPECT_EQ(key(QSizeF(500.2, 300.4)), key(QSizeF(499.6, 299.5))) << "sub-pixel changes make the same key";
}

TEST_F(GraphLayoutKeyTest, TextsWithBarsNeverMakeTwoInputsShareAKey) {
    // Joined with "|", these two would read the same.
    model->setFilter(QStringLiteral("a|Treemap|7|false|By folder|b"));
    const GraphLayoutKey first = key(QSizeF(500, 300), "/r");
    EXPECT_EQ(first.filter, QStringLiteral("a|Treemap|7|false|By folder|b")) << "the text enters as typed";
    model->setFilter(QStringLiteral("b"));
    const GraphLayoutKey second = key(QSizeF(500, 300), "/r|Treemap|7|false|By folder|a");
    EXPECT_NE(first, second);
    EXPECT_NE(std::hash<GraphLayoutKey>()(first), std::hash<GraphLayoutKey>()(second));
}

TEST_F(GraphLayoutKeyTest, EverySettingOfTheLayoutChangesTheKeyAndNothingElseDoes) {
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"storage view",
         [&] {
             model->setStorageView(StorageView::flame);
         }},
        {"depth",
         [&] {
             model->setVisualizationDepth(3);
         }},
        {"sizes",
         [&] {
             model->setLogical(true);
         }},
        {"colouring",
         [&] {
             model->setColorMode(ColorMode::age);
         }},
        {"search text",
         [&] {
             model->setFilter(QStringLiteral("mp"));
         }},
        {"hidden files",
         [&] {
             model->setShowHidden(false);
         }},
        {"minimum size",
         [&] {
             model->setMinimumBytes(10);
         }},
        {"category",
         [&] {
             model->setCategoryFilter(FileCategory::audio);
         }},
        {"age",
         [&] {
             model->setModifiedBeforeDays(30);
         }},
        {"theme",
         [&] {
             model->setTheme(AppTheme::sage);
         }},
        {"appearance",
         [&] {
             model->setDark(true);
         }},
        {"scan",
         [&] {
             model->setScan(smallScan());
         }},
    };
    for (const auto& [name, change] : changes) {
        const GraphLayoutKey before = key();
        change();
        EXPECT_NE(key(), before) << name;
    }
    const GraphLayoutKey before = key();
    model->setShowLabels(false);
    model->setSelection(std::string("/r/docs"));
    EXPECT_EQ(key(), before) << "labels and the selection lay nothing out";
    EXPECT_NE(key(QSizeF(501, 300)), before);
    EXPECT_NE(key(QSizeF(500, 300), "/r/docs"), before);
}

TEST_F(GraphLayoutKeyTest, TheLiveTaskKeyKeepsItsScanFieldAcrossPartialScans) {
    const Uuid first = Uuid::random();
    const Uuid second = Uuid::random();
    const auto task = [&](const Uuid& scan) {
        return GraphLayoutKey::make(*model, scan, "/r", QSizeF(500, 300), true);
    };
    EXPECT_EQ(task(first), task(second));
    EXPECT_TRUE(std::holds_alternative<GraphLayoutKey::Live>(task(first).scan));
    // The view key names the partial scan; the scene key the scan laid out.
    EXPECT_NE(GraphLayoutKey::make(*model, first, "/r", QSizeF(500, 300), false),
              GraphLayoutKey::make(*model, second, "/r", QSizeF(500, 300), false));
    EXPECT_EQ(GraphLayoutKey::make(*model, first, "/r", QSizeF(500, 300), false, second),
              GraphLayoutKey::make(*model, second, "/r", QSizeF(500, 300), false));
    // Without a partial scan the model's scan names the key, also when asked for a stable one.
    EXPECT_EQ(GraphLayoutKey::make(*model, std::nullopt, "/r", QSizeF(500, 300), true).scan,
              (std::variant<std::monostate, GraphLayoutKey::Live, Uuid>(model->scan()->id)));
    model->setScan(nullptr);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(key().scan));
}

// ---- The cache ----

TEST(GraphSceneCacheTest, KeepsTheThreeNewestOneEntryPerKeyNewestFirst) {
    const auto keyOf = [](int width) {
        GraphLayoutKey key;
        key.width = width;
        return key;
    };
    GraphSceneCache cache;
    for (int width : {1, 2, 3, 4})
        cache.insert(keyOf(width), std::make_shared<const GraphScene>(), nullptr);
    const auto widths = [&] {
        std::vector<long> out;
        for (const auto& entry : cache.entries())
            out.push_back(entry.key.width);
        return out;
    };
    EXPECT_EQ(widths(), (std::vector<long>{4, 3, 2}));
    EXPECT_EQ(cache.find(keyOf(1)), nullptr);
    const auto* three = cache.find(keyOf(3));
    ASSERT_NE(three, nullptr);
    const Uuid old = three->scene->id;
    cache.insert(keyOf(3), std::make_shared<const GraphScene>(), nullptr);
    EXPECT_EQ(widths(), (std::vector<long>{3, 4, 2})) << "laid out again: one entry, at the front";
    EXPECT_NE(cache.find(keyOf(3))->scene->id, old);
}

TEST_F(GraphViewTest, TheFirstChartIsLaidOutAfterThePauseAndShownWithoutTheBadge) {
    makeModel();
    model->setScan(smallScan());
    // When the layout starts, from the view's making: never before the pause (on a loaded machine the
    // window's first layout and paint may take longer than the pause, so only this bound is sure).
    QElapsedTimer clock;
    qint64 startedAfter = -1;
    QObject::connect(runner, &ManualJobRunner::jobStarted, runner, [&] {
        if (startedAfter < 0)
            startedAfter = clock.elapsed();
    });
    clock.start();
    makeView();
    EXPECT_FALSE(view->isReady());
    EXPECT_TRUE(view->busyBadge()->isVisible()) << "the empty scene, not ready";
    ASSERT_TRUE(layOut());
    EXPECT_GE(startedAfter, std::chrono::milliseconds(Timing().queryPause).count())
        << "nothing starts before the pause";
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_FALSE(view->busyBadge()->isVisible());
    EXPECT_FALSE(view->emptyPanel()->isVisible());
    EXPECT_EQ(gate.builds, 1);
    EXPECT_EQ(markPaths(view->scene()), (std::vector<std::string>{"/r/movie.mp4", "/r/docs", "/r/docs/a.txt",
                                                                  "/r/docs/b.txt", "/r/song.mp3"}));
    EXPECT_EQ(view->canvas()->accessibleName(), QStringLiteral("Treemap — r"));
}

TEST_F(GraphViewTest, AChartAreaTooSmallGetsTheEmptySceneAndItsPanel) {
    makeModel();
    model->setScan(smallScan());
    model->setStorageView(StorageView::mindMap);
    makeView(GraphView::Mode::explore, QSize(300, 20));
    ASSERT_TRUE(layOut());
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_TRUE(view->scene().marks.empty());
    EXPECT_TRUE(view->emptyPanel()->isVisible());
    EXPECT_EQ(view->emptyPanel()->icon(), QStringLiteral("point.3.connected.trianglepath.dotted"));
    EXPECT_FALSE(view->busyBadge()->isVisible());
}

TEST_F(GraphViewTest, WhatTheStripShowsNeverResizesTheChart) {
    makeModel();
    ModelFixture f("/r");
    f.file("/r/a-file-whose-name-is-far-longer-than-the-chart-is-wide.bin", 9000, 9000);
    model->setScan(shared(f.finish()));
    makeView(GraphView::Mode::explore, QSize(120, 200));
    ASSERT_TRUE(layOut());
    const QSize size = view->canvas()->size();
    QTest::mouseMove(view->canvas(), QPoint(60, 100));
    ASSERT_TRUE(view->hovered());
    settle();
    EXPECT_EQ(view->canvas()->size(), size);
    EXPECT_TRUE(view->isReady());
    EXPECT_EQ(runner->pending(), 0u);
}

TEST_F(GraphViewTest, SwitchingBackToAChartShowsItFromTheCacheAtOnce) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    const Uuid treemap = view->scene().id;
    model->setStorageView(StorageView::sunburst);
    EXPECT_FALSE(view->isReady());
    ASSERT_TRUE(layOut());
    EXPECT_EQ(gate.builds, 2);
    const std::size_t jobs = runner->startedCount();
    model->setStorageView(StorageView::treemap);
    EXPECT_TRUE(view->showsCurrentResult()) << "no pause, no layout";
    EXPECT_EQ(view->scene().id, treemap);
    EXPECT_EQ(runner->startedCount(), jobs);
    EXPECT_EQ(gate.builds, 2);
}

TEST_F(GraphViewTest, FourChartsLeaveTheLastThreeAndTheFirstIsLaidOutAgain) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    for (StorageView style : {StorageView::sunburst, StorageView::flame, StorageView::bubbles}) {
        model->setStorageView(style);
        ASSERT_TRUE(layOut());
    }
    std::vector<StorageView> cached;
    for (const auto& entry : view->cache().entries())
        cached.push_back(entry.key.storageView);
    EXPECT_EQ(cached,
              (std::vector<StorageView>{StorageView::bubbles, StorageView::flame, StorageView::sunburst}));
    model->setStorageView(StorageView::treemap);
    EXPECT_FALSE(view->isReady());
    ASSERT_TRUE(layOut());
    EXPECT_EQ(gate.builds, 5);
    EXPECT_EQ(view->cache().entries().front().key.storageView, StorageView::treemap);
}

TEST_F(GraphViewTest, AnotherScanForgetsTheChartsOfTheScanBefore) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    model->setStorageView(StorageView::flame);
    ASSERT_TRUE(layOut());
    ASSERT_EQ(view->cache().entries().size(), 2u);
    const std::weak_ptr<const ScanResult> before = model->scan();
    model->setScan(smallScan());
    EXPECT_TRUE(view->cache().entries().empty());
    ASSERT_TRUE(layOut());
    EXPECT_TRUE(before.expired()) << "nothing keeps the scan before";
    EXPECT_EQ(view->cache().entries().size(), 1u);
}

TEST_F(GraphViewTest, LabelsLayNothingOutWhileTheThemeAndTheAppearanceDo) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    model->setShowLabels(false);
    model->setSelection(std::string("/r/docs"));
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_EQ(runner->pending(), 0u);
    model->setTheme(AppTheme::slate);
    EXPECT_FALSE(view->isReady());
    ASSERT_TRUE(layOut());
    model->setDark(true);
    EXPECT_FALSE(view->isReady());
    ASSERT_TRUE(layOut());
    EXPECT_EQ(gate.builds, 3);
}

TEST_F(GraphViewTest, ANewChartFadesInUnlessMotionIsReduced) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    EXPECT_FALSE(view->canvas()->isFading()) << "nothing to fade from";
    Appearance::setReducedMotion(false);
    model->setStorageView(StorageView::bubbles);
    ASSERT_TRUE(layOut());
    EXPECT_TRUE(view->canvas()->isFading());
    QTRY_VERIFY_WITH_TIMEOUT(!view->canvas()->isFading(), 2000);
    Appearance::setReducedMotion(true);
    model->setStorageView(StorageView::treemap);
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_FALSE(view->canvas()->isFading());
}

// ---- The pause and late results ----

TEST_F(GraphViewTest, ABurstOfChangesLaysOutOnceForTheLastOne) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    const std::size_t jobs = runner->startedCount();
    for (int i = 1; i <= 5; ++i)
        model->setMinimumBytes(i * 100);
    ASSERT_TRUE(layOut());
    EXPECT_EQ(runner->startedCount(), jobs + 1);
    EXPECT_EQ(gate.builds, 2);
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_EQ(view->cache().entries().front().key.minimumBytes, 500);
}

TEST_F(GraphViewTest, ASettingChangedDuringALayoutDropsItsResultAndShowsTheNextOne) {
    makeModel(true);
    model->setScan(smallScan());
    makeView();
    QSignalSpy installed(view, &GraphView::sceneInstalled);
    ASSERT_TRUE(installed.wait(5000));
    const Uuid shown = view->scene().id;

    gate.hold();
    model->setMinimumBytes(1500);
    QTRY_COMPARE_WITH_TIMEOUT(gate.waiting.load(), 1, 5000);
    model->setMinimumBytes(2500);
    EXPECT_FALSE(view->isReady());
    EXPECT_EQ(view->scene().id, shown) << "the old chart stays";
    EXPECT_TRUE(view->busyBadge()->isVisible());
    installed.clear();
    gate.open();
    ASSERT_TRUE(installed.wait(5000));
    EXPECT_EQ(gate.builds, 3);
    EXPECT_EQ(installed.count(), 1) << "the first result is dropped";
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_FALSE(view->busyBadge()->isVisible());
    EXPECT_EQ(markPaths(view->scene()),
              (std::vector<std::string>{"/r/movie.mp4", "/r/docs", "/r/docs/a.txt"}))
        << "the chart of the last setting";
}

TEST_F(GraphViewTest, AHiddenViewLaysNothingOut) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    view->hide();
    model->setStorageView(StorageView::flame);
    QSignalSpy started(runner, &ManualJobRunner::jobStarted);
    EXPECT_FALSE(started.wait(200));
    view->show();
    ASSERT_TRUE(layOut());
    EXPECT_EQ(view->scene().marks.size(), 6u) << "the flame chart's root bar and its five entries";
}

// ---- The live chart ----

class GraphLiveTest : public GraphViewTest {
protected:
    // A report of the running scan whose browsed folder's partial scan is `chart`.
    static std::shared_ptr<const ScanProgress> report(const ScanResult& chart) {
        auto progress = std::make_shared<ScanProgress>();
        ScanFolderPreview preview;
        preview.rootPath = "/r";
        preview.folder = *chart.root();
        preview.chart = chart;
        progress->browsing = std::move(preview);
        return progress;
    }
    static ScanResult partial(const std::string& folder, std::int64_t extra) {
        ModelFixture f(folder);
        f.file(folder + "/one.bin", 5000 + extra, 5000 + extra);
        f.file(folder + "/two.bin", 3000, 3000);
        return f.finish();
    }
};

TEST_F(GraphLiveTest, ANewPartialScanOfTheSameFolderIsLaidOutAndTheSameOneIsNot) {
    makeModel();
    model->setScanning(true);
    const ScanResult first = partial("/r", 0);
    model->setScanProgress(report(first));
    makeView(GraphView::Mode::live);
    ASSERT_TRUE(layOut());
    EXPECT_EQ(markPaths(view->scene()), (std::vector<std::string>{"/r/one.bin", "/r/two.bin"}));

    // The same partial scan in a new report: passes look and lay nothing out.
    QSignalSpy passes(view, &GraphView::livePassed);
    model->setScanProgress(report(first));
    EXPECT_TRUE(view->isReady());
    ASSERT_TRUE(passes.wait(2000));
    ASSERT_TRUE(passes.wait(2000));
    EXPECT_EQ(runner->pending(), 0u);
    EXPECT_EQ(gate.builds, 1);

    // A new partial scan of the folder: the chart stays usable while it is laid out.
    model->setScanProgress(report(partial("/r", 4000)));
    EXPECT_FALSE(view->isReady());
    EXPECT_TRUE(view->isCurrent());
    EXPECT_FALSE(view->busyBadge()->isVisible());
    ASSERT_TRUE(layOut());
    EXPECT_EQ(gate.builds, 2);
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_TRUE(view->cache().entries().empty()) << "the live chart keeps no cache";
}

TEST_F(GraphLiveTest, BrowsingAnotherFolderKeepsTheChartWithTheBadgeUntilItsFirstLayout) {
    makeModel();
    model->setScanning(true);
    model->setScanProgress(report(partial("/r", 0)));
    makeView(GraphView::Mode::live);
    ASSERT_TRUE(layOut());
    const Uuid shown = view->scene().id;
    model->setScanProgress(report(partial("/r/docs", 0)));
    EXPECT_FALSE(view->isCurrent());
    EXPECT_TRUE(view->busyBadge()->isVisible());
    EXPECT_EQ(view->scene().id, shown);
    ASSERT_TRUE(layOut());
    EXPECT_TRUE(view->isCurrent());
    EXPECT_EQ(markPaths(view->scene()).front(), "/r/docs/one.bin");

    // A report without a partial scan ends the polling; the last chart stays.
    auto bare = std::make_shared<ScanProgress>();
    model->setScanProgress(bare);
    QSignalSpy started(runner, &ManualJobRunner::jobStarted);
    EXPECT_FALSE(started.wait(400));
    EXPECT_EQ(markPaths(view->scene()).front(), "/r/docs/one.bin");
}

} // namespace
} // namespace ambertrove::test
