// The file table: its listing and paging, the sort orders (one column through the core, several here),
// the header clicks, the size mode, the export of every row, and what a superseded query leaves.
#include "ViewQueryTestSupport.hpp"

#include "base/AmbertroveError.hpp"
#include "explore/ExploreView.hpp"
#include "explore/FileTableSort.hpp"
#include "explore/FileTableView.hpp"
#include "shell/ThemePalette.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/TroveButton.hpp"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>

#include <algorithm>

namespace ambertrove::test {
namespace {

using Keys = std::vector<TableSortKey>;
using Paths = std::vector<std::string>;

// `count` files in /r, f0000 to f(count-1), each of (index mod 7) + 1 kilobytes.
ScanResult filesScan(int count) {
    ModelFixture tree("/r");
    for (int i = 0; i < count; ++i) {
        const std::int64_t size = (i % 7 + 1) * 1000;
        tree.file(QStringLiteral("/r/f%1").arg(i, 4, 10, QLatin1Char('0')).toStdString(), size, size);
    }
    return tree.finish();
}

// Files whose sizes tie in pairs and whose kinds and dates differ, and a folder with one file.
//   /r/b.txt 100, /r/a.txt 100, /r/d.mp3 300 (logical 50), /r/c.mp3 300 (logical 60), /r/e 20,
//   /r/sub/, /r/sub/inner.txt 7
ScanResult tiesScan() {
    ModelFixture tree("/r");
    tree.file("/r/b.txt", 100, 100, 1000);
    tree.file("/r/a.txt", 100, 100, 3000);
    tree.file("/r/d.mp3", 50, 300, 2000);
    tree.file("/r/c.mp3", 60, 300, 2000);
    tree.file("/r/e", 20, 20, 500);
    tree.folder("/r/sub", 100);
    tree.file("/r/sub/inner.txt", 7, 7, 100);
    return tree.finish();
}

class FileTableTest : public ViewQueryTest {
protected:
    FileTableView& makeTable(QSize size = {900, 600}) { return show(new FileTableView(*model), size); }
    [[nodiscard]] FileTableView& table() const { return *static_cast<FileTableView*>(held.get()); }

    // The rows shown, by name.
    [[nodiscard]] QStringList names() const {
        QStringList out;
        for (int row = 0; row < table().tableModel()->rowCount(); ++row)
            out << table().tableModel()->text(row, FileTableModel::name);
        return out;
    }

