// The Folders view: sub-folders as cards and files as rows, the empty panels, the type dots, clicks and
// the node menu, and a folder far too wide to make a widget per entry.
#include "ExplorerTestSupport.hpp"

#include "explore/FolderCard.hpp"
#include "explore/FolderGridView.hpp"
#include "widgets/EmptyPanel.hpp"

#include <QAction>
#include <QMenu>
#include <QScrollBar>

namespace ambertrove::test {
namespace {

const std::string kRoot = "/home/user/Work";

class FolderGridViewTest : public ExplorerTest {
protected:
    FolderGridView& showFolders(ScanResult scan, const std::string& focus = {}) {
        makeWindow();
        show(std::move(scan), focus);
        model->setStorageView(StorageView::folders);
        settle();
        FolderGridView* grid = body<FolderGridView>();
        EXPECT_NE(grid, nullptr);
        return *grid;
    }

    static std::vector<std::string> folderPaths(const FolderGridView& grid) {
        std::vector<std::string> out;
        for (int i = 0; i < grid.folderCount(); ++i)
            out.push_back(grid.folder(i).path);
        return out;
    }
    static std::vector<std::string> filePaths(const FolderGridView& grid) {
        std::vector<std::string> out;
        for (int i = 0; i < grid.fileCount(); ++i)
            out.push_back(grid.file(i).path);
        return out;
    }
    // Where a content point of the grid is in its viewport, scrolled into view.
    QPoint pointOf(FolderGridView& grid, const QPoint& content) {
        grid.verticalScrollBar()->setValue(std::max(0, content.y() - 40));
        return grid.toViewport(QRect(content, QSize(1, 1))).topLeft();
    }
};

TEST_F(FolderGridViewTest, FoldersBecomeCardsAndFilesRowsLargestFirst) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/small");
    tree.file(kRoot + "/small/a.txt", 10, 10);
    tree.folder(kRoot + "/large");
    tree.file(kRoot + "/large/b.txt", 5000, 5000);
    tree.file(kRoot + "/one.bin", 300, 300);
    tree.file(kRoot + "/two.bin", 700, 700);
    tree.file(kRoot + "/.dot", 200, 200);
    FolderGridView& grid = showFolders(tree.finish());
    EXPECT_EQ(folderPaths(grid), (std::vector<std::string>{kRoot + "/large", kRoot + "/small"}));
    EXPECT_EQ(filePaths(grid),
              (std::vector<std::string>{kRoot + "/two.bin", kRoot + "/one.bin", kRoot + "/.dot"}));
    EXPECT_TRUE(grid.foldersHeaderShown());
    EXPECT_FALSE(grid.filesHeaderRect().isNull());
    EXPECT_FALSE(grid.emptyPanel()->isVisible());
    EXPECT_TRUE(grid.showsCurrentResult());
    // Three columns side by side, at least 160 pixels each.
    EXPECT_EQ(grid.cardRect(1).top(), grid.cardRect(0).top());
    EXPECT_EQ(grid.cardRect(1).left(), grid.cardRect(0).right() + 1 + FolderGridView::kColumnSpacing);
    EXPECT_GE(grid.cardRect(0).width(), FolderGridView::kMinimumColumnWidth);
    EXPECT_EQ(grid.cardRect(0).height(), FolderCard::kHeight);
    // The files come under the cards.
    EXPECT_GT(grid.filesHeaderRect().top(), grid.cardRect(0).bottom());
    EXPECT_GT(grid.files().rowRect(0).top(), grid.filesHeaderRect().bottom());

