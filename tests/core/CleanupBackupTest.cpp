#include "cleanup/CleanupBackup.hpp"
#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileTree.hpp"
#include "support/CleanupFixture.hpp"
#include "support/ScopedVariable.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::CleanupFixture;
using test::errnoOf;
using test::errorText;
using test::exists;
using test::listing;
using test::ScopedVariable;

const std::string kOutside = "Choose a backup folder outside the items being moved to Trash.";
const std::string kNotVerified = "The backup could not be verified. Nothing was moved to Trash.";

// A backup over the fixture's home, into a "backups" folder beside it.
struct BackupFixture : CleanupFixture {
    std::string parent = dir.makeDir("backups");
    std::vector<std::string> messages;

    // The node at `relative` (inside the home) of `scan`, staged.
    [[nodiscard]] CleanupEntry stage(const ScanResult& scan, const std::string& relative) const {
        return CleanupEntry(*scan.nodes.node(home + "/" + relative), scan, "Large files", policy);
    }
    [[nodiscard]] CleanupBackup backup(CleanupBackup::Seams seams = {}) const {
        return CleanupBackup([this] { return policy; }, std::move(seams));
    }
    BackupReceipt create(const CleanupBackup& backup, const std::vector<CleanupEntry>& entries,
                         const CancellationFlag& flag) {
        return backup.create(entries, parent, flag, [this](const std::string& m) { messages.push_back(m); });
    }
};

struct stat statusOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

void overwriteByte(const std::string& path, std::int64_t offset, char value) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    file.put(value);
}

void appendText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::app | std::ios::binary) << text;
}

// ---- a whole backup ---------------------------------------------------------------------------------

