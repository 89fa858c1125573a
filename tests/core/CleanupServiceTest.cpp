#include "cleanup/CleanupService.hpp"
#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupJson.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "platform/PathResolution.hpp"
#include "support/BindMount.hpp"
#include "support/CleanupFixture.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::CleanupFixture;
using test::errnoOf;
using test::errorText;
using test::exists;
using test::listing;
using test::TempDir;
using ::testing::MatchesRegex;

const std::string kOccupied =
    "An item already exists at the original location. Restore from Finder to choose another destination.";
const std::string kChanged = "The item in Trash has changed. Restore it using Finder.";
const std::string kParentMissing = "The original parent folder is missing or moved. Restore using Finder.";
const std::string kNotInTrash =
    "The item is not in the Trash that serves its original location. Restore it using Finder.";
const std::string kNoRecord = "The Trash has no matching record of this item. Restore it using Finder.";
const std::string kBatchConflict = "A duplicate copy marked to keep is also in Cleanup. Remove it or its "
                                   "containing folder first; no files were moved.";
const std::string kOwnConflict =
    "The copy marked to keep is also in Cleanup. Remove it or its containing folder from the queue first.";

// ---- moving entries and restoring receipts -----------------------------------------------------------

TEST(CleanupService, MovesEntriesWithReceiptsAndRestoresThem) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/report.txt", "report");
    f.dir.makeFile("home/docs/box/inner.bin", std::string(5000, 'i'));
    const ScanResult scan = f.scan("docs");
    const CleanupEntry file(*scan.nodes.node(f.home + "/docs/report.txt"), scan, "Large files", f.policy);
    const CleanupEntry folder(*scan.nodes.node(f.home + "/docs/box"), scan, "Large files", f.policy);

    const CleanupOutcome outcome = f.service.moveToTrash({file, folder}, true);
    EXPECT_TRUE(outcome.errors.empty());
    ASSERT_EQ(outcome.receipts.size(), 2u);
    // Normalized order: shorter path first.
    const TrashReceipt& boxReceipt = outcome.receipts[0];
    const TrashReceipt& fileReceipt = outcome.receipts[1];
    EXPECT_EQ(boxReceipt.originalPath, f.home + "/docs/box");
    EXPECT_EQ(boxReceipt.trashPath, f.trashFolder + "/files/box");
    EXPECT_EQ(boxReceipt.bytes, folder.node.allocatedSize);
    EXPECT_EQ(boxReceipt.identity, folder.node.identity);
    EXPECT_EQ(fileReceipt.originalPath, f.home + "/docs/report.txt");
    EXPECT_EQ(fileReceipt.trashPath, f.trashFolder + "/files/report.txt");
    EXPECT_EQ(fileReceipt.bytes, file.node.allocatedSize);
    EXPECT_NE(boxReceipt.id, fileReceipt.id);
    EXPECT_FALSE(exists(f.home + "/docs/box"));
    EXPECT_THAT(readWholeFile(f.trashFolder + "/info/box.trashinfo"), MatchesRegex(test::kTrashInfoPattern));

    f.service.restore(fileReceipt);
    f.service.restore(boxReceipt);
    EXPECT_EQ(readWholeFile(f.home + "/docs/report.txt"), "report");
    EXPECT_EQ(readWholeFile(f.home + "/docs/box/inner.bin"), std::string(5000, 'i'));
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(CleanupService, ItemsWhoseNamesAreNotUtf8AreRestoredFromStoredReceiptsToTheirOwnPlace) {
    // "caf\xE9" is not UTF-8; its sibling is literally named with U+FFFD, what the first reads as when bad
    // bytes are replaced.
    CleanupFixture f;
    const std::string latin1 = "caf\xE9";
    const std::string replaced = "caf\xEF\xBF\xBD";
    f.dir.makeFile("home/docs/" + latin1 + ".txt", "one");
    f.dir.makeFile("home/docs/" + latin1 + "/notes.txt", "two");
    f.dir.makeDir("home/docs/" + replaced);
    const ScanResult scan = f.scan("docs");
    const CleanupEntry file(*scan.nodes.node(f.home + "/docs/" + latin1 + ".txt"), scan, "Old files",
                            f.policy);
    const CleanupEntry inner(*scan.nodes.node(f.home + "/docs/" + latin1 + "/notes.txt"), scan, "Old files",
                             f.policy);
    // The queue is stored and read back before the move.
    const std::vector<CleanupEntry> queue =
        CleanupJson::decodeEntries(CleanupJson::encodeEntries({file, inner}));
    ASSERT_EQ(queue, (std::vector<CleanupEntry>{file, inner}));

    const CleanupOutcome outcome = f.service.moveToTrash(queue, true);
    ASSERT_TRUE(outcome.errors.empty());
    ASSERT_EQ(outcome.receipts.size(), 2u);
    const std::vector<TrashReceipt> stored =
        CleanupJson::decodeReceipts(CleanupJson::encodeReceipts(outcome.receipts));
    ASSERT_EQ(stored, outcome.receipts);
    EXPECT_EQ(stored[0].originalPath, f.home + "/docs/" + latin1 + ".txt");

    for (const TrashReceipt& receipt : stored)
        f.service.restore(receipt);
    EXPECT_EQ(readWholeFile(f.home + "/docs/" + latin1 + ".txt"), "one");
    EXPECT_EQ(readWholeFile(f.home + "/docs/" + latin1 + "/notes.txt"), "two");
    EXPECT_TRUE(listing(f.home + "/docs/" + replaced).empty());
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
}