    // The filters apply to both.
    model->setShowHidden(false);
    model->setMinimumBytes(250);
    settle();
    EXPECT_EQ(folderPaths(grid), std::vector<std::string>{kRoot + "/large"});
    EXPECT_EQ(filePaths(grid), (std::vector<std::string>{kRoot + "/two.bin", kRoot + "/one.bin"}));
    model->setLogical(true);
    settle();
    EXPECT_TRUE(grid.showsCurrentResult());
}

struct ShapeCase {
    const char* name;
    bool folders;
    bool files;
};

TEST_F(FolderGridViewTest, AFolderOfOnlyFilesOrOnlyFoldersShowsOneSection) {
    for (const ShapeCase& c :
         {ShapeCase{"only files", false, true}, ShapeCase{"only folders", true, false}}) {
        SCOPED_TRACE(c.name);
        ModelFixture tree(kRoot);
        if (c.folders) {
            tree.folder(kRoot + "/x");
            tree.folder(kRoot + "/y");
        }
        if (c.files)
            tree.file(kRoot + "/f.txt", 10, 10);
        FolderGridView& grid = showFolders(tree.finish());
        EXPECT_EQ(grid.foldersHeaderShown(), c.folders);
        EXPECT_EQ(grid.folderCount(), c.folders ? 2 : 0);
        EXPECT_EQ(!grid.filesHeaderRect().isNull(), c.files);
        EXPECT_EQ(grid.files().count(), c.files ? 1 : 0);
        EXPECT_FALSE(grid.emptyPanel()->isVisible());
        window.reset();
    }
}

TEST_F(FolderGridViewTest, AnEmptyFolderSaysSoAndAFilteredOneSaysTheFiltersHideItsItems) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/empty");
    tree.folder(kRoot + "/full");
    tree.file(kRoot + "/full/a.txt", 10, 10);
    FolderGridView& grid = showFolders(tree.finish(), kRoot + "/empty");
    ASSERT_TRUE(grid.emptyPanel()->isVisible());
    EXPECT_EQ(grid.emptyPanel()->icon(), QStringLiteral("folder"));
    EXPECT_EQ(grid.emptyPanel()->title(), QStringLiteral("Nothing here"));
    EXPECT_EQ(grid.emptyPanel()->subtitle(),
              QStringLiteral("This folder is empty or contains no readable items."));
    EXPECT_FALSE(grid.emptyPanel()->isCompact());
    EXPECT_FALSE(grid.foldersHeaderShown());

    model->focus(node(kRoot + "/full"));
    model->setFilter(QStringLiteral("zzz"));
    settle();
    ASSERT_TRUE(grid.emptyPanel()->isVisible());
    EXPECT_EQ(grid.emptyPanel()->title(), QStringLiteral("No matching items"));
    EXPECT_EQ(grid.emptyPanel()->subtitle(), QStringLiteral("Clear filters to see the other items."));
    model->setFilter(QString());
    settle();
    EXPECT_FALSE(grid.emptyPanel()->isVisible());
    EXPECT_EQ(grid.fileCount(), 1);
}

struct MixCase {
    const char* name;
    std::vector<std::pair<FileCategory, std::int64_t>> totals;
    std::vector<FileCategory> dots;
};

TEST(FolderCardTest, TheTypeMixShowsTheLargestCategoriesFourAtMost) {
    using C = FileCategory;
    const std::vector<MixCase> cases{
        {"none", {}, {}},
        {"empty categories are left out", {{C::image, 0}, {C::audio, 5}}, {C::audio}},
        {"largest first", {{C::video, 10}, {C::audio, 30}, {C::image, 20}}, {C::audio, C::image, C::video}},
        {"four stay four",
         {{C::video, 1}, {C::audio, 2}, {C::image, 3}, {C::document, 4}},
         {C::document, C::image, C::audio, C::video}},
        {"five give four",
         {{C::video, 5}, {C::audio, 4}, {C::image, 3}, {C::document, 2}, {C::developer, 1}},
         {C::video, C::audio, C::image, C::document}},
        {"six give the four largest",
         {{C::video, 1},
          {C::audio, 60},
          {C::image, 2},
          {C::document, 50},
          {C::developer, 40},
          {C::other, 30}},
         {C::audio, C::document, C::developer, C::other}},
        {"equal totals keep the categories' order", {{C::other, 7}, {C::video, 7}}, {C::video, C::other}},
    };
    for (const MixCase& c : cases) {
        SCOPED_TRACE(c.name);
        FileTypeTotals totals;
        for (const auto& [category, bytes] : c.totals) {
            totals.allocated[category] = bytes;
            totals.logical[category] = bytes * 2;
        }
        std::vector<FileCategory> shown;
        for (const FolderCard::TypeShare& share : FolderCard::typeMix(&totals, false))
            shown.push_back(share.first);
        EXPECT_EQ(shown, c.dots);
        const auto logical = FolderCard::typeMix(&totals, true);
        if (!logical.empty()) {
            EXPECT_EQ(logical.front().second, 2 * FolderCard::typeMix(&totals, false).front().second);
        }
    }
    EXPECT_TRUE(FolderCard::typeMix(nullptr, false).empty());
    EXPECT_EQ(FolderCard::dotToolTip({C::image, 1'500'000}), QStringLiteral("Image · 1.5 MB"));
}

