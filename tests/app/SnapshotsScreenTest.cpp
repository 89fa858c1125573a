// The Snapshots section on the real controller and store: the heading's buttons, the Before and After
// choice, the changes' filter and pages, the empty states, the deletion's confirmation and the Time
// Machine card.
#include "ScreenTestSupport.hpp"

#include "screens/ChangeRowDelegate.hpp"
#include "screens/ChangesSection.hpp"
#include "screens/DisclosureGroup.hpp"
#include "screens/SnapshotIssueList.hpp"
#include "screens/SnapshotRowDelegate.hpp"
#include "screens/SnapshotsView.hpp"
#include "screens/SwitchToggle.hpp"
#include "screens/TimeMachineCard.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/TroveButton.hpp"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>

namespace ambertrove::test {
namespace {

// 2024-03-01 12:00 UTC, then a day and an hour and a half later.
const Date kFirstSave = Date::fromUnixSeconds(1'709'294'400);
const Date kSecondSave = Date::fromUnixSeconds(1'709'294'400 + 86'400 + 5'400);

class SnapshotsScreenTest : public ScreenTest {
protected:
    // A controller whose saved scans are dated kFirstSave, then kSecondSave.
    AppModel& start() {
        AppEnvironment env = environment(false);
        auto saves = std::make_shared<std::atomic<int>>(0);
        env.store =
            SnapshotStore(folder / "state/Snapshots",
                          SnapshotStore::Sources{&Uuid::random, [saves] {
                                                     return (*saves)++ == 0 ? kFirstSave : kSecondSave;
                                                 }});
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    // Handles jobs and events until `done` holds (the controller may do some work on threads of its own).
    bool waitUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 5000)
                return false;
            // Jobs of the test's runner, and what the controller's state thread hands back through it.
            if (runner) {
                runner->runAll();
                runner->deliver();
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        settle();
        return true;
    }

    // Scans the tree, saves it, grows one file and adds another, scans and saves again: two saved scans
    // of one root, newest first in the catalog.
    std::string twoSavedScans() {
        const std::string root = makeTree();
        start();
        model->setSnapshotsEnabled(true);
        finishScan(root);
        model->saveSnapshot();
        runner->runAll();
        // The catalog is read again on the controller's state thread.
        finishStateWork();
        folder.makeFileOfSize("tree/big.bin", 400000);
        folder.makeFileOfSize("tree/docs/new.txt", 7000);
        finishScan(root);
        model->saveSnapshot();
        runner->runAll();
        finishStateWork();
        EXPECT_EQ(model->snapshots().size(), 2u);
        return root;
    }

    [[nodiscard]] static QString selection(const SnapshotsView& view, int row) {
        return view.list()->button(row, SnapshotRowDelegate::select)->label;
    }
};

TEST_F(SnapshotsScreenTest, SelectBeforeThenSelectAfterComparesAndKeepsTheBefore) {
    const std::string root = twoSavedScans();
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    const SnapshotRecord newer = model->snapshots()[0];
    const SnapshotRecord older = model->snapshots()[1];
    EXPECT_EQ(newer.createdAt, kSecondSave);
    EXPECT_EQ(selection(*view, 0), QStringLiteral("Select Before"));
    EXPECT_EQ(selection(*view, 1), QStringLiteral("Select Before"));
    EXPECT_FALSE(view->beforeHint()->isVisible());
    EXPECT_FALSE(view->changes()->isVisible());

    // "Compare with Before" needs a Before, and another record than it.
    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::menu));
    ASSERT_TRUE(view->rowMenu());
    EXPECT_EQ(view->rowMenu()->actions().size(), 2);
    EXPECT_EQ(view->rowMenu()->actions()[0]->text(), QStringLiteral("Use as Before"));
    EXPECT_FALSE(view->rowMenu()->actions()[1]->isEnabled());
    view->rowMenu()->close();

    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::select));
    ASSERT_TRUE(model->beforeSnapshot());
    EXPECT_EQ(model->beforeSnapshot()->id, older.id);
    EXPECT_EQ(selection(*view, 1), QStringLiteral("BEFORE"));
    EXPECT_EQ(selection(*view, 0), QStringLiteral("Select After"));
    EXPECT_TRUE(view->beforeHint()->isVisible());
    EXPECT_EQ(view->beforeHint()->text(),
              QStringLiteral("Before snapshot: tree · 3/1/2024, 12:00 PM. Choose Compare "
                             "with Before on another snapshot."));
    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::menu));
    EXPECT_FALSE(view->rowMenu()->actions()[1]->isEnabled()) << "on the Before's own row";
    view->rowMenu()->close();
    ASSERT_TRUE(clickButton(*view->list(), 0, SnapshotRowDelegate::menu));
    EXPECT_TRUE(view->rowMenu()->actions()[1]->isEnabled());
    view->rowMenu()->close();

    // Pressing "BEFORE" again changes nothing and starts nothing.
    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::select));
    EXPECT_FALSE(model->snapshotBusy());
    EXPECT_EQ(model->beforeSnapshot()->id, older.id);

    // "Select After" compares the Before with this one.
    ASSERT_TRUE(clickButton(*view->list(), 0, SnapshotRowDelegate::select));
    EXPECT_TRUE(model->snapshotBusy());
    EXPECT_TRUE(view->busyRow()->isVisible());
    EXPECT_EQ(view->busyLabel()->text(), QStringLiteral("Comparing snapshots…"));
    EXPECT_FALSE(view->list()->button(0, SnapshotRowDelegate::select)->enabled) << "busy";
    runner->runAll();
    settle();
    EXPECT_FALSE(view->busyRow()->isVisible());
    EXPECT_EQ(model->beforeSnapshot()->id, older.id);
    ASSERT_TRUE(view->changes()->isVisible());
    EXPECT_EQ(view->changes()->comparisonLabel()->text(), *model->comparisonTitle());
    // Top level only: the direct children of the root that changed.
    QStringList listed;
    for (int row = 0; row < view->changes()->list()->model()->rowCount(); ++row)
        listed.push_back(view->changes()->list()->model()->index(row, 0).data().toString());
    EXPECT_EQ(listed, (QStringList{QString::fromStdString(root + "/big.bin"),
                                   QString::fromStdString(root + "/docs")}));
    EXPECT_EQ(
        view->changes()->noteLabel()->text(),
        QStringLiteral("Allocated bytes. Parent rows include child changes; do not add all rows together."));
    model->setLogical(true);
    EXPECT_TRUE(view->changes()->noteLabel()->text().startsWith(QStringLiteral("Logical bytes.")));
    model->setLogical(false);

    view->changes()->setTopLevelOnly(false);
    EXPECT_EQ(view->changes()->list()->model()->rowCount(), int(model->changes().size()));
    view->changes()->setTopLevelOnly(true);

    saveBothAppearances(QStringLiteral("screen-snapshots"), [this] {
        if (auto* v = shown<SnapshotsView>())
            v->changes()->setTopLevelOnly(false);
    });
}

