#include "cleanup/CleanupWorkflow.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/AtomicFile.hpp"
#include "support/CleanupFixture.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace ambertrove {
namespace {

using test::CleanupFixture;
using test::exists;
using test::listing;

const std::string kChecking = "Checking files…";
const std::string kSaving = "Saving scan snapshot…";
const std::string kMoving = "Moving to Trash…";

// The fixture's Trash, except that items whose name ends with "stuck.txt" are refused.
class RefusingTrash final : public Trash {
public:
    explicit RefusingTrash(std::shared_ptr<const Trash> trash)
        : m_trash(std::move(trash)) {}
    std::optional<std::string> moveToTrash(const std::string& path, const ItemCheck& check) const override {
        if (path.ends_with("stuck.txt"))
            throw std::system_error(EACCES, std::generic_category());
        return m_trash->moveToTrash(path, check);
    }
    void restore(const std::string& trashPath, const std::string& originalPath,
                 const ItemCheck& check) const override {
        m_trash->restore(trashPath, originalPath, check);
    }

private:
    std::shared_ptr<const Trash> m_trash;
};

// Staged items in a home folder, a backup folder and a snapshot folder beside it, and a run over the
// fixture's Trash that counts the policies it asks for and sees what they read.
struct RunFixture : CleanupFixture {
    std::string backups = dir.makeDir("backups");
    std::string snapshots = dir / "snapshots";
    CancellationFlag flag;
    std::vector<CleanupProgress> reports;
    // Called with the report before it is kept, with the number of each policy made, and with every
    // path whose status a policy reads (an entry's own path when it is checked).
    std::function<void(const CleanupProgress&)> onReport;
    std::function<void(int)> onPolicy;
    std::function<void(const std::string&)> onStatus;
    int policies = 0;
    std::vector<std::string> statusesRead;
    // The mount table the run's policies read, when not the system's.
    std::optional<std::string> mountTable;

    RunFixture() {
        dir.makeFile("home/docs/report.txt", "report");
        dir.makeFileOfSize("home/docs/box/inner.bin", 5000, 'i');
        dir.makeSymlink("home/docs/box/link", "inner.bin");
        policy.statusOf = [this](const std::string& path, FileStatus& out) {
            statusesRead.push_back(path);
            if (onStatus)
                onStatus(path);
            return readFileStatus(AT_FDCWD, path.c_str(), out);
        };
    }
    // How often a policy read the status of `relative` inside the home folder.
    [[nodiscard]] std::ptrdiff_t timesRead(const std::string& relative) const {
        return std::count(statusesRead.begin(), statusesRead.end(), home + "/" + relative);
    }

    [[nodiscard]] CleanupEntry stage(const ScanResult& scan, const std::string& relative) const {
        return CleanupEntry(*scan.nodes.node(home + "/" + relative), scan, "Large files", policy);
    }
    // Stages each of `relative`, then forgets what the staging read.
    [[nodiscard]] std::vector<CleanupEntry> stageAll(const ScanResult& scan,
                                                     const std::vector<std::string>& relative) {
        std::vector<CleanupEntry> entries;
        for (const std::string& r : relative)
            entries.push_back(stage(scan, r));
        statusesRead.clear();
        return entries;
    }
    [[nodiscard]] CleanupWorkflow workflow(std::shared_ptr<const Trash> over = nullptr) {
        // A new policy each time, as for the current user: nothing it reads is shared with another.
        return CleanupWorkflow(over ? std::move(over) : trash, [this] {
            ++policies;
            if (onPolicy)
                onPolicy(policies);
            CleanupPolicy made(home, dataHome, proc);
            made.statusOf = policy.statusOf;
            if (mountTable)
                made.mountTable = *mountTable;
            return made;
        });
    }
    CleanupRunResult run(const std::vector<CleanupEntry>& entries, bool backup, const ScanResultPtr& snapshot,
                         SnapshotStore& store, std::shared_ptr<const Trash> over = nullptr) {
        return workflow(std::move(over))
            .run(entries, backup ? std::optional<std::string>(backups) : std::nullopt, snapshot, store, flag,
                 [this](const CleanupProgress& p) {
                     if (onReport)
                         onReport(p);
                     reports.push_back(p);
                 });
    }
    [[nodiscard]] std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const CleanupProgress& p : reports)
            texts.push_back(p.message);
        return texts;
    }
    [[nodiscard]] bool originalsInPlace() const {
        return readWholeFile(home + "/docs/report.txt") == "report" &&
               readWholeFile(home + "/docs/box/inner.bin") == std::string(5000, 'i');
    }
};