    void clickHeader(int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QHeaderView* header = table().table()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
        runQueries();
    }
};

TEST_F(FileTableTest, FiveHundredMatchesShowAllAndOneMoreShowsAPageWithAButton) {
    struct Case {
        int files;
        int rows;
        QString hint;
        bool more;
    };
    const std::vector<Case> cases{
        {500, 500, QStringLiteral("Double-click a folder to open it."), false},
        {501, 500, QStringLiteral("Showing 500 of 501 — export includes all rows."), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files);
        makeQueryModel();
        install(filesScan(c.files));
        FileTableView& view = makeTable();
        ASSERT_TRUE(view.showsCurrentResult());
        EXPECT_EQ(view.tableModel()->rowCount(), c.rows);
        EXPECT_EQ(view.countLabel()->text(), QString::number(c.files) + QStringLiteral(" rows"));
        EXPECT_EQ(view.hintLabel()->text(), c.hint);
        EXPECT_EQ(view.moreButton()->isVisible(), c.more);
        if (c.more) {
            QTest::mouseClick(view.moreButton(), Qt::LeftButton);
            EXPECT_EQ(view.tableModel()->rowCount(), 501);
            EXPECT_EQ(view.hintLabel()->text(), QStringLiteral("Double-click a folder to open it."));
            EXPECT_FALSE(view.moreButton()->isVisible());
        }
    }
}

TEST_F(FileTableTest, CountsAreGroupedAndAnEmptyFolderHasNothingToExport) {
    install(filesScan(1234));
    EXPECT_EQ(makeTable().countLabel()->text(), QStringLiteral("1,234 rows"));

    makeQueryModel();
    ModelFixture tree("/r");
    tree.folder("/r/empty");
    install(tree.finish(), "/r/empty");
    FileTableView& empty = makeTable();
    ASSERT_TRUE(empty.showsCurrentResult());
    EXPECT_EQ(empty.countLabel()->text(), QStringLiteral("0 rows"));
    EXPECT_EQ(empty.tableModel()->rowCount(), 0);
    EXPECT_EQ(empty.hintLabel()->text(), QStringLiteral("Double-click a folder to open it."));
    EXPECT_FALSE(empty.exportButton()->isEnabled());
    EXPECT_FALSE(empty.moreButton()->isVisible());
}

TEST_F(FileTableTest, UntilTheFirstListingLandsTheTableWaitsDimmed) {
    install(tiesScan());
    auto* table = new FileTableView(*model);
    held.reset(table);
    table->show();
    settle();
    EXPECT_FALSE(table->showsCurrentResult());
    EXPECT_EQ(table->countLabel()->text(), QStringLiteral("Updating…"));
    EXPECT_FALSE(table->exportButton()->isEnabled());
    EXPECT_TRUE(table->isDimmed());
    EXPECT_FALSE(table->table()->isEnabled());
    EXPECT_TRUE(table->progress()->isVisible());
    EXPECT_EQ(table->hintLabel()->text(), QStringLiteral("Double-click a folder to open it."));
    runQueries();
    EXPECT_TRUE(table->showsCurrentResult());
    EXPECT_FALSE(table->isDimmed());
    EXPECT_TRUE(table->table()->isEnabled());
    EXPECT_FALSE(table->progress()->isVisible());
}

TEST_F(FileTableTest, EachColumnSortsByItsFieldAndTheSizeFollowsTheSizeMode) {
    struct Case {
        int column;
        bool logical;
        ScanSortField field;
        QString title;
    };
    const std::vector<Case> cases{
        {FileTableModel::name, false, ScanSortField::name, QStringLiteral("Name")},
        {FileTableModel::size, false, ScanSortField::allocatedSize, QStringLiteral("Size")},
        {FileTableModel::size, true, ScanSortField::logicalSize, QStringLiteral("Size")},
        {FileTableModel::items, false, ScanSortField::itemCount, QStringLiteral("Items")},
        {FileTableModel::kind, true, ScanSortField::kindName, QStringLiteral("Kind")},
        {FileTableModel::modified, false, ScanSortField::modified, QStringLiteral("Modified")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(FileTableModel::sortField(c.column, c.logical), c.field);
        EXPECT_EQ(FileTableModel::columnOf(c.field), c.column);
        EXPECT_EQ(FileTableModel::title(c.column), c.title);
    }
}

TEST_F(FileTableTest, HeaderClicksSortByOneColumnAndShiftAddsAKey) {
    install(tiesScan());
    FileTableView& view = makeTable();
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::allocatedSize, false}}));
    EXPECT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "a.txt", "b.txt", "e", "sub"}))
        << "largest first at first, ties by path";

    clickHeader(FileTableModel::name);
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::name, true}}));
    EXPECT_EQ(names(), (QStringList{"a.txt", "b.txt", "c.mp3", "d.mp3", "e", "sub"}));
    clickHeader(FileTableModel::name);
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::name, false}}));
    EXPECT_EQ(names(), (QStringList{"sub", "e", "d.mp3", "c.mp3", "b.txt", "a.txt"}));
    EXPECT_EQ(view.table()->horizontalHeader()->sortIndicatorSection(), int(FileTableModel::name));
    EXPECT_EQ(view.table()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    clickHeader(FileTableModel::kind);
    clickHeader(FileTableModel::modified, Qt::ShiftModifier);
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::kindName, true}, {ScanSortField::modified, true}}));
    // Audio, Document, Folder, Other; within Document the older first.
    EXPECT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "b.txt", "a.txt", "sub", "e"}));
    clickHeader(FileTableModel::modified, Qt::ShiftModifier);
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::kindName, true}, {ScanSortField::modified, false}}));
    EXPECT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "a.txt", "b.txt", "sub", "e"}))
        << "equal kinds and dates stay in path order whatever the direction";
}

TEST_F(FileTableTest, TiesGoByPathInBothDirectionsOnBothRoutes) {
    install(tiesScan());
    FileTableView& view = makeTable();
    const std::vector<std::pair<Keys, QStringList>> cases{
        {{{ScanSortField::allocatedSize, true}}, {"sub", "e", "a.txt", "b.txt", "c.mp3", "d.mp3"}},
        {{{ScanSortField::allocatedSize, false}}, {"c.mp3", "d.mp3", "a.txt", "b.txt", "e", "sub"}},
        {{{ScanSortField::itemCount, true}, {ScanSortField::allocatedSize, true}},
         {"sub", "e", "a.txt", "b.txt", "c.mp3", "d.mp3"}},
        {{{ScanSortField::itemCount, false}, {ScanSortField::allocatedSize, false}},
         {"c.mp3", "d.mp3", "a.txt", "b.txt", "e", "sub"}},
        {{}, {"a.txt", "b.txt", "c.mp3", "d.mp3", "e", "sub"}},
    };
    for (const auto& [keys, expected] : cases) {
        SCOPED_TRACE(keys.size());
        view.setSort(keys);
        runQueries();
        ASSERT_TRUE(view.showsCurrentResult());
        EXPECT_EQ(names(), expected);
    }
}

