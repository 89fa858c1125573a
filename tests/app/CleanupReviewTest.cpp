#include "AppModelFixture.hpp"

#include "base/AmbertroveError.hpp"
#include "controller/CleanupRequest.hpp"
#include "controller/StateFiles.hpp"
#include "support/ModelFixture.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::AppModelFixture;

// Records the backup-folder questions; the test answers them.
class RecordingPlatform final : public PlatformServices {
public:
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string& start, PathChosen done) override {
        starts.push_back(start);
        pending = std::move(done);
    }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}

    void answer(std::optional<std::string> path) {
        PathChosen done = std::move(pending);
        pending = nullptr;
        done(std::move(path));
    }

    std::vector<std::string> starts;
    PathChosen pending;
};

// An entry made by hand: only its node path matters to the review and the run doubles.
CleanupEntry entryAt(const std::string& path, std::int64_t bytes = 1000) {
    CleanupEntry entry;
    entry.node.path = path;
    entry.node.allocatedSize = bytes;
    entry.reason = "test";
    return entry;
}

TrashReceipt receiptFor(const std::string& path) {
    TrashReceipt receipt;
    receipt.originalPath = path;
    receipt.trashPath = "files/" + path.substr(path.rfind('/') + 1);
    receipt.bytes = 1000;
    return receipt;
}

BackupReceipt backupNamed(const std::string& directory) {
    BackupReceipt backup;
    backup.id = Uuid::random();
    backup.directory = directory;
    return backup;
}

// What the run double was handed.
struct RunCall {
    std::vector<std::string> paths;
    std::optional<std::string> backupParent;
    ScanResultPtr snapshot;
    std::string store;
    const CancellationFlag* flag = nullptr;
};

class CleanupReviewTest : public AppModelFixture {
protected:
    CleanupReviewTest() {
        home = folder.makeDir("home");
        proc = folder.makeDir("proc");
        services.policy = [this] {
            if (policyFailure)
                throw AmbertroveError(*policyFailure);
            return CleanupPolicy(home, home + "/.local/share", proc);
        };
        services.cleanupRun =
            [this](const std::vector<CleanupEntry>& entries, const std::optional<std::string>& backupParent,
                   const ScanResultPtr& snapshot, SnapshotStore& store, const CancellationFlag& flag,
                   const CleanupWorkflow::Progress& progress) {
                RunCall call{{}, backupParent, snapshot, store.directory(), &flag};
                for (const CleanupEntry& entry : entries)
                    call.paths.push_back(entry.node.path);
                runs.push_back(call);
                runProgress = progress;
                for (const CleanupProgress& report : progressReports)
                    progress(report);
                return runResult;
            };
        services.restore = [this](const TrashReceipt& receipt) {
            restored.push_back(receipt.originalPath);
            if (restoreFailure)
                throw AmbertroveError(*restoreFailure);
        };
        services.applications = [this](const std::string&, const CancellationFlag&,
                                       const ApplicationInventory::ProgressCallback&) {
            ++inventories;
            return ApplicationReport();
        };
        services.home = [this] {
            return home;
        };
        platform = std::make_shared<RecordingPlatform>();
    }

