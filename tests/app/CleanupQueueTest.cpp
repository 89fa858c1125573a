#include "QueueFixture.hpp"

#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::QueueFixture;

const QString kSaveFailure = QStringLiteral("Could not save cleanup state: ");

class CleanupQueueTest : public QueueFixture {
protected:
    CleanupQueueTest() {
        folder.makeFileOfSize("home/tree/a.bin", 5000);
        folder.makeFileOfSize("home/tree/b.bin", 9000);
        folder.makeFileOfSize("home/tree/sub/x.log", 100);
        folder.makeFileOfSize("home/tree/sub/y.log", 200);
        folder.makeSymlink("home/tree/link", "a.bin");
    }

    // A fresh controller over an empty state folder, showing a scan of the tree.
    AppModel& show() {
        model.reset();
        test::removeTree(stateDirectory());
        AppModel& m = make();
        m.setScan(scanOf("tree"));
        return m;
    }
    [[nodiscard]] std::string statePath(std::string_view name) const {
        return stateDirectory() + "/" + std::string(name);
    }
    // A state file once every write asked for has landed.
    [[nodiscard]] std::string stored(std::string_view name) {
        settle();
        return readWholeFile(statePath(name));
    }
    [[nodiscard]] std::vector<CleanupEntry> storedQueue() {
        return CleanupJson::decodeEntries(stored(StateFiles::kQueueFile));
    }
    [[nodiscard]] QString toastTitle() const { return model->toast() ? model->toast()->title : QString(); }
    [[nodiscard]] QString toastDetail() const { return model->toast() ? model->toast()->detail : QString(); }
};

// ---- The gate and the sum ----

TEST_F(CleanupQueueTest, CanCleanNeedsAShownCurrentScanAndNoJob) {
    AppModel& m = make();
    EXPECT_FALSE(m.canClean());
    m.setScan(scanOf("tree"));
    EXPECT_TRUE(m.canClean());

    struct Case {
        const char* name;
        void (AppModel::*set)(bool);
    };
    const Case cases[] = {
        {"historical", &AppModel::setIsHistorical},     {"scanning", &AppModel::setScanning},
        {"cleaning", &AppModel::setCleaning},           {"staging", &AppModel::setStaging},
        {"saved-scan job", &AppModel::setSnapshotBusy},
    };
    for (const Case& c : cases) {
        (m.*c.set)(true);
        EXPECT_FALSE(m.canClean()) << c.name;
        (m.*c.set)(false);
        EXPECT_TRUE(m.canClean()) << c.name;
    }
}

TEST_F(CleanupQueueTest, QueueBytesSumsTheAllocatedSizesAndIsZeroWhenEmpty) {
    AppModel& m = show();
    EXPECT_EQ(m.queueBytes(), 0);
    m.stage(nodes({"tree/a.bin", "tree/sub"}), nullptr, "Large");
    EXPECT_EQ(m.queueBytes(), node("tree/a.bin").allocatedSize + node("tree/sub").allocatedSize);
    EXPECT_GT(m.queueBytes(), 0);
}

// ---- Staging nodes ----

TEST_F(CleanupQueueTest, ThreeNodesWithOneRefusedStageTwoAndNameTheThird) {
    AppModel& m = show();
    QSignalSpy toasts(&m, &AppModel::toastChanged);
    m.setNotice(QStringLiteral("Earlier notice"));
    m.stage(nodes({"tree/a.bin", "tree/link", "tree/b.bin"}), nullptr, "Large files");

    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/a.bin", "tree/b.bin"}));
    EXPECT_EQ(m.queue()[0].reason, "Large files");
    EXPECT_EQ(toastTitle(), QStringLiteral("Added to Cleanup"));
    EXPECT_EQ(toastDetail(), QStringLiteral("2 items"));
    EXPECT_EQ(m.toast()->actionTitle, QStringLiteral("Cleanup now"));
    EXPECT_EQ(m.toast()->action, TroveToastAction::cleanup);
    EXPECT_EQ(toasts.count(), 1);
    EXPECT_EQ(m.notice(), std::nullopt);
    EXPECT_EQ(m.error(),
              QStringLiteral("link: Symbolic links and paths through symbolic links cannot be staged."));
    EXPECT_EQ(storedQueue(), m.queue());
}

