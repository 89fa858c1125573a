#include "QueueFixture.hpp"

#include "analysis/CSVExport.hpp"
#include "base/AmbertroveError.hpp"
#include "model/ScanJson.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::QueueFixture;

// Records every save panel and keeps its answer for the test to give.
class RecordingPlatform final : public PlatformServices {
public:
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}
    void chooseSaveFile(const QString& suggestedName, const std::string&, PathChosen done) override {
        suggested.push_back(suggestedName);
        pending = std::move(done);
    }
    void answer(std::optional<std::string> path) {
        PathChosen done = std::move(pending);
        pending = nullptr;
        done(std::move(path));
    }

    QStringList suggested;
    PathChosen pending;
};

// 2024-03-01 12:00 UTC and a day, an hour and a half later.
const Date kFirstSave = Date::fromUnixSeconds(1'709'294'400);
const Date kSecondSave = Date::fromUnixSeconds(1'709'294'400 + 86'400 + 5'400);

class SavedScansTest : public QueueFixture {
protected:
    SavedScansTest() {
        folder.makeFileOfSize("home/tree/a.bin", 5000);
        folder.makeFileOfSize("home/tree/sub/x.log", 100);
        environmentPlatform = std::make_shared<RecordingPlatform>();
    }

    // A controller with a store whose records are dated kFirstSave, kSecondSave, ... in turn.
    AppModel& start() {
        AppEnvironment env = environment();
        auto saves = std::make_shared<int>(0);
        env.store = SnapshotStore(snapshotDirectory(), SnapshotStore::Sources{&Uuid::random, [saves] {
                                                                                  return (*saves)++ == 0
                                                                                             ? kFirstSave
                                                                                             : kSecondSave;
                                                                              }});
        env.platform = environmentPlatform;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }
    AppModel& startShowing() {
        AppModel& m = start();
        m.setScan(scanOf("tree"));
        return m;
    }
    // Saves `scan` straight into the store, as an earlier session did.
    SnapshotRecord saved(const ScanResult& scan, const std::string& title = "tree") {
        SnapshotStore store = model->store();
        return store.save(scan, title);
    }

    std::shared_ptr<RecordingPlatform> environmentPlatform;
};

// ---- The slot ----

TEST_F(SavedScansTest, SavedScanJobsAreRefusedWhileTheSlotIsBusyOrAScanOrCleanupRuns) {
    struct Case {
        const char* name;
        void (AppModel::*set)(bool);
    };
    const Case cases[] = {
        {"saved-scan job", &AppModel::setSnapshotBusy},
        {"scan", &AppModel::setScanning},
        {"cleanup", &AppModel::setCleaning},
    };
    for (const Case& c : cases) {
        AppModel& m = startShowing();
        m.setSnapshotsEnabled(true);
        const SnapshotRecord record = saved(*m.scan());
        m.setBeforeSnapshot(record);
        const auto report = std::make_shared<const DuplicateReport>();
        m.setDuplicateReport(report);
        (m.*c.set)(true);
        const QString status = m.snapshotStatus();

        m.saveSnapshot();
        m.compareSnapshot(record);
        m.openSnapshot(record);
        m.compareSavedSnapshots(record);
        EXPECT_EQ(runner->startedCount(), 0u) << c.name;
        EXPECT_EQ(m.snapshotStatus(), status) << c.name;
        EXPECT_EQ(m.duplicateReport(), report) << c.name;
        EXPECT_FALSE(m.scanCancellation()->isCancelled()) << c.name;
        EXPECT_EQ(m.error(), std::nullopt) << c.name;
        EXPECT_EQ(m.notice(), std::nullopt) << c.name;
    }
}

TEST_F(SavedScansTest, RefreshAndDeleteWaitWhileTheSlotIsBusy) {
    AppModel& m = startShowing();
    const SnapshotRecord record = saved(*m.scan());
    m.setSnapshotBusy(true);
    m.refreshSnapshots();
    EXPECT_TRUE(m.snapshots().empty());
    settle();
    EXPECT_TRUE(m.snapshots().empty());
    m.setSnapshotBusy(false);
    m.refreshSnapshots();
    settle();
    ASSERT_EQ(m.snapshots().size(), 1u);
    m.setSnapshotBusy(true);
    m.deleteSnapshot(record);
    settle();
    EXPECT_TRUE(test::exists(m.store().scanPath(record)));
}

TEST_F(SavedScansTest, AFailedCatalogReadIsNamedAsTheSavedScans) {
    services.snapshotCatalog = [](const SnapshotStore&) -> SnapshotCatalog {
        throw AmbertroveError("The folder could not be listed.");
    };
    AppModel& m = start();
    m.setError(std::nullopt);
    m.refreshSnapshots();
    settle();
    EXPECT_EQ(m.error(), QStringLiteral("Saved scans: The folder could not be listed."));
}

// ---- Saving ----

TEST_F(SavedScansTest, SavingWithSnapshotsOffOrWithoutAScanDoesNothing) {
    AppModel& m = start();
    m.setSnapshotsEnabled(true);
    m.saveSnapshot();
    m.setScan(scanOf("tree"));
    m.setSnapshotsEnabled(false);
    m.saveSnapshot();
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
    EXPECT_EQ(m.notice(), std::nullopt);
}

TEST_F(SavedScansTest, SavingStoresTheScanUnderItsRootNameAndReadsTheCatalog) {
    AppModel& m = startShowing();
    m.setSnapshotsEnabled(true);
    m.saveSnapshot();
    EXPECT_TRUE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QStringLiteral("Saving snapshot…"));
    EXPECT_FALSE(m.canClean());
    ASSERT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::longJob);
    runner->run();
    // The slot is held until the catalog, read on the state thread, shows the new scan.
    EXPECT_TRUE(m.snapshotBusy());
    settle();

    ASSERT_EQ(m.snapshots().size(), 1u);
    EXPECT_EQ(m.snapshots()[0].title, "tree");
    EXPECT_EQ(m.snapshots()[0].rootPath, m.scan()->rootPath);
    EXPECT_EQ(m.notice(), QStringLiteral("Snapshot saved."));
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
}

