#include "ScanTestSupport.hpp"

#include "base/AmbertroveError.hpp"
#include "scan/ScanPaths.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::ScanFixture;

class ScanJobTest : public ScanFixture {};

const QString kCancelledWithScan = QStringLiteral("Scan cancelled. Your previous result is still available.");
const QString kCancelledWithoutScan = QStringLiteral("Scan cancelled. Choose a location to start again.");

TEST_F(ScanJobTest, StartScanPublishesTheRunningStateAtOnceAndKeepsThePreviousResult) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    const ScanResultPtr previous = m.scan();
    ASSERT_NE(previous, nullptr);
    m.setFocusPath("/r/x");
    m.setSelection("/r/x/g.png");
    m.setStorageView(StorageView::table);
    m.setSection(AppSection::cleanup);
    m.setActiveQuickWin(QuickWinKind::downloads);
    m.setFilter("abc");
    m.setNotice(QStringLiteral("old"));
    m.setSnapshotBusy(true);
    m.setSnapshotStatus(QStringLiteral("Saving…"));
    const auto oldStaging = m.stagingCancellation();
    const auto oldScanFlag = m.scanCancellation();
    const auto oldDuplicates = m.duplicateCancellation();
    const auto oldNavigation = m.scanNavigation();

    m.startScan("/s/t", false);

    EXPECT_TRUE(oldStaging->isCancelled());
    EXPECT_TRUE(oldScanFlag->isCancelled());
    EXPECT_TRUE(oldDuplicates->isCancelled());
    EXPECT_NE(m.scanCancellation(), oldScanFlag);
    EXPECT_FALSE(m.scanCancellation()->isCancelled());
    EXPECT_NE(m.scanNavigation(), oldNavigation);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), "");
    EXPECT_TRUE(m.scanning());
    EXPECT_EQ(m.scanProgress(), nullptr);
    EXPECT_EQ(m.scanRootName(), "t");
    EXPECT_EQ(m.scanRootPath(), "/s/t");
    EXPECT_EQ(m.liveFocusPath(), std::nullopt);
    EXPECT_EQ(m.liveNavigation().current, "/s/t");
    EXPECT_TRUE(m.liveNavigation().back.empty());
    EXPECT_EQ(m.storageView(), StorageView::treemap);
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_EQ(m.activeQuickWin(), std::nullopt);
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_TRUE(m.filter().isEmpty());
    EXPECT_EQ(m.notice(), std::nullopt);
    // The previous result stays until the new one is installed.
    EXPECT_EQ(m.scan(), previous);
    EXPECT_EQ(m.focusPath(), "/r/x");
    EXPECT_EQ(m.selection(), "/r/x/g.png");
    EXPECT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::longJob);
}

TEST_F(ScanJobTest, TheStorageViewBecomesTreemapUnlessItIsAChartOrTheFolders) {
    struct Case {
        StorageView before;
        StorageView after;
    };
    const std::vector<Case> cases{
        {StorageView::table, StorageView::treemap},     {StorageView::topSizes, StorageView::treemap},
        {StorageView::ageMap, StorageView::treemap},    {StorageView::folders, StorageView::folders},
        {StorageView::sunburst, StorageView::sunburst}, {StorageView::mindMap, StorageView::mindMap},
        {StorageView::treemap, StorageView::treemap},
    };
    AppModel& m = makeModel();
    for (const Case& c : cases) {
        m.setStorageView(c.before);
        m.startScan("/r", false);
        EXPECT_EQ(m.storageView(), c.after) << rawValue(c.before).toStdString();
    }
}

TEST_F(ScanJobTest, TheScanIsTitledByItsLocation) {
    struct Case {
        std::string path;
        QString title;
    };
    const std::vector<Case> cases{
        {std::string(ScanPaths::systemRoot), "Entire Mac"},
        {test::kHome, "Home"},
        {"/media/user/USB", "USB"},
        {"/srv/data/", "data"},
        {"", "Macintosh HD"},
    };
    AppModel& m = makeModel();
    for (const Case& c : cases) {
        m.startScan(c.path, false);
        EXPECT_EQ(m.scanRootName(), c.title) << c.path;
    }
}