TEST_F(CleanupQueueTest, AtMostEightRefusalsAreShown) {
    for (int i = 0; i < 10; ++i)
        folder.makeSymlink("home/tree/l" + std::to_string(i), "a.bin");
    AppModel& m = show();
    std::vector<std::string> links;
    for (int i = 0; i < 10; ++i)
        links.push_back("tree/l" + std::to_string(i));
    m.stage(nodes(links), nullptr, "Links");
    ASSERT_TRUE(m.error());
    EXPECT_EQ(m.error()->split(u'\n').size(), 8);
    EXPECT_TRUE(m.queue().empty());
    EXPECT_EQ(m.toast(), std::nullopt);
}

TEST_F(CleanupQueueTest, AnItemAlreadyCoveredReadsAlreadyInCleanup) {
    struct Case {
        const char* second;
    };
    for (const Case c : {Case{"tree/sub"}, Case{"tree/sub/x.log"}}) {
        AppModel& m = show();
        m.stage(nodes({"tree/sub"}), nullptr, "Folder");
        m.setToast(std::nullopt);
        m.stage(nodes({c.second}), nullptr, "Again");
        EXPECT_EQ(queued(), (std::vector<std::string>{"tree/sub"})) << c.second;
        EXPECT_EQ(toastTitle(), QStringLiteral("Already in Cleanup")) << c.second;
        EXPECT_EQ(toastDetail(), QString()) << c.second;
    }
}

TEST_F(CleanupQueueTest, AFolderStagedOverQueuedItemsTakesTheirPlace) {
    AppModel& m = show();
    m.stage(nodes({"tree/sub/x.log", "tree/sub/y.log", "tree/a.bin"}), nullptr, "Files");
    EXPECT_EQ(toastDetail(), QStringLiteral("3 items"));
    m.stage(nodes({"tree/sub"}), nullptr, "Folder");
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/sub", "tree/a.bin"}));
    EXPECT_EQ(toastTitle(), QStringLiteral("Added to Cleanup"));
    EXPECT_EQ(toastDetail(), QStringLiteral("1 item"));
    EXPECT_EQ(storedQueue(), m.queue());
}

TEST_F(CleanupQueueTest, TheCountUsesTheLocaleGrouping) {
    for (int i = 0; i < 1234; ++i)
        folder.makeFile("home/many/f" + std::to_string(i));
    AppModel& m = make();
    m.setScan(scanOf("many"));
    std::vector<DiskNode> files = m.scan()->descendants(inHome("many"));
    ASSERT_EQ(files.size(), 1234u);
    m.stage(files, nullptr, "Many");
    EXPECT_EQ(toastDetail(), QStringLiteral("1,234 items"));
}

TEST_F(CleanupQueueTest, AnEmptyListSavesTheQueueAndShowsNoNotification) {
    AppModel& m = show();
    ASSERT_FALSE(test::exists(statePath(StateFiles::kQueueFile)));
    m.stage({}, nullptr, "Nothing");
    EXPECT_EQ(stored(StateFiles::kQueueFile), "[]");
    EXPECT_EQ(m.toast(), std::nullopt);
}

TEST_F(CleanupQueueTest, TheGatesOfNodeStaging) {
    AppModel& m = show();
    const ScanResultPtr own = scanOf("tree/sub");
    const DiskNode x = *own->nodes.node(inHome("tree/sub/x.log"));

    // A saved scan is shown: only staging with a source scan goes on.
    m.setIsHistorical(true);
    m.stage(nodes({"tree/a.bin"}), nullptr, "Large");
    EXPECT_TRUE(m.queue().empty());
    m.stage({x}, own, "Leftover");
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/sub/x.log"}));

    // Neither form while staging or cleaning.
    for (void (AppModel::*busy)(bool) : {&AppModel::setStaging, &AppModel::setCleaning}) {
        m.setQueue({});
        (m.*busy)(true);
        m.stage({x}, own, "Leftover");
        m.setIsHistorical(false);
        m.stage(nodes({"tree/a.bin"}), nullptr, "Large");
        EXPECT_TRUE(m.queue().empty());
        (m.*busy)(false);
        m.setIsHistorical(true);
    }
}

// ---- Staging paths in the background ----

TEST_F(CleanupQueueTest, PathsAreStagedInTheBackgroundAndTheFailuresShown) {
    AppModel& m = show();
    m.stagePaths({inHome("tree/a.bin"), inHome("tree/gone.txt"), inHome("tree/sub/x.log")}, "Untouched");
    EXPECT_TRUE(m.staging());
    EXPECT_FALSE(m.canClean());
    ASSERT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::longJob);
    EXPECT_TRUE(m.queue().empty());

    runner->run();
    EXPECT_FALSE(m.staging());
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/a.bin", "tree/sub/x.log"}));
    EXPECT_EQ(m.queue()[0].reason, "Untouched");
    EXPECT_EQ(toastTitle(), QStringLiteral("Added to Cleanup"));
    EXPECT_EQ(toastDetail(), QStringLiteral("2 items"));
    EXPECT_EQ(m.error(), QStringLiteral("gone.txt: Item is no longer in this scan."));
    EXPECT_EQ(storedQueue(), m.queue());
}