TEST_F(SavedScansTest, AScanWithoutARootIsSavedAsScanAndAFailureIsShown) {
    auto titles = std::make_shared<std::vector<std::string>>();
    services.saveSnapshot = [titles](SnapshotStore&, const ScanResult&,
                                     const std::string& title) -> SnapshotRecord {
        titles->push_back(title);
        throw AmbertroveError("The disk is full.");
    };
    AppModel& m = start();
    auto empty = std::make_shared<ScanResult>();
    empty->rootPath = inHome("gone");
    m.setScan(empty);
    m.setSnapshotsEnabled(true);
    m.saveSnapshot();
    runner->run();
    EXPECT_EQ(*titles, std::vector<std::string>{"Scan"});
    EXPECT_EQ(m.error(), QStringLiteral("The disk is full."));
    EXPECT_EQ(m.notice(), std::nullopt);
    EXPECT_FALSE(m.snapshotBusy());
}

TEST_F(SavedScansTest, AJobWhoseGenerationIsGoneChangesNothing) {
    services.saveSnapshot = [](SnapshotStore&, const ScanResult&, const std::string&) -> SnapshotRecord {
        throw AmbertroveError("The disk is full.");
    };
    AppModel& m = startShowing();
    m.setSnapshotsEnabled(true);
    m.saveSnapshot();
    runner->runWithoutDelivering();
    // A scan start takes the slot back.
    m.startScan(inHome("tree"), false);
    EXPECT_FALSE(m.snapshotBusy());
    runner->deliver();
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
}

// ---- Comparing with the current scan ----

TEST_F(SavedScansTest, ComparingWithoutAScanNamesTheRootToScan) {
    AppModel& m = start();
    SnapshotRecord record;
    record.rootPath = "/home/user/Projects";
    m.compareSnapshot(record);
    EXPECT_EQ(m.error(), QStringLiteral("Scan /home/user/Projects first, then compare."));
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.snapshotBusy());
}