TEST_F(ScanJobTest, OfTwoScansOnlyTheSecondAppliesItsProgressAndResultAndTheFirstEndsSilently) {
    struct Case {
        const char* name;
        // How the superseded job ends: with its result, with the cancellation it polled, or with a failure.
        std::function<ScanResult(const std::string&, const CancellationFlag&)> firstEnd;
    };
    const std::vector<Case> cases{
        {"result",
         [this](const std::string& root, const CancellationFlag&) {
             return resultFor(root);
         }},
        {"cancellation",
         [](const std::string& root, const CancellationFlag& flag) {
             flag.check();
             ScanResult unfinished;
             unfinished.rootPath = root;
             return unfinished;
         }},
        {"failure",
         [](const std::string&, const CancellationFlag&) -> ScanResult {
             throw AmbertroveError("The disk went away.");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        results["/second"] = test::sampleScan("/second");
        script = [&](const std::string& root, const CancellationFlag& flag, const ScanNavigation*,
                     const DiskScanner::ProgressCallback& report) {
            ScanProgress progress;
            progress.path = root + "/file";
            progress.files = root == "/first" ? 1 : 2;
            report(progress);
            if (root == "/first")
                return c.firstEnd(root, flag);
            return resultFor(root);
        };
        AppModel& m = makeModel();
        std::vector<std::int64_t> shownProgress;
        QObject::connect(&m, &AppModel::progressChanged,
                         [&] { shownProgress.push_back(m.scanProgress() ? m.scanProgress()->files : -1); });
        QSignalSpy messages(&m, &AppModel::messagesChanged);

        m.startScan("/first", false);
        m.startScan("/second", false);
        ASSERT_EQ(runner->pending(), 2u);
        runScan(0); // the first, superseded
        EXPECT_TRUE(shownProgress.empty());
        EXPECT_EQ(m.scan(), nullptr);
        EXPECT_TRUE(m.scanning());
        EXPECT_EQ(m.notice(), std::nullopt);
        EXPECT_EQ(m.error(), std::nullopt);
        EXPECT_EQ(messages.count(), 0);

        runScan(0);
        EXPECT_EQ(shownProgress, (std::vector<std::int64_t>{2, -1}));
        ASSERT_NE(m.scan(), nullptr);
        EXPECT_EQ(m.scan()->rootPath, "/second");
        EXPECT_FALSE(m.scanning());
        EXPECT_EQ(m.notice(), "Scan complete — 1.5 seconds.");
        EXPECT_EQ(m.recent(), (std::vector<std::string>{"/second"}));
        model.reset();
    }
}

TEST_F(ScanJobTest, CancelScanTellsWhetherThePreviousResultIsStillShown) {
    AppModel& m = makeModel();
    m.setDuplicateAfterScan(true);
    m.startScan("/r", true);
    const auto flag = m.scanCancellation();
    m.cancelScan();
    EXPECT_TRUE(flag->isCancelled());
    EXPECT_FALSE(m.scanning());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.notice(), kCancelledWithoutScan);
    // The cancelled job's result is dropped.
    runScan();
    EXPECT_EQ(m.scan(), nullptr);
    EXPECT_EQ(m.notice(), kCancelledWithoutScan);

    m.startScan("/r", false);
    runScan();
    const ScanResultPtr previous = m.scan();
    ASSERT_NE(previous, nullptr);
    m.startScan("/r", false);
    m.cancelScan();
    EXPECT_EQ(m.notice(), kCancelledWithScan);
    runScan();
    EXPECT_EQ(m.scan(), previous);
    EXPECT_EQ(m.notice(), kCancelledWithScan);
}

TEST_F(ScanJobTest, AJobThatStopsOnItsOwnCancellationReportsItWhenItIsStillCurrent) {
    script = [](const std::string&, const CancellationFlag&, const ScanNavigation*,
                const DiskScanner::ProgressCallback&) -> ScanResult {
        throw CancellationError();
    };
    AppModel& m = makeModel();
    m.startScan("/r", true);
    runScan();
    EXPECT_FALSE(m.scanning());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.notice(), kCancelledWithoutScan);
}

TEST_F(ScanJobTest, AFailedScanShowsTheErrorAndKeepsThePreviousResult) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    const ScanResultPtr previous = m.scan();
    script = [](const std::string&, const CancellationFlag&, const ScanNavigation*,
                const DiskScanner::ProgressCallback&) -> ScanResult {
        throw AmbertroveError("The folder “r” could not be read.");
    };
    m.startScan("/r", true);
    runScan();
    EXPECT_FALSE(m.scanning());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.error(), "Ambertrove could not scan “/r”. The folder “r” could not be read.");
    EXPECT_EQ(m.scan(), previous);
}