bool untouched(const CleanupOutcome& outcome) {
    return outcome.receipts.empty() && outcome.errors.empty();
}

// ---- whole runs -------------------------------------------------------------------------------------------

TEST(CleanupWorkflow, BacksUpSavesTheScanAndMovesEveryItemOnce) {
    RunFixture f;
    const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
    SnapshotStore store(f.snapshots);
    // The file inside the staged folder goes with its folder, once.
    const std::vector<CleanupEntry> entries{f.stage(*scan, "docs/report.txt"),
                                            f.stage(*scan, "docs/box/inner.bin"), f.stage(*scan, "docs/box")};

    const CleanupRunResult result = f.run(entries, true, scan, store);

    EXPECT_EQ(result.preparationError, std::nullopt);
    EXPECT_FALSE(result.cancelled);
    const std::vector<CleanupProgress> expected{
        {CleanupPhase::checking, kChecking},
        {CleanupPhase::backingUp, "Backing up box…"},
        {CleanupPhase::backingUp, "Verifying box…"},
        {CleanupPhase::backingUp, "Backing up report.txt…"},
        {CleanupPhase::backingUp, "Verifying report.txt…"},
        {CleanupPhase::savingSnapshot, kSaving},
        {CleanupPhase::movingToTrash, kMoving},
    };
    EXPECT_EQ(f.reports, expected);

    ASSERT_TRUE(result.backup.has_value());
    const std::vector<BackupItem> items{
        {f.home + "/docs/box", "Files/0001/box", scan->nodes.node(f.home + "/docs/box")->logicalSize},
        {f.home + "/docs/report.txt", "Files/0002/report.txt", 6},
    };
    EXPECT_EQ(result.backup->items, items);
    EXPECT_EQ(listing(f.backups),
              std::vector<std::string>{std::string(PathText::name(result.backup->directory))});
    EXPECT_EQ(BackupReceipt::decode(readWholeFile(result.backup->directory + "/Manifest.json")),
              *result.backup);
    EXPECT_EQ(readWholeFile(result.backup->directory + "/Files/0001/box/inner.bin"), std::string(5000, 'i'));

    ASSERT_TRUE(result.snapshot.has_value());
    EXPECT_EQ(result.snapshot->title, "Before cleanup — docs");
    EXPECT_EQ(result.snapshot->rootPath, f.home + "/docs");
    EXPECT_EQ(store.list(), std::vector<SnapshotRecord>{*result.snapshot});

    EXPECT_TRUE(result.outcome.errors.empty());
    ASSERT_EQ(result.outcome.receipts.size(), 2u);
    EXPECT_EQ(result.outcome.receipts[0].originalPath, f.home + "/docs/box");
    EXPECT_EQ(result.outcome.receipts[0].trashPath, f.trashFolder + "/files/box");
    EXPECT_EQ(result.outcome.receipts[1].originalPath, f.home + "/docs/report.txt");
    EXPECT_EQ(result.outcome.receipts[1].trashPath, f.trashFolder + "/files/report.txt");
    EXPECT_FALSE(exists(f.home + "/docs/box"));
    EXPECT_FALSE(exists(f.home + "/docs/report.txt"));
    EXPECT_EQ(readWholeFile(f.trashFolder + "/files/report.txt"), "report");
}