TEST_F(SavedScansTest, ComparingWithTheCurrentScanListsTheChangesUnderADatedTitle) {
    AppModel& m = start();
    m.setScan(scanOf("tree"));
    const SnapshotRecord record = saved(*m.scan());
    folder.makeFileOfSize("home/tree/new.bin", 70000);
    m.setScan(scanOf("tree"));

    m.compareSnapshot(record);
    EXPECT_EQ(m.snapshotStatus(), QStringLiteral("Comparing snapshots…"));
    runner->run();
    EXPECT_FALSE(m.changes().empty());
    EXPECT_TRUE(std::any_of(m.changes().begin(), m.changes().end(), [&](const SnapshotChange& change) {
        return change.path == inHome("tree/new.bin") && change.status == "Added";
    }));
    EXPECT_EQ(m.comparisonTitle(), QStringLiteral("Mar 1, 2024, 12:00 PM → current scan"));
    EXPECT_EQ(m.comparisonRoot(), m.scan()->rootPath);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
}

TEST_F(SavedScansTest, AComparisonOfDifferentRootsShowsTheCoresRefusal) {
    AppModel& m = start();
    const SnapshotRecord record = saved(*scanOf("tree/sub"));
    m.setScan(scanOf("tree"));
    m.compareSnapshot(record);
    runner->run();
    ASSERT_TRUE(m.error());
    EXPECT_FALSE(m.error()->isEmpty());
    EXPECT_TRUE(m.changes().empty());
    EXPECT_FALSE(m.snapshotBusy());
}

// ---- Comparing two saved scans ----

TEST_F(SavedScansTest, TheFirstChoiceIsTheEarlierScanAndTheSecondComparesBoth) {
    AppModel& m = start();
    const SnapshotRecord first = saved(*scanOf("tree"));
    folder.makeFileOfSize("home/tree/new.bin", 70000);
    const SnapshotRecord second = saved(*scanOf("tree"));

    m.compareSavedSnapshots(first);
    EXPECT_EQ(m.beforeSnapshot(), first);
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.snapshotBusy());

    m.compareSavedSnapshots(second);
    EXPECT_EQ(m.snapshotStatus(), QStringLiteral("Comparing snapshots…"));
    runner->run();
    EXPECT_EQ(m.comparisonTitle(), QStringLiteral("3/1/2024, 12:00 PM → 3/2/2024, 1:30 PM"));
    EXPECT_EQ(m.comparisonRoot(), first.rootPath);
    ASSERT_FALSE(m.changes().empty());
    EXPECT_EQ(m.changes()[0].status == "Added" || m.changes()[0].status == "Changed", true);
    EXPECT_EQ(m.beforeSnapshot(), first);
    EXPECT_FALSE(m.snapshotBusy());

    // The same record again compares it with itself.
    m.compareSavedSnapshots(first);
    runner->run();
    EXPECT_TRUE(m.changes().empty());
    EXPECT_EQ(m.comparisonTitle(), QStringLiteral("3/1/2024, 12:00 PM → 3/1/2024, 12:00 PM"));
}

// ---- Opening ----

TEST_F(SavedScansTest, OpeningShowsTheSavedScanAsHistoricalAndForgetsTheDuplicateSearch) {
    AppModel& m = start();
    const ScanResultPtr earlier = scanOf("tree");
    const SnapshotRecord record = saved(*earlier);
    folder.makeFileOfSize("home/tree/new.bin", 70000);
    m.setScan(scanOf("tree"));
    m.setSection(AppSection::snapshots);
    m.setActiveQuickWin(QuickWinKind::caches);
    m.setDuplicateReport(std::make_shared<const DuplicateReport>());
    m.setFindingDuplicates(true);
    m.setDuplicateAfterScan(true);
    m.setDuplicateScopePath(inHome("tree"));
    const std::shared_ptr<CancellationFlag> duplicateFlag = m.duplicateCancellation();
    const std::shared_ptr<CancellationFlag> scanFlag = m.scanCancellation();

    m.openSnapshot(record);
    EXPECT_EQ(m.snapshotStatus(), QStringLiteral("Opening saved scan…"));
    EXPECT_TRUE(duplicateFlag->isCancelled());
    EXPECT_TRUE(scanFlag->isCancelled());
    EXPECT_EQ(m.duplicateReport(), nullptr);
    EXPECT_FALSE(m.findingDuplicates());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_EQ(m.duplicateScopePath(), std::nullopt);

    runner->run();
    ASSERT_TRUE(m.scan());
    EXPECT_EQ(m.scan()->id, earlier->id);
    EXPECT_FALSE(m.scan()->nodes.node(inHome("tree/new.bin")));
    EXPECT_TRUE(m.isHistorical());
    EXPECT_FALSE(m.canClean());
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_EQ(m.activeQuickWin(), std::nullopt);
    EXPECT_EQ(m.notice(), QStringLiteral("Viewing a saved snapshot. Rescan before staging cleanup."));
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
}