TEST_F(FolderGridViewTest, ACardShowsTheDotsOfItsFolderFromTheControllersTotals) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/mixed");
    const std::vector<std::pair<std::string, std::int64_t>> files{
        {"a.mp4", 600}, {"b.mp3", 500}, {"c.png", 400}, {"d.pdf", 300}, {"e.cpp", 200}, {"f.zip", 100}};
    for (const auto& [name, size] : files)
        tree.file(kRoot + "/mixed/" + name, size, size);
    tree.folder(kRoot + "/four");
    for (const char* name : {"a.mp4", "b.mp3", "c.png", "d.pdf"})
        tree.file(kRoot + "/four/" + name, 10, 10);
    FolderGridView& grid = showFolders(tree.finish());
    ASSERT_EQ(folderPaths(grid), (std::vector<std::string>{kRoot + "/mixed", kRoot + "/four"}));
    std::vector<FileCategory> dots;
    for (const auto& share : grid.typeMix(0))
        dots.push_back(share.first);
    EXPECT_EQ(dots, (std::vector<FileCategory>{FileCategory::video, FileCategory::audio, FileCategory::image,
                                               FileCategory::document}));
    EXPECT_EQ(grid.typeMix(1).size(), 4u);
}

TEST_F(FolderGridViewTest, AClickFocusesTheFolderAndTheMenuActsOnIt) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/Tom & Jerry");
    tree.file(kRoot + "/Tom & Jerry/a.txt", 10, 10);
    tree.folder(kRoot + "/other");
    FolderGridView& grid = showFolders(tree.finish());
    ASSERT_EQ(grid.folderCount(), 2);
    const QPoint card = pointOf(grid, grid.cardRect(0).center());
    QTest::mouseMove(grid.viewport(), card);
    EXPECT_EQ(grid.hoveredCard(), 0);

    // Right click: the node menu, its name shown literally.
    QContextMenuEvent request(QContextMenuEvent::Mouse, card, grid.viewport()->mapToGlobal(card));
    QCoreApplication::sendEvent(grid.viewport(), &request);
    QMenu* menu = grid.nodeMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Tom && Jerry"));
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("Focus on this folder"));
    menu->actions().at(4)->trigger();
    EXPECT_EQ(model->notice(), QStringLiteral("Path copied."));
    menu->close();
    settle();

    // The hovered card's menu button opens the same menu.
    const QRect button = FolderCard::menuButtonRect(grid.cardRect(0), {});
    QTest::mouseMove(grid.viewport(), card);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.toViewport(button).center());
    settle();
    ASSERT_NE(grid.nodeMenu(), nullptr);
    EXPECT_EQ(model->focusPath(), kRoot) << "the button does not focus";
    grid.nodeMenu()->close();
    settle();

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, card);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/Tom & Jerry");
    EXPECT_EQ(model->selection(), kRoot + "/Tom & Jerry");
    EXPECT_EQ(grid.folderCount(), 0);
    EXPECT_EQ(grid.fileCount(), 1);
}