TEST(ChangesFilter, AChangeIsListedWhenItPassesTheMinimumTheTopLevelAndTheNameFilter) {
    const std::vector<SnapshotChange> changes = {
        {"/Users/a/b", 5'000'000, 16'000'000, "Changed"},   // 0: grows 11 MB
        {"/Users/a/b/c", 16'000'000, 5'000'000, "Changed"}, // 1: shrinks 11 MB, one level deeper
        {"/Users/a", 1'000, 2'000, "Changed"},              // 2: the root itself
        {"/Users/a/Photos", 0, 200'000'000, "Added"},       // 3
        {"/Users/a/old", 3'000'000, 0, "Removed"},          // 4
        {"/Users/ab", 0, 1, "Added"},                       // 5: beside the root, not in it
    };
    using Filter = ChangesSection::Filter;
    const std::string root = "/Users/a";
    struct Case {
        const char* name;
        Filter filter;
        std::vector<std::uint32_t> rows;
    };
    const std::vector<Case> cases = {
        {"top level", {0, true, root, {}}, {0, 3, 4}},
        {"everything", {0, false, root, {}}, {0, 1, 2, 3, 4, 5}},
        {"no root", {0, true, std::nullopt, {}}, {}},
        {"no root, all levels", {0, false, std::nullopt, {}}, {0, 1, 2, 3, 4, 5}},
        {"10 MB either way", {10'000'000, false, root, {}}, {0, 1, 3}},
        {"100 MB", {100'000'000, false, root, {}}, {3}},
        {"1 GB", {1'000'000'000, false, root, {}}, {}},
        {"a folder in the middle of paths", {0, false, root, QStringLiteral("/B/")}, {1}},
        {"any case", {0, true, root, QStringLiteral("photos")}, {3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangesSection::filtered(changes, c.filter), c.rows) << c.name;
    EXPECT_EQ(ChangesSection::parentOf("/x"), "/");
    EXPECT_EQ(ChangesSection::parentOf("/Users/a/b"), "/Users/a");

    EXPECT_EQ(ChangeRowDelegate::deltaText(changes[0]), QStringLiteral("+11 MB"));
    EXPECT_EQ(ChangeRowDelegate::deltaText(changes[1]), QString(QChar(0x2212)) + QStringLiteral("11 MB"));
    EXPECT_EQ(ChangeRowDelegate::sizesText(changes[1]), QStringLiteral("16 MB → 5 MB"));
    const SnapshotChange extreme{"/x", INT64_MAX, INT64_MIN, "Changed"};
    EXPECT_TRUE(ChangeRowDelegate::deltaText(extreme).startsWith(QChar(0x2212)));
}

TEST_F(SnapshotsScreenTest, ChangesAreListedThreeHundredAtATime) {
    start();
    const std::string root = "/data";
    std::vector<SnapshotChange> changes;
    for (int i = 0; i < 650; ++i)
        changes.push_back(
            {root + "/item" + std::to_string(i) + (i < 200 ? "-kept" : ""), 0, 1000 - i, "Added"});
    model->setChanges(changes);
    model->setComparisonRoot(root);
    model->setComparisonTitle(QStringLiteral("a → b"));
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    ChangesSection& section = *view->changes();
    EXPECT_EQ(section.rows().size(), 650u);
    EXPECT_EQ(section.list()->model()->rowCount(), 300);
    EXPECT_TRUE(section.moreButton()->isVisible());
    EXPECT_EQ(section.moreButton()->label(), QStringLiteral("Show 300 more changes"));
    EXPECT_FALSE(section.noChangesLabel()->isVisible());
    QTest::mouseClick(section.moreButton(), Qt::LeftButton);
    EXPECT_EQ(section.list()->model()->rowCount(), 600);
    EXPECT_TRUE(section.moreButton()->isVisible());
    QTest::mouseClick(section.moreButton(), Qt::LeftButton);
    EXPECT_EQ(section.list()->model()->rowCount(), 650);
    EXPECT_FALSE(section.moreButton()->isVisible());
    EXPECT_EQ(section.list()->height(), section.list()->contentHeight()) << "as tall as its rows";

    model->setFilter(QStringLiteral("KEPT"));
    EXPECT_EQ(section.list()->model()->rowCount(), 200);
    EXPECT_FALSE(section.moreButton()->isVisible());
    EXPECT_EQ(section.changeLimit(), 900) << "a narrower filter keeps the limit";

    model->setFilter(QStringLiteral("nothing"));
    EXPECT_FALSE(section.list()->isVisible());
    EXPECT_FALSE(section.moreButton()->isVisible());
    EXPECT_TRUE(section.noChangesLabel()->isVisible());
    EXPECT_EQ(section.noChangesLabel()->text(), QStringLiteral("No size changes in this view."));
    model->setFilter(QString());

    // The picker's choices, in order.
    QStringList minimums;
    for (int i = 0; i < section.minimumPicker()->count(); ++i)
        minimums.push_back(section.minimumPicker()->itemText(i));
    EXPECT_EQ(minimums, (QStringList{QStringLiteral("All changes"), QStringLiteral("10 MB"),
                                     QStringLiteral("100 MB"), QStringLiteral("1 GB")}));
    section.minimumPicker()->activated(1);
    EXPECT_EQ(section.minimumChange(), 10'000'000);
    EXPECT_TRUE(section.noChangesLabel()->isVisible());
}

TEST_F(SnapshotsScreenTest, TheScreensOwnStateStartsAfreshWhileTheControllersStays) {
    start();
    std::vector<SnapshotChange> changes;
    for (int i = 0; i < 700; ++i)
        changes.push_back({"/data/f" + std::to_string(i), 0, 20'000'000, "Added"});
    model->setChanges(changes);
    model->setComparisonRoot("/data");
    model->setComparisonTitle(QStringLiteral("a → b"));
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    view->changes()->showMore();
    view->changes()->setTopLevelOnly(false);
    view->changes()->setMinimumChange(10'000'000);
    EXPECT_EQ(view->changes()->changeLimit(), 600);
    model->setSection(AppSection::explore);
    settle();
    view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->changes()->changeLimit(), 300);
    EXPECT_TRUE(view->changes()->topLevelOnly());
    EXPECT_TRUE(view->changes()->topLevelToggle()->isChecked());
    EXPECT_EQ(view->changes()->minimumChange(), 0);
    EXPECT_EQ(view->changes()->minimumPicker()->currentIndex(), 0);
    EXPECT_EQ(view->changes()->list()->model()->rowCount(), 300);
    EXPECT_EQ(model->changes().size(), 700u) << "the comparison is the controller's";
}

TEST(SnapshotsTexts, TheEmptyStateAndTheUnavailableScansAreNamedByWhatThereIs) {
    struct Case {
        bool issues;
        bool enabled;
        const char* title;
        const char* subtitle;
    };
    const std::vector<Case> cases = {
        {false, true, "No saved scans", "Save a scan, then compare it with a later scan."},
        {false, false, "No saved scans", "Enable snapshots to save scans for comparison."},
        {true, true, "No available snapshots", "Save a scan, then compare it with a later scan."},
        {true, false, "No available snapshots", "Enable snapshots to save scans for comparison."},
    };
    for (const Case& c : cases) {
        const SnapshotsView::EmptyTexts texts = SnapshotsView::emptyTexts(c.issues, c.enabled);
        EXPECT_EQ(texts.title, QString::fromUtf8(c.title));
        EXPECT_EQ(texts.subtitle, QString::fromUtf8(c.subtitle));
    }
    EXPECT_EQ(SnapshotsView::issuesTitle(1), QStringLiteral("1 saved scan is unavailable"));
    EXPECT_EQ(SnapshotsView::issuesTitle(2), QStringLiteral("2 saved scans are unavailable"));
}

TEST_F(SnapshotsScreenTest, TheEmptyStatesFollowTheSettingAndTheUnreadableScans) {
    const std::string root = makeTree();
    start();
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->emptyPanel()->isVisible());
    EXPECT_EQ(view->emptyPanel()->title(), QStringLiteral("No saved scans"));
    EXPECT_EQ(view->emptyPanel()->subtitle(),
              QStringLiteral("Enable snapshots to save scans for comparison."));
    EXPECT_FALSE(view->saveButton()->isEnabled());
    EXPECT_FALSE(view->exportButton()->isEnabled());
    EXPECT_FALSE(view->listHeader()->isVisible());
    EXPECT_FALSE(view->issuesGroup()->isVisible());

    QTest::mouseClick(view->snapshotsToggle(), Qt::LeftButton);
    EXPECT_TRUE(model->snapshotsEnabled());
    EXPECT_EQ(view->emptyPanel()->subtitle(),
              QStringLiteral("Save a scan, then compare it with a later scan."));
    EXPECT_FALSE(view->saveButton()->isEnabled()) << "no scan yet";
    finishScan(root);
    // A scan shows the explorer; back to the screen, built afresh.
    view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->saveButton()->isEnabled());
    EXPECT_TRUE(view->exportButton()->isEnabled());
    model->setScanning(true);
    EXPECT_FALSE(view->saveButton()->isEnabled());
    model->setScanning(false);

    // An unreadable record.
    folder.makeFile("state/Snapshots/broken.meta", "not a record");
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !model->snapshotIssues().empty(); }));
    EXPECT_TRUE(view->issuesGroup()->isVisible());
    EXPECT_EQ(view->issuesGroup()->title(), QStringLiteral("1 saved scan is unavailable"));
    EXPECT_FALSE(view->issuesGroup()->isExpanded());
    EXPECT_EQ(view->emptyPanel()->title(), QStringLiteral("No available snapshots"));
    view->issuesGroup()->setExpanded(true);
    settle();
    EXPECT_TRUE(view->issueList()->isVisible());
    EXPECT_TRUE(view->issueList()->toPlainText().startsWith(QStringLiteral("broken.meta\n")));
    EXPECT_TRUE(view->issueList()->toPlainText().endsWith(
        QString::fromStdString(model->snapshotIssues()[0].message)));
    folder.makeFile("state/Snapshots/broken2.meta", "{}");
    model->refreshSnapshots();
    ASSERT_TRUE(waitUntil([&] { return model->snapshotIssues().size() == 2; }));
    EXPECT_EQ(view->issuesGroup()->title(), QStringLiteral("2 saved scans are unavailable"));

    // Saving fills the list.
    QTest::mouseClick(view->saveButton(), Qt::LeftButton);
    EXPECT_TRUE(model->snapshotBusy());
    EXPECT_FALSE(view->saveButton()->isEnabled());
    EXPECT_FALSE(view->refreshButton()->isEnabled());
    runner->runAll();
    finishStateWork();
    EXPECT_FALSE(view->emptyPanel()->isVisible());
    EXPECT_TRUE(view->listHeader()->isVisible());
    EXPECT_EQ(view->list()->model()->rowCount(), 1);
    saveBothAppearances(QStringLiteral("screen-snapshots-issues"), [this] {
        if (auto* v = shown<SnapshotsView>())
            v->issuesGroup()->setExpanded(true);
    });
}