TEST_F(SavedScansTest, AScanStartedDuringAnOpenDropsTheOpenedScan) {
    AppModel& m = start();
    const ScanResultPtr shown = scanOf("tree");
    const SnapshotRecord record = saved(*shown);
    m.setScan(shown);
    m.openSnapshot(record);
    m.startScan(inHome("tree"), false);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
    ASSERT_EQ(runner->pending(), 2u);
    runner->run(0);
    EXPECT_EQ(m.scan(), shown);
    EXPECT_FALSE(m.isHistorical());
    EXPECT_EQ(m.notice(), std::nullopt);
    EXPECT_TRUE(m.scanning());
}

TEST_F(SavedScansTest, OpeningASavedScanDropsTheStagingThatRuns) {
    AppModel& m = start();
    const SnapshotRecord record = saved(*scanOf("tree"));
    m.setScan(scanOf("tree"));
    m.stagePaths({inHome("tree/a.bin")}, "Untouched");
    m.openSnapshot(record);
    runner->run(1);
    ASSERT_TRUE(m.isHistorical());
    runner->run(0);
    EXPECT_EQ(m.notice(), QStringLiteral("Scan changed — stage these files again."));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(m.staging());
}

TEST_F(SavedScansTest, AScanStartCancelsTheStagingThatRuns) {
    AppModel& m = startShowing();
    m.stagePaths({inHome("tree/a.bin")}, "Untouched");
    m.startScan(inHome("tree"), false);
    runner->run(0);
    EXPECT_EQ(m.notice(), QStringLiteral("Staging cancelled."));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(m.staging());
}

TEST_F(SavedScansTest, AFailedOpenReadsTheCatalogAgainAndThenShowsTheLoadError) {
    auto catalogReads = std::make_shared<std::atomic<int>>(0);
    services.snapshotCatalog = [catalogReads](const SnapshotStore& store) {
        ++*catalogReads;
        return store.catalog();
    };
    AppModel& m = start();
    const SnapshotRecord record = saved(*scanOf("tree"));
    m.refreshSnapshots();
    settle();
    ASSERT_EQ(m.snapshots().size(), 1u);
    ASSERT_EQ(::unlink(m.store().scanPath(record).c_str()), 0);
    const int readsBefore = *catalogReads;

    m.openSnapshot(record);
    runner->run();
    settle();
    EXPECT_EQ(*catalogReads, readsBefore + 1);
    ASSERT_EQ(m.snapshotIssues().size(), 1u);
    EXPECT_EQ(m.snapshotIssues()[0].message, "The saved scan is unavailable.");
    EXPECT_EQ(m.error(), QStringLiteral("No such file or directory."));
    EXPECT_EQ(m.scan(), nullptr);
    EXPECT_FALSE(m.isHistorical());
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_EQ(m.snapshotStatus(), QString());
}

// ---- Deleting ----

