// The age map: its two queries and how they hold their results, the heat scale and its labels, the bars
// and months that choose what the list shows, paging, the left column's width and staging the list.
#include "ViewQueryTestSupport.hpp"

#include "analysis/Calendar.hpp"
#include "explore/AgeBars.hpp"
#include "explore/AgeFileList.hpp"
#include "explore/AgeMapView.hpp"
#include "explore/ExploreView.hpp"
#include "explore/MonthHeatmap.hpp"
#include "shell/PlainButton.hpp"
#include "shell/ThemePalette.hpp"
#include "widgets/Card.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/TroveButton.hpp"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>

namespace ambertrove::test {
namespace {

constexpr std::int64_t kDay = 86'400;

std::int64_t now() {
    return std::int64_t(Date::now().unixSeconds());
}

// The month of a moment `daysAgo` days back, in the calendar the view uses.
ModificationMonth monthOf(std::int64_t daysAgo) {
    return ModificationMonth::of(Date::fromUnixSeconds(now() - daysAgo * kDay), Calendar::current());
}

// Files of every age below /r: three this week, two of 20 days, one of 200 days, one big file untouched for
// two years (logical 50 MB), and `sameMonth` files of one byte each 400 days old.
ScanResult agesScan(int sameMonth = 0) {
    const std::int64_t t = now();
    ModelFixture tree("/r");
    tree.file("/r/new1.txt", 3000, 3000, t - 1 * kDay);
    tree.file("/r/new2.txt", 2000, 2000, t - 2 * kDay);
    tree.file("/r/new3.png", 1000, 1000, t - 3 * kDay);
    tree.file("/r/month1.mp3", 40'000, 40'000, t - 20 * kDay);
    tree.file("/r/month2.mp3", 10'000, 10'000, t - 20 * kDay);
    tree.file("/r/year.mov", 700'000, 700'000, t - 200 * kDay);
    tree.file("/r/old.iso", 50'000'000, 50'000'000, t - 800 * kDay);
    tree.folder("/r/many");
    for (int i = 0; i < sameMonth; ++i)
        tree.file(QStringLiteral("/r/many/f%1").arg(i, 3, 10, QLatin1Char('0')).toStdString(), 1, 1,
                  t - 400 * kDay);
    return tree.finish();
}

class AgeMapTest : public ViewQueryTest {
protected:
    AgeMapView& makeMap(QSize size = {1000, 700}) { return show(new AgeMapView(*model), size); }
    [[nodiscard]] AgeMapView& map() const { return *static_cast<AgeMapView*>(held.get()); }

    [[nodiscard]] QStringList listed() const {
        QStringList out;
        for (int row = 0; row < map().list()->count(); ++row)
            out << QString::fromStdString(map().list()->node(row).name());
        return out;
    }
};

TEST_F(AgeMapTest, HeatLevelsFollowTheSquareRootOfTheShareOfTheBusiestMonth) {
    EXPECT_EQ(MonthHeatmap::heatLevel(0, 100), 0);
    EXPECT_EQ(MonthHeatmap::heatLevel(-5, 100), 0);
    EXPECT_EQ(MonthHeatmap::heatLevel(1, 0), 6) << "the busiest counts as at least 1";
    for (std::int64_t unit = 1; unit < 5'000'000'000'000LL; unit = unit * 7 + 3) {
        const std::int64_t busiest = 36 * unit;
        SCOPED_TRACE(busiest);
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest, busiest), 6);
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest / 4, busiest), 3) << "a quarter";
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest / 4 + 1, busiest), 4);
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest / 36, busiest), 1) << "a 36th";
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest / 36 + 1, busiest), 2);
        EXPECT_EQ(MonthHeatmap::heatLevel(1, busiest), 1);
        EXPECT_EQ(MonthHeatmap::heatLevel(busiest * 4, busiest), 6) << "clamped";
    }
    // Every value against the whole-number rule: the least L with L * L * busiest >= 36 * bytes.
    for (const std::int64_t busiest : {1LL, 7LL, 100LL, 1000LL, 4096LL}) {
        for (std::int64_t bytes = 1; bytes <= busiest; ++bytes) {
            int expected = 1;
            while (expected < 6 && expected * expected * busiest < 36 * bytes)
                ++expected;
            ASSERT_EQ(MonthHeatmap::heatLevel(bytes, busiest), expected) << bytes << " of " << busiest;
        }
    }
}

