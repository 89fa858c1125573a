// The Top Sizes view: its count and paging, the page returning to 200 rows, results of superseded
// rankings never shown, the dimmed state while ranking, the cells of a row and its clicks.
#include "ExplorerTestSupport.hpp"

#include "explore/TopSizesView.hpp"
#include "model/Formatting.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/TroveButton.hpp"

#include <QMenu>
#include <QScrollBar>

namespace ambertrove::test {
namespace {

const std::string kRoot = "/home/user/Work";

// 150 files in "few", 1,234 files spread over "many/0" .. "many/9", sizes all different.
ScanResult rankings() {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/few");
    for (int i = 0; i < 150; ++i)
        tree.file(kRoot + "/few/f" + std::to_string(i) + ".txt", 1000 + i, 1000 + i);
    tree.folder(kRoot + "/many");
    for (int k = 0; k < 10; ++k)
        tree.folder(kRoot + "/many/" + std::to_string(k));
    for (int i = 0; i < 1234 - 150; ++i)
        tree.file(kRoot + "/many/" + std::to_string(i % 10) + "/m" + std::to_string(i) + ".png", 2000 + i,
                  2000 + i);
    return tree.finish();
}

class TopSizesViewTest : public ExplorerTest {
protected:
    TopSizesView& showTopSizes(ScanResult scan, const std::string& focus = {}) {
        makeWindow();
        show(std::move(scan), focus);
        model->setStorageView(StorageView::topSizes);
        settle();
        TopSizesView* view = body<TopSizesView>();
        EXPECT_NE(view, nullptr);
        return *view;
    }
    void pressMore(TopSizesView& view) {
        ASSERT_TRUE(view.moreButton()->isVisible());
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QTest::mouseClick(view.moreButton(), Qt::LeftButton);
        runQueries();
    }
};

TEST_F(TopSizesViewTest, AFolderOf150ShowsThemAllWithoutPaging) {
    TopSizesView& view = showTopSizes(rankings(), kRoot + "/few");
    EXPECT_FALSE(view.isReady());
    EXPECT_EQ(view.statusText(), QStringLiteral("Updating…"));
    runQueries();
    ASSERT_TRUE(view.isReady());
    EXPECT_EQ(view.page().rows.size(), 150u);
    EXPECT_EQ(view.statusText(), QStringLiteral("150 shown"));
    EXPECT_FALSE(view.moreButton()->isVisible());
    EXPECT_FALSE(view.emptyTextShown());
    EXPECT_FALSE(view.progress()->isVisible());
    EXPECT_EQ(view.shareTitle(), QStringLiteral("% of folder"));
    EXPECT_EQ(view.page().rows.front().path, kRoot + "/few/f149.txt");
    EXPECT_EQ(view.rowTexts(0).at(0), QStringLiteral("1"));
    EXPECT_EQ(view.rowTexts(0).at(1), QStringLiteral("Document"));
}

TEST_F(TopSizesViewTest, ManyFilesArePagedTwoHundredAtATime) {
    TopSizesView& view = showTopSizes(rankings());
    runQueries();
    QTest::mouseClick(view.scopePicker()->button(1), Qt::LeftButton);
    EXPECT_EQ(view.scope(), RankingScope::files);
    runQueries();
    EXPECT_EQ(view.statusText(), QStringLiteral("200 shown of 1,234"));
    EXPECT_EQ(view.shareTitle(), QStringLiteral("% of scan"));
    EXPECT_EQ(view.moreButton()->label(), QStringLiteral("Show 200 more"));
    pressMore(view);
    EXPECT_EQ(view.limit(), 400);
    EXPECT_EQ(view.statusText(), QStringLiteral("400 shown of 1,234"));
    for (int click = 2; click <= 6; ++click)
        pressMore(view);
    EXPECT_EQ(view.statusText(), QStringLiteral("1,234 shown"));
    EXPECT_FALSE(view.moreButton()->isVisible());
}

TEST_F(TopSizesViewTest, ThePageReturnsToTwoHundredOnAFilterAFocusOrAScope) {
    TopSizesView& view = showTopSizes(rankings());
    QTest::mouseClick(view.scopePicker()->button(1), Qt::LeftButton);
    runQueries();
    const std::vector<std::function<void()>> changes{
        [&] { model->setFilter(QStringLiteral("m")); },
        [&] { model->focus(node(kRoot + "/many")); },
        [&] { QTest::mouseClick(view.scopePicker()->button(2), Qt::LeftButton); },
        [&] { model->setLogical(true); },
    };
    int change = 0;
    for (const auto& apply : changes) {
        SCOPED_TRACE(change++);
        if (view.scope() != RankingScope::files) {
            QTest::mouseClick(view.scopePicker()->button(1), Qt::LeftButton);
            runQueries();
        }
        pressMore(view);
        pressMore(view);
        ASSERT_EQ(view.limit(), 600);
        apply();
        settle();
        EXPECT_EQ(view.limit(), 200);
        runQueries();
        EXPECT_LE(view.page().rows.size(), 200u);
    }
    // A scan-wide ranking does not depend on the focus: its key keeps the scan's root.
    QTest::mouseClick(view.scopePicker()->button(1), Qt::LeftButton);
    runQueries();
    const ExplorerQueryKey before = view.taskKey();
    model->focus(node(kRoot + "/few"));
    settle();
    EXPECT_EQ(view.taskKey(), before);
    EXPECT_TRUE(view.isReady());
}

TEST_F(TopSizesViewTest, ARankingOvertakenByAnotherIsNeverShown) {
    TopSizesView& view = showTopSizes(rankings(), kRoot + "/few");
    runQueries();
    // Two rankings wait: the first is for a filter the user has already changed again.
    model->setFilter(QStringLiteral("f14"));
    settle();
    model->setFilter(QStringLiteral("f1"));
    settle();
    EXPECT_FALSE(view.isReady());
    EXPECT_EQ(view.page().rows.size(), 150u) << "the last ranking stays meanwhile";
    EXPECT_TRUE(view.progress()->isVisible());
    EXPECT_FALSE(view.moreButton()->isVisible());
    // The newest runs first, the older one after: its result is dropped.
    runner->run(runner->pending() - 1);
    settle();
    ASSERT_TRUE(view.isReady());
    const std::size_t shown = view.page().rows.size();
    EXPECT_EQ(shown, 61u) << "f1, f10-f19, f100-f149";
    runQueries();
    EXPECT_TRUE(view.isReady());
    EXPECT_EQ(view.page().rows.size(), shown);
    EXPECT_EQ(view.statusText(), QStringLiteral("61 shown"));
}

TEST_F(TopSizesViewTest, WhileRankingTheOldRowsTakeNoClicks) {
    TopSizesView& view = showTopSizes(rankings());
    runQueries();
    model->setFilter(QStringLiteral("few"));
    settle();
    ASSERT_FALSE(view.isReady());
    ASSERT_FALSE(view.page().rows.empty());
    const QPoint row = view.toViewport(view.rowRect(0)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(model->selection(), std::nullopt);
    EXPECT_EQ(model->focusPath(), kRoot);
    // The scope can still be changed.
    QTest::mouseClick(view.scopePicker()->button(2), Qt::LeftButton);
    EXPECT_EQ(view.scope(), RankingScope::folders);
}

TEST_F(TopSizesViewTest, ARowShowsItsFactsAndAClickSelectsADoubleClickFocuses) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/docs");
    for (int i = 0; i < 3; ++i)
        tree.file(kRoot + "/docs/d" + std::to_string(i) + ".pdf", 1000, 1000);
    tree.file(kRoot + "/photo.jpg", 125, 125);
    tree.file(kRoot + "/tiny.txt", 0, 0);
    tree.file(kRoot + "/speck.txt", 0, 1);
    TopSizesView& view = showTopSizes(tree.finish());
    runQueries();
    ASSERT_EQ(view.page().rows.size(), 4u);
    // The reference is the focused folder's 3,126 bytes.
    EXPECT_EQ(view.rowTexts(0),
              (QStringList{"1", "3 files", "96.0%", QString::fromStdString(formattedBytes(3000))}));
    EXPECT_EQ(view.rowTexts(1).mid(1, 2), (QStringList{"Image", "4.0%"}));
    EXPECT_EQ(view.rowTexts(2).at(2), QStringLiteral("<0.1%"));
    EXPECT_EQ(view.rowTexts(3).at(2), QStringLiteral("0%"));
    // The bars are scaled to the first row, never under 3 pixels.
    const int track = view.rowRect(0).width();
    EXPECT_LT(view.barWidth(0), track);
    EXPECT_EQ(view.barWidth(3), TopSizesView::kMinimumBar);
    EXPECT_NEAR(view.barWidth(1), view.barWidth(0) * 125 / 3000.0, 1.0);

    const QPoint file = view.toViewport(view.rowRect(1)).center();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, file);
    settle();
    EXPECT_EQ(model->selection(), kRoot + "/photo.jpg");
    EXPECT_EQ(model->focusPath(), kRoot) << "a file is only selected";
    const QPoint folderRow = view.toViewport(view.rowRect(0)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, folderRow);
    EXPECT_EQ(model->selection(), kRoot + "/docs");
    QContextMenuEvent request(QContextMenuEvent::Mouse, folderRow, view.viewport()->mapToGlobal(folderRow));
    QCoreApplication::sendEvent(view.viewport(), &request);
    ASSERT_NE(view.nodeMenu(), nullptr);
    EXPECT_EQ(view.nodeMenu()->actions().at(0)->text(), QStringLiteral("docs"));
    view.nodeMenu()->close();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, folderRow);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/docs");
    EXPECT_FALSE(view.isReady()) << "the folder's children are ranked next";
    runQueries();
    EXPECT_EQ(view.statusText(), QStringLiteral("3 shown"));
}

TEST_F(TopSizesViewTest, NothingMatchingSaysSo) {
    TopSizesView& view = showTopSizes(rankings());
    model->setMinimumBytes(1'000'000'000);
    runQueries();
    EXPECT_TRUE(view.isReady());
    EXPECT_TRUE(view.page().rows.empty());
    EXPECT_EQ(view.statusText(), QStringLiteral("0 shown"));
    EXPECT_TRUE(view.emptyTextShown());
    EXPECT_FALSE(view.moreButton()->isVisible());
}

} // namespace
} // namespace ambertrove::test