TEST_F(CleanupQueueTest, PathStagingDoesNothingWithoutPathsOrWhileASavedScanIsShown) {
    AppModel& m = show();
    m.stagePaths({}, "Untouched");
    m.setIsHistorical(true);
    m.stagePaths({inHome("tree/a.bin")}, "Untouched");
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.staging());
}

TEST_F(CleanupQueueTest, AResultForAChangedScanIsDropped) {
    struct Case {
        const char* name;
        std::function<void(AppModel&, QueueFixture&)> change;
    };
    // A rescan of the same folder has a new identifier.
    const auto newScan = [this](AppModel& m, QueueFixture&) {
        m.setScan(scanOf("tree"));
    };
    const Case cases[] = {
        {"new scan of the same folder", newScan},
        {"saved scan shown",
         [](AppModel& m, QueueFixture&) {
             m.setIsHistorical(true);
         }},
        {"scan running",
         [](AppModel& m, QueueFixture&) {
             m.setScanning(true);
         }},
        {"saved-scan job running",
         [](AppModel& m, QueueFixture&) {
             m.setSnapshotBusy(true);
         }},
        {"no scan",
         [](AppModel& m, QueueFixture&) {
             m.setScan(nullptr);
         }},
    };
    for (const Case& c : cases) {
        AppModel& m = show();
        m.stage(nodes({"tree/b.bin"}), nullptr, "First");
        const std::vector<CleanupEntry> before = m.queue();
        m.setToast(std::nullopt);
        m.stagePaths({inHome("tree/a.bin")}, "Untouched");
        c.change(m, *this);
        runner->run();
        EXPECT_EQ(m.notice(), QStringLiteral("Scan changed — stage these files again.")) << c.name;
        EXPECT_EQ(m.queue(), before) << c.name;
        EXPECT_EQ(storedQueue(), before) << c.name;
        EXPECT_FALSE(m.staging()) << c.name;
        EXPECT_EQ(m.toast(), std::nullopt) << c.name;
    }
}

TEST_F(CleanupQueueTest, CancellingStagingDropsTheResult) {
    struct Case {
        const char* name;
        bool afterTheWork;
    };
    for (const Case c : {Case{"before the work", false}, Case{"after the work, before its result", true}}) {
        AppModel& m = show();
        m.stagePaths({inHome("tree/a.bin")}, "Untouched");
        const std::shared_ptr<CancellationFlag> flag = m.stagingCancellation();
        if (c.afterTheWork) {
            runner->runWithoutDelivering();
            flag->cancel();
            runner->deliver();
        } else {
            flag->cancel();
            runner->run();
        }
        EXPECT_EQ(m.notice(), QStringLiteral("Staging cancelled.")) << c.name;
        EXPECT_TRUE(m.queue().empty()) << c.name;
        EXPECT_FALSE(m.staging()) << c.name;
        EXPECT_EQ(m.toast(), std::nullopt) << c.name;
        EXPECT_FALSE(test::exists(statePath(StateFiles::kQueueFile))) << c.name;
    }
}

TEST_F(CleanupQueueTest, EveryStagingJobHasAFreshStopFlag) {
    AppModel& m = show();
    m.stagePaths({inHome("tree/a.bin")}, "Untouched");
    const std::shared_ptr<CancellationFlag> first = m.stagingCancellation();
    runner->run();
    m.stagePaths({inHome("tree/b.bin")}, "Untouched");
    EXPECT_NE(m.stagingCancellation(), first);
    first->cancel();
    runner->run();
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/a.bin", "tree/b.bin"}));
}

TEST_F(CleanupQueueTest, AFailedStagingJobShowsItsError) {
    services.batch = [](const std::vector<std::string>&, const ScanResult&, const std::string&,
                        const CancellationFlag&) -> CleanupBatch {
        throw AmbertroveError("The policy could not be read.");
    };
    AppModel& m = show();
    m.stagePaths({inHome("tree/a.bin")}, "Untouched");
    runner->run();
    EXPECT_EQ(m.error(), QStringLiteral("The policy could not be read."));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(m.staging());
}

// ---- Duplicate copies ----