TEST(CleanupWorkflow, WithoutBackupOrSnapshotOnlyChecksAndMoves) {
    RunFixture f;
    const ScanResult scan = f.scan("docs");
    SnapshotStore store(f.snapshots);
    const CleanupRunResult result = f.run({f.stage(scan, "docs/report.txt")}, false, nullptr, store);
    EXPECT_EQ(f.reports, (std::vector<CleanupProgress>{{CleanupPhase::checking, kChecking},
                                                       {CleanupPhase::movingToTrash, kMoving}}));
    EXPECT_EQ(result.backup, std::nullopt);
    EXPECT_EQ(result.snapshot, std::nullopt);
    EXPECT_EQ(result.outcome.receipts.size(), 1u);
    EXPECT_TRUE(listing(f.backups).empty());
    EXPECT_FALSE(exists(f.snapshots));
}

TEST(CleanupWorkflow, OneStaleEntryStopsTheRunBeforeAnythingIsCopiedOrMoved) {
    RunFixture f;
    f.dir.makeFile("home/docs/later-and-longer.txt", "later");
    const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
    SnapshotStore store(f.snapshots);
    const std::vector<CleanupEntry> entries =
        f.stageAll(*scan, {"docs/box", "docs/report.txt", "docs/later-and-longer.txt"});
    std::ofstream(f.home + "/docs/report.txt", std::ios::app) << " changed";

    const CleanupRunResult result = f.run(entries, true, scan, store);

    EXPECT_EQ(result.preparationError, "report.txt changed since the scan. Rescan and stage it again.");
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.backup, std::nullopt);
    EXPECT_EQ(result.snapshot, std::nullopt);
    EXPECT_TRUE(untouched(result.outcome));
    EXPECT_EQ(f.messages(), std::vector<std::string>{kChecking});
    // The entry after the stale one was never validated.
    EXPECT_EQ(f.policies, 1);
    EXPECT_GT(f.timesRead("docs/report.txt"), 0);
    EXPECT_EQ(f.timesRead("docs/later-and-longer.txt"), 0);
    EXPECT_TRUE(listing(f.backups).empty());
    EXPECT_FALSE(exists(f.snapshots));
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_EQ(readWholeFile(f.home + "/docs/report.txt"), "report changed");
    EXPECT_TRUE(exists(f.home + "/docs/box/inner.bin"));
    EXPECT_TRUE(exists(f.home + "/docs/later-and-longer.txt"));
}

TEST(CleanupWorkflow, AProgramRunningFromAnItemStopsTheRunBeforeAnythingIsCopiedOrMoved) {
    RunFixture f;
    const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
    SnapshotStore store(f.snapshots);
    const std::vector<CleanupEntry> entries = f.stageAll(*scan, {"docs/box", "docs/report.txt"});
    f.runProgram("4242", f.home + "/docs/box/inner.bin");

    const CleanupRunResult result = f.run(entries, true, scan, store);

    EXPECT_EQ(result.preparationError, "Quit box before moving it to Trash.");
    EXPECT_EQ(result.backup, std::nullopt);
    EXPECT_TRUE(untouched(result.outcome));
    EXPECT_TRUE(listing(f.backups).empty());
    EXPECT_TRUE(f.originalsInPlace());
}

TEST(CleanupWorkflow, OnePolicyJudgesEveryCheckOfARun) {
    RunFixture f;
    SnapshotStore store(f.snapshots);
    const auto docs = std::make_shared<const ScanResult>(f.scan("docs"));
    // Each entry is checked five times: before the backup, by the backup before and after its copy, and
    // by the move before it begins and just before the entry goes.
    const CleanupRunResult result =
        f.run(f.stageAll(*docs, {"docs/box", "docs/report.txt"}), true, docs, store);

    EXPECT_EQ(result.preparationError, std::nullopt);
    EXPECT_EQ(result.outcome.receipts.size(), 2u);
    EXPECT_EQ(f.policies, 1);
    EXPECT_EQ(f.timesRead("docs/report.txt"), 5);
    // What the policy reads about the protected places, it read once for the run.
    EXPECT_EQ(f.timesRead(".ssh"), 1);
}