TEST_F(ScanJobTest, ProgressArrivingAfterCancellationOrCompletionIsDropped) {
    DiskScanner::ProgressCallback kept;
    script = [&](const std::string& root, const CancellationFlag&, const ScanNavigation*,
                 const DiskScanner::ProgressCallback& report) {
        kept = report;
        return resultFor(root);
    };
    AppModel& m = makeModel();
    QSignalSpy progress(&m, &AppModel::progressChanged);

    // After completion.
    m.startScan("/r", false);
    runScan();
    ASSERT_FALSE(m.scanning());
    kept(ScanProgress{});
    runner->deliver();
    EXPECT_EQ(m.scanProgress(), nullptr);
    EXPECT_EQ(progress.count(), 0);

    // After cancellation, while the cancelled job still runs.
    m.startScan("/r", false);
    runner->runWithoutDelivering(0);
    m.cancelScan();
    kept(ScanProgress{});
    runner->deliver();
    EXPECT_EQ(m.scanProgress(), nullptr);
    EXPECT_EQ(progress.count(), 0);
}

TEST_F(ScanJobTest, NothingStartsWhileCleaning) {
    AppModel& m = makeModel();
    m.setCleaning(true);
    const auto flag = m.scanCancellation();
    QSignalSpy scanSignals(&m, &AppModel::scanChanged);
    QSignalSpy messages(&m, &AppModel::messagesChanged);
    m.startScan("/r", false);
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.scanCancellation(), flag);
    EXPECT_EQ(scanSignals.count(), 0);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(ScanJobTest, TheCompletionNoticeGivesTheSecondsOrTheSkippedPaths) {
    struct Case {
        double duration;
        std::int64_t skipped;
        QString notice;
    };
    const std::vector<Case> cases{
        {12.34, 0, "Scan complete — 12.3 seconds."},
        {0.04, 0, "Scan complete — 0.0 seconds."},
        {12.34, 3, "Scan complete — 3 paths skipped."},
        {1.0, 1, "Scan complete — 1 paths skipped."},
    };
    AppModel& m = makeModel();
    for (const Case& c : cases) {
        ScanResult result = test::sampleScan();
        result.duration = c.duration;
        result.skippedCount = c.skipped;
        results["/r"] = result;
        m.startScan("/r", false);
        runScan();
        EXPECT_EQ(m.notice(), c.notice);
    }
}

TEST_F(ScanJobTest, RecentFoldersPutTheScanFirstWithoutRepeatsAndKeepSix) {
    const std::vector<std::string> seven{"/1", "/2", "/3", "/4", "/5", "/6", "/7"};
    standard->setValue(AppModel::kRecentFoldersKey, seven);
    AppModel& m = makeModel();
    m.startScan("/3", false);
    runScan();
    const std::vector<std::string> expected{"/3", "/1", "/2", "/4", "/5", "/6"};
    EXPECT_EQ(m.recent(), expected);
    EXPECT_EQ(standard->value(AppModel::kRecentFoldersKey), PreferenceValue(expected));

    m.startScan("/8", false);
    runScan();
    EXPECT_EQ(m.recent(), (std::vector<std::string>{"/8", "/3", "/1", "/2", "/4", "/5"}));
}

TEST_F(ScanJobTest, TheCompletedScanIsInstalledOnItsRootWithItsPresentation) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.setChanges({SnapshotChange{}});
    m.setComparisonTitle(QStringLiteral("Before"));
    m.setComparisonRoot("/r");
    m.startScan("/r", false);
    runScan();
    ASSERT_NE(m.scan(), nullptr);
    const ScanPresentation expected = ScanPresentation::make(*m.scan());
    EXPECT_EQ(m.focusPath(), "/r");
    EXPECT_EQ(m.selection(), std::nullopt);
    EXPECT_EQ(m.navigation().current, "/r");
    EXPECT_TRUE(m.navigation().back.empty());
    EXPECT_EQ(m.typeTotals(), expected.types);
    EXPECT_EQ(m.quickWins(), expected.quickWins);
    EXPECT_EQ(m.folderTypes(), expected.folderTypes);
    EXPECT_FALSE(m.folderTypes().empty());
    EXPECT_FALSE(m.isHistorical());
    EXPECT_TRUE(m.changes().empty());
    EXPECT_EQ(m.comparisonTitle(), std::nullopt);
    EXPECT_EQ(m.comparisonRoot(), std::nullopt);
    EXPECT_EQ(m.scanProgress(), nullptr);
    // Nothing else was started: the root's folder totals come with the scan.
    EXPECT_EQ(runner->pending(), 0u);
}