TEST(CleanupService, AnEmptyListMovesNothing) {
    CleanupFixture f;
    const CleanupOutcome outcome = f.service.moveToTrash({}, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_TRUE(outcome.errors.empty());
}

TEST(CleanupService, OneChangedEntryStopsTheWholeMoveAndEveryFailureIsListed) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    f.dir.makeFile("home/docs/b.txt", "b");
    f.dir.makeFile("home/docs/c.txt", "c");
    const ScanResult scan = f.scan("docs");
    std::vector<CleanupEntry> entries;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        entries.emplace_back(*scan.nodes.node(f.home + "/docs/" + name), scan, "r", f.policy);
    f.dir.makeFile("home/docs/a.txt", "changed");
    f.dir.makeFile("home/docs/c.txt", "changed");

    const CleanupOutcome outcome = f.service.moveToTrash(entries, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors,
              (std::map<std::string, std::string>{
                  {f.home + "/docs/a.txt", "a.txt changed since the scan. Rescan and stage it again."},
                  {f.home + "/docs/c.txt", "c.txt changed since the scan. Rescan and stage it again."}}));
    EXPECT_TRUE(exists(f.home + "/docs/b.txt"));

    // Without the requirement the valid entry goes alone.
    const CleanupOutcome partial = f.service.moveToTrash(entries, false);
    ASSERT_EQ(partial.receipts.size(), 1u);
    EXPECT_EQ(partial.receipts[0].originalPath, f.home + "/docs/b.txt");
    EXPECT_EQ(partial.errors.size(), 2u);
}

TEST(CleanupService, AProgramRunningFromAnEntryKeepsItInPlaceWhateverTheBatch) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    f.dir.makeFile("home/docs/box/tool", "b");
    f.dir.makeFile("home/docs/c.txt", "c");
    const ScanResult scan = f.scan("docs");
    std::vector<CleanupEntry> entries;
    for (const char* name : {"a.txt", "box", "c.txt"})
        entries.emplace_back(*scan.nodes.node(f.home + "/docs/" + name), scan, "r", f.policy);
    f.runProgram("4242", f.home + "/docs/box/tool");
    const std::map<std::string, std::string> quit{
        {f.home + "/docs/box", "Quit box before moving it to Trash."}};

    const CleanupOutcome all = f.service.moveToTrash(entries, true);
    EXPECT_TRUE(all.receipts.empty());
    EXPECT_EQ(all.errors, quit);

    const CleanupOutcome partial = f.service.moveToTrash(entries, false);
    EXPECT_EQ(partial.receipts.size(), 2u);
    EXPECT_EQ(partial.errors, quit);
    EXPECT_TRUE(exists(f.home + "/docs/box/tool"));
    EXPECT_FALSE(exists(f.home + "/docs/a.txt"));
}