TEST(CleanupWorkflow, AMountMadeBeforeTheNextRunIsSeenByIt) {
    RunFixture f;
    f.dir.makeFile("home/.ssh/id_ed25519", "secret");
    f.dir.makeFile("home/docs/keys/id_ed25519", "a key shown through a mount");
    const std::string table = f.dir.makeFile("mountinfo", "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n");
    f.mountTable = table;
    const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
    SnapshotStore store(f.snapshots);
    const CleanupEntry key = f.stage(*scan, "docs/keys/id_ed25519");

    EXPECT_EQ(f.run({f.stage(*scan, "docs/report.txt")}, false, nullptr, store).outcome.receipts.size(), 1u);
    // Between the runs, the key folder becomes a view of the protected one.
    writeFileAtomically(table, "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 8:1 " + f.home + "/.ssh " + f.home +
                                   "/docs/keys rw - ext4 /dev/sda1 rw\n");
    const CleanupRunResult second = f.run({key}, false, nullptr, store);

    EXPECT_EQ(second.preparationError,
              "Protected system or account data — Ambertrove cannot move this to Trash.");
    EXPECT_TRUE(untouched(second.outcome));
    EXPECT_EQ(f.policies, 2);
    EXPECT_EQ(readWholeFile(f.home + "/docs/keys/id_ed25519"), "a key shown through a mount");
}

struct StopBeforeStartCase {
    const char* name;
    bool empty;
    bool flagSet;
    std::optional<std::string> preparationError;
    bool cancelled;
};

TEST(CleanupWorkflow, NothingSelectedOrStoppedBeforeTheStartReportsNothing) {
    const std::vector<StopBeforeStartCase> cases{
        {"empty", true, false, "No files selected.", false},
        {"empty and stopped", true, true, "No files selected.", false},
        {"stopped", false, true, std::nullopt, true},
    };
    for (const StopBeforeStartCase& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f;
        const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
        SnapshotStore store(f.snapshots);
        if (c.flagSet)
            f.flag.cancel();
        std::vector<CleanupEntry> entries;
        if (!c.empty)
            entries.push_back(f.stage(*scan, "docs/report.txt"));
        const CleanupRunResult result = f.run(entries, true, scan, store);
        EXPECT_EQ(result.preparationError, c.preparationError);
        EXPECT_EQ(result.cancelled, c.cancelled);
        EXPECT_EQ(result.backup, std::nullopt);
        EXPECT_EQ(result.snapshot, std::nullopt);
        EXPECT_TRUE(untouched(result.outcome));
        EXPECT_TRUE(f.reports.empty());
        EXPECT_EQ(f.policies, 0);
        EXPECT_TRUE(f.originalsInPlace());
    }
}

TEST(CleanupWorkflow, AKeptDuplicateAmongTheItemsStopsTheRunBeforeAnyCheck) {
    RunFixture f;
    const ScanResult scan = f.scan("docs");
    SnapshotStore store(f.snapshots);
    CleanupEntry report = f.stage(scan, "docs/report.txt");
    report.retainedCopies[f.home + "/docs/box/inner.bin"] =
        scan.nodes.node(f.home + "/docs/box/inner.bin")->identity;
    const CleanupRunResult result = f.run({report, f.stage(scan, "docs/box")}, true, nullptr, store);
    EXPECT_EQ(result.preparationError,
              "A duplicate marked to keep is selected for cleanup. Remove it first.");
    EXPECT_EQ(f.policies, 0);
    EXPECT_EQ(f.messages(), std::vector<std::string>{kChecking});
    EXPECT_TRUE(untouched(result.outcome));
    EXPECT_TRUE(listing(f.backups).empty());
    EXPECT_TRUE(f.originalsInPlace());
}