TEST_F(FileTableTest, AMultiKeySortIsAStrictOrderWithMissingPathsLastByPath) {
    const ScanResult scan = tiesScan();
    const Paths paths{"/r/zz-missing", "/r/b.txt",         "/r/a-missing", "/r/e",
                      "/r/a.txt",      "/r/sub/inner.txt", "/r/c.mp3",     "/r/d.mp3"};
    const Keys keys{{ScanSortField::allocatedSize, false}, {ScanSortField::kindName, true}};
    EXPECT_EQ(FileTableSort::sorted(scan, paths, keys),
              (Paths{"/r/c.mp3", "/r/d.mp3", "/r/a.txt", "/r/b.txt", "/r/e", "/r/sub/inner.txt",
                     "/r/a-missing", "/r/zz-missing"}));
    // Every order of the same rows gives the one answer.
    Paths shuffled = paths;
    std::reverse(shuffled.begin(), shuffled.end());
    EXPECT_EQ(FileTableSort::sorted(scan, shuffled, keys), FileTableSort::sorted(scan, paths, keys));
}

TEST_F(FileTableTest, CancellationDuringASortThrowsAndNeverChangesTheAnswer) {
    const ScanResult scan = filesScan(3000);
    const Keys keys{{ScanSortField::name, false}, {ScanSortField::allocatedSize, true}};
    const ScanQuery everything;
    const std::vector<NodeIndex> whole = FileTableSort::rows(scan, everything, "/r", false, keys);
    ASSERT_EQ(whole.size(), 3000U);
    EXPECT_EQ(scan.nodes.name(whole.front()), "f2999");

    int polls = 0;
    const TaskCancellation counted([&] {
        ++polls;
        return false;
    });
    EXPECT_EQ(FileTableSort::rows(scan, everything, "/r", false, keys, counted), whole);
    // At least one poll per 1024 of the sort's (more than 3000 * 11) comparisons.
    ASSERT_GT(polls, 3000 * 11 / 1024);

    // Stopped at the first poll, in the listing, in the keys, amid the comparisons and at the last poll.
    for (const int stopAt : {1, 5, 12, polls / 2, polls - 1, polls}) {
        SCOPED_TRACE(stopAt);
        int seen = 0;
        const TaskCancellation cancellation([&] { return ++seen >= stopAt; });
        EXPECT_THROW((void)FileTableSort::rows(scan, everything, "/r", false, keys, cancellation),
                     CancellationError);
    }
}

TEST_F(FileTableTest, AQueryResultThatLandsAfterItsKeyChangedPublishesNothing) {
    install(filesScan(1200));
    FileTableView& view = makeTable();
    QTest::mouseClick(view.moreButton(), Qt::LeftButton);
    ASSERT_EQ(view.tableModel()->rowCount(), 1000);
    const auto before = view.tableModel()->listing();

    view.setSort({{ScanSortField::name, true}});
    settle();
    ASSERT_EQ(runner->pending(), 1U);
    runner->runWithoutDelivering();
    view.setSort({{ScanSortField::name, false}});
    runner->deliver();
    settle();
    EXPECT_EQ(view.tableModel()->listing(), before) << "the superseded result is dropped";
    EXPECT_EQ(view.tableModel()->rowCount(), 1000) << "nor does it reset the page";
    EXPECT_FALSE(view.showsCurrentResult());

    runQueries();
    EXPECT_TRUE(view.showsCurrentResult());
    EXPECT_NE(view.tableModel()->listing(), before);
    EXPECT_EQ(view.tableModel()->rowCount(), 500) << "a new result returns to the first page";
    EXPECT_EQ(names().front(), QStringLiteral("f1199"));
}

