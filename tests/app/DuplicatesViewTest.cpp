// The Duplicates section in the window: its four states, the progress of the file being read, the name
// filter with the stage-everything button, paging of the group cards, the comparison issues, and the
// cards themselves: a click anywhere on a row keeps that copy, and a big group is still one widget.
#include "ScreenTestSupport.hpp"

#include "screens/DuplicateGroupCard.hpp"
#include "screens/DuplicatesView.hpp"
#include "screens/MetricTile.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/SearchLocationView.hpp"
#include "widgets/SearchProgressCard.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/TroveButton.hpp"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace ambertrove::test {
namespace {

DiskNode fileAt(const std::string& path, std::int64_t bytes) {
    DiskNode node;
    node.path = path;
    node.logicalSize = bytes;
    node.allocatedSize = bytes;
    return node;
}

// `groups` groups of `copies` files /data/gN/copy-M.bin of 1000 bytes each.
std::shared_ptr<const DuplicateReport> reportOf(std::size_t groups, std::size_t copies = 2) {
    auto report = std::make_shared<DuplicateReport>();
    for (std::size_t g = 0; g < groups; ++g) {
        DuplicateGroup group;
        group.id = std::string(63, 'a') + char('a' + g % 26) + std::to_string(g);
        for (std::size_t c = 0; c < copies; ++c)
            group.files.push_back(
                fileAt("/data/g" + std::to_string(g) + "/copy-" + std::to_string(c) + ".bin", 1000));
        report->groups.push_back(std::move(group));
    }
    report->checked = std::int64_t(groups * copies);
    return report;
}

class DuplicatesViewTest : public ScreenTest {
protected:
    DuplicatesView& show() { return showSection<DuplicatesView>(AppSection::duplicates); }

    // Twelve groups of two identical files in "dups"; the first five have "Match" in a name.
    std::string makeDuplicates() {
        const std::string root = folder.makeDir("dups");
        for (int g = 0; g < 12; ++g) {
            const std::string content(std::size_t(1000 + g), char('a' + g));
            const std::string first =
                g < 5 ? "Match-" + std::to_string(g) + ".bin" : "plain-" + std::to_string(g) + ".bin";
            folder.makeFile("dups/" + first, content);
            folder.makeFile("dups/copies/other-" + std::to_string(g) + ".bin", content);
        }
        return root;
    }

    // Scans `root` and searches the whole scan for copies of any size.
    void search(const std::string& root) {
        finishScan(root);
        model->setDuplicateMinimumMB(0);
        model->findDuplicates();
        runner->runAll();
        settle();
    }