TEST(CleanupWorkflow, ASnapshotThatCannotBeSavedKeepsTheFinishedBackupAndMovesNothing) {
    RunFixture f;
    const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
    f.dir.makeFile("blocker", "a file where the snapshot folder's parent should be");
    SnapshotStore store(f.dir / "blocker/snapshots");
    const CleanupRunResult result = f.run({f.stage(*scan, "docs/report.txt")}, true, scan, store);
    EXPECT_EQ(result.preparationError, std::system_error(ENOTDIR, std::generic_category()).what());
    EXPECT_FALSE(result.cancelled);
    ASSERT_TRUE(result.backup.has_value());
    EXPECT_EQ(readWholeFile(result.backup->directory + "/Files/0001/report.txt"), "report");
    EXPECT_EQ(result.snapshot, std::nullopt);
    EXPECT_TRUE(untouched(result.outcome));
    EXPECT_TRUE(f.originalsInPlace());
}

TEST(CleanupWorkflow, AnItemTheTrashRefusesIsListedWithoutStoppingTheOthers) {
    RunFixture f;
    f.dir.makeFile("home/docs/stuck.txt", "stuck");
    const ScanResult scan = f.scan("docs");
    SnapshotStore store(f.snapshots);
    const CleanupRunResult result = f.run({f.stage(scan, "docs/stuck.txt"), f.stage(scan, "docs/report.txt")},
                                          false, nullptr, store, std::make_shared<RefusingTrash>(f.trash));
    EXPECT_EQ(result.preparationError, std::nullopt);
    EXPECT_FALSE(result.cancelled);
    ASSERT_EQ(result.outcome.receipts.size(), 1u);
    EXPECT_EQ(result.outcome.receipts[0].originalPath, f.home + "/docs/report.txt");
    EXPECT_EQ(result.outcome.errors,
              (std::map<std::string, std::string>{
                  {f.home + "/docs/stuck.txt", std::system_error(EACCES, std::generic_category()).what()}}));
    EXPECT_TRUE(exists(f.home + "/docs/stuck.txt"));
}

TEST(CleanupWorkflow, ABackupFolderInsideTheItemsStopsTheRun) {
    RunFixture f;
    const ScanResult scan = f.scan("docs");
    SnapshotStore store(f.snapshots);
    const CleanupRunResult result =
        f.workflow().run({f.stage(scan, "docs/box")}, f.home + "/docs/box", nullptr, store, f.flag, {});
    EXPECT_EQ(result.preparationError, "Choose a backup folder outside the items being moved to Trash.");
    EXPECT_EQ(result.backup, std::nullopt);
    EXPECT_TRUE(untouched(result.outcome));
    EXPECT_EQ(listing(f.home + "/docs/box"), (std::vector<std::string>{"inner.bin", "link"}));
}

TEST(CleanupWorkflow, AFailingProgressCallbackStopsTheRunWithoutThrowing) {
    for (const std::string& failingReport : {kChecking, kMoving}) {
        SCOPED_TRACE(failingReport);
        RunFixture f;
        const ScanResult scan = f.scan("docs");
        SnapshotStore store(f.snapshots);
        f.onReport = [&](const CleanupProgress& p) {
            if (p.message == failingReport)
                throw std::runtime_error("The window went away.");
        };
        const CleanupRunResult result = f.run({f.stage(scan, "docs/report.txt")}, false, nullptr, store);
        EXPECT_EQ(result.preparationError, "The window went away.");
        EXPECT_FALSE(result.cancelled);
        EXPECT_TRUE(untouched(result.outcome));
        EXPECT_TRUE(f.originalsInPlace());
    }
}

// ---- stops between the steps -----------------------------------------------------------------------------

struct StopCase {
    const char* name;
    // Where the stop is asked for: on the report with this message, when the entry at this path (inside
    // the home folder) is checked, or while the snapshot is saved.
    std::string onReport;
    std::string onCheck = {};
    bool onSnapshotSave = false;
    bool backup = true;
    bool snapshot = true;
    // What the run then did.
    bool cancelled = true;
    bool hasBackup = false;
    bool hasSnapshot = false;
    std::size_t moved = 0;
    std::vector<std::string> messages;
};