TEST(CleanupBackup, CopiesFilesFoldersLinksAndEmptyFilesAndWritesTheManifest) {
    BackupFixture f;
    f.dir.makeFile("home/docs/report.txt", "report");
    f.dir.makeFile("home/docs/empty.txt");
    f.dir.makeFileOfSize("home/docs/box/inner/deep.bin", 3000, 'd');
    f.dir.makeSymlink("home/docs/box/link", "inner/deep.bin");
    f.dir.makeSymlink("home/docs/box/dangling", "../nowhere");
    f.dir.makeDir("home/docs/box/emptydir");
    f.dir.makeFile("home/docs/box/locked/kept.txt", "kept");
    ::chmod((f.home + "/docs/box/locked").c_str(), 0555);
    ::chmod((f.home + "/docs/report.txt").c_str(), 0640);
    f.dir.setTimes("home/docs/report.txt", 1'500'000'000, 1'500'000'100);
    const ScanResult scan = f.scan("docs");
    // Given out of order and with a file inside a staged folder, which is copied once, with its folder.
    const std::vector<CleanupEntry> entries{f.stage(scan, "docs/report.txt"),
                                            f.stage(scan, "docs/box/inner/deep.bin"),
                                            f.stage(scan, "docs/empty.txt"), f.stage(scan, "docs/box")};
    const CancellationFlag flag;

    const BackupReceipt receipt = f.create(f.backup(), entries, flag);

    const std::string folder = CleanupBackup::folderName(receipt.createdAt, receipt.id);
    EXPECT_EQ(receipt.directory, f.parent + "/" + folder);
    EXPECT_EQ(listing(f.parent), std::vector<std::string>{folder});
    const std::vector<BackupItem> expected{
        {f.home + "/docs/box", "Files/0001/box", scan.nodes.node(f.home + "/docs/box")->logicalSize},
        {f.home + "/docs/empty.txt", "Files/0002/empty.txt", 0},
        {f.home + "/docs/report.txt", "Files/0003/report.txt", 6},
    };
    EXPECT_EQ(receipt.items, expected);
    EXPECT_EQ(f.messages, (std::vector<std::string>{"Backing up box…", "Verifying box…",
                                                    "Backing up empty.txt…", "Verifying empty.txt…",
                                                    "Backing up report.txt…", "Verifying report.txt…"}));

    EXPECT_EQ(listing(receipt.directory), (std::vector<std::string>{"Files", "Manifest.json"}));
    EXPECT_EQ(listing(receipt.directory + "/Files"), (std::vector<std::string>{"0001", "0002", "0003"}));
    const std::string box = receipt.directory + "/Files/0001/box";
    EXPECT_EQ(listing(box), (std::vector<std::string>{"dangling", "emptydir", "inner", "link", "locked"}));
    EXPECT_EQ(readWholeFile(box + "/inner/deep.bin"), std::string(3000, 'd'));
    EXPECT_EQ(readWholeFile(box + "/locked/kept.txt"), "kept");
    EXPECT_EQ(FileTree::linkTarget(box + "/link"), "inner/deep.bin");
    EXPECT_EQ(FileTree::linkTarget(box + "/dangling"), "../nowhere");
    EXPECT_EQ(statusOf(box + "/locked").st_mode & 07777, 0555u);
    EXPECT_EQ(readWholeFile(receipt.directory + "/Files/0002/empty.txt"), "");
    const std::string report = receipt.directory + "/Files/0003/report.txt";
    EXPECT_EQ(readWholeFile(report), "report");
    EXPECT_EQ(statusOf(report).st_mode & 07777, 0640u);
    EXPECT_EQ(statusOf(report).st_mtime, 1'500'000'000);

    EXPECT_EQ(BackupReceipt::decode(readWholeFile(receipt.directory + "/Manifest.json")), receipt);
    // The originals stay where they were.
    EXPECT_EQ(readWholeFile(f.home + "/docs/report.txt"), "report");
    EXPECT_EQ(readWholeFile(f.home + "/docs/box/inner/deep.bin"), std::string(3000, 'd'));
}

TEST(CleanupBackup, ItemsWithTheSameNameGetFoldersOfTheirOwn) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a/same.txt", "first");
    f.dir.makeFile("home/docs/b/same.txt", "second");
    f.dir.makeFile("home/docs/c/same.txt", "third");
    const ScanResult scan = f.scan("docs");
    const CancellationFlag flag;
    const BackupReceipt receipt =
        f.create(f.backup(),
                 {f.stage(scan, "docs/a/same.txt"), f.stage(scan, "docs/b/same.txt"),
                  f.stage(scan, "docs/c/same.txt")},
                 flag);
    ASSERT_EQ(receipt.items.size(), 3u);
    EXPECT_EQ(receipt.items[0].relativePath, "Files/0001/same.txt");
    EXPECT_EQ(receipt.items[1].relativePath, "Files/0002/same.txt");
    EXPECT_EQ(receipt.items[2].relativePath, "Files/0003/same.txt");
    EXPECT_EQ(readWholeFile(receipt.directory + "/Files/0001/same.txt"), "first");
    EXPECT_EQ(readWholeFile(receipt.directory + "/Files/0002/same.txt"), "second");
    EXPECT_EQ(readWholeFile(receipt.directory + "/Files/0003/same.txt"), "third");
}

TEST(CleanupBackup, CopiesNeverGainSetIdBits) {
    BackupFixture f;
    const std::string tool = f.dir.makeFile("home/docs/tool", "#!/bin/sh\n");
    ASSERT_EQ(::chmod(tool.c_str(), 06755), 0);
    const ScanResult scan = f.scan("docs");
    const CancellationFlag flag;
    const BackupReceipt receipt = f.create(f.backup(), {f.stage(scan, "docs/tool")}, flag);
    EXPECT_EQ(statusOf(receipt.directory + "/Files/0001/tool").st_mode & 07777, 0755u);
}

// ---- folder names -------------------------------------------------------------------------------------

struct NameCase {
    const char* zone;
    std::int64_t unixSeconds;
    double fraction;
    const char* expected;
};