    AppModel& makeModel() {
        AppEnvironment env = environment();
        env.platform = platform;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    // Shows a review of `paths` as if its check had passed, and confirms it with backups off.
    void runCleanup(AppModel& m, const std::vector<std::string>& paths,
                    std::optional<std::string> uninstallName = std::nullopt) {
        auto request = std::make_shared<CleanupRequest>();
        for (const std::string& path : paths)
            request->entries.push_back(entryAt(path));
        request->uninstallName = std::move(uninstallName);
        m.setBackupBeforeCleanup(false);
        m.setCleanupRequest(request);
        m.confirmTrash(*request);
        ASSERT_TRUE(m.cleaning());
        ASSERT_EQ(runner->pending(), 1u);
        runner->run();
    }

    // The state files once every write asked for has landed.
    StateFiles::Loaded saved() {
        settle();
        return StateFiles(stateDirectory(), clock).load();
    }

    std::string home;
    std::string proc;
    std::optional<std::string> policyFailure;
    std::shared_ptr<RecordingPlatform> platform;
    std::vector<RunCall> runs;
    CleanupWorkflow::Progress runProgress;
    std::vector<CleanupProgress> progressReports;
    CleanupRunResult runResult;
    std::vector<std::string> restored;
    std::optional<std::string> restoreFailure;
    int inventories = 0;
};

// ---- The review ----

TEST_F(CleanupReviewTest, AReviewStartsOnlyWithAQueueAndNothingBusyAndNoReviewShown) {
    {
        AppModel& m = makeModel();
        m.requestCleanup(); // empty queue
        EXPECT_EQ(runner->startedCount(), 0u);
        EXPECT_FALSE(m.cleaning());
        EXPECT_EQ(m.cleanupProgress(), std::nullopt);
    }
    struct Case {
        const char* name;
        std::function<void(AppModel&)> busy;
    };
    const std::vector<Case> cases{
        {"cleaning",
         [](AppModel& m) {
             m.setCleaning(true);
         }},
        {"staging",
         [](AppModel& m) {
             m.setStaging(true);
         }},
        {"scanning",
         [](AppModel& m) {
             m.setScanning(true);
         }},
        {"saved-scan job",
         [](AppModel& m) {
             m.setSnapshotBusy(true);
         }},
        {"review shown",
         [](AppModel& m) {
             m.setCleanupRequest(std::make_shared<CleanupRequest>());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppModel& m = makeModel();
        m.setQueue({entryAt(home + "/a")});
        c.busy(m);
        const bool cleaning = m.cleaning();
        const auto request = m.cleanupRequest();
        const auto flag = m.cleanupCancellation();
        QSignalSpy messages(&m, &AppModel::messagesChanged);
        m.requestCleanup();
        m.prepareCleanupReview({entryAt(home + "/b")}, "App");
        EXPECT_EQ(runner->startedCount(), 0u);
        EXPECT_EQ(m.cleaning(), cleaning);
        EXPECT_EQ(m.cleanupProgress(), std::nullopt);
        EXPECT_EQ(m.cleanupRequest(), request);
        EXPECT_EQ(m.cleanupCancellation(), flag);
        EXPECT_EQ(messages.count(), 0);
    }
}

TEST_F(CleanupReviewTest, AReviewChecksTheNormalizedEntriesOffTheGuiThreadAndPublishesOneRequest) {
    folder.makeFile("home/Movies/old/a.mov", "x");
    AppModel& m = makeModel();
    const std::vector<CleanupEntry> entries{entryAt(home + "/Movies/old/a.mov"),
                                            entryAt(home + "/Movies/old"), entryAt(home)};
    m.setQueue(entries);
    const auto formerFlag = m.cleanupCancellation();
    m.requestCleanup();
    EXPECT_TRUE(m.cleaning());
    EXPECT_EQ(m.cleanupProgress(), (CleanupProgress{CleanupPhase::checking, "Preparing review…"}));
    EXPECT_NE(m.cleanupCancellation(), formerFlag);
    ASSERT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::longJob);
    EXPECT_EQ(m.cleanupRequest(), nullptr);

    runner->run();
    EXPECT_FALSE(m.cleaning());
    EXPECT_EQ(m.cleanupProgress(), std::nullopt);
    ASSERT_NE(m.cleanupRequest(), nullptr);
    const CleanupRequest& request = *m.cleanupRequest();
    // The home folder holds the rest: it alone is left, and it is refused.
    ASSERT_EQ(request.entries.size(), 1u);
    EXPECT_EQ(request.entries[0].node.path, home);
    ASSERT_EQ(request.blocked.size(), 1u);
    EXPECT_TRUE(request.blocked.contains(home));
    EXPECT_FALSE(request.canConfirm());
    EXPECT_EQ(request.uninstallName, std::nullopt);
    // The queue is not changed by a review.
    EXPECT_EQ(m.queue(), entries);

    // A refused request is never confirmed.
    m.confirmTrash(request);
    EXPECT_EQ(runner->pending(), 0u);
    EXPECT_EQ(m.cleanupRequest()->id, request.id);
}

TEST_F(CleanupReviewTest, NestedEntriesLeaveTheFolderAloneAndPassingEntriesBlockNothing) {
    AppModel& m = makeModel();
    m.prepareCleanupReview({entryAt(home + "/old/a.mov"), entryAt(home + "/old")}, "Editor");
    runner->run();
    ASSERT_NE(m.cleanupRequest(), nullptr);
    ASSERT_EQ(m.cleanupRequest()->entries.size(), 1u);
    EXPECT_EQ(m.cleanupRequest()->entries[0].node.path, home + "/old");
    EXPECT_TRUE(m.cleanupRequest()->blocked.empty());
    EXPECT_EQ(m.cleanupRequest()->uninstallName, "Editor");
}

TEST_F(CleanupReviewTest, ACancelledReviewLeavesNoTraceAndAFailedOneSaysWhy) {
    struct Case {
        const char* name;
        bool cancelBeforeTheJob;
        bool cancelAfterTheJob;
        std::optional<std::string> policyFailure;
        std::optional<QString> error;
    };
    const std::vector<Case> cases{
        {"cancelled before the check", true, false, std::nullopt, std::nullopt},
        {"cancelled while the answer travelled", false, true, std::nullopt, std::nullopt},
        {"policy failure", false, false, "The home folder could not be read.",
         "The home folder could not be read."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        policyFailure = c.policyFailure;
        AppModel& m = makeModel();
        m.prepareCleanupReview({entryAt(home + "/a"), entryAt(home + "/b")});
        if (c.cancelBeforeTheJob)
            m.cleanupCancellation()->cancel();
        runner->runWithoutDelivering();
        if (c.cancelAfterTheJob)
            m.cleanupCancellation()->cancel();
        runner->deliver();
        EXPECT_EQ(m.cleanupRequest(), nullptr);
        EXPECT_EQ(m.error(), c.error);
        EXPECT_FALSE(m.cleaning());
        EXPECT_EQ(m.cleanupProgress(), std::nullopt);
    }
}

TEST_F(CleanupReviewTest, ASingleItemReviewCarriesTheQueuesKeptCopiesFirstSeenWinning) {
    const std::string file = folder.makeFile("home/a.bin", "abc");
    const CancellationFlag flag;
    auto scan = std::make_shared<const ScanResult>(DiskScanner().scan(home, flag));
    AppModel& m = makeModel();
    m.setScan(scan);
    FileIdentity first;
    first.inode = 11;
    FileIdentity second;
    second.inode = 22;
    FileIdentity other;
    other.inode = 33;
    CleanupEntry q1 = entryAt(home + "/x");
    q1.retainedCopies = {{home + "/keep", first}};
    CleanupEntry q2 = entryAt(home + "/y");
    q2.retainedCopies = {{home + "/keep", second}, {home + "/keep2", other}};
    m.setQueue({q1, q2});

    m.requestTrash(*scan->nodes.node(file));
    runner->run();
    ASSERT_NE(m.cleanupRequest(), nullptr);
    ASSERT_EQ(m.cleanupRequest()->entries.size(), 1u);
    const CleanupEntry& entry = m.cleanupRequest()->entries[0];
    EXPECT_EQ(entry.node.path, file);
    EXPECT_EQ(entry.reason, "Move to Trash");
    const std::map<std::string, FileIdentity> expected{{home + "/keep", first}, {home + "/keep2", other}};
    EXPECT_EQ(entry.retainedCopies, expected);
    EXPECT_EQ(m.queue().size(), 2u);
}

TEST_F(CleanupReviewTest, ASingleItemThatCannotBeStagedSetsTheErrorAndStartsNoReview) {
    const CancellationFlag flag;
    auto scan = std::make_shared<const ScanResult>(DiskScanner().scan(home, flag));
    AppModel& m = makeModel();
    m.setScan(scan);
    m.requestTrash(*scan->root()); // the home folder itself
    EXPECT_TRUE(m.error().has_value());
    EXPECT_EQ(runner->startedCount(), 0u);

    // Not while the scan is historical either (nothing may be staged from it).
    m.setError(std::nullopt);
    m.setIsHistorical(true);
    m.requestTrash(*scan->root());
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_EQ(runner->startedCount(), 0u);
}

// ---- Confirming ----

TEST_F(CleanupReviewTest, AConfirmationOnlyRunsTheRequestOnScreenWithNothingBusy) {
    struct Case {
        const char* name;
        std::function<void(AppModel&, CleanupRequest&)> change;
    };
    const std::vector<Case> cases{
        {"no review shown",
         [](AppModel& m, CleanupRequest&) {
             m.setCleanupRequest(nullptr);
         }},
        {"another id",
         [](AppModel&, CleanupRequest& r) {
             r.id = Uuid::random();
         }},
        {"refused entry",
         [](AppModel&, CleanupRequest& r) {
             r.blocked["/a"] = "No.";
         }},
        {"cleaning",
         [](AppModel& m, CleanupRequest&) {
             m.setCleaning(true);
         }},
        {"staging",
         [](AppModel& m, CleanupRequest&) {
             m.setStaging(true);
         }},
        {"scanning",
         [](AppModel& m, CleanupRequest&) {
             m.setScanning(true);
         }},
        {"saved-scan job",
         [](AppModel& m, CleanupRequest&) {
             m.setSnapshotBusy(true);
         }},
    };
    for (bool backups : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (backups ? " with backups" : ""));
            AppModel& m = makeModel();
            m.setBackupBeforeCleanup(backups);
            auto shown = std::make_shared<CleanupRequest>();
            shown->entries.push_back(entryAt("/a"));
            m.setCleanupRequest(shown);
            CleanupRequest confirmed = *shown;
            c.change(m, confirmed);
            const auto request = m.cleanupRequest();
            m.confirmTrash(confirmed);
            EXPECT_EQ(runner->startedCount(), 0u);
            EXPECT_EQ(platform->pending, nullptr);
            EXPECT_EQ(m.cleanupRequest(), request);
            EXPECT_EQ(m.section(), AppSection::explore);
            platform->starts.clear();
        }
    }
}

TEST_F(CleanupReviewTest, CancellingTheBackupPanelKeepsTheReviewAndTheLastFolder) {
    AppModel& m = makeModel();
    m.setLastBackupParent("/media/disk/backups");
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/a"));
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    EXPECT_EQ(platform->starts, std::vector<std::string>{"/media/disk/backups"});
    ASSERT_NE(platform->pending, nullptr);
    EXPECT_EQ(m.cleanupRequest(), request);

    platform->answer(std::nullopt);
    EXPECT_EQ(m.cleanupRequest(), request);
    EXPECT_EQ(m.lastBackupParent(), "/media/disk/backups");
    EXPECT_FALSE(m.cleaning());
    EXPECT_EQ(runner->startedCount(), 0u);

    // The review can be confirmed again; an empty answer is no folder either.
    m.confirmTrash(*request);
    platform->answer(std::string());
    EXPECT_EQ(m.cleanupRequest(), request);
    EXPECT_EQ(runner->startedCount(), 0u);
}

TEST_F(CleanupReviewTest, AChosenBackupFolderIsStoredAndUsedEvenWhenTheRunFails) {
    runResult.preparationError = "The backup could not be verified.";
    AppModel& m = makeModel();
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/data/a"));
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    EXPECT_EQ(platform->starts, std::vector<std::string>{home}) << "the home folder the first time";
    platform->answer("/media/backups");
    EXPECT_EQ(m.lastBackupParent(), "/media/backups");
    EXPECT_EQ(preferences->value(AppModel::kLastBackupParentKey),
              PreferenceValue(std::string("/media/backups")));
    runner->run();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].backupParent, "/media/backups");
    EXPECT_EQ(m.error(), "The backup could not be verified.\nNothing was moved to Trash.");
    EXPECT_EQ(m.lastBackupParent(), "/media/backups");
}