TEST_F(AgeMapTest, CellsShowTheirBytesFromAQuarterOfTheBusiestByWholeDivision) {
    const std::vector<std::tuple<std::int64_t, std::int64_t, bool>> cases{
        {1000, 1000, true}, {250, 1000, true}, {249, 1000, false}, {250, 1001, true}, {0, 3, false},
        {1, 3, true},       {0, 1, false},     {1, 1, true},       {2, 11, true},     {1, 11, false},
    };
    for (const auto& [bytes, busiest, shown] : cases)
        EXPECT_EQ(MonthHeatmap::showsLabel(bytes, busiest), shown) << bytes << " of " << busiest;
    EXPECT_EQ(MonthHeatmap::labelColor(5, true), QColor(Qt::black));
    EXPECT_EQ(MonthHeatmap::labelColor(5, false), QColor(Qt::white));
    EXPECT_EQ(MonthHeatmap::labelColor(3, true), Appearance::role(ColorRole::ink));
    EXPECT_EQ(MonthHeatmap::heatColors(true)[6], QColor::fromRgbF(0.98f, 0.82f, 0.55f));
    EXPECT_EQ(MonthHeatmap::heatColors(false)[0], QColor::fromRgbF(0.94f, 0.93f, 0.90f));
}

TEST_F(AgeMapTest, YearsAreListedNewestFirstWithoutTheYearsBetween) {
    MonthHeatmap heatmap;
    heatmap.resize(500, 400);
    heatmap.setMonths({{{2021, 3}, 10}, {{2024, 11}, 40}, {{2021, 12}, 5}});
    EXPECT_EQ(heatmap.years(), (std::vector<std::int64_t>{2024, 2021}));
    EXPECT_EQ(heatmap.busiest(), 40);
    EXPECT_TRUE(heatmap.cellRect({2022, 5}).isEmpty());
    EXPECT_LT(heatmap.cellRect({2024, 1}).top(), heatmap.cellRect({2021, 1}).top());
    EXPECT_EQ(heatmap.cellAt(heatmap.cellRect({2021, 12}).center()), (ModificationMonth{2021, 12}));
    EXPECT_EQ(heatmap.toolTipOf({2024, 11}), QStringLiteral("November 2024 — 40 bytes"));
    EXPECT_EQ(heatmap.busiestText(), QStringLiteral("Busiest month: 40 bytes"));
    heatmap.setMonths({});
    EXPECT_TRUE(heatmap.years().empty());
    EXPECT_EQ(heatmap.busiestText(), QStringLiteral("Busiest month: Zero KB"));
}

TEST_F(AgeMapTest, TheLeftColumnTakesMoreThanHalfTheWidthAndNeverLessThan300) {
    EXPECT_DOUBLE_EQ(AgeMapView::leftWidth(1000), 526.4);
    EXPECT_DOUBLE_EQ(AgeMapView::leftWidth(600), (600 - 60) * 0.56);
    EXPECT_DOUBLE_EQ(AgeMapView::leftWidth(500), 300);
    EXPECT_DOUBLE_EQ(AgeMapView::leftWidth(0), 300);
    install(agesScan());
    AgeMapView& view = makeMap({1000, 700});
    EXPECT_EQ(view.leftColumn()->width(), 526);
    view.resize(400, 700);
    settle();
    EXPECT_EQ(view.leftColumn()->width(), 300);
}

TEST_F(AgeMapTest, WithoutAScanItPreparesForever) {
    AgeMapView& view = makeMap();
    EXPECT_TRUE(view.isPreparing());
    EXPECT_FALSE(view.showsCurrentResult());
    EXPECT_EQ(runner->pending(), 0U);
}