class DuplicateStagingTest : public CleanupQueueTest {
protected:
    DuplicateStagingTest() {
        folder.makeFile("home/tree/dup/one.txt", "same");
        folder.makeFile("home/tree/dup/two.txt", "same");
        folder.makeFile("home/tree/dup/three.txt", "same");
    }
    [[nodiscard]] DuplicateGroup group(const std::vector<std::string>& files) const {
        DuplicateGroup g;
        g.id = std::string(64, 'a');
        g.files = nodes(files);
        return g;
    }
};

TEST_F(DuplicateStagingTest, EveryCopyButTheKeeperIsStagedWithTheKeepersIdentity) {
    AppModel& m = show();
    const DiskNode keeper = node("tree/dup/two.txt");
    m.stageDuplicates(group({"tree/dup/one.txt", "tree/dup/two.txt", "tree/dup/three.txt"}), keeper.path);

    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/dup/one.txt", "tree/dup/three.txt"}));
    const std::map<std::string, FileIdentity> retained{{keeper.path, keeper.identity}};
    for (const CleanupEntry& entry : m.queue()) {
        EXPECT_EQ(entry.reason, "Duplicate · keeping two.txt");
        EXPECT_EQ(entry.retainedCopies, retained);
    }
    EXPECT_EQ(toastTitle(), QStringLiteral("Added to Cleanup"));
    EXPECT_EQ(toastDetail(), QStringLiteral("2 items"));
    EXPECT_EQ(storedQueue(), m.queue());
}

TEST_F(DuplicateStagingTest, OneRefusedCopyStagesNothing) {
    folder.makeSymlink("home/tree/dup/four.txt", "one.txt");
    AppModel& m = show();
    m.stageDuplicates(group({"tree/dup/one.txt", "tree/dup/four.txt", "tree/dup/three.txt"}),
                      inHome("tree/dup/one.txt"));
    EXPECT_EQ(m.error(), QStringLiteral("Symbolic links and paths through symbolic links cannot be staged."));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_EQ(m.toast(), std::nullopt);
    EXPECT_FALSE(test::exists(statePath(StateFiles::kQueueFile)));
}

TEST_F(DuplicateStagingTest, AKeeperOutsideTheGroupDoesNothingAndALoneKeeperOnlySaves) {
    AppModel& m = show();
    m.stageDuplicates(group({"tree/dup/one.txt", "tree/dup/two.txt"}), inHome("tree/dup/three.txt"));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(test::exists(statePath(StateFiles::kQueueFile)));

    m.stageDuplicates(group({"tree/dup/one.txt"}), inHome("tree/dup/one.txt"));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_EQ(stored(StateFiles::kQueueFile), "[]");
    EXPECT_EQ(m.toast(), std::nullopt);

    m.setIsHistorical(true);
    m.stageDuplicates(group({"tree/dup/one.txt", "tree/dup/two.txt"}), inHome("tree/dup/one.txt"));
    EXPECT_TRUE(m.queue().empty());
}

// ---- Removal ----

TEST_F(CleanupQueueTest, RemovingDropsTheEntryAndAlwaysSaves) {
    AppModel& m = show();
    m.stage(nodes({"tree/a.bin", "tree/b.bin"}), nullptr, "Large");
    m.removeFromQueue(inHome("tree/a.bin"));
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/b.bin"}));
    EXPECT_EQ(storedQueue(), m.queue());

    // A path that is not queued rewrites the files unchanged.
    for (std::string_view name :
         {StateFiles::kQueueFile, StateFiles::kReceiptsFile, StateFiles::kBackupsFile})
        ASSERT_EQ(::unlink(statePath(name).c_str()), 0);
    m.removeFromQueue(inHome("tree/nothing"));
    EXPECT_EQ(storedQueue(), m.queue());
    EXPECT_EQ(stored(StateFiles::kReceiptsFile), "[]");
    EXPECT_EQ(stored(StateFiles::kBackupsFile), "[]");

    for (void (AppModel::*busy)(bool) : {&AppModel::setStaging, &AppModel::setCleaning}) {
        (m.*busy)(true);
        m.removeFromQueue(inHome("tree/b.bin"));
        EXPECT_EQ(queued(), (std::vector<std::string>{"tree/b.bin"}));
        (m.*busy)(false);
    }
}

TEST_F(CleanupQueueTest, SettingTheQueueDoesNotSave) {
    AppModel& m = show();
    m.stage(nodes({"tree/a.bin"}), nullptr, "Large");
    m.setQueue({});
    EXPECT_EQ(storedQueue().size(), 1u);
    m.persistState();
    EXPECT_TRUE(storedQueue().empty());
}