TEST_F(CleanupReviewTest, TheRunStartsWithItsStateAndGetsTheSnapshotOnlyWhenSnapshotsAreOn) {
    for (bool snapshots : {false, true}) {
        SCOPED_TRACE(snapshots);
        runs.clear();
        AppModel& m = makeModel();
        auto scan = std::make_shared<const ScanResult>(test::ModelFixture("/data").finish());
        m.setScan(scan);
        m.setSnapshotsEnabled(snapshots);
        m.setBackupBeforeCleanup(false);
        m.showToast("Added to Cleanup", "1 item");
        m.setNotice("Something");
        auto request = std::make_shared<CleanupRequest>();
        request->entries = {entryAt("/data/a"), entryAt("/data/b")};
        m.setCleanupRequest(request);
        const auto formerFlag = m.cleanupCancellation();
        m.confirmTrash(*request);
        EXPECT_EQ(m.cleanupRequest(), nullptr);
        EXPECT_EQ(m.toast(), std::nullopt);
        EXPECT_EQ(m.notice(), std::nullopt);
        EXPECT_TRUE(m.cleaning());
        EXPECT_EQ(m.cleanupProgress(), (CleanupProgress{CleanupPhase::checking, "Checking files…"}));
        EXPECT_EQ(m.section(), AppSection::cleanup);
        EXPECT_NE(m.cleanupCancellation(), formerFlag);
        ASSERT_EQ(runner->pending(), 1u);
        EXPECT_EQ(runner->kind(0), JobKind::longJob);

        // While it runs, no review or second run starts.
        m.prepareCleanupReview({entryAt("/data/c")});
        EXPECT_EQ(runner->pending(), 1u);

        runner->run();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].paths, (std::vector<std::string>{"/data/a", "/data/b"}));
        EXPECT_EQ(runs[0].backupParent, std::nullopt);
        EXPECT_EQ(runs[0].snapshot, snapshots ? scan : nullptr);
        EXPECT_EQ(runs[0].store, snapshotDirectory());
        EXPECT_EQ(runs[0].flag, m.cleanupCancellation().get());
        EXPECT_FALSE(m.cleaning());
        EXPECT_EQ(m.cleanupProgress(), std::nullopt);
    }
}