TEST(CleanupService, AFolderSwappedBetweenTheCheckAndTheMoveIsPutBackAndNotReportedMoved) {
    CleanupFixture f;
    const std::string box = f.dir.makeDir("home/docs/box");
    f.dir.makeFile("home/docs/box/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    const CleanupEntry folder(*scan.nodes.node(box), scan, "r", f.policy);
    FreedesktopTrash::Locations where{f.trashFolder, ::getuid(), {}, {}};
    where.beforeMove = [&](const std::string&) {
        ASSERT_EQ(::rename(box.c_str(), (f.home + "/docs/aside").c_str()), 0);
        f.dir.makeFile("home/docs/box/b.txt", "b");
    };
    const CleanupService service(std::make_shared<FreedesktopTrash>(where), [&] { return f.policy; });
    const CleanupOutcome outcome = service.moveToTrash({folder}, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors.at(box),
              "box was replaced while it was being moved to Trash. It was put back; rescan before cleanup.");
    EXPECT_EQ(readWholeFile(box + "/b.txt"), "b");
    EXPECT_EQ(readWholeFile(f.home + "/docs/aside/a.txt"), "a");
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(CleanupService, AFileReplacedAfterItsValidationIsCheckedAgainBeforeTheMove) {
    CleanupFixture f;
    const std::string file = f.dir.makeFile("home/docs/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    const CleanupEntry entry(*scan.nodes.node(file), scan, "r", f.policy);
    // Another file takes the name between the validation and the Trash's own look at the item.
    struct ReplacingTrash final : Trash {
        std::shared_ptr<FreedesktopTrash> real;
        TempDir* dir = nullptr;
        std::optional<std::string> moveToTrash(const std::string& path,
                                               const ItemCheck& check) const override {
            dir->makeFile("home/docs/new.txt", "newcomer");
            if (::rename((dir->path() + "/home/docs/new.txt").c_str(), path.c_str()) != 0)
                throw std::system_error(errno, std::generic_category());
            return real->moveToTrash(path, check);
        }
        void restore(const std::string& trashPath, const std::string& originalPath,
                     const ItemCheck& check) const override {
            real->restore(trashPath, originalPath, check);
        }
    };
    auto replacing = std::make_shared<ReplacingTrash>();
    replacing->real = f.trash;
    replacing->dir = &f.dir;
    const CleanupService service(replacing, [&] { return f.policy; });
    const CleanupOutcome outcome = service.moveToTrash({entry}, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors.at(file), "a.txt changed since the scan. Rescan and stage it again.");
    EXPECT_EQ(readWholeFile(file), "newcomer");
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(CleanupService, AnItemShownThroughABindMountIsRefusedInPlainWords) {
    CleanupFixture f;
    const std::string docs = f.dir.makeDir("home/docs");
    f.dir.makeFile("home/docs/a.txt", "a");
    const std::string view = f.dir.makeDir("home/view");
    const test::BindMount bind(docs, view);
    if (!bind.made())
        GTEST_SKIP() << bind.why();
    const ScanResult scan = f.scan("view");
    const CleanupEntry entry(*scan.nodes.node(view + "/a.txt"), scan, "r", f.policy);
    const CleanupOutcome outcome = f.service.moveToTrash({entry}, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors.at(view + "/a.txt"),
              "a.txt is shown through another mount; move it from its own place.");
    EXPECT_EQ(readWholeFile(docs + "/a.txt"), "a");
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(CleanupService, AFileStagedTwiceMovesOnceWithItsFolder) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/box/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    const CleanupEntry file(*scan.nodes.node(f.home + "/docs/box/a.txt"), scan, "r", f.policy);
    const CleanupEntry folder(*scan.nodes.node(f.home + "/docs/box"), scan, "r", f.policy);
    const CleanupOutcome outcome = f.service.moveToTrash({file, folder}, true);
    EXPECT_TRUE(outcome.errors.empty());
    ASSERT_EQ(outcome.receipts.size(), 1u);
    EXPECT_EQ(outcome.receipts[0].originalPath, f.home + "/docs/box");
    EXPECT_EQ(listing(f.trashFolder + "/files/box"), std::vector<std::string>{"a.txt"});
}

TEST(CleanupService, AReceiptCountsTheAllocatedSizeTheScanGave) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/one.bin", std::string(10000, 'h'));
    f.dir.makeHardLink("home/docs/two.bin", "home/docs/one.bin");
    const ScanResult scan = f.scan("docs");
    // The scan counts the blocks of a hard-linked file once: one of the two links holds 0.
    const DiskNode one = *scan.nodes.node(f.home + "/docs/one.bin");
    const DiskNode two = *scan.nodes.node(f.home + "/docs/two.bin");
    const DiskNode& counted = one.allocatedSize != 0 ? one : two;
    const DiskNode& free = one.allocatedSize != 0 ? two : one;
    ASSERT_EQ(free.allocatedSize, 0);
    const CleanupEntry entry(free, scan, "r", f.policy);
    const CleanupOutcome outcome = f.service.moveToTrash({entry}, true);
    ASSERT_EQ(outcome.receipts.size(), 1u);
    EXPECT_EQ(outcome.receipts[0].bytes, 0);
    EXPECT_GT(counted.allocatedSize, 0);
    // The receipt keeps the identity as scanned.
    EXPECT_EQ(outcome.receipts[0].identity, free.identity);
}

TEST(CleanupService, AKeptDuplicateThatIsAlsoQueuedStopsEverything) {
    CleanupFixture f;
    f.dir.makeFile("home/docs/box/keep.txt", "same");
    f.dir.makeFile("home/docs/copy.txt", "same");
    const ScanResult scan = f.scan("docs");
    const CleanupEntry folder(*scan.nodes.node(f.home + "/docs/box"), scan, "r", f.policy);
    CleanupEntry copy(*scan.nodes.node(f.home + "/docs/copy.txt"), scan, "Duplicates", f.policy);
    copy.retainedCopies[f.home + "/docs/box/keep.txt"] =
        scan.nodes.node(f.home + "/docs/box/keep.txt")->identity;

    EXPECT_TRUE(CleanupService::hasRetainedCopyConflict({folder, copy}));
    const CleanupOutcome outcome = f.service.moveToTrash({folder, copy}, false);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors,
              (std::map<std::string, std::string>{{f.home + "/docs/box", kBatchConflict},
                                                  {f.home + "/docs/copy.txt", kBatchConflict}}));
    EXPECT_TRUE(exists(f.home + "/docs/box/keep.txt"));
    EXPECT_TRUE(exists(f.home + "/docs/copy.txt"));

    // Alone, the duplicate goes and the kept copy stays.
    const CleanupOutcome alone = f.service.moveToTrash({copy}, true);
    EXPECT_TRUE(alone.errors.empty());
    EXPECT_EQ(alone.receipts.size(), 1u);
    EXPECT_TRUE(exists(f.home + "/docs/box/keep.txt"));
}

TEST(CleanupService, RetainedCopiesConflictAcrossPathForms) {
    const auto entryAt = [](const std::string& path, std::map<std::string, FileIdentity> kept = {}) {
        CleanupEntry e;
        e.node.path = path;
        e.retainedCopies = std::move(kept);
        return e;
    };
    EXPECT_FALSE(CleanupService::hasRetainedCopyConflict({entryAt("/Users/ann/a"), entryAt("/Users/ann/b")}));
    EXPECT_TRUE(CleanupService::hasRetainedCopyConflict(
        {entryAt("/Users/ann/box"),
         entryAt("/Users/ann/c", {{"/System/Volumes/Data/Users/ann/box/k", {}}})}));
    EXPECT_TRUE(CleanupService::hasRetainedCopyConflict(
        {entryAt("/tmp/box"), entryAt("/x", {{"/private/tmp/box/deeper/k", {}}})}));
    EXPECT_TRUE(
        CleanupService::hasRetainedCopyConflict({entryAt("/x/box/../box"), entryAt("/y", {{"/x/box", {}}})}));
    EXPECT_FALSE(
        CleanupService::hasRetainedCopyConflict({entryAt("/x/box"), entryAt("/y", {{"/x/boxes/k", {}}})}));
    EXPECT_TRUE(CleanupService::hasRetainedCopyConflict({entryAt("/"), entryAt("/y", {{"/anything", {}}})}));
    // An entry may keep a copy that nobody stages.
    EXPECT_FALSE(CleanupService::hasRetainedCopyConflict({entryAt("/a/one", {{"/a/two", {}}})}));
}

TEST(CleanupService, AKeptCopyWrittenAsTextInsideAnotherEntryIsRefusedForThatEntry) {
    CleanupFixture f;
    // Relative spellings have no path forms, so only the plain text comparison sees the overlap.
    CleanupEntry folder;
    folder.node.path = "relative/box";
    CleanupEntry copy;
    copy.node.path = "relative/copy.txt";
    copy.retainedCopies["relative/box/keep.txt"] = {};
    EXPECT_FALSE(CleanupService::hasRetainedCopyConflict({folder, copy}));
    const CleanupOutcome outcome = f.service.moveToTrash({folder, copy}, false);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors.at("relative/copy.txt"), kOwnConflict);
    EXPECT_NE(outcome.errors.at("relative/box"), kOwnConflict);
}

TEST(CleanupService, AMoveWithoutALocationIsReportedWithoutAReceipt) {
    CleanupFixture f;
    struct SilentTrash final : Trash {
        std::shared_ptr<FreedesktopTrash> real;
        std::optional<std::string> moveToTrash(const std::string& path,
                                               const ItemCheck& check) const override {
            (void)real->moveToTrash(path, check);
            return std::nullopt;
        }
        void restore(const std::string&, const std::string&, const ItemCheck&) const override {}
    };
    auto silent = std::make_shared<SilentTrash>();
    silent->real = f.trash;
    const CleanupService service(silent, [&] { return f.policy; });
    f.dir.makeFile("home/docs/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    const CleanupEntry entry(*scan.nodes.node(f.home + "/docs/a.txt"), scan, "r", f.policy);
    const CleanupOutcome outcome = service.moveToTrash({entry}, true);
    EXPECT_TRUE(outcome.receipts.empty());
    EXPECT_EQ(outcome.errors.at(f.home + "/docs/a.txt"),
              "Moved to Trash. macOS did not provide the restore location; use Finder's Put Back command.");
}

struct Trashed {
    CleanupFixture f;
    TrashReceipt receipt;
    Trashed() {
        f.dir.makeFile("home/docs/a.txt", "a");
        const ScanResult scan = f.scan("docs");
        const CleanupEntry entry(*scan.nodes.node(f.home + "/docs/a.txt"), scan, "r", f.policy);
        const CleanupOutcome outcome = f.service.moveToTrash({entry}, true);
        EXPECT_EQ(outcome.receipts.size(), 1u);
        if (!outcome.receipts.empty())
            receipt = outcome.receipts[0];
    }
};

TEST(CleanupService, RestoreRefusesWhenSomethingIsAtTheOriginalPlace) {
    Trashed t;
    t.f.dir.makeFile("home/docs/a.txt", "newcomer");
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kOccupied);
    EXPECT_EQ(readWholeFile(t.f.home + "/docs/a.txt"), "newcomer");
    EXPECT_TRUE(exists(t.receipt.trashPath));
}

TEST(CleanupService, RestoreRefusesWhenADanglingLinkIsAtTheOriginalPlace) {
    Trashed t;
    t.f.dir.makeSymlink("home/docs/a.txt", t.f.home + "/nowhere");
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kOccupied);
    EXPECT_TRUE(exists(t.receipt.trashPath));
}