TEST_F(FolderGridViewTest, AnotherFolderFadesInUnlessMotionIsReduced) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/a");
    tree.folder(kRoot + "/b");
    FolderGridView& grid = showFolders(tree.finish());
    model->focus(node(kRoot + "/a"));
    EXPECT_EQ(grid.opacity(), 1.0) << "motion is reduced";
    Appearance::setReducedMotion(false);
    model->focus(node(kRoot + "/b"));
    EXPECT_LT(grid.opacity(), 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(grid.opacity(), 1.0, 2000);
    model->setFilter(QStringLiteral("x"));
    EXPECT_EQ(grid.opacity(), 1.0) << "a filter lists the same folder";
}

TEST_F(FolderGridViewTest, AWideFolderShowsItsStartAtOnceAndTheRestOnceOrdered) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/wide");
    const int half = int(FolderGridView::kWholeLimit);
    for (int i = 0; i < half; ++i) {
        // Sizes in no order, with ties, so that the order is the sort's.
        const std::string sub = kRoot + "/wide/d" + std::to_string(i);
        tree.folder(sub);
        tree.file(sub + "/x", (i * 7919) % 5000, (i * 7919) % 5000);
    }
    for (int i = 0; i < half; ++i)
        tree.file(kRoot + "/wide/f" + std::to_string(i), (i * 104729) % 3000, (i * 104729) % 3000);
    FolderGridView& grid = showFolders(tree.finish(), kRoot + "/wide");
    std::vector<std::string> folders;
    std::vector<std::string> files;
    for (const NodeIndex child : model->currentChildIndices()) {
        const DiskNode shown = model->scan()->nodes.makeNode(child, false);
        (shown.isDirectory ? folders : files).push_back(shown.path);
    }
    ASSERT_EQ(grid.folderCount(), half);
    ASSERT_EQ(grid.fileCount(), half);
    EXPECT_FALSE(grid.isComplete());
    EXPECT_EQ(grid.orderedFolders(), int(FolderGridView::kHead));
    EXPECT_EQ(grid.orderedFiles(), int(FolderGridView::kHead));
    for (int i = 0; i < grid.orderedFolders(); ++i)
        ASSERT_EQ(grid.folder(i).path, folders[std::size_t(i)]) << i;
    for (int i = 0; i < grid.orderedFiles(); ++i)
        ASSERT_EQ(grid.file(i).path, files[std::size_t(i)]) << i;
    EXPECT_TRUE(grid.showsCurrentResult()) << "what is in view is in order";
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    EXPECT_FALSE(grid.showsCurrentResult()) << "the end is not known yet";
    const QPoint last = grid.toViewport(grid.files().rowRect(half - 1)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, last);
    EXPECT_EQ(model->selection(), std::nullopt) << "a placeholder takes no click";

    runQueries();
    EXPECT_TRUE(grid.isComplete());
    EXPECT_TRUE(grid.showsCurrentResult());
    EXPECT_EQ(folderPaths(grid), folders);
    EXPECT_EQ(filePaths(grid), files);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, last);
    EXPECT_EQ(model->selection(), files.back());
}

TEST_F(FolderGridViewTest, AHundredThousandEntriesMakeNoWidgetEach) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/wide");
    for (int i = 0; i < 50'000; ++i)
        tree.folder(kRoot + "/wide/f" + std::to_string(i));
    for (int i = 0; i < 50'000; ++i)
        tree.file(kRoot + "/wide/g" + std::to_string(i) + ".txt", i, i);
    FolderGridView& grid = showFolders(tree.finish(), kRoot + "/wide");
    EXPECT_EQ(grid.folderCount(), 50'000);
    EXPECT_EQ(grid.fileCount(), 50'000);
    EXPECT_LT(grid.findChildren<QWidget*>().size(), 12);
    // The end is reachable and painted like the start.
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    const QImage end = grid.viewport()->grab().toImage();
    EXPECT_FALSE(end.isNull());
    EXPECT_EQ(grid.contentHeight(), grid.files().rowRect(49'999).bottom() + 1 + 1 + FolderGridView::kPadding);
}

} // namespace
} // namespace ambertrove::test