TEST_F(CleanupReviewTest, ProgressIsShownWhileTheRunRunsAndALateReportDoesNotReviveIt) {
    progressReports = {{CleanupPhase::backingUp, "Copying a"}, {CleanupPhase::movingToTrash, "Moving a"}};
    AppModel& m = makeModel();
    std::vector<std::optional<CleanupProgress>> seen;
    QObject::connect(&m, &AppModel::cleanupChanged, [&] {
        if (seen.empty() ? m.cleanupProgress().has_value() : seen.back() != m.cleanupProgress())
            seen.push_back(m.cleanupProgress());
    });
    runCleanup(m, {"/data/a"});
    const std::vector<std::optional<CleanupProgress>> expected{
        CleanupProgress{CleanupPhase::checking, "Checking files…"}, progressReports[0], progressReports[1],
        std::nullopt};
    EXPECT_EQ(seen, expected);

    // A report that arrives after the result was applied is dropped.
    runProgress(CleanupProgress{CleanupPhase::movingToTrash, "Late"});
    runner->deliver();
    EXPECT_EQ(m.cleanupProgress(), std::nullopt);

    // So is one of an older run while a newer one runs.
    const auto oldProgress = runProgress;
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/data/b"));
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    oldProgress(CleanupProgress{CleanupPhase::backingUp, "Old"});
    runner->deliver();
    EXPECT_EQ(m.cleanupProgress(), (CleanupProgress{CleanupPhase::checking, "Checking files…"}));
}