TEST(CleanupService, RestoreRefusesAnItemChangedInTheTrash) {
    Trashed t;
    t.f.dir.makeFile("home/.local/share/Trash/files/a.txt", "edited");
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kChanged);
    EXPECT_FALSE(exists(t.f.home + "/docs/a.txt"));
}

TEST(CleanupService, RestoreRefusesAChangedModificationTime) {
    Trashed t;
    t.f.dir.setTimes("home/.local/share/Trash/files/a.txt", 1000, 1000);
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kChanged);
}

TEST(CleanupService, RestoreRefusesWhenTheParentFolderIsGone) {
    Trashed t;
    ASSERT_EQ(::rmdir((t.f.home + "/docs").c_str()), 0);
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kParentMissing);
    EXPECT_TRUE(exists(t.receipt.trashPath));
}

TEST(CleanupService, RestoreRefusesWhenTheParentIsNowALink) {
    Trashed t;
    ASSERT_EQ(::rename((t.f.home + "/docs").c_str(), (t.f.home + "/moved").c_str()), 0);
    t.f.dir.makeSymlink("home/docs", t.f.home + "/moved");
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kParentMissing);
    EXPECT_FALSE(exists(t.f.home + "/moved/a.txt"));
}

TEST(CleanupService, RestoreFailsWithTheStatusErrorWhenTheItemLeftTheTrash) {
    Trashed t;
    ASSERT_EQ(::rename(t.receipt.trashPath.c_str(), (t.f.dir / "taken-out").c_str()), 0);
    EXPECT_EQ(errnoOf([&] { t.f.service.restore(t.receipt); }), ENOENT);
}