TEST_F(SavedScansTest, DeletingRemovesTheFilesAndForgetsTheLastComparison) {
    AppModel& m = start();
    const SnapshotRecord first = saved(*scanOf("tree"));
    const SnapshotRecord second = saved(*scanOf("tree"));
    m.refreshSnapshots();
    settle();
    m.setBeforeSnapshot(first);
    m.setChanges({SnapshotChange{inHome("tree/a.bin"), 1, 2, "Changed"}});
    m.setComparisonTitle(QStringLiteral("A comparison"));
    m.setComparisonRoot(inHome("tree"));

    m.deleteSnapshot(second);
    settle();
    EXPECT_FALSE(test::exists(m.store().scanPath(second)));
    EXPECT_FALSE(test::exists(m.store().recordPath(second)));
    EXPECT_EQ(m.snapshots(), std::vector<SnapshotRecord>{first});
    EXPECT_TRUE(m.changes().empty());
    EXPECT_EQ(m.comparisonTitle(), std::nullopt);
    EXPECT_EQ(m.comparisonRoot(), std::nullopt);
    EXPECT_EQ(m.beforeSnapshot(), first);
}

TEST_F(SavedScansTest, AFailedDeletionShowsItsErrorAndKeepsTheComparison) {
    services.removeSnapshot = [](const SnapshotStore&, const SnapshotRecord&) {
        throw AmbertroveError("The file is locked.");
    };
    AppModel& m = start();
    m.setComparisonTitle(QStringLiteral("A comparison"));
    m.deleteSnapshot(SnapshotRecord{});
    settle();
    EXPECT_EQ(m.error(), QStringLiteral("The file is locked."));
    EXPECT_EQ(m.comparisonTitle(), QStringLiteral("A comparison"));
}

// ---- Exports ----

TEST_F(SavedScansTest, TheCSVExportWritesTheCoresRowsToTheChosenFile) {
    AppModel& m = startShowing();
    const std::vector<std::string> paths{inHome("tree/a.bin"), inHome("tree/sub")};
    m.exportCSV(paths);
    ASSERT_EQ(environmentPlatform->suggested, QStringList{QStringLiteral("Ambertrove-files.csv")});
    const std::string destination = folder / "out/files.csv";
    folder.makeDir("out");
    environmentPlatform->answer(destination);
    ASSERT_EQ(runner->pending(), 1u);
    runner->run();

    const std::string expected = folder / "expected.csv";
    CSVExport::write(paths, *m.scan(), expected);
    EXPECT_EQ(readWholeFile(destination), readWholeFile(expected));
    EXPECT_EQ(m.notice(), QStringLiteral("CSV exported."));
    EXPECT_EQ(m.error(), std::nullopt);
}

TEST_F(SavedScansTest, TheScanExportWritesTheScansJsonToTheChosenFile) {
    AppModel& m = startShowing();
    m.exportScan();
    ASSERT_EQ(environmentPlatform->suggested, QStringList{QStringLiteral("Ambertrove-scan.json")});
    const std::string destination = folder / "scan.json";
    environmentPlatform->answer(destination);
    runner->run();
    EXPECT_EQ(readWholeFile(destination), ScanJson::encode(*m.scan()));
    EXPECT_EQ(m.notice(), QStringLiteral("Scan exported."));
}

TEST_F(SavedScansTest, ACancelledPanelOrNoScanWritesNothing) {
    AppModel& m = start();
    m.exportCSV({inHome("tree/a.bin")});
    m.exportScan();
    EXPECT_TRUE(environmentPlatform->suggested.isEmpty());

    m.setScan(scanOf("tree"));
    m.exportCSV({inHome("tree/a.bin")});
    environmentPlatform->answer(std::nullopt);
    m.exportScan();
    environmentPlatform->answer(std::nullopt);
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_EQ(m.notice(), std::nullopt);
    EXPECT_EQ(m.error(), std::nullopt);
}

TEST_F(SavedScansTest, AFailedExportShowsTheError) {
    AppModel& m = startShowing();
    m.exportScan();
    const std::string destination = folder / "missing/scan.json";
    environmentPlatform->answer(destination);
    runner->run();
    EXPECT_EQ(m.error(), QStringLiteral("Ambertrove could not write “%1”. No such file or directory.")
                             .arg(QString::fromStdString(destination)));
    EXPECT_EQ(m.notice(), std::nullopt);
}