// ---- Applying a run ----

TEST_F(CleanupReviewTest, AMoveRecordsReceiptsAndBackupFirstPrunesTheQueueAndSavesEverything) {
    const TrashReceipt older = receiptFor("/old/x");
    const BackupReceipt olderBackup = backupNamed("/backups/old");
    runResult.outcome.receipts = {receiptFor("/a/b"), receiptFor("/d/e")};
    runResult.backup = backupNamed("/backups/new");
    AppModel& m = makeModel();
    m.setScan(std::make_shared<const ScanResult>(test::ModelFixture("/a").finish()));
    m.setReceipts({older});
    m.setBackups({olderBackup});
    m.setQueue({entryAt("/a/b"), entryAt("/a/b/c"), entryAt("/a/bc"), entryAt("/d"), entryAt("/d/e/f")});
    m.setDuplicateReport(std::make_shared<const DuplicateReport>());

    runCleanup(m, {"/a/b", "/d/e"});
    const std::vector<TrashReceipt> receipts{runResult.outcome.receipts[0], runResult.outcome.receipts[1],
                                             older};
    const std::vector<BackupReceipt> backups{*runResult.backup, olderBackup};
    EXPECT_EQ(m.receipts(), receipts);
    EXPECT_EQ(m.backups(), backups);
    std::vector<std::string> left;
    for (const CleanupEntry& entry : m.queue())
        left.push_back(entry.node.path);
    EXPECT_EQ(left, (std::vector<std::string>{"/a/bc", "/d"}));
    EXPECT_TRUE(m.isHistorical());
    EXPECT_EQ(m.duplicateReport(), nullptr);
    EXPECT_EQ(m.error(), std::nullopt);

    const StateFiles::Loaded files = saved();
    EXPECT_TRUE(files.messages.isEmpty());
    EXPECT_EQ(files.receipts, receipts);
    EXPECT_EQ(files.backups, backups);
    EXPECT_EQ(files.queue, m.queue());
}