TEST(CleanupBackup, FolderNamesShowTheLocalTimeAndTheIdentifiersFirstCharacters) {
    const Uuid id = *Uuid::parse("0123abcd-4567-89ab-cdef-0123456789ab");
    const std::vector<NameCase> cases{
        {"UTC0", 1'772'643'909, 0.0, "Ambertrove Backup 2026-03-04 17.05.09 0123ABCD"},
        // Fractions of a second never round up into the next second.
        {"UTC0", 1'772'643'909, 0.999, "Ambertrove Backup 2026-03-04 17.05.09 0123ABCD"},
        {"XST-05:30", 1'772'643'909, 0.0, "Ambertrove Backup 2026-03-04 22.35.09 0123ABCD"},
        {"YST+10", 1'772'643'909, 0.0, "Ambertrove Backup 2026-03-04 07.05.09 0123ABCD"},
        {"UTC0", 978'307'200, 0.0, "Ambertrove Backup 2001-01-01 00.00.00 0123ABCD"},
    };
    for (const NameCase& c : cases) {
        const ScopedVariable zone("TZ", c.zone, ::tzset);
        EXPECT_EQ(CleanupBackup::folderName(Date::fromUnix(double(c.unixSeconds) + c.fraction), id),
                  c.expected)
            << c.zone << " " << c.unixSeconds;
    }
    EXPECT_EQ(CleanupBackup::workFolderName(id), ".Ambertrove-backup-0123ABCD-4567-89AB-CDEF-0123456789AB");
}

TEST(CleanupBackup, TheFinishedFolderIsNamedByTheBackupsOwnIdentifierAndDate) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    const Uuid id = *Uuid::parse("FEDCBA98-7654-3210-FEDC-BA9876543210");
    CleanupBackup::Seams seams;
    seams.newId = [&] {
        return id;
    };
    seams.now = [] {
        return Date::fromUnixSeconds(1'772'643'909);
    };
    const ScopedVariable zone("TZ", "UTC0", ::tzset);
    const CancellationFlag flag;
    const BackupReceipt receipt = f.create(f.backup(seams), {f.stage(scan, "docs/a.txt")}, flag);
    EXPECT_EQ(receipt.id, id);
    EXPECT_EQ(receipt.createdAt, Date::fromUnixSeconds(1'772'643'909));
    EXPECT_EQ(receipt.directory, f.parent + "/Ambertrove Backup 2026-03-04 17.05.09 FEDCBA98");
    EXPECT_EQ(readWholeFile(receipt.directory + "/Manifest.json"),
              "{\"id\":\"FEDCBA98-7654-3210-FEDC-BA9876543210\",\"directory\":\"" + receipt.directory +
                  "\",\"createdAt\":794336709.0,\"items\":[{\"originalPath\":\"" + f.home +
                  "/docs/a.txt\",\"relativePath\":\"Files/0001/a.txt\",\"bytes\":1}]}");
}

// ---- verification ---------------------------------------------------------------------------------------

// A folder is checked node by node from its top, so a size that differs anywhere inside is met first as
// the folder's own total.
struct TamperCase {
    const char* name;
    // The staged item, inside "docs".
    const char* item;
    // What is done to the copy (the item's copy path) before it is verified.
    std::function<void(const std::string& copy)> tamper;
    std::string expected;
};

TEST(CleanupBackup, ACopyThatDiffersFromItsOriginalFailsAndLeavesNothing) {
    const std::vector<TamperCase> cases{
        {"file byte", "report.txt", [](const std::string& c) { overwriteByte(c, 3, 'X'); },
         "The backup of report.txt does not match the original."},
        {"file longer", "report.txt", [](const std::string& c) { appendText(c, "!"); },
         "The backup of report.txt does not match the original."},
        {"file replaced by a link", "report.txt",
         [](const std::string& c) {
             ::unlink(c.c_str());
             ::symlink("elsewhere", c.c_str());
         },
         "Only regular files can be verified for backup."},
        {"nested byte", "box", [](const std::string& c) { overwriteByte(c + "/inner/deep.bin", 2999, 'X'); },
         "The backup of deep.bin does not match the original."},
        {"nested size", "box", [](const std::string& c) { appendText(c + "/inner/deep.bin", "!"); },
         "The backup of box could not be verified."},
        {"nested missing", "box", [](const std::string& c) { ::unlink((c + "/inner/deep.bin").c_str()); },
         kNotVerified},
        {"nested extra", "box", [](const std::string& c) { std::ofstream(c + "/extra.txt") << "x"; },
         kNotVerified},
        {"nested renamed", "box",
         [](const std::string& c) {
             ::rename((c + "/inner/deep.bin").c_str(), (c + "/inner/other.bin").c_str());
         },
         "The backup of deep.bin could not be verified."},
        {"file became a folder", "box",
         [](const std::string& c) {
             ::unlink((c + "/inner/deep.bin").c_str());
             ::mkdir((c + "/inner/deep.bin").c_str(), 0755);
         },
         "The backup of box could not be verified."},
        {"link retargeted", "box",
         [](const std::string& c) {
             ::unlink((c + "/link").c_str());
             ::symlink("inner/deep.bim", (c + "/link").c_str());
         },
         "A link in the backup does not match the original."},
        {"link of another length", "box",
         [](const std::string& c) {
             ::unlink((c + "/link").c_str());
             ::symlink("deep.bin", (c + "/link").c_str());
         },
         "The backup of box could not be verified."},
        {"link became a file", "box",
         [](const std::string& c) {
             ::unlink((c + "/link").c_str());
             std::ofstream(c + "/link") << "inner/deep.bin";
         },
         "The backup of link could not be verified."},
    };
    for (const TamperCase& c : cases) {
        SCOPED_TRACE(c.name);
        BackupFixture f;
        f.dir.makeFile("home/docs/report.txt", "report");
        f.dir.makeFileOfSize("home/docs/box/inner/deep.bin", 3000, 'd');
        f.dir.makeSymlink("home/docs/box/link", "inner/deep.bin");
        // A read-only folder in the copy must not keep the unfinished backup from going.
        f.dir.makeFile("home/docs/box/locked/kept.txt", "kept");
        ::chmod((f.home + "/docs/box/locked").c_str(), 0555);
        const ScanResult scan = f.scan("docs");
        CleanupBackup::Seams seams;
        seams.afterCopy = [&](const std::string& source, const std::string& copy) {
            EXPECT_EQ(source, f.home + "/docs/" + c.item);
            c.tamper(copy);
        };
        const CancellationFlag flag;
        const CleanupBackup backup = f.backup(seams);
        EXPECT_EQ(errorText([&] { f.create(backup, {f.stage(scan, std::string("docs/") + c.item)}, flag); }),
                  c.expected);
        EXPECT_TRUE(listing(f.parent).empty());
        EXPECT_EQ(readWholeFile(f.home + "/docs/report.txt"), "report");
        EXPECT_EQ(readWholeFile(f.home + "/docs/box/inner/deep.bin"), std::string(3000, 'd'));
    }
}

TEST(CleanupBackup, AFolderWhoseScanSkipsAnEntryIsNotVerified) {
    for (const std::string side : {"original", "copy"}) {
        SCOPED_TRACE(side);
        BackupFixture f;
        f.dir.makeFile("home/docs/box/sub/a.txt", "a");
        const ScanResult scan = f.scan("docs");
        auto hooks = std::make_shared<ScanFileSystem>();
        hooks->status = [&](const std::string& path, FileStatus&) {
            const bool inCopy = path.find("/.Ambertrove-backup-") != std::string::npos;
            return path.ends_with("/box/sub/a.txt") && inCopy == (side == "copy") ? EACCES : 0;
        };
        CleanupBackup::Seams seams;
        seams.scanHooks = hooks;
        const CancellationFlag flag;
        const CleanupBackup backup = f.backup(seams);
        EXPECT_EQ(errorText([&] { f.create(backup, {f.stage(scan, "docs/box")}, flag); }), kNotVerified);
        EXPECT_TRUE(listing(f.parent).empty());
    }
}

TEST(CleanupBackup, AnOriginalThatChangesAfterItsCopyIsVerifiedStopsTheBackup) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    f.dir.makeFile("home/docs/b.txt", "b");
    const ScanResult scan = f.scan("docs");
    CleanupBackup::Seams seams;
    seams.afterVerify = [](const std::string& source, const std::string&) {
        if (source.ends_with("/b.txt"))
            appendText(source, "more");
    };
    const CancellationFlag flag;
    const CleanupBackup backup = f.backup(seams);
    EXPECT_EQ(errorText([&] {
                  f.create(backup, {f.stage(scan, "docs/a.txt"), f.stage(scan, "docs/b.txt")}, flag);
              }),
              "b.txt changed since the scan. Rescan and stage it again.");
    EXPECT_TRUE(listing(f.parent).empty());
    EXPECT_EQ(readWholeFile(f.home + "/docs/b.txt"), "bmore");
}

struct ChunkCase {
    std::int64_t size;
    // The byte changed in the copy, or -1 for none.
    std::int64_t changed;
    bool matches;
};

TEST(CleanupBackup, FilesAreComparedInWholeChunksAcrossTheirBoundaries) {
    const std::int64_t mib = std::int64_t(CleanupBackup::kChunkSize);
    const std::vector<ChunkCase> cases{
        {mib, -1, true},       {mib, mib - 1, false},   {mib + 1, -1, true},     {mib + 1, mib, false},
        {2 * mib, mib, false}, {3 * mib + 7, -1, true}, {3 * mib + 7, 0, false}, {0, -1, true},
    };
    for (const ChunkCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " " + std::to_string(c.changed));
        BackupFixture f;
        f.dir.makeFileOfSize("home/docs/big.bin", c.size, 'b');
        const ScanResult scan = f.scan("docs");
        CleanupBackup::Seams seams;
        seams.afterCopy = [&](const std::string&, const std::string& copy) {
            if (c.changed >= 0)
                overwriteByte(copy, c.changed, 'X');
        };
        const CancellationFlag flag;
        const CleanupBackup backup = f.backup(seams);
        EXPECT_EQ(errorText([&] { f.create(backup, {f.stage(scan, "docs/big.bin")}, flag); }),
                  c.matches ? "(no error)" : "The backup of big.bin does not match the original.");
        EXPECT_EQ(listing(f.parent).size(), c.matches ? 1u : 0u);
    }
}

TEST(CleanupBackup, ShortReadsNeverMakeEqualFilesDiffer) {
    BackupFixture f;
    f.dir.makeFileOfSize("home/docs/big.bin", 3 * std::int64_t(CleanupBackup::kChunkSize) + 11, 's');
    f.dir.makeFileOfSize("home/docs/box/inner.bin", 2 * std::int64_t(CleanupBackup::kChunkSize) + 5, 'i');
    const ScanResult scan = f.scan("docs");
    // Every other read gives back only a few bytes, so the two files' reads never line up.
    int calls = 0;
    CleanupBackup::Seams seams;
    seams.read = [&calls](int fd, void* buffer, std::size_t size) {
        ++calls;
        return ::read(fd, buffer, calls % 2 == 0 ? std::min<std::size_t>(size, 4093) : size);
    };
    const CancellationFlag flag;
    const BackupReceipt receipt =
        f.create(f.backup(seams), {f.stage(scan, "docs/big.bin"), f.stage(scan, "docs/box")}, flag);
    EXPECT_EQ(receipt.items.size(), 2u);
    EXPECT_GT(calls, 20);
}

// ---- refusals before anything is made ---------------------------------------------------------------------

TEST(CleanupBackup, NoEntriesAreRefusedEvenWhenStopped) {
    BackupFixture f;
    CancellationFlag flag;
    flag.cancel();
    EXPECT_EQ(errorText([&] { f.create(f.backup(), {}, flag); }), "No files selected for backup.");
    EXPECT_TRUE(listing(f.parent).empty());
}

TEST(CleanupBackup, AParentThatIsNotAFolderIsRefused) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    const std::string file = f.dir.makeFile("not-a-folder", "x");
    const ScanResult scan = f.scan("docs");
    const std::vector<CleanupEntry> entries{f.stage(scan, "docs/a.txt")};
    const CancellationFlag flag;
    const CleanupBackup backup = f.backup();
    EXPECT_EQ(errorText([&] { backup.create(entries, file, flag, {}); }), "Choose a folder for the backup.");
    EXPECT_EQ(errnoOf([&] { backup.create(entries, f.dir / "missing", flag, {}); }), ENOENT);
    // A link to a folder is that folder.
    f.dir.makeSymlink("to-backups", f.parent);
    const BackupReceipt receipt = backup.create(entries, f.dir / "to-backups", flag, {});
    EXPECT_EQ(PathResolution::parentPath(receipt.directory), f.parent);
}

struct ParentCase {
    const char* name;
    // The backup's parent folder, inside the test's folder.
    const char* parent;
    bool refused;
};

TEST(CleanupBackup, AParentAtOrInsideAnItemIsRefused) {
    const std::vector<ParentCase> cases{
        {"the item itself", "home/docs/box", true},
        {"inside the item", "home/docs/box/inner", true},
        {"through a link into the item", "link-to-inner", true},
        {"the item's own folder", "home/docs", false},
        {"a sibling whose name starts alike", "home/docs/box2", false},
        {"elsewhere", "backups", false},
    };
    for (const ParentCase& c : cases) {
        SCOPED_TRACE(c.name);
        BackupFixture f;
        f.dir.makeFile("home/docs/box/inner/a.txt", "a");
        f.dir.makeDir("home/docs/box2");
        f.dir.makeSymlink("link-to-inner", f.home + "/docs/box/inner");
        const ScanResult scan = f.scan("docs");
        const std::vector<CleanupEntry> entries{f.stage(scan, "docs/box")};
        const std::vector<std::string> before = listing(f.dir / c.parent);
        const CancellationFlag flag;
        const std::string error = errorText([&] { f.backup().create(entries, f.dir / c.parent, flag, {}); });
        if (c.refused) {
            EXPECT_EQ(error, kOutside);
            EXPECT_EQ(listing(f.dir / c.parent), before);
        } else {
            EXPECT_EQ(error, "(no error)");
        }
    }
}

struct SpaceCase {
    std::optional<std::int64_t> available;
    std::string expected;
};

TEST(CleanupBackup, TheVolumeMustHoldTheItemsLogicalSizes) {
    const std::vector<SpaceCase> cases{
        {1'499'999, "The backup needs 1.5 MB. Choose a disk with more free space."},
        {0, "The backup needs 1.5 MB. Choose a disk with more free space."},
        {1'500'000, "(no error)"},
        {std::nullopt, "(no error)"},
    };
    for (const SpaceCase& c : cases) {
        SCOPED_TRACE(c.available ? std::to_string(*c.available) : "unknown");
        BackupFixture f;
        f.dir.makeFileOfSize("home/docs/a.bin", 1'000'000);
        f.dir.makeFileOfSize("home/docs/box/b.bin", 500'000);
        const ScanResult scan = f.scan("docs");
        std::string asked;
        CleanupBackup::Seams seams;
        seams.availableCapacity = [&](const std::string& folder) {
            asked = folder;
            return c.available;
        };
        const CancellationFlag flag;
        const CleanupBackup backup = f.backup(seams);
        EXPECT_EQ(errorText([&] {
                      f.create(backup, {f.stage(scan, "docs/a.bin"), f.stage(scan, "docs/box")}, flag);
                  }),
                  c.expected);
        EXPECT_EQ(asked, f.parent);
        EXPECT_EQ(listing(f.parent).size(), c.expected == "(no error)" ? 1u : 0u);
        EXPECT_TRUE(f.messages.empty() == (c.expected != "(no error)"));
    }
}

TEST(CleanupBackup, TheVolumesAvailableBytesAreRead) {
    test::TempDir dir;
    const std::optional<std::int64_t> available = CleanupBackup::volumeAvailableCapacity(dir.path());
    ASSERT_TRUE(available.has_value());
    EXPECT_GT(*available, 0);
    EXPECT_EQ(errnoOf([&] { (void)CleanupBackup::volumeAvailableCapacity(dir / "missing"); }), ENOENT);
}

TEST(CleanupBackup, AStaleEntryIsRefusedBeforeAnythingIsCopied) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    f.dir.makeFile("home/docs/b.txt", "b");
    const ScanResult scan = f.scan("docs");
    const std::vector<CleanupEntry> entries{f.stage(scan, "docs/a.txt"), f.stage(scan, "docs/b.txt")};
    appendText(f.home + "/docs/b.txt", "changed");
    const CancellationFlag flag;
    EXPECT_EQ(errorText([&] { f.create(f.backup(), entries, flag); }),
              "b.txt changed since the scan. Rescan and stage it again.");
    EXPECT_TRUE(f.messages.empty());
    EXPECT_TRUE(listing(f.parent).empty());
}

TEST(CleanupBackup, SpecialFilesAreNotCopied) {
    BackupFixture f;
    f.dir.makeFile("home/docs/box/a.txt", "a");
    ASSERT_EQ(::mkfifo((f.home + "/docs/box/pipe").c_str(), 0644), 0);
    const ScanResult scan = f.scan("docs");
    const CancellationFlag flag;
    const CleanupBackup backup = f.backup();
    EXPECT_EQ(errnoOf([&] { f.create(backup, {f.stage(scan, "docs/box")}, flag); }), ENOTSUP);
    EXPECT_TRUE(listing(f.parent).empty());
    EXPECT_TRUE(exists(f.home + "/docs/box/pipe"));
}

// ---- stops ----------------------------------------------------------------------------------------------

TEST(CleanupBackup, AStopIsNoticedRightAfterTheCopyInProgress) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    f.dir.makeFile("home/docs/b.txt", "b");
    f.dir.makeFile("home/docs/c.txt", "c");
    const ScanResult scan = f.scan("docs");
    CancellationFlag flag;
    bool copiedWhileStopped = false;
    CleanupBackup::Seams seams;
    seams.afterCopy = [&](const std::string& source, const std::string& copy) {
        if (source.ends_with("/b.txt"))
            copiedWhileStopped = flag.isCancelled() && readWholeFile(copy) == "b";
    };
    std::vector<std::string> messages;
    const CleanupBackup backup = f.backup(seams);
    EXPECT_THROW(
        backup.create({f.stage(scan, "docs/a.txt"), f.stage(scan, "docs/b.txt"), f.stage(scan, "docs/c.txt")},
                      f.parent, flag,
                      [&](const std::string& m) {
                          messages.push_back(m);
                          if (m == "Backing up b.txt…")
                              flag.cancel();
                      }),
        CancellationError);
    EXPECT_TRUE(copiedWhileStopped);
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Backing up a.txt…", "Verifying a.txt…", "Backing up b.txt…"}));
    EXPECT_TRUE(listing(f.parent).empty());
}

TEST(CleanupBackup, AStopBeforeTheStartMakesNothing) {
    BackupFixture f;
    f.dir.makeFile("home/docs/a.txt", "a");
    const ScanResult scan = f.scan("docs");
    CancellationFlag flag;
    flag.cancel();
    const CleanupBackup backup = f.backup();
    EXPECT_THROW(f.create(backup, {f.stage(scan, "docs/a.txt")}, flag), CancellationError);
    EXPECT_TRUE(listing(f.parent).empty());
    EXPECT_TRUE(f.messages.empty());
}

// ---- the receipt's JSON form
// --------------------------------------------------------------------------------

TEST(BackupReceipt, ReadsBackWhatItWritesAndRequiresEveryKey) {
    BackupReceipt receipt;
    receipt.id = *Uuid::parse("00000000-0000-0000-0000-0000000000AB");
    receipt.directory = "/b/Ambertrove Backup";
    receipt.createdAt = Date{1.5};
    receipt.items = {{"/a/x", "Files/0001/x", 5}, {"/a/y", "Files/0002/y", -1}};
    const std::string text = receipt.encode();
    EXPECT_EQ(text,
              "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b/Ambertrove Backup\","
              "\"createdAt\":1.5,\"items\":[{\"originalPath\":\"/a/x\",\"relativePath\":\"Files/0001/x\","
              "\"bytes\":5},{\"originalPath\":\"/a/y\",\"relativePath\":\"Files/0002/y\",\"bytes\":-1}]}");
    EXPECT_EQ(BackupReceipt::decode(text), receipt);
    EXPECT_EQ(BackupReceipt::decodeList(BackupReceipt::encodeList({receipt, receipt})),
              (std::vector<BackupReceipt>{receipt, receipt}));
    EXPECT_EQ(BackupReceipt::encodeList({}), "[]");

    const std::vector<std::string> broken{
        "{\"directory\":\"/b\",\"createdAt\":1,\"items\":[]}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"createdAt\":1,\"items\":[]}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"items\":[]}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"createdAt\":1}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"createdAt\":1,\"items\":{}}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"createdAt\":1,"
        "\"items\":[{\"relativePath\":\"r\",\"bytes\":1}]}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"createdAt\":1,"
        "\"items\":[{\"originalPath\":\"o\",\"bytes\":1}]}",
        "{\"id\":\"00000000-0000-0000-0000-0000000000AB\",\"directory\":\"/b\",\"createdAt\":1,"
        "\"items\":[{\"originalPath\":\"o\",\"relativePath\":\"r\",\"bytes\":\"1\"}]}",
        "{\"id\":\"not a uuid\",\"directory\":\"/b\",\"createdAt\":1,\"items\":[]}",
        "[]",
        "not json",
    };
    for (const std::string& bad : broken)
        EXPECT_THROW(BackupReceipt::decode(bad), DecodingError) << bad;
}

} // namespace
} // namespace ambertrove