TEST_F(SnapshotsScreenTest, TheDeletionIsConfirmedByItsButtonsAndAGoneBeforeCountsAsNone) {
    twoSavedScans();
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    const SnapshotRecord older = model->snapshots()[1];
    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::select));
    ASSERT_TRUE(clickButton(*view->list(), 0, SnapshotRowDelegate::select));
    runner->runAll();
    settle();
    ASSERT_TRUE(view->changes()->isVisible());

    ASSERT_TRUE(view->list()->button(1, SnapshotRowDelegate::remove));
    EXPECT_EQ(view->list()->button(1, SnapshotRowDelegate::remove)->toolTip,
              QStringLiteral("Delete saved snapshot"));
    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::remove));
    ASSERT_TRUE(view->deleteAlert());
    EXPECT_EQ(view->deleteAlert()->text(), QStringLiteral("Delete saved scan?"));
    EXPECT_EQ(
        view->deleteAlert()->informativeText(),
        QStringLiteral("Only Ambertrove's saved metadata is removed. Your scanned files are unaffected."));
    ASSERT_TRUE(view->deleting());
    EXPECT_EQ(view->deleting()->id, older.id);
    QPushButton* cancel = nullptr;
    QPushButton* remove = nullptr;
    for (QAbstractButton* button : view->deleteAlert()->buttons()) {
        if (button->text() == QStringLiteral("Cancel"))
            cancel = qobject_cast<QPushButton*>(button);
        if (button->text() == QStringLiteral("Delete snapshot"))
            remove = qobject_cast<QPushButton*>(button);
    }
    ASSERT_TRUE(cancel && remove);
    EXPECT_FALSE(remove->isDefault());
    EXPECT_FALSE(remove->autoDefault());
    QTest::mouseClick(cancel, Qt::LeftButton);
    settle();
    EXPECT_FALSE(view->deleting());
    EXPECT_EQ(model->snapshots().size(), 2u);

    ASSERT_TRUE(clickButton(*view->list(), 1, SnapshotRowDelegate::remove));
    ASSERT_TRUE(view->deleteAlert());
    for (QAbstractButton* button : view->deleteAlert()->buttons())
        if (button->text() == QStringLiteral("Delete snapshot"))
            QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model->snapshots().size() == 1; }));
    EXPECT_FALSE(view->deleting());
    EXPECT_FALSE(view->changes()->isVisible()) << "the deletion forgets the comparison";
    // The Before is gone with its saved scan: the remaining row offers to be the Before.
    EXPECT_FALSE(view->before());
    EXPECT_EQ(selection(*view, 0), QStringLiteral("Select Before"));
    EXPECT_FALSE(view->beforeHint()->isVisible());
    ASSERT_TRUE(clickButton(*view->list(), 0, SnapshotRowDelegate::select));
    EXPECT_FALSE(model->snapshotBusy()) << "it becomes the Before, no comparison with a gone scan";
    EXPECT_EQ(model->beforeSnapshot()->id, model->snapshots()[0].id);
}