TEST_F(CleanupReviewTest, AMovedRootPrunesEveryEntryAndWithoutAScanNothingBecomesHistorical) {
    runResult.outcome.receipts = {receiptFor("/")};
    AppModel& m = makeModel();
    m.setQueue({entryAt("/a"), entryAt("/b/c")});
    runCleanup(m, {"/"});
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(m.isHistorical());
}

TEST_F(CleanupReviewTest, TheToastCountsDistinctMovedPathsWithGroupingAndNamesAnUninstall) {
    struct Case {
        const char* name;
        std::vector<std::string> moved;
        std::optional<std::string> uninstallName;
        QString title;
        QString detail;
    };
    std::vector<std::string> many;
    for (int i = 0; i < 1234; ++i)
        many.push_back("/data/f" + std::to_string(i));
    const std::vector<Case> cases{
        {"one item",
         {"/data/a"},
         std::nullopt,
         "Moved to Trash",
         "1 item — Restore is available in Cleanup."},
        {"the same path twice",
         {"/data/a", "/data/a"},
         std::nullopt,
         "Moved to Trash",
         "1 item — Restore is available in Cleanup."},
        {"two items",
         {"/data/a", "/data/b"},
         std::nullopt,
         "Moved to Trash",
         "2 items — Restore is available in Cleanup."},
        {"many items", many, std::nullopt, "Moved to Trash",
         "1,234 items — Restore is available in Cleanup."},
        {"an uninstall",
         {"/Applications/Editor.app"},
         "Editor",
         "Editor moved to Trash",
         "1 item — Restore is available in Cleanup."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runResult.outcome.receipts.clear();
        for (const std::string& path : c.moved)
            runResult.outcome.receipts.push_back(receiptFor(path));
        AppModel& m = makeModel();
        runCleanup(m, {"/data"}, c.uninstallName);
        ASSERT_TRUE(m.toast().has_value());
        EXPECT_EQ(m.toast()->title, c.title);
        EXPECT_EQ(m.toast()->detail, c.detail);
        EXPECT_EQ(m.toast()->action, TroveToastAction::cleanup);
        EXPECT_EQ(m.toast()->actionTitle, "View Cleanup");
    }
}

TEST_F(CleanupReviewTest, ACancelledRunRecordsItsFinishedBackupAndSaysNothingMoved) {
    runResult.cancelled = true;
    runResult.backup = backupNamed("/backups/b1");
    AppModel& m = makeModel();
    const std::vector<CleanupEntry> queue{entryAt("/a"), entryAt("/b")};
    m.setQueue(queue);
    m.setScan(std::make_shared<const ScanResult>(test::ModelFixture("/a").finish()));
    runCleanup(m, {"/a"});
    EXPECT_EQ(m.backups(), std::vector<BackupReceipt>{*runResult.backup});
    EXPECT_EQ(m.queue(), queue);
    EXPECT_FALSE(m.isHistorical());
    ASSERT_TRUE(m.toast().has_value());
    EXPECT_EQ(m.toast()->title, "Cleanup cancelled");
    EXPECT_EQ(m.toast()->detail, "Nothing was moved to Trash.");
    EXPECT_EQ(m.toast()->action, std::nullopt);
    EXPECT_EQ(m.toast()->actionTitle, "Cleanup now");
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_EQ(saved().backups, m.backups());
    EXPECT_EQ(saved().queue, queue);
}

TEST_F(CleanupReviewTest, ErrorsOfTheRunBecomeLinesAndAPreparationErrorSaysNothingMoved) {
    struct Case {
        const char* name;
        std::optional<std::string> preparationError;
        std::map<std::string, std::string> errors;
        std::vector<std::string> moved;
        std::optional<QString> error;
    };
    const std::vector<Case> cases{
        {"preparation",
         "“a” changed since it was scanned.",
         {},
         {},
         "“a” changed since it was scanned.\nNothing was moved to Trash."},
        {"two items failed, one moved",
         std::nullopt,
         {{"/data/b.txt", "Permission denied."}, {"/data/sub/c", "It is gone."}},
         {"/data/a"},
         "b.txt: Permission denied.\nc: It is gone."},
        {"all fine", std::nullopt, {}, {"/data/a"}, "previous"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runResult = CleanupRunResult();
        runResult.preparationError = c.preparationError;
        runResult.outcome.errors = c.errors;
        for (const std::string& path : c.moved)
            runResult.outcome.receipts.push_back(receiptFor(path));
        AppModel& m = makeModel();
        m.setQueue({entryAt("/data/a"), entryAt("/data/b.txt")});
        runCleanup(m, {"/data/a", "/data/b.txt"});
        // The run leaves an earlier error alone when it has none of its own.
        if (!c.error || *c.error == "previous") {
            EXPECT_EQ(m.error(), std::nullopt);
            continue;
        }
        EXPECT_EQ(m.error(), c.error);
        EXPECT_EQ(m.toast().has_value(), !c.moved.empty());
        EXPECT_EQ(m.queue().size(), 2 - c.moved.size());
    }
}

TEST_F(CleanupReviewTest, AnUninstallThatMovedSomethingInspectsTheApplicationsAfresh) {
    runResult.outcome.receipts = {receiptFor("/Applications/Editor.app")};
    AppModel& m = makeModel();
    m.setAppReport(std::make_shared<const ApplicationReport>());
    m.setSelectedApp("/Applications/Editor.app");
    // An inventory began before the run: its result could still list the application.
    m.inspectApplications();
    const auto oldFlag = m.appCancellation();
    ASSERT_EQ(runner->pending(), 1u);
    // The inventory waits (index 0), the run runs.
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/Applications/Editor.app"));
    request->uninstallName = "Editor";
    m.setBackupBeforeCleanup(false);
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    runner->run(1);
    EXPECT_TRUE(oldFlag->isCancelled());
    EXPECT_EQ(m.appReport(), nullptr);
    EXPECT_EQ(m.selectedApp(), std::nullopt);
    EXPECT_TRUE(m.inspectingApps());
    EXPECT_EQ(m.appProgress(), "Discovering applications…");
    ASSERT_EQ(runner->pending(), 2u);
    runner->run(0); // the old inventory ends: dropped
    EXPECT_EQ(m.appReport(), nullptr);
    EXPECT_TRUE(m.inspectingApps());
    runner->run(0); // the new one applies
    EXPECT_NE(m.appReport(), nullptr);
    EXPECT_FALSE(m.inspectingApps());

    // An uninstall that moved nothing shows no toast and inspects nothing.
    runResult.outcome.receipts.clear();
    runResult.outcome.errors = {{"/Applications/Editor.app", "It is in use."}};
    m.setToast(std::nullopt);
    const std::size_t started = runner->startedCount();
    request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/Applications/Editor.app"));
    request->uninstallName = "Editor";
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    runner->run();
    EXPECT_EQ(runner->startedCount(), started + 1);
    EXPECT_EQ(m.toast(), std::nullopt);
    EXPECT_EQ(m.error(), "Editor.app: It is in use.");
}

TEST_F(CleanupReviewTest, ARunThatSavedTheScanReadsTheSavedScansAgain) {
    int catalogReads = 0;
    services.snapshotCatalog = [&](const SnapshotStore&) {
        ++catalogReads;
        return SnapshotCatalog();
    };
    for (bool saved : {false, true}) {
        SCOPED_TRACE(saved);
        runResult.snapshot = saved ? std::optional<SnapshotRecord>(SnapshotRecord()) : std::nullopt;
        AppModel& m = makeModel();
        const int before = catalogReads;
        runCleanup(m, {"/data/a"});
        settle();
        EXPECT_EQ(catalogReads - before, saved ? 1 : 0);
    }
}

// ---- Restoring ----

TEST_F(CleanupReviewTest, ARestoreRemovesExactlyItsReceiptAndSaysWhatCameBack) {
    const TrashReceipt a = receiptFor("/data/photos/a.jpg");
    const TrashReceipt b = receiptFor("/data/b");
    AppModel& m = makeModel();
    m.setReceipts({a, b});
    m.restore(a);
    EXPECT_EQ(m.restoringReceipts(), std::set<Uuid>{a.id});
    ASSERT_EQ(runner->pending(), 1u);
    m.restore(a); // already being restored
    EXPECT_EQ(runner->pending(), 1u);
    m.restore(b); // another receipt may go at the same time
    EXPECT_EQ(runner->pending(), 2u);
    runner->run(0);
    EXPECT_EQ(restored, std::vector<std::string>{"/data/photos/a.jpg"});
    EXPECT_EQ(m.restoringReceipts(), std::set<Uuid>{b.id});
    EXPECT_EQ(m.receipts(), std::vector<TrashReceipt>{b});
    EXPECT_EQ(m.notice(), "Restored a.jpg. Rescan to update storage.");
    EXPECT_EQ(saved().receipts, std::vector<TrashReceipt>{b});
}

TEST_F(CleanupReviewTest, ARefusedRestoreKeepsTheReceiptAndARestoreWaitsForCleanupAndStaging) {
    restoreFailure =
        "An item already exists at the original location. Restore from Finder to choose another destination.";
    const TrashReceipt a = receiptFor("/data/a");
    AppModel& m = makeModel();
    m.setReceipts({a});
    m.restore(a);
    runner->run();
    EXPECT_EQ(m.error(), QString::fromStdString(*restoreFailure));
    EXPECT_EQ(m.receipts(), std::vector<TrashReceipt>{a});
    EXPECT_TRUE(m.restoringReceipts().empty());
    EXPECT_EQ(m.notice(), std::nullopt);

    for (bool cleaning : {true, false}) {
        m.setCleaning(cleaning);
        m.setStaging(!cleaning);
        m.restore(a);
        EXPECT_EQ(runner->pending(), 0u);
        EXPECT_TRUE(m.restoringReceipts().empty());
    }
}

// ---- Quitting ----

TEST_F(CleanupReviewTest, QuittingAfterTheRunMovedItemsStillSavesItsReceipts) {
    runResult.outcome.receipts = {receiptFor("/data/a")};
    AppModel& m = makeModel();
    m.setQueue({entryAt("/data/a"), entryAt("/data/b")});
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/data/a"));
    m.setBackupBeforeCleanup(false);
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    runner->runWithoutDelivering(); // moved, but the result has not reached the model
    model.reset();
    const StateFiles::Loaded files = saved();
    EXPECT_EQ(files.receipts, runResult.outcome.receipts);
    ASSERT_EQ(files.queue.size(), 1u);
    EXPECT_EQ(files.queue[0].node.path, "/data/b");
}

TEST_F(CleanupReviewTest, QuittingBeforeTheRunBeganDoesNotWaitForIt) {
    AppModel& m = makeModel();
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(entryAt("/data/a"));
    m.setBackupBeforeCleanup(false);
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    model.reset();
    EXPECT_TRUE(runs.empty());
}

} // namespace
} // namespace ambertrove