TEST_F(AgeMapTest, BarsShowTheBytesOfEachRangeAndNothingChosenListsTheUntouchedFiles) {
    install(agesScan());
    AgeMapView& view = makeMap();
    ASSERT_FALSE(view.isPreparing());
    ASSERT_TRUE(view.showsCurrentResult());
    const std::vector<std::pair<AgeRange, QString>> bytes{
        {AgeRange::week, "6 KB"},   {AgeRange::month, "50 KB"},      {AgeRange::quarter, "Zero KB"},
        {AgeRange::year, "700 KB"}, {AgeRange::twoYears, "Zero KB"}, {AgeRange::older, "50 MB"},
    };
    for (const auto& [range, text] : bytes)
        EXPECT_EQ(view.bars()->bytesText(range), text) << rawValue(range);
    EXPECT_EQ(view.bars()->shareText(AgeRange::older), QStringLiteral("98.5%"));
    EXPECT_EQ(view.bars()->shareText(AgeRange::quarter), QStringLiteral("0%"));
    EXPECT_EQ(view.barsCaption()->trailing(), QStringLiteral("50.8 MB"));
    EXPECT_DOUBLE_EQ(view.bars()->barRect(AgeRange::older).width(),
                     view.bars()->trackRect(AgeRange::older).width())
        << "the largest range fills its track";
    EXPECT_DOUBLE_EQ(view.bars()->barRect(AgeRange::quarter).width(), 0);
    EXPECT_DOUBLE_EQ(AgeBars::barFraction(700'000, 50'000'000), 0.014);

    EXPECT_EQ(view.listCaption()->title(), QStringLiteral("Big & untouched"));
    EXPECT_EQ(view.listCaption()->trailing(), QStringLiteral("over a year old"));
    EXPECT_EQ(listed(), (QStringList{"old.iso"}));
    EXPECT_EQ(view.totalsLabel()->text(), QStringLiteral("50 MB across 1 items"));
    EXPECT_FALSE(view.clearButton()->isVisible());
    EXPECT_EQ(view.addAllButton()->label(), QStringLiteral("Add 1 to Cleanup"));
    EXPECT_EQ(view.addAllButton()->accessibleName(), QStringLiteral("Add all 1 matching files to Cleanup"));
}

TEST_F(AgeMapTest, NothingOldAndBigShowsItsEmptyTextAndNothingToAdd) {
    ModelFixture tree("/r");
    tree.file("/r/a.txt", 10, 10, now() - kDay);
    install(tree.finish());
    AgeMapView& view = makeMap();
    EXPECT_EQ(view.totalsLabel()->text(), QStringLiteral("Zero KB across 0 items"));
    EXPECT_EQ(view.list()->count(), 0);
    EXPECT_EQ(view.list()->emptyText(),
              QStringLiteral("No files over 40 MB have gone a year without being touched."));
    EXPECT_EQ(view.addAllButton()->label(), QStringLiteral("Add 0 to Cleanup"));
    EXPECT_FALSE(view.addAllButton()->isEnabled());
}

TEST_F(AgeMapTest, ABarTapAndAMonthTapClearEachOther) {
    install(agesScan());
    AgeMapView& view = makeMap();
    AgeBars* bars = view.bars();
    QTest::mouseClick(bars, Qt::LeftButton, {}, bars->rowRect(AgeRange::week).center());
    EXPECT_EQ(view.selectedRange(), AgeRange::week);
    EXPECT_FALSE(view.listIsReady()) << "the list waits for its listing";
    EXPECT_TRUE(view.isListDimmed());
    EXPECT_TRUE(view.progress()->isVisible());
    EXPECT_TRUE(view.leftColumn()->isEnabled()) << "the summary is still current";
    runQueries();
    EXPECT_EQ(listed(), (QStringList{"new1.txt", "new2.txt", "new3.png"}));
    EXPECT_EQ(view.listCaption()->title(), QStringLiteral("Last 7 days"));
    EXPECT_EQ(view.listCaption()->trailing(), QString());
    EXPECT_TRUE(view.clearButton()->isVisible());

    const ModificationMonth month = monthOf(20);
    MonthHeatmap* heatmap = view.heatmap();
    QTest::mouseClick(heatmap, Qt::LeftButton, {}, heatmap->cellRect(month).center());
    EXPECT_EQ(view.selectedMonth(), month);
    EXPECT_EQ(view.selectedRange(), std::nullopt);
    runQueries();
    EXPECT_TRUE(listed().contains(QStringLiteral("month1.mp3")));
    EXPECT_EQ(view.listCaption()->title(), QLocale().monthName(int(month.month), QLocale::LongFormat) +
                                               QLatin1Char(' ') + QString::number(month.year));

    view.tapRange(AgeRange::older);
    EXPECT_EQ(view.selectedMonth(), std::nullopt);
    EXPECT_EQ(view.selectedRange(), AgeRange::older);
    view.tapRange(AgeRange::older);
    EXPECT_EQ(view.selectedRange(), std::nullopt) << "a second tap clears";
    view.tapMonth(month);
    view.tapMonth(month);
    EXPECT_EQ(view.selectedMonth(), std::nullopt);

    view.tapRange(AgeRange::quarter);
    runQueries();
    EXPECT_EQ(view.list()->emptyText(), QStringLiteral("No files in this period."));
    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    runQueries();
    EXPECT_EQ(view.selectedRange(), std::nullopt);
    EXPECT_EQ(listed(), (QStringList{"old.iso"}));
}

TEST_F(AgeMapTest, ANewKeyClearsTheChoiceAtOnceAndKeepsTheOldResultWaiting) {
    install(agesScan());
    AgeMapView& view = makeMap();
    view.tapMonth(monthOf(20));
    runQueries();
    const AgeSummary* before = view.summary();
    model->setFilter(QStringLiteral("new"));
    settle();
    EXPECT_EQ(view.selectedMonth(), std::nullopt) << "cleared as the new summary starts";
    EXPECT_EQ(view.summary(), before) << "the old summary stays on screen";
    EXPECT_FALSE(view.summaryIsCurrent());
    EXPECT_FALSE(view.leftColumn()->isEnabled());
    EXPECT_TRUE(view.isListDimmed());
    EXPECT_FALSE(view.listCard()->isEnabled());
    EXPECT_TRUE(view.progress()->isVisible());
    runQueries();
    EXPECT_TRUE(view.showsCurrentResult());
    EXPECT_NE(view.summary(), before);
    EXPECT_EQ(view.bars()->bytesText(AgeRange::week), QStringLiteral("6 KB"));
    EXPECT_EQ(view.bars()->bytesText(AgeRange::older), QStringLiteral("Zero KB"));
    EXPECT_EQ(listed(), QStringList()) << "the untouched files of the new summary";
    EXPECT_FALSE(view.isListDimmed());
    EXPECT_FALSE(view.progress()->isVisible());
}

TEST_F(AgeMapTest, ShowFortyMoreGrowsTheListUpToEveryPath) {
    install(agesScan(95));
    AgeMapView& view = makeMap();
    view.tapMonth(monthOf(400));
    runQueries();
    ASSERT_EQ(view.listing()->files.size(), 95U);
    EXPECT_EQ(view.list()->count(), 40);
    ASSERT_TRUE(view.list()->moreButton()->isVisibleTo(&view));
    QTest::mouseClick(view.list()->moreButton(), Qt::LeftButton);
    EXPECT_EQ(view.list()->count(), 80);
    EXPECT_TRUE(view.list()->moreButton()->isVisibleTo(&view));
    QTest::mouseClick(view.list()->moreButton(), Qt::LeftButton);
    EXPECT_EQ(view.list()->count(), 95);
    EXPECT_FALSE(view.list()->moreButton()->isVisibleTo(&view));
    EXPECT_EQ(view.totalsLabel()->text(), QStringLiteral("95 bytes across 95 items"));

    // A new listing returns to the first page: the range of the same files.
    view.tapRange(AgeRange::twoYears);
    runQueries();
    ASSERT_EQ(view.listing()->files.size(), 95U);
    EXPECT_EQ(view.limit(), 40);
    EXPECT_EQ(view.list()->count(), 40);
}

TEST_F(AgeMapTest, AddAllStagesEveryListedPathAndCanBeCancelled) {
    const std::string root = makeTree();
    makeQueryModel();
    finishScan(root);
    AgeMapView& view = makeMap();
    view.tapRange(AgeRange::week);
    runQueries();
    ASSERT_EQ(view.listing()->files.size(), 4U);
    ASSERT_TRUE(view.addAllButton()->isEnabled());
    QTest::mouseClick(view.addAllButton(), Qt::LeftButton);
    runQueries();
    std::vector<std::string> queued;
    for (const CleanupEntry& entry : model->queue()) {
        queued.push_back(entry.node.path);
        EXPECT_EQ(entry.reason, "Age Map");
    }
    std::sort(queued.begin(), queued.end());
    std::vector<std::string> expected = view.listedPaths();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(queued, expected);

    // While a staging job runs the button gives way to its progress and its Cancel.
    model->setQueue({});
    QTest::mouseClick(view.addAllButton(), Qt::LeftButton);
    settle();
    runner->run(0); // copies the paths; the staging job then waits
    settle();
    ASSERT_TRUE(model->staging());
    EXPECT_TRUE(view.stagingRow()->isVisible());
    EXPECT_FALSE(view.addAllButton()->isVisible());
    QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(model->stagingCancellation()->isCancelled());
    runQueries();
    EXPECT_FALSE(model->staging());
    EXPECT_EQ(model->notice(), std::optional<QString>(QStringLiteral("Staging cancelled.")));
    EXPECT_TRUE(view.addAllButton()->isVisible());
    EXPECT_FALSE(view.stagingRow()->isVisible());
}

TEST_F(AgeMapTest, ASavedScanCannotBeStagedAndSaysWhy) {
    install(agesScan());
    AgeMapView& view = makeMap();
    EXPECT_FALSE(view.historicalNote()->isVisible());
    model->setIsHistorical(true);
    settle();
    EXPECT_FALSE(view.addAllButton()->isEnabled());
    EXPECT_TRUE(view.historicalNote()->isVisible());
    EXPECT_EQ(view.historicalNote()->text(), QStringLiteral("Rescan to stage files from a saved scan."));
    AgeFileList* list = view.list();
    ASSERT_EQ(list->count(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->addRect(0).center());
    EXPECT_TRUE(model->queue().empty()) << "the row's add button is disabled too";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(0).center());
    EXPECT_EQ(model->selection(), std::optional<std::string>("/r/old.iso")) << "a row still selects";
}

TEST_F(AgeMapTest, ARowsMenuIsTheNodesActionsAndItsButtonAddsIt) {
    install(agesScan());
    AgeMapView& view = makeMap();
    AgeFileList* list = view.list();
    ASSERT_EQ(list->count(), 1);
    QContextMenuEvent request(QContextMenuEvent::Mouse, list->rowRect(0).center(),
                              list->viewport()->mapToGlobal(list->rowRect(0).center()));
    QCoreApplication::sendEvent(list->viewport(), &request);
    auto* menu = list->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("old.iso"));
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("Reveal in Finder"));
    menu->close();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->addRect(0).center());
    ASSERT_EQ(model->queue().size(), 1U) << "the row's add button";
    EXPECT_EQ(model->queue().front().node.path, "/r/old.iso");
    EXPECT_EQ(model->queue().front().reason, "Selected in Explore");
}