TEST_F(FileTableTest, ASizeModeSwitchSortsByTheNewSizeLargestFirst) {
    install(tiesScan());
    FileTableView& view = makeTable();
    clickHeader(FileTableModel::name);
    model->setLogical(true);
    runQueries();
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::logicalSize, false}}));
    EXPECT_EQ(names(), (QStringList{"a.txt", "b.txt", "c.mp3", "d.mp3", "e", "sub"}));
    EXPECT_EQ(view.tableModel()->text(2, FileTableModel::size), QStringLiteral("60 bytes"));
    model->setLogical(false);
    runQueries();
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::allocatedSize, false}}));
    EXPECT_EQ(view.tableModel()->text(0, FileTableModel::size), QStringLiteral("300 bytes"));
}

TEST_F(FileTableTest, ATableOpenedWithLogicalSizesSortsByTheAllocatedSizeAtFirst) {
    install(tiesScan());
    model->setLogical(true);
    FileTableView& view = makeTable();
    EXPECT_EQ(view.sort(), (Keys{{ScanSortField::allocatedSize, false}}));
    EXPECT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "a.txt", "b.txt", "e", "sub"}));
    EXPECT_EQ(view.tableModel()->text(0, FileTableModel::size), QStringLiteral("60 bytes"))
        << "shown logical";
}

TEST_F(FileTableTest, CellsShowNameSizeItemsKindAndTheAbbreviatedDate) {
    ModelFixture tree("/r");
    tree.file("/r/Tom & <b>.mp3", 1'500'000, 1'503'232, 1'709'294'400); // 2024-03-01 12:00 UTC
    tree.folder("/r/box", 1'700'000'000);
    tree.file("/r/box/x", 1, 1);
    tree.file("/r/box/y", 1, 1);
    install(tree.finish());
    FileTableView& view = makeTable();
    const FileTableModel& rows = *view.tableModel();
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.text(0, FileTableModel::name), QStringLiteral("Tom & <b>.mp3"));
    EXPECT_EQ(rows.text(0, FileTableModel::size), QStringLiteral("1.5 MB"));
    EXPECT_EQ(rows.text(0, FileTableModel::items), QStringLiteral("1"));
    EXPECT_EQ(rows.text(0, FileTableModel::kind), QStringLiteral("Audio"));
    EXPECT_EQ(rows.text(0, FileTableModel::modified), QStringLiteral("Mar 1, 2024"));
    EXPECT_EQ(rows.text(1, FileTableModel::items), QStringLiteral("2"));
    EXPECT_EQ(rows.text(1, FileTableModel::kind), QStringLiteral("Folder"));
    EXPECT_EQ(rows.headerData(FileTableModel::modified, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Modified"));
}

TEST_F(FileTableTest, EverythingBelowListsTheWholeSubtreeButNeverTheFocus) {
    install(tiesScan());
    FileTableView& view = makeTable();
    view.recursiveToggle()->click();
    runQueries();
    EXPECT_TRUE(view.recursive());
    EXPECT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "a.txt", "b.txt", "e", "sub", "inner.txt"}));
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("7 rows"));
}

TEST_F(FileTableTest, ClicksSelectAndADoubleClickOpensAFolderOrSelectsAFile) {
    install(tiesScan());
    model->setFilter(QStringLiteral("."));
    runQueries();
    FileTableView& view = makeTable();
    ASSERT_EQ(names(), (QStringList{"c.mp3", "d.mp3", "a.txt", "b.txt"}));
    QTableView* table = view.table();
    const auto rowCentre = [&](int row) {
        return table->visualRect(view.tableModel()->index(row, 1)).center();
    };
    // A double click as the window system sends it: a click, then the double click on the same row.
    const auto doubleClick = [&](int row) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowCentre(row));
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rowCentre(row));
    };
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowCentre(2));
    EXPECT_EQ(model->selection(), std::optional<std::string>("/r/a.txt"));
    doubleClick(1);
    EXPECT_EQ(model->selection(), std::optional<std::string>("/r/d.mp3"));
    EXPECT_EQ(model->focusPath(), std::optional<std::string>("/r")) << "a file leaves the focus";

    model->setFilter(QString());
    runQueries();
    const int sub = int(names().indexOf(QStringLiteral("sub")));
    ASSERT_GE(sub, 0);
    model->setFilter(QStringLiteral("u"));
    runQueries();
    ASSERT_EQ(names(), (QStringList{"sub"}));
    doubleClick(0);
    EXPECT_EQ(model->focusPath(), std::optional<std::string>("/r/sub"));
    EXPECT_EQ(model->filter(), QString()) << "focusing clears the name filter";

    // The controller's selection shows in the table.
    runQueries();
    model->setSelection(std::string("/r/sub/inner.txt"));
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(view.tableModel()->path(selected.front().row()), "/r/sub/inner.txt");
}

