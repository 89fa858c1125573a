// The chart view in the window: one view for the five chart styles of the explorer, the live chart of the
// scan screen, and pictures of both in the two appearances.
#include "GraphViewTestSupport.hpp"

#include "explore/BusyBadge.hpp"
#include "explore/ExploreView.hpp"
#include "explore/GraphCanvas.hpp"
#include "explore/ScanProgressView.hpp"
#include "widgets/EmptyPanel.hpp"

namespace ambertrove::test {
namespace {

constexpr std::pair<StorageView, const char*> kStyles[] = {{StorageView::treemap, "treemap"},
                                                           {StorageView::sunburst, "sunburst"},
                                                           {StorageView::flame, "flame"},
                                                           {StorageView::bubbles, "bubbles"},
                                                           {StorageView::mindMap, "mind-map"}};

class GraphViewWindowTest : public WindowTest {
protected:
    [[nodiscard]] ExploreView& explore() const {
        auto* view = qobject_cast<ExploreView*>(content().sectionView());
        EXPECT_NE(view, nullptr);
        return *view;
    }
    [[nodiscard]] GraphView* chart() const { return qobject_cast<GraphView*>(explore().body()); }

    // A tree with enough to draw: folders of files of several kinds and sizes.
    std::string makeChartTree() {
        const std::string root = makeTree();
        const char* kinds[] = {".jpg", ".mp4", ".pdf", ".zip", ".cpp", ".txt"};
        for (int folderIndex = 0; folderIndex < 4; ++folderIndex) {
            for (int i = 0; i < 6; ++i)
                folder.makeFileOfSize("tree/media/set" + std::to_string(folderIndex) + "/item" +
                                          std::to_string(i) + kinds[(folderIndex + i) % 6],
                                      (i + 1) * 9000 * (folderIndex + 1));
        }
        folder.makeFileOfSize("tree/docs/report.pdf", 60000);
        return root;
    }