TEST_F(ScanJobTest, AScanStartedForDuplicatesHandsOverToTheDuplicateSearchWhenItCompletes) {
    AppModel& m = makeModel();
    std::vector<std::optional<std::string>> searches;
    ScanTestPeer::setFindDuplicates(
        m, [&](const std::optional<std::string>& scope) { searches.push_back(scope); });
    m.startScan("/r", true);
    EXPECT_EQ(m.section(), AppSection::duplicates);
    EXPECT_TRUE(m.duplicateAfterScan());
    m.setSection(AppSection::explore);
    runScan();
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.section(), AppSection::duplicates);
    EXPECT_EQ(searches, (std::vector<std::optional<std::string>>{std::nullopt}));

    // Without it, nothing follows.
    m.startScan("/r", false);
    runScan();
    EXPECT_EQ(searches.size(), 1u);
}

TEST_F(ScanJobTest, RefreshScansTheShownRootAgainAndDoesNothingWithoutAScan) {
    AppModel& m = makeModel();
    m.refresh();
    EXPECT_EQ(runner->startedCount(), 0u);
    m.startScan("/r", false);
    runScan();
    m.refresh();
    EXPECT_TRUE(m.scanning());
    runScan();
    EXPECT_EQ(scanned, (std::vector<std::string>{"/r", "/r"}));
}

TEST_F(ScanJobTest, ChooseFolderActsOnTheChosenFolder) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    std::vector<std::optional<std::string>> searches;
    ScanTestPeer::setFindDuplicates(
        m, [&](const std::optional<std::string>& scope) { searches.push_back(scope); });
    const QString notInScan =
        QStringLiteral("This folder isn’t in the current scan — use Scan Full Mac or Scan Folder….");

    // Cancelled: nothing happens.
    platform->answer = std::nullopt;
    m.chooseFolder(false, true);
    EXPECT_EQ(runner->startedCount(), 0u);

    // Duplicates with no scan shown.
    platform->answer = "/anything";
    m.chooseFolder(true, false);
    EXPECT_EQ(m.notice(), notInScan);
    EXPECT_TRUE(searches.empty());

    // A new scan, never followed by duplicates.
    platform->answer = "/r";
    m.chooseFolder(true, true);
    EXPECT_TRUE(m.scanning());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.section(), AppSection::explore);
    runScan();

    // Duplicates of a folder of the scan, in another form of its path.
    platform->answer = "/r/x/./y";
    m.chooseFolder(true, false);
    EXPECT_EQ(searches, (std::vector<std::optional<std::string>>{"/r/x/y"}));
    platform->answer = "/r/a.txt";
    m.setNotice(std::nullopt);
    m.chooseFolder(true, false);
    EXPECT_EQ(m.notice(), notInScan);
    EXPECT_EQ(searches.size(), 1u);

    // Open a folder of the scan.
    platform->answer = "/r/z";
    m.setSection(AppSection::cleanup);
    m.chooseFolder(false, false);
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_EQ(m.focusPath(), "/r/z");
    EXPECT_EQ(runner->startedCount(), 1u);

    const std::vector<QString> prompts{"Scan folder",     "Find duplicates", "Scan folder",
                                       "Find duplicates", "Find duplicates", "Open folder"};
    EXPECT_EQ(platform->prompts, prompts);
    EXPECT_EQ(platform->messages.front(), "Scan a folder or mounted drive.");
    EXPECT_EQ(platform->messages.back(), "Open a folder from the current scan.");

    // Each dialog opens in the home folder, or in the folder in view when it acts on the scan; never in
    // the process's working folder.
    m.chooseFolder(false, false);
    m.chooseFolder(false, true);
    m.exportCSV({"/r/a.txt"});
    const std::vector<std::string> starts{test::kHome, test::kHome, test::kHome, "/r",       "/r",
                                          "/r",        "/r/z",      test::kHome, test::kHome};
    EXPECT_EQ(platform->starts, starts);
}

TEST_F(ScanJobTest, DisplayNameTitlesHomeTheWholeDiskAndOtherNodesByName) {
    AppModel& m = makeModel();
    struct Case {
        std::string path;
        QString title;
    };
    const std::vector<Case> cases{
        {test::kHome, "Home"},
        {std::string(ScanPaths::dataRoot) + test::kHome, "Home"},
        {"/", "Macintosh HD"},
        {std::string(ScanPaths::dataRoot), "Macintosh HD"},
        {"/home/user/Documents", "Documents"},
        {"/home/username", "username"},
    };
    for (const Case& c : cases) {
        DiskNode node;
        node.path = c.path;
        EXPECT_EQ(m.displayName(node), c.title) << c.path;
    }
}

} // namespace
} // namespace ambertrove