// ---- receipts read from disk are data, not commands ------------------------------------------------

TEST(CleanupService, ACraftedReceiptCannotMoveAFileFromOutsideTheTrash) {
    CleanupFixture f;
    const std::string key = f.dir.makeFile("home/Downloads/key.pub", "ssh-ed25519 AAAA intruder");
    f.dir.makeDir("home/.ssh");
    TrashReceipt receipt;
    receipt.originalPath = f.home + "/.ssh/authorized_keys";
    receipt.trashPath = key;
    receipt.identity = FileIdentity::read(key).first;
    EXPECT_NE(errorText([&] { f.service.restore(receipt); }), "(no error)");
    EXPECT_FALSE(exists(f.home + "/.ssh/authorized_keys"));
    EXPECT_EQ(readWholeFile(key), "ssh-ed25519 AAAA intruder");
}

TEST(CleanupService, ACraftedReceiptCannotMoveAFileFromAFolderShapedLikeATrash) {
    CleanupFixture f;
    const std::string item = f.dir.makeFile("home/fake/files/a.txt", "a");
    const std::string record =
        f.dir.makeFile("home/fake/info/a.txt.trashinfo", "[Trash Info]\nPath=" + f.home + "/docs/a.txt\n");
    f.dir.makeDir("home/docs");
    TrashReceipt receipt;
    receipt.originalPath = f.home + "/docs/a.txt";
    receipt.trashPath = item;
    receipt.identity = FileIdentity::read(item).first;
    EXPECT_EQ(errorText([&] { f.service.restore(receipt); }), kNotInTrash);
    EXPECT_FALSE(exists(f.home + "/docs/a.txt"));
    EXPECT_TRUE(exists(item));
    EXPECT_TRUE(exists(record));
}