    // Runs the jobs of the controller's queries (the chart's layouts) until `done`, leaving a scan's job.
    bool runQueriesUntil(const std::function<bool()>& done) {
        for (int round = 0; round < 100 && !done(); ++round) {
            bool ran = false;
            for (std::size_t i = 0; i < runner->pending(); ++i) {
                if (runner->kind(i) == JobKind::query) {
                    runner->run(i);
                    ran = true;
                    break;
                }
            }
            if (!ran) {
                QSignalSpy started(runner, &ManualJobRunner::jobStarted);
                started.wait(300);
            }
            settle();
        }
        return done();
    }
};

TEST_F(GraphViewWindowTest, TheFiveChartsShareOneViewInBothAppearances) {
    makeModel();
    makeWindow();
    finishScan(makeChartTree());
    for (const bool dark : {false, true}) {
        model->setDark(dark);
        settle();
        GraphView* shared = nullptr;
        for (const auto& [style, name] : kStyles) {
            model->setStorageView(style);
            settle();
            GraphView* view = chart();
            ASSERT_NE(view, nullptr) << name;
            if (!shared)
                shared = view;
            EXPECT_EQ(view, shared) << "kept across the chart styles, with its recent charts";
            ASSERT_TRUE(runQueriesUntil([&] { return view->showsCurrentResult(); })) << name;
            EXPECT_FALSE(view->scene().marks.empty()) << name;
            EXPECT_FALSE(view->canvas()->isFading());
            savePicture(*window, QStringLiteral("window-graph-%1-%2")
                                     .arg(QString::fromUtf8(name),
                                          dark ? QStringLiteral("dark") : QStringLiteral("light")));
        }
        model->setStorageView(StorageView::folders);
        settle();
        EXPECT_EQ(chart(), nullptr) << "another kind of view replaces the chart";
    }
}

TEST_F(GraphViewWindowTest, TheStripTheEmptyStateAndTheBusyBadgeInBothAppearances) {
    makeModel();
    makeWindow();
    finishScan(makeChartTree());
    for (const bool dark : {false, true}) {
        const QString appearance = dark ? QStringLiteral("dark") : QStringLiteral("light");
        model->setFilter(QString());
        model->setDark(dark);
        settle();
        GraphView* view = chart();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(runQueriesUntil([&] { return view->showsCurrentResult(); }));
        const GraphScene& scene = view->scene();
        ASSERT_GE(scene.marks.size(), 3u);
        model->setSelection(scene.scan->nodes.nodePath(scene.marks[2].node));
        const QPoint at = scene.marks.back().path.boundingRect().center().toPoint();
        // The window's pointer moves only when its position changes: from a corner, then to the mark.
        QTest::mouseMove(view->canvas(), QPoint(1, 1));
        QTest::mouseMove(view->canvas(), at);
        ASSERT_TRUE(view->hovered());
        savePicture(*window, QStringLiteral("window-graph-hover-") + appearance);

        // A setting changes: the old chart stays under the badge.
        model->setMinimumBytes(50'000);
        settle();
        EXPECT_TRUE(view->busyBadge()->isVisible());
        savePicture(*window, QStringLiteral("window-graph-pending-") + appearance);
        ASSERT_TRUE(runQueriesUntil([&] { return view->showsCurrentResult(); }));
        model->setMinimumBytes(0);

        // Filters that leave nothing: the empty state of the style, once laid out.
        model->setStorageView(StorageView::bubbles);
        model->setFilter(QStringLiteral("no such name"));
        settle();
        ASSERT_TRUE(runQueriesUntil([&] { return view->showsCurrentResult(); }));
        EXPECT_TRUE(view->emptyPanel()->isVisible());
        EXPECT_EQ(view->emptyPanel()->title(), GraphView::kEmptyTitle);
        EXPECT_EQ(view->emptyPanel()->icon(), QStringLiteral("circle.hexagongrid.fill"));
        EXPECT_FALSE(view->busyBadge()->isVisible());
        savePicture(*window, QStringLiteral("window-graph-empty-") + appearance);
        model->setStorageView(StorageView::treemap);
    }
}

TEST_F(GraphViewWindowTest, TheScanScreenShowsTheLiveChartOfTheBrowsedFolder) {
    makeModel();
    makeWindow();
    const std::string root = makeChartTree();
    finishScan(root);
    ScanResult partial = *model->scan();
    partial.id = Uuid::random();
    model->setStorageView(StorageView::sunburst);
    model->startScan(root, false);
    settle();
    ScanProgressView* live = explore().progressView();
    ASSERT_NE(live, nullptr);
    for (const bool dark : {false, true}) {
        if (dark) {
            model->setDark(true);
            settle();
            live = explore().progressView();
            ASSERT_NE(live, nullptr);
        }
        auto progress = std::make_shared<ScanProgress>();
        progress->files = 31;
        progress->folders = 9;
        progress->bytes = 1'234'567;
        progress->path = root + "/media/set2/item3.cpp";
        ScanFolderPreview preview;
        preview.rootPath = root;
        preview.folder = *partial.root();
        preview.chart = partial;
        preview.chartIsLimited = true;
        progress->browsing = std::move(preview);
        model->setScanProgress(progress);
        settle();
        EXPECT_EQ(live->content(), ScanProgressView::Content::chart);
        EXPECT_EQ(live->captionText(), QStringLiteral("Live — largest branches shown"));
        GraphView* view = live->chart();
        ASSERT_TRUE(view->isVisible());
        ASSERT_TRUE(runQueriesUntil([&] { return view->showsCurrentResult(); }));
        EXPECT_EQ(view->mode(), GraphView::Mode::live);
        EXPECT_FALSE(view->scene().marks.empty());
        savePicture(*window, QStringLiteral("window-graph-live-%1")
                                 .arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
    }
    model->cancelScan();
    runner->runAll();
}

} // namespace
} // namespace ambertrove::test