TEST_F(SnapshotsScreenTest, TheTimeMachineCardShowsTheListingsStatusAndKeepsTheNamesOfTheLastSuccess) {
    auto answers = std::make_shared<std::vector<std::optional<std::vector<std::string>>>>(
        std::vector<std::optional<std::vector<std::string>>>{
            std::vector<std::string>{"com.apple.TimeMachine.2024-03-01-120000.local",
                                     "com.apple.TimeMachine.2024-03-02-120000.local"},
            std::nullopt});
    services.timeMachineSnapshots = [answers](const std::string&, const TaskCancellation&) {
        std::optional<std::vector<std::string>> answer = answers->front();
        answers->erase(answers->begin());
        if (!answer)
            throw std::runtime_error("The listing timed out.");
        return *answer;
    };
    start();
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    TimeMachineCard& card = *view->timeMachineCard();
    EXPECT_EQ(card.statusLabel()->text(), QStringLiteral("Choose Refresh to list local snapshots."));
    EXPECT_FALSE(card.namesLabel()->isVisible());
    QTest::mouseClick(card.refreshButton(), Qt::LeftButton);
    EXPECT_EQ(card.statusLabel()->text(), QStringLiteral("Reading local snapshots…"));
    runner->runAll();
    settle();
    EXPECT_EQ(card.statusLabel()->text(), QStringLiteral("macOS manages these separately from your files."));
    EXPECT_EQ(card.namesLabel()->text(), QStringLiteral("com.apple.TimeMachine.2024-03-01-120000.local\n"
                                                        "com.apple.TimeMachine.2024-03-02-120000.local"));
    QTest::mouseClick(card.refreshButton(), Qt::LeftButton);
    runner->runAll();
    settle();
    EXPECT_EQ(card.statusLabel()->text(), QStringLiteral("The listing timed out."));
    EXPECT_TRUE(card.namesLabel()->isVisible()) << "the old names stay";
    EXPECT_TRUE(card.namesLabel()->text().startsWith(QStringLiteral("com.apple.TimeMachine.2024-03-01")));
}

TEST_F(SnapshotsScreenTest, OnThisSystemTheTimeMachineCardShowsTheListingsFailure) {
    start();
    SnapshotsView* view = enter<SnapshotsView>(AppSection::snapshots);
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->timeMachineCard()->refreshButton(), Qt::LeftButton);
    runner->runAll();
    settle();
    const QString status = view->timeMachineCard()->statusLabel()->text();
    EXPECT_FALSE(status.isEmpty());
    EXPECT_NE(status, QStringLiteral("Reading local snapshots…"));
    EXPECT_NE(status, QStringLiteral("No local Time Machine snapshots found."))
        << "the utility does not exist here";
    EXPECT_TRUE(model->timeMachine().isEmpty());
}

} // namespace
} // namespace ambertrove::test