TEST(CleanupWorkflow, AStopEndsTheRunAtTheNextStepKeepingWhatIsFinished) {
    const std::vector<StopCase> cases{
        {.name = "while checking", .onReport = kChecking, .messages = {kChecking}},
        {.name = "between two checks", .onReport = {}, .onCheck = "docs/box", .messages = {kChecking}},
        {.name = "after the checks",
         .onReport = {},
         .onCheck = "docs/report.txt",
         .backup = false,
         .messages = {kChecking}},
        {.name = "while backing up",
         .onReport = "Backing up box…",
         .messages = {kChecking, "Backing up box…"}},
        {.name = "while saving the snapshot",
         .onReport = {},
         .onSnapshotSave = true,
         .hasBackup = true,
         .hasSnapshot = true,
         .messages = {kChecking, "Backing up box…", "Verifying box…", "Backing up report.txt…",
                      "Verifying report.txt…", kSaving}},
        {.name = "after the snapshot",
         .onReport = kSaving,
         .backup = false,
         .hasSnapshot = true,
         .messages = {kChecking, kSaving}},
        {.name = "once the move has begun",
         .onReport = kMoving,
         .cancelled = false,
         .hasBackup = true,
         .hasSnapshot = true,
         .moved = 2,
         .messages = {kChecking, "Backing up box…", "Verifying box…", "Backing up report.txt…",
                      "Verifying report.txt…", kSaving, kMoving}},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f;
        const auto scan = std::make_shared<const ScanResult>(f.scan("docs"));
        SnapshotStore::Sources sources;
        sources.newId = [&] {
            if (c.onSnapshotSave)
                f.flag.cancel();
            return Uuid::random();
        };
        SnapshotStore store(f.snapshots, sources);
        f.onReport = [&](const CleanupProgress& p) {
            if (!c.onReport.empty() && p.message == c.onReport)
                f.flag.cancel();
        };
        const std::vector<CleanupEntry> entries{f.stage(*scan, "docs/box"),
                                                f.stage(*scan, "docs/report.txt")};
        f.onStatus = [&](const std::string& path) {
            if (!c.onCheck.empty() && path == f.home + "/" + c.onCheck)
                f.flag.cancel();
        };
        const CleanupRunResult result = f.run(entries, c.backup, c.snapshot ? scan : nullptr, store);

        EXPECT_EQ(result.cancelled, c.cancelled);
        EXPECT_EQ(result.preparationError, std::nullopt);
        EXPECT_EQ(result.backup.has_value(), c.hasBackup);
        EXPECT_EQ(result.snapshot.has_value(), c.hasSnapshot);
        EXPECT_EQ(result.outcome.receipts.size(), c.moved);
        EXPECT_TRUE(result.outcome.errors.empty());
        EXPECT_EQ(f.messages(), c.messages);
        // A finished backup stays; an unfinished one leaves nothing.
        EXPECT_EQ(listing(f.backups).size(), c.hasBackup ? 1u : 0u);
        EXPECT_EQ(store.list().size(), c.hasSnapshot ? 1u : 0u);
        if (c.moved == 0) {
            EXPECT_TRUE(f.originalsInPlace());
        }
    }
}

// ---- snapshot titles
// ---------------------------------------------------------------------------------------

TEST(CleanupWorkflow, TheSnapshotIsTitledByTheScansRootEntry) {
    test::ModelFixture docs("/Users/someone/Documents");
    EXPECT_EQ(CleanupWorkflow::snapshotTitle(docs.finish()), "Before cleanup — Documents");

    test::ModelFixture root("/");
    EXPECT_EQ(CleanupWorkflow::snapshotTitle(root.finish()), "Before cleanup — /");

    ScanResult rootless;
    rootless.rootPath = "/Users/someone/Gone";
    EXPECT_EQ(CleanupWorkflow::snapshotTitle(rootless), "Before cleanup — Scan");
}

} // namespace
} // namespace ambertrove