TEST(CleanupService, ARestoreIntoAProtectedPlaceIsRefused) {
    Trashed t;
    // The record and the receipt both name a protected place.
    t.f.dir.makeDir("home/.ssh");
    const std::string protectedPlace = t.f.home + "/.ssh/authorized_keys";
    t.f.dir.makeFile("home/.local/share/Trash/info/a.txt.trashinfo",
                     "[Trash Info]\nPath=" + FreedesktopTrash::percentEncoded(protectedPlace) +
                         "\nDeletionDate=2024-01-01T00:00:00\n");
    TrashReceipt receipt = t.receipt;
    receipt.originalPath = protectedPlace;
    EXPECT_EQ(errorText([&] { t.f.service.restore(receipt); }),
              "The original location is protected. Ambertrove cannot restore the item there.");
    EXPECT_FALSE(exists(protectedPlace));
    EXPECT_EQ(readWholeFile(t.receipt.trashPath), "a");
}

TEST(CleanupService, AReceiptThatDisagreesWithTheTrashRecordIsRefused) {
    Trashed t;
    t.f.dir.makeDir("home/other");
    TrashReceipt receipt = t.receipt;
    receipt.originalPath = t.f.home + "/other/a.txt";
    EXPECT_EQ(errorText([&] { t.f.service.restore(receipt); }), kNoRecord);
    EXPECT_FALSE(exists(receipt.originalPath));
    EXPECT_EQ(readWholeFile(t.receipt.trashPath), "a");
    EXPECT_EQ(listing(t.f.trashFolder + "/info"), std::vector<std::string>{"a.txt.trashinfo"});
}

TEST(CleanupService, AnItemWhoseTrashRecordIsGoneIsNotRestored) {
    Trashed t;
    ASSERT_EQ(::unlink((t.f.trashFolder + "/info/a.txt.trashinfo").c_str()), 0);
    EXPECT_EQ(errorText([&] { t.f.service.restore(t.receipt); }), kNoRecord);
    EXPECT_FALSE(exists(t.receipt.originalPath));
    EXPECT_EQ(readWholeFile(t.receipt.trashPath), "a");
}

TEST(CleanupService, AnEntryThatAppearsDuringTheRestoreIsLeftAlone) {
    Trashed t;
    // The original place is taken between the checks and the move.
    struct RacingTrash final : Trash {
        std::shared_ptr<FreedesktopTrash> real;
        TempDir* dir = nullptr;
        std::optional<std::string> moveToTrash(const std::string& path,
                                               const ItemCheck& check) const override {
            return real->moveToTrash(path, check);
        }
        void restore(const std::string& trashPath, const std::string& originalPath,
                     const ItemCheck& check) const override {
            dir->makeFile("home/docs/a.txt", "racer");
            real->restore(trashPath, originalPath, check);
        }
    };
    auto racing = std::make_shared<RacingTrash>();
    racing->real = t.f.trash;
    racing->dir = &t.f.dir;
    const CleanupService service(racing, [&] { return t.f.policy; });
    EXPECT_EQ(errorText([&] { service.restore(t.receipt); }), kOccupied);
    EXPECT_EQ(readWholeFile(t.f.home + "/docs/a.txt"), "racer");
    EXPECT_EQ(readWholeFile(t.receipt.trashPath), "a");
}

} // namespace
} // namespace ambertrove