TEST_F(FileTableTest, ARowsMenuIsTheNodesActions) {
    install(tiesScan());
    FileTableView& view = makeTable();
    QTableView* table = view.table();
    const QPoint at = table->visualRect(view.tableModel()->index(0, 0)).center();
    emit table->customContextMenuRequested(at);
    auto* menu = view.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (const QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles, (QStringList{"c.mp3", "Reveal in Finder", "Quick Look", "Copy Path", "-",
                                   "Add to Cleanup", "Move to Trash…"}));
    menu->close();
}

// Answers the save panel with a file and records what the export is asked to write.
class SavingPlatform final : public PlatformServices {
public:
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    // The export itself is the test's: nothing is written to the answered file.
    void chooseSaveFile(const QString& proposed, const std::string&, PathChosen done) override {
        proposals.push_back(proposed);
        done(std::string("/nonexistent/table.csv"));
    }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}

    std::vector<QString> proposals;
};

TEST_F(FileTableTest, ExportHandsEveryPathInTheTablesOrderToTheController) {
    auto saving = std::make_shared<SavingPlatform>();
    Paths written;
    services.exportCSV = [&](std::span<const std::string> paths, const ScanResult&, const std::string&,
                             const TaskCancellation&) {
        written.assign(paths.begin(), paths.end());
    };
    AppEnvironment env = environment(false);
    env.timing.queryPause = std::chrono::milliseconds(0);
    env.platform = saving;
    model = std::make_unique<AppModel>(std::move(env));
    install(filesScan(1200));
    FileTableView& view = makeTable();
    clickHeader(FileTableModel::name);
    ASSERT_EQ(view.tableModel()->rowCount(), 500);
    QTest::mouseClick(view.exportButton(), Qt::LeftButton);
    runQueries();
    ASSERT_EQ(saving->proposals, (std::vector<QString>{QStringLiteral("Ambertrove-files.csv")}));
    ASSERT_EQ(written.size(), 1200U) << "all rows, not only those shown";
    for (std::size_t i = 0; i < written.size(); ++i)
        ASSERT_EQ(written[i], QStringLiteral("/r/f%1").arg(int(i), 4, 10, QLatin1Char('0')).toStdString())
            << i;
    EXPECT_EQ(model->notice(), std::optional<QString>(QStringLiteral("CSV exported.")));
}

TEST_F(FileTableTest, TheStorageViewTableIsThisView) {
    install(tiesScan());
    makeWindow();
    model->setStorageView(StorageView::table);
    runQueries();
    auto* explore = qobject_cast<ExploreView*>(content().sectionView());
    ASSERT_NE(explore, nullptr);
    auto* table = qobject_cast<FileTableView*>(explore->body());
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->showsCurrentResult());
    model->setSelection(std::string("/r/a.txt"));
    settle();
    savePicture(*window, QStringLiteral("window-table-light"));
}

TEST_F(FileTableTest, PicturesInBothAppearances) {
    ModelFixture tree("/r");
    const std::vector<std::pair<const char*, std::int64_t>> files{
        {"/r/Holiday film.mp4", 1'820'000'000},
        {"/r/archive-2019.tar.gz", 640'000'000},
        {"/r/notes.md", 12'000},
        {"/r/a very long name of a report that goes on and on.pdf", 3'400'000},
        {"/r/song.flac", 41'000'000},
        {"/r/main.cpp", 18'000}};
    for (const auto& [path, size] : files)
        tree.file(path, size, size, 1'700'000'000);
    tree.folder("/r/Projects", 1'650'000'000);
    for (int i = 0; i < 30; ++i)
        tree.file("/r/Projects/part" + std::to_string(i) + ".o", 900'000 + i, 901'120 + i);
    install(tree.finish());
    for (const bool dark : {false, true}) {
        setCurrentTheme(AppTheme::paper);
        ThemePalette::apply(dark);
        auto* table = new FileTableView(*model);
        auto* backdrop = new Backdrop(table, 0);
        show(backdrop, QSize(820, 420));
        table->recursiveToggle()->click();
        runQueries();
        model->setSelection(std::string("/r/song.flac"));
        settle();
        savePicture(*backdrop, dark ? QStringLiteral("file-table-dark") : QStringLiteral("file-table-light"));
        const QImage picture = backdrop->grab().toImage();
        EXPECT_TRUE(near(picture.pixelColor(3, 3), Paper::background().resolved(dark)));
    }
    ThemePalette::apply(false);
}

} // namespace
} // namespace ambertrove::test