TEST_F(SavedScansTest, APanelAnsweredAfterTheControllerIsGoneDoesNothing) {
    AppModel& m = startShowing();
    m.exportScan();
    model.reset();
    environmentPlatform->answer(folder / "scan.json");
    EXPECT_FALSE(test::exists(folder / "scan.json"));
}

// ---- Time Machine ----

TEST_F(SavedScansTest, TheTimeMachineListingSaysWhatItFound) {
    auto answers = std::make_shared<std::vector<std::vector<std::string>>>(
        std::vector<std::vector<std::string>>{{"com.apple.TimeMachine.2024-03-01-120000.local"}, {}});
    services.timeMachineSnapshots = [answers](const std::string& volume, const TaskCancellation&) {
        EXPECT_EQ(volume, "/");
        std::vector<std::string> names = answers->front();
        answers->erase(answers->begin());
        return names;
    };
    AppModel& m = start();
    m.refreshTimeMachine();
    EXPECT_EQ(m.timeMachineStatus(), QStringLiteral("Reading local snapshots…"));
    runner->run();
    EXPECT_EQ(m.timeMachine(), QStringList{QStringLiteral("com.apple.TimeMachine.2024-03-01-120000.local")});
    EXPECT_EQ(m.timeMachineStatus(), QStringLiteral("macOS manages these separately from your files."));
    m.refreshTimeMachine();
    runner->run();
    EXPECT_TRUE(m.timeMachine().isEmpty());
    EXPECT_EQ(m.timeMachineStatus(), QStringLiteral("No local Time Machine snapshots found."));
}

TEST_F(SavedScansTest, AFailedListingKeepsTheListAndShowsTheFailureAsTheStatus) {
    auto fail = std::make_shared<bool>(false);
    services.timeMachineSnapshots = [fail](const std::string&,
                                           const TaskCancellation&) -> std::vector<std::string> {
        if (*fail)
            throw AmbertroveError("The command could not be run.");
        return {"com.apple.TimeMachine.one"};
    };
    AppModel& m = start();
    m.refreshTimeMachine();
    runner->run();
    *fail = true;
    m.refreshTimeMachine();
    runner->run();
    EXPECT_EQ(m.timeMachine(), QStringList{QStringLiteral("com.apple.TimeMachine.one")});
    EXPECT_EQ(m.timeMachineStatus(), QStringLiteral("The command could not be run."));
    EXPECT_EQ(m.error(), std::nullopt);
}

TEST_F(SavedScansTest, OverlappingListingsEachPublishAndTheLastToFinishWins) {
    auto calls = std::make_shared<int>(0);
    services.timeMachineSnapshots = [calls](const std::string&,
                                            const TaskCancellation&) -> std::vector<std::string> {
        return {"com.apple.TimeMachine." + std::to_string(++*calls)};
    };
    AppModel& m = start();
    m.refreshTimeMachine();
    m.refreshTimeMachine();
    runner->run(1);
    EXPECT_EQ(m.timeMachine(), QStringList{QStringLiteral("com.apple.TimeMachine.1")});
    runner->run(0);
    EXPECT_EQ(m.timeMachine(), QStringList{QStringLiteral("com.apple.TimeMachine.2")});
    EXPECT_EQ(m.timeMachineStatus(), QStringLiteral("macOS manages these separately from your files."));
}

TEST_F(SavedScansTest, OnThisSystemTheListingEndsInTheCommandsFailure) {
    services = Services();
    AppModel& m = start();
    m.refreshTimeMachine();
    runner->run();
    EXPECT_FALSE(m.timeMachineStatus().isEmpty());
    EXPECT_NE(m.timeMachineStatus(), QStringLiteral("Reading local snapshots…"));
    EXPECT_NE(m.timeMachineStatus(), QStringLiteral("macOS manages these separately from your files."));
    EXPECT_NE(m.timeMachineStatus(), QStringLiteral("No local Time Machine snapshots found."));
    EXPECT_TRUE(m.timeMachine().isEmpty());
    EXPECT_EQ(m.error(), std::nullopt);
}

} // namespace
} // namespace ambertrove