// ---- The state files ----

TEST_F(CleanupQueueTest, TheThreeFilesAreJsonArraysThatReadBack) {
    AppModel& m = show();
    TrashReceipt receipt;
    receipt.originalPath = inHome("tree/old");
    receipt.trashPath = "files/old";
    receipt.date = Date::fromUnixSeconds(1'700'000'000);
    receipt.bytes = 12;
    BackupReceipt backup;
    backup.id = Uuid::random();
    backup.directory = "/media/backup";
    backup.createdAt = Date::fromUnixSeconds(1'700'000'100);
    m.setReceipts({receipt});
    m.setBackups({backup});
    m.stage(nodes({"tree/a.bin", "tree/sub"}), nullptr, "Large");

    for (std::string_view name :
         {StateFiles::kQueueFile, StateFiles::kReceiptsFile, StateFiles::kBackupsFile}) {
        const std::string text = stored(name);
        EXPECT_TRUE(text.starts_with('[') && text.ends_with(']')) << name << ": " << text;
    }
    AppModel reread(environment());
    EXPECT_EQ(reread.queue(), m.queue());
    EXPECT_EQ(reread.receipts(), m.receipts());
    EXPECT_EQ(reread.backups(), m.backups());
    EXPECT_EQ(reread.error(), std::nullopt);
}

TEST_F(CleanupQueueTest, AStateFolderThatCannotBeMadeKeepsTheChangeInMemory) {
    AppModel& m = show();
    folder.makeFile("state", "a file where the folder should be");
    m.stage(nodes({"tree/a.bin"}), nullptr, "Large");
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/a.bin"}));
    settle();
    ASSERT_TRUE(m.error());
    EXPECT_TRUE(m.error()->startsWith(kSaveFailure)) << m.error()->toStdString();
    EXPECT_EQ(toastTitle(), QStringLiteral("Added to Cleanup"));
}

TEST_F(CleanupQueueTest, OneFileThatCannotBeWrittenDoesNotStopTheOthers) {
    AppModel& m = show();
    folder.makeFile("state/cleanup.json/inside", "a folder in the file's place");
    TrashReceipt receipt;
    receipt.originalPath = inHome("tree/old");
    receipt.trashPath = "files/old";
    m.setReceipts({receipt});
    m.removeFromQueue(inHome("tree/nothing"));

    settle();
    ASSERT_TRUE(m.error());
    EXPECT_TRUE(m.error()->startsWith(kSaveFailure + QStringLiteral("“cleanup.json”: ")))
        << m.error()->toStdString();
    EXPECT_FALSE(m.error()->contains(QStringLiteral("receipts.json")));
    EXPECT_EQ(CleanupJson::decodeReceipts(stored(StateFiles::kReceiptsFile)), m.receipts());
    EXPECT_EQ(stored(StateFiles::kBackupsFile), "[]");
}

TEST_F(CleanupQueueTest, EveryFileThatCannotBeWrittenIsNamedInOneMessage) {
    AppModel& m = show();
    folder.makeFile("state/cleanup.json/inside", "a folder in the file's place");
    folder.makeFile("state/backups.json/inside", "a folder in the file's place");
    m.persistState();
    settle();
    ASSERT_TRUE(m.error());
    const QString text = *m.error();
    EXPECT_EQ(text.count(u'\n'), 0) << text.toStdString();
    EXPECT_TRUE(text.startsWith(kSaveFailure + QStringLiteral("“cleanup.json”: "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" “backups.json”: "))) << text.toStdString();
    EXPECT_EQ(stored(StateFiles::kReceiptsFile), "[]");
}

TEST_F(CleanupQueueTest, ASaveFailureIsNotHiddenByTheRefusalsBesideIt) {
    AppModel& m = show();
    folder.makeFile("state", "a file where the folder should be");
    m.stage(nodes({"tree/a.bin", "tree/link"}), nullptr, "Large");
    // The refusals are told at once, the failed save below them once it failed.
    settle();
    ASSERT_TRUE(m.error());
    const QStringList lines = m.error()->split(u'\n');
    ASSERT_EQ(lines.size(), 2) << m.error()->toStdString();
    EXPECT_EQ(lines[0],
              QStringLiteral("link: Symbolic links and paths through symbolic links cannot be staged."));
    EXPECT_TRUE(lines[1].startsWith(kSaveFailure));
}

} // namespace
} // namespace ambertrove