TEST_F(AgeMapTest, RowSizesFollowTheSizeMode) {
    ModelFixture tree("/r");
    tree.file("/r/sparse.img", 90'000'000, 4096, now() - 800 * kDay);
    install(tree.finish());
    AgeMapView& view = makeMap();
    EXPECT_EQ(view.totalsLabel()->text(), QStringLiteral("4 KB across 1 items"));
    model->setLogical(true);
    runQueries();
    EXPECT_EQ(view.totalsLabel()->text(), QStringLiteral("90 MB across 1 items"));
}

TEST_F(AgeMapTest, TheStorageViewAgeMapIsThisView) {
    install(agesScan());
    makeWindow();
    model->setStorageView(StorageView::ageMap);
    runQueries();
    auto* explore = qobject_cast<ExploreView*>(content().sectionView());
    ASSERT_NE(explore, nullptr);
    auto* ageMap = qobject_cast<AgeMapView*>(explore->body());
    ASSERT_NE(ageMap, nullptr);
    EXPECT_TRUE(ageMap->showsCurrentResult());
    savePicture(*window, QStringLiteral("window-age-map-light"));
}

TEST_F(AgeMapTest, PicturesInBothAppearances) {
    const std::int64_t t = now();
    ModelFixture tree("/r");
    const std::vector<std::pair<const char*, std::int64_t>> sizes{
        {"film", 2'100'000'000}, {"photos", 310'000'000}, {"code", 42'000'000}, {"notes", 4'000'000}};
    int index = 0;
    for (int days = 1; days < 1300; days += 23) {
        const auto& [name, size] = sizes[std::size_t(index % 4)];
        const std::string extension = index % 4 == 0   ? ".mov"
                                      : index % 4 == 1 ? ".jpg"
                                      : index % 4 == 2 ? ".cpp"
                                                       : ".md";
        tree.file("/r/" + std::string(name) + "-" + std::to_string(index) + extension, size / (1 + index % 5),
                  size / (1 + index % 5), t - std::int64_t(days) * kDay);
        ++index;
    }
    install(tree.finish());
    for (const bool dark : {false, true}) {
        setCurrentTheme(AppTheme::paper);
        ThemePalette::apply(dark);
        auto* view = new AgeMapView(*model);
        auto* backdrop = new Backdrop(view, 0);
        show(backdrop, QSize(1000, 720));
        view->tapRange(AgeRange::older);
        runQueries();
        savePicture(*backdrop, dark ? QStringLiteral("age-map-dark") : QStringLiteral("age-map-light"));
        const QImage picture = backdrop->grab().toImage();
        EXPECT_TRUE(near(picture.pixelColor(3, 3), Paper::background().resolved(dark)));
    }
    ThemePalette::apply(false);
}

} // namespace
} // namespace ambertrove::test