    static bool shown(QWidget* widget) { return widget->isVisible(); }
};

TEST_F(DuplicatesViewTest, TheScreenGoesFromIdleThroughTheScanAndTheComparisonToTheResult) {
    makeScreenModel();
    DuplicatesView& idle = show();
    EXPECT_EQ(idle.state(), DuplicatesView::State::idle);
    EXPECT_TRUE(shown(idle.idlePanel()));
    EXPECT_EQ(idle.idlePanel()->title(), QStringLiteral("Find duplicate files"));
    EXPECT_FALSE(shown(idle.currentScanButton())) << "no scan";
    EXPECT_FALSE(shown(idle.cancelButton()));
    EXPECT_FALSE(shown(idle.locationView()));

    const std::string root = makeDuplicates();
    model->setDuplicateMinimumMB(0);
    // A scan started elsewhere shows its progress in Explore; the user comes back here meanwhile.
    model->startScan(root, false);
    DuplicatesView& view = show();
    EXPECT_TRUE(shown(view.currentScanButton())) << "a scan runs";
    EXPECT_FALSE(view.chooseFolderButton()->isEnabled());
    EXPECT_EQ(view.state(), DuplicatesView::State::idle) << "a scan alone changes nothing";
    QTest::mouseClick(view.currentScanButton(), Qt::LeftButton);
    EXPECT_EQ(view.state(), DuplicatesView::State::waitingForScan);
    EXPECT_TRUE(shown(view.scanCard()));
    EXPECT_EQ(view.scanCard()->title(), QStringLiteral("Scanning dups…"));
    EXPECT_EQ(view.scanCard()->detail(), QStringLiteral("Comparison starts after the scan."));
    EXPECT_EQ(view.scanCard()->facts().value(0).second, QStringLiteral("0"));
    EXPECT_FALSE(view.scanCard()->fraction().has_value());
    EXPECT_TRUE(shown(view.cancelButton()));
    EXPECT_FALSE(view.sizePicker()->isEnabled());
    EXPECT_FALSE(view.sourceButtons()->isEnabled());
    EXPECT_EQ(view.locationView()->path(), QString::fromStdString(root));

    // The scan completes and starts the comparison.
    runner->run(0);
    settle();
    ASSERT_EQ(view.state(), DuplicatesView::State::comparing);
    EXPECT_TRUE(shown(view.comparisonCard()));
    EXPECT_EQ(view.comparisonCard()->title(), QStringLiteral("Comparing your files"));
    EXPECT_EQ(view.comparisonCard()->detail(), QStringLiteral("Grouping files by size…"));
    EXPECT_TRUE(shown(view.cancelButton()));

    runner->runAll();
    settle();
    ASSERT_EQ(view.state(), DuplicatesView::State::result);
    EXPECT_TRUE(shown(view.resultPanel()));
    EXPECT_FALSE(shown(view.cancelButton()));
    EXPECT_TRUE(view.sizePicker()->isEnabled());
    EXPECT_EQ(view.cards().size(), 12);
    EXPECT_EQ(view.tiles()[1]->valueLabel()->text(), QStringLiteral("12"));
    EXPECT_EQ(view.filterLine()->text(), QStringLiteral("Choose a copy to keep."));
}

TEST_F(DuplicatesViewTest, CancelStopsTheScanTheSearchWaitsForOrTheSearch) {
    makeScreenModel();
    const std::string root = makeDuplicates();
    model->startScan(root, false);
    model->findDuplicates();
    DuplicatesView& view = show();
    ASSERT_EQ(view.state(), DuplicatesView::State::waitingForScan);
    QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(view.state(), DuplicatesView::State::idle);

    finishScan(root);
    model->findDuplicates();
    DuplicatesView& searching = show();
    ASSERT_EQ(searching.state(), DuplicatesView::State::comparing);
    QTest::mouseClick(searching.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(model->findingDuplicates());
    EXPECT_EQ(model->notice(), QStringLiteral("Duplicate search cancelled."));
    EXPECT_EQ(searching.state(), DuplicatesView::State::idle)
        << "the previous result went when the search started";
}

TEST_F(DuplicatesViewTest, TheFileBeingReadShowsItsShareClampedAndNoneWithoutASize) {
    struct Case {
        DuplicateProgress::Phase phase;
        std::int64_t read;
        std::int64_t size;
        std::optional<double> fraction;
        const char* title;
    };
    using Phase = DuplicateProgress::Phase;
    makeScreenModel();
    DuplicatesView& view = show();
    model->setFindingDuplicates(true);
    for (const Case& c : {Case{Phase::hashing, 0, 0, std::nullopt, "Reading full contents"},
                          Case{Phase::hashing, 50, 200, 0.25, "Reading full contents"},
                          Case{Phase::verifying, 150, 100, 1.0, "Verifying identical copies"},
                          Case{Phase::sampling, 5, 10, std::nullopt, "Comparing your files"}}) {
        const DuplicateProgress progress{c.phase, 3, 1234, "movie.mov", c.read, c.size};
        if (c.phase == Phase::hashing || c.phase == Phase::verifying) {
            EXPECT_EQ(DuplicatesView::fileFraction(progress), c.fraction) << c.title;
        }
        model->setDuplicateWork(progress);
        model->setDuplicateProgress(AppModel::duplicateProgressText(progress));
        SearchProgressCard& card = *view.comparisonCard();
        EXPECT_EQ(card.title(), QString::fromUtf8(c.title));
        EXPECT_EQ(card.fraction(), c.fraction) << c.title;
        if (c.phase == Phase::sampling) {
            EXPECT_EQ(card.detail(), QStringLiteral("Checking samples · 3 of 1,234 candidates"));
            EXPECT_EQ(card.facts().value(1).second, QStringLiteral("1,234"));
        } else {
            EXPECT_EQ(card.detail(), QStringLiteral("movie.mov"));
            EXPECT_EQ(card.facts().value(0).first, QStringLiteral("Read from this file"));
        }
    }
}

TEST_F(DuplicatesViewTest, TheFilterShowsMatchingGroupsWhileAddAllStagesEveryGroup) {
    makeScreenModel();
    search(makeDuplicates());
    DuplicatesView& view = show();
    ASSERT_EQ(model->duplicateReport()->groups.size(), 12u);
    model->setFilter(QStringLiteral("mATCH"));
    settle();
    EXPECT_EQ(view.visibleGroups().size(), 5u);
    EXPECT_EQ(view.cards().size(), 5);
    EXPECT_EQ(view.filterLine()->text(), QStringLiteral("Showing 5 of 12 groups."));
    ASSERT_TRUE(view.addAllButton()->isEnabled());

    QTest::mouseClick(view.addAllButton(), Qt::LeftButton);
    EXPECT_EQ(model->queue().size(), 12u) << "one extra copy of each of the twelve groups";
    for (const CleanupEntry& entry : model->queue())
        EXPECT_EQ(entry.retainedCopies.size(), 1u);
}

TEST_F(DuplicatesViewTest, OneMatchingGroupIsCountedInTheSingularAndNoMatchOffersToClearTheSearch) {
    makeScreenModel();
    DuplicatesView& view = show();
    model->setDuplicateReport(reportOf(1));
    model->setFilter(QStringLiteral("copy-1"));
    settle();
    EXPECT_EQ(view.filterLine()->text(), QStringLiteral("Showing 1 of 1 group."));

    model->setFilter(QStringLiteral("nothing like it"));
    settle();
    EXPECT_TRUE(shown(view.noMatchPanel()));
    EXPECT_TRUE(view.cards().isEmpty());
    QTest::mouseClick(view.clearSearchButton(), Qt::LeftButton);
    EXPECT_TRUE(model->filter().isEmpty());
    EXPECT_FALSE(shown(view.noMatchPanel()));
    EXPECT_EQ(view.cards().size(), 1);
}

TEST_F(DuplicatesViewTest, GroupsAreDrawnThirtyAtATime) {
    makeScreenModel();
    DuplicatesView& view = show();
    model->setDuplicateReport(reportOf(75));
    settle();
    EXPECT_EQ(view.limit(), 30);
    EXPECT_EQ(view.cards().size(), 30);
    ASSERT_TRUE(shown(view.showMoreButton()));
    EXPECT_EQ(view.showMoreButton()->label(), QStringLiteral("Show 30 more groups"));
    QTest::mouseClick(view.showMoreButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(view.cards().size(), 60);
    QTest::mouseClick(view.showMoreButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(view.cards().size(), 75);
    EXPECT_FALSE(shown(view.showMoreButton()));

    // Coming back to the section starts at thirty again.
    model->setSection(AppSection::cleanup);
    settle();
    DuplicatesView& again = show();
    EXPECT_EQ(again.cards().size(), 30);
}

TEST_F(DuplicatesViewTest, TheThirdTileCountsComparisonIssuesAndTheDetailsListThem) {
    makeScreenModel();
    DuplicatesView& view = show();
    auto report = std::make_shared<DuplicateReport>(*reportOf(2));
    report->skipped = 1;
    report->issues = {"/data/locked.bin: Permission denied"};
    model->setDuplicateReport(report);
    EXPECT_EQ(view.tiles()[2]->captionLabel()->text(), QStringLiteral("1 comparison issue"));
    EXPECT_EQ(view.tiles()[0]->valueLabel()->text(), QStringLiteral("2 KB")) << "one extra copy per group";
    ASSERT_TRUE(shown(view.detailsToggle()));
    EXPECT_EQ(view.detailsToggle()->text(), QStringLiteral("Comparison details (1)"));
    EXPECT_FALSE(shown(view.detailsText()));
    QTest::mouseClick(view.detailsToggle(), Qt::LeftButton);
    EXPECT_TRUE(shown(view.detailsText()));
    EXPECT_EQ(view.detailsText()->text(), QStringLiteral("/data/locked.bin: Permission denied"));

    for (const auto& [skipped, caption] :
         {std::pair{0, "No comparison issues"}, {3, "3 comparison issues"}}) {
        auto other = std::make_shared<DuplicateReport>(*report);
        other->skipped = skipped;
        model->setDuplicateReport(other);
        EXPECT_EQ(view.tiles()[2]->captionLabel()->text(), QString::fromUtf8(caption));
    }
}

TEST_F(DuplicatesViewTest, AReportWithoutGroupsSaysSoAndStillShowsTheTiles) {
    makeScreenModel();
    DuplicatesView& view = show();
    model->setDuplicateReport(reportOf(0));
    settle();
    EXPECT_TRUE(shown(view.noDuplicatesPanel()));
    EXPECT_FALSE(shown(view.filterRow()));
    EXPECT_FALSE(shown(view.detailsToggle()));
    EXPECT_EQ(view.tiles()[0]->valueLabel()->text(), QStringLiteral("Zero KB"));
    EXPECT_EQ(view.tiles()[1]->valueLabel()->text(), QStringLiteral("0"));
}

TEST_F(DuplicatesViewTest, AClickAnywhereOnARowKeepsThatCopyAndRevealLeavesTheChoice) {
    makeScreenModel();
    search(makeDuplicates());
    DuplicatesView& view = show();
    DuplicateGroupCard& card = *view.cards()[0];
    const DuplicateGroup& group = card.group();
    EXPECT_EQ(card.keep(), group.files[0].path) << "the first file until a choice";
    EXPECT_EQ(card.countText(), QStringLiteral("2 identical files"));

    // On the row's name, not on the radio mark.
    const QRect row = card.rowRect(DuplicateGroupCard::rowOfFile(1));
    QTest::mouseClick(&card, Qt::LeftButton, Qt::NoModifier, QPoint(row.center().x() - 40, row.center().y()));
    EXPECT_EQ(model->duplicateKeepers().at(group.id), group.files[1].path);
    EXPECT_EQ(card.keep(), group.files[1].path);

    clickTarget(card, DuplicateGroupCard::rowOfFile(0), DuplicateGroupCard::revealTarget);
    EXPECT_EQ(screen->revealed, std::vector<std::string>{group.files[0].path});
    EXPECT_EQ(card.keep(), group.files[1].path) << "revealing chooses nothing";
    EXPECT_EQ(card.target(DuplicateGroupCard::rowOfFile(0), DuplicateGroupCard::revealTarget)->toolTip,
              QStringLiteral("Reveal in Finder"));

    // Its own staging keeps the chosen copy.
    clickTarget(card, 0, DuplicateGroupCard::stageTarget);
    ASSERT_EQ(model->queue().size(), 1u);
    EXPECT_EQ(model->queue()[0].node.path, group.files[0].path);
}

TEST_F(DuplicatesViewTest, TheKeyboardReachesEveryButtonOfACardInReadingOrder) {
    makeScreenModel();
    DuplicatesView& view = show();
    model->setDuplicateReport(reportOf(1, 3));
    settle();
    DuplicateGroupCard& card = *view.cards()[0];
    card.setFocus(Qt::TabFocusReason);
    using Card = DuplicateGroupCard;
    EXPECT_EQ(card.keyboardTarget(), std::pair(0, int(Card::stageTarget)));
    const std::vector<std::pair<int, int>> order = {
        {1, Card::chooseTarget}, {1, Card::revealTarget}, {2, Card::chooseTarget}, {2, Card::revealTarget}};
    for (const auto& expected : order) {
        QTest::keyClick(&card, Qt::Key_Down);
        EXPECT_EQ(card.keyboardTarget(), expected);
    }
    QTest::keyClick(&card, Qt::Key_Up);
    QTest::keyClick(&card, Qt::Key_Return);
    EXPECT_EQ(card.keep(), card.group().files[1].path);
    QTest::keyClick(&card, Qt::Key_Right);
    QTest::keyClick(&card, Qt::Key_Space);
    EXPECT_EQ(screen->revealed, std::vector<std::string>{card.group().files[1].path});
}

TEST_F(DuplicatesViewTest, AGroupOfFiveHundredCopiesIsOneWidgetThatPaintsWhatIsInView) {
    makeScreenModel();
    DuplicatesView& view = show();
    model->setDuplicateReport(reportOf(1, 500));
    settle();
    ASSERT_EQ(view.cards().size(), 1);
    DuplicateGroupCard& card = *view.cards()[0];
    EXPECT_TRUE(card.children().isEmpty());
    EXPECT_EQ(card.rowCount(), 501);
    EXPECT_EQ(card.countText(), QStringLiteral("500 identical files"));
    EXPECT_EQ(card.sizeText(), QStringLiteral("·  1 KB each"));
    card.repaint();
    EXPECT_LT(card.lastPaintedRows().second, 30);
    view.scrollArea()->verticalScrollBar()->setValue(view.scrollArea()->verticalScrollBar()->maximum());
    settle();
    card.repaint();
    EXPECT_EQ(card.lastPaintedRows().second, 500);
    EXPECT_GT(card.lastPaintedRows().first, 450);
}

TEST_F(DuplicatesViewTest, EntireMacAsksForTheWholeSystemScanAndTheSizePickerSetsTheMinimum) {
    makeScreenModel();
    finishScan(makeDuplicates());
    DuplicatesView& view = show();
    QTest::mouseClick(view.entireMacButton(), Qt::LeftButton);
    EXPECT_EQ(model->notice(),
              QStringLiteral("Choose Scan Full Mac first — then compare the scanned files here."));
    EXPECT_FALSE(model->findingDuplicates());

    QComboBox& picker = *view.sizePicker();
    ASSERT_EQ(picker.count(), 4);
    EXPECT_EQ(picker.currentText(), QStringLiteral("1 MB+"));
    picker.setCurrentIndex(3);
    emit picker.activated(3);
    EXPECT_EQ(model->duplicateMinimumMB(), 100);
    model->setDuplicateMinimumMB(0);
    EXPECT_EQ(picker.currentText(), QStringLiteral("Any size"));
}

} // namespace
} // namespace ambertrove::test
