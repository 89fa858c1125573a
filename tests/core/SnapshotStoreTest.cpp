#include "snapshots/SnapshotStore.hpp"
#include "base/AmbertroveError.hpp"
#include "model/ScanJson.hpp"
#include "platform/AtomicFile.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"
#include "support/CaseName.hpp"
#include "support/Checks.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::errnoOf;
using test::exists;
using test::listing;
using test::TempDir;

// ---- small scans built by hand -----------------------------------------------------------------

struct Entry {
    std::string path;
    std::int64_t logical = 0;
    std::int64_t allocated = 0;
    bool folder = false;
    std::int64_t files = 0;
};

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A finished scan of `root`; entries come parent first. The root entry, when listed, is the first;
// without it the table has no node at `root`.
ScanResult makeScan(const std::string& root, const std::vector<Entry>& entries) {
    ScanResult scan;
    scan.rootPath = root;
    scan.scannedAt = Date{700000000};
    scan.duration = 1.5;
    NodeTable& t = scan.nodes;
    std::uint64_t inode = 10;
    for (const Entry& e : entries) {
        NodeData d;
        d.isDirectory = e.folder;
        d.logicalSize = e.logical;
        d.allocatedSize = e.allocated;
        if (!e.folder) {
            d.ownLogicalSize = e.logical;
            d.ownAllocatedSize = e.allocated;
        }
        d.fileCount = e.folder ? e.files : 1;
        d.modified = Date{710000000};
        d.identity.inode = inode++;
        d.identity.device = 2049;
        d.identity.mode = e.folder ? 040755 : 0100644;
        d.identity.size = e.logical;
        d.identity.linkCount = 1;
        const NodeIndex i = t.ensurePath(e.path);
        const bool isRoot = e.path == root;
        t.setNode(i, d, !isRoot);
        if (!isRoot)
            t.appendChild(t.ensurePath(parentOf(e.path)), i);
    }
    t.finish();
    return scan;
}

ScanResult sampleScan() {
    return makeScan("/data", {{"/data", 7000, 12288, true, 3},
                              {"/data/a.txt", 1000, 4096},
                              {"/data/sub", 6000, 8192, true, 2},
                              {"/data/sub/b.bin", 5000, 8192},
                              {"/data/sub/empty", 0, 0}});
}

// ---- stores with fixed identifiers and dates -----------------------------------------------------

Uuid uuid(const std::string& text) {
    return *Uuid::parse(text);
}

const std::string kId1 = "11111111-2222-3333-4444-555555555555";
const std::string kId2 = "AAAAAAAA-0000-0000-0000-000000000002";
const std::string kId3 = "0FFFFFFF-0000-0000-0000-000000000003";

// Hands out the given identifiers and dates in turn.
SnapshotStore::Sources fixedSources(std::vector<std::string> ids, std::vector<double> dates) {
    auto next = std::make_shared<std::size_t>(0);
    auto nextDate = std::make_shared<std::size_t>(0);
    return {[ids, next] { return uuid(ids.at((*next)++)); },
            [dates, nextDate] {
                return Date{dates.at((*nextDate)++)};
            }};
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string recordJson(const std::string& id, double createdAt = 5) {
    return R"({"id":")" + id + R"(","title":"T","createdAt":)" + std::to_string(createdAt) +
           R"(,"rootPath":"/data","bytes":1,"fileCount":2})";
}

// ---- save, catalog and load --------------------------------------------------------------------

TEST(SnapshotStoreTest, MissingFolderListsNothingAndFirstSaveCreatesIt) {
    TempDir temp;
    const std::string folder = temp / "state/deeper/Snapshots";
    SnapshotStore store(folder, fixedSources({kId1}, {100}));
    EXPECT_EQ(store.catalog(), SnapshotCatalog{});
    EXPECT_TRUE(store.list().empty());

    store.save(sampleScan(), "data");
    EXPECT_EQ(listing(folder), (std::vector<std::string>{kId1 + ".json", kId1 + ".meta"}));
}

TEST(SnapshotStoreTest, SaveWritesBothFilesAndLoadReadsTheScanBack) {
    TempDir temp;
    SnapshotStore store(temp / "Snapshots", fixedSources({kId1}, {800000000.25}));
    const ScanResult scan = sampleScan();

    const SnapshotRecord record = store.save(scan, "My data");
    EXPECT_EQ(record.id, uuid(kId1));
    EXPECT_EQ(record.title, "My data");
    EXPECT_EQ(record.createdAt, Date{800000000.25});
    EXPECT_EQ(record.rootPath, "/data");
    EXPECT_EQ(record.bytes, 12288);
    EXPECT_EQ(record.fileCount, 3);
    EXPECT_EQ(record.filename(), kId1 + ".json");
    EXPECT_EQ(store.scanPath(record), temp / ("Snapshots/" + kId1 + ".json"));

    EXPECT_EQ(
        readWholeFile(store.recordPath(record)),
        R"({"id":")" + kId1 +
            R"(","title":"My data","createdAt":800000000.25,"rootPath":"/data","bytes":12288,"fileCount":3})");
    EXPECT_EQ(ScanJson::readFile(store.scanPath(record)), scan);

    EXPECT_EQ(store.load(record), scan);
    const SnapshotCatalog catalog = store.catalog();
    EXPECT_EQ(catalog.records, std::vector<SnapshotRecord>{record});
    EXPECT_TRUE(catalog.issues.empty());
}

TEST(SnapshotStoreTest, AScanOfNamesThatAreNotUtf8IsSavedAndOpensExactly) {
    // Two names that differ only in bytes that are not UTF-8, and one literally named with U+FFFD.
    TempDir temp;
    const std::string tree = temp.makeDir("tree");
    for (const std::string name : {"x\xFE", "x\xFF", "x\xEF\xBF\xBD"}) {
        temp.makeFile("tree/" + name + "/inner", name);
        temp.makeFile("tree/" + name + "/" + name, name + name);
    }
    test::settleAccessTimes(tree);
    const CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(tree + "/", flag);
    ASSERT_EQ(scan.nodes.size(), 10u);
    ASSERT_TRUE(scan.issues.empty());

    SnapshotStore store(temp / "Snapshots", fixedSources({kId1}, {100}));
    const SnapshotRecord record = store.save(scan, "x\xFE");
    ASSERT_EQ(store.list(), std::vector<SnapshotRecord>{record});
    const ScanResult back = store.load(record);
    EXPECT_EQ(back, scan);
    EXPECT_EQ(readWholeFile(back.nodes.node(tree + "/x\xFF/x\xFF")->path), "x\xFFx\xFF");
}

TEST(SnapshotStoreTest, AScanThatCouldNotBeReadBackIsNotSaved) {
    TempDir temp;
    ScanResult scan = sampleScan();
    scan.issues.push_back({std::string("/data/a\0b", 9), "Permission denied"});
    SnapshotStore store(temp / "Snapshots", fixedSources({kId1}, {100}));
    EXPECT_THROW(store.save(scan, "data"), EncodingError);
    EXPECT_TRUE(listing(temp / "Snapshots").empty());
    EXPECT_TRUE(store.catalog().records.empty());
}

TEST(SnapshotStoreTest, SavedScansAreReadableOnlyByTheirOwner) {
    TempDir temp;
    const test::ScopedUmask mask(022);
    SnapshotStore store(temp / "state/Snapshots", fixedSources({kId1, kId2}, {100, 200}));
    const SnapshotRecord record = store.save(sampleScan(), "data");
    EXPECT_EQ(test::permissionsOf(temp / "state"), 0700);
    EXPECT_EQ(test::permissionsOf(temp / "state/Snapshots"), 0700);
    EXPECT_EQ(test::permissionsOf(store.scanPath(record)), 0600);
    EXPECT_EQ(test::permissionsOf(store.recordPath(record)), 0600);

    // A folder an older version made open to others is narrowed at the next save.
    ::chmod((temp / "state/Snapshots").c_str(), 0755);
    const SnapshotRecord second = store.save(sampleScan(), "data");
    EXPECT_EQ(test::permissionsOf(temp / "state/Snapshots"), 0700);
    EXPECT_EQ(test::permissionsOf(store.scanPath(second)), 0600);
}

TEST(SnapshotStoreTest, ScanWithoutRootEntryIsSavedWithZeroFigures) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const ScanResult scan = makeScan("/data", {});
    const SnapshotRecord record = store.save(scan, "none");
    EXPECT_EQ(record.bytes, 0);
    EXPECT_EQ(record.fileCount, 0);
    EXPECT_EQ(store.load(record), scan);
}

TEST(SnapshotStoreTest, RealIdentifiersAndDatesAreFreshForEachSave) {
    TempDir temp;
    SnapshotStore store(temp.path());
    const Date before = Date::now();
    const SnapshotRecord first = store.save(sampleScan(), "one");
    const SnapshotRecord second = store.save(sampleScan(), "two");
    EXPECT_NE(first.id, second.id);
    EXPECT_GE(first.createdAt, before);
    EXPECT_LE(second.createdAt, Date::now());
    EXPECT_EQ(store.list().size(), 2u);
}

TEST(SnapshotStoreTest, CatalogIsNewestFirstAndEqualDatesGoByIdentifierText) {
    TempDir temp;
    // Saved in the order 1, 2, 3; 2 and 3 share a date, and 3's text sorts before 2's.
    SnapshotStore store(temp.path(), fixedSources({kId1, kId2, kId3}, {10, 30, 30}));
    const SnapshotRecord r1 = store.save(sampleScan(), "first");
    const SnapshotRecord r2 = store.save(sampleScan(), "second");
    const SnapshotRecord r3 = store.save(sampleScan(), "third");
    EXPECT_EQ(store.list(), (std::vector<SnapshotRecord>{r3, r2, r1}));
}

TEST(SnapshotStoreTest, OtherFilesAndScanFilesWithoutRecordsAreIgnored) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "kept");
    temp.makeFile(kId2 + ".json", "{}");
    temp.makeFile("notes.txt", "x");
    temp.makeFile(".meta", "not a record: a name that is only an extension has none");
    temp.makeFile(kId3 + ".meta.bak", recordJson(kId3));
    temp.makeDir("folder");
    const SnapshotCatalog catalog = store.catalog();
    EXPECT_EQ(catalog.records, std::vector<SnapshotRecord>{record});
    EXPECT_TRUE(catalog.issues.empty());
}

// ---- catalog issues ----------------------------------------------------------------------------

struct IssueCase {
    std::string name;
    std::function<void(TempDir&)> arrange; // makes the record file named `file` and what it needs
    std::string file;
    std::string message;
};

std::vector<IssueCase> issueCases() {
    const std::string good = kId1 + ".meta";
    return {
        {"NotJson", [=](TempDir& t) { t.makeFile(good, "not json"); }, good,
         "Saved-scan details could not be read."},
        {"Empty", [=](TempDir& t) { t.makeFile(good, ""); }, good, "Saved-scan details could not be read."},
        {"Array", [=](TempDir& t) { t.makeFile(good, "[]"); }, good, "Saved-scan details could not be read."},
        {"MissingKey",
         [=](TempDir& t) {
             t.makeFile(good,
                        R"({"id":")" + kId1 + R"(","title":"T","createdAt":5,"rootPath":"/d","bytes":1})");
             t.makeFile(kId1 + ".json", "{}");
         },
         good, "Saved-scan details could not be read."},
        {"StringForNumber",
         [=](TempDir& t) {
             t.makeFile(good,
                        R"({"id":")" + kId1 +
                            R"(","title":"T","createdAt":"5","rootPath":"/d","bytes":1,"fileCount":2})");
         },
         good, "Saved-scan details could not be read."},
        {"NullValue",
         [=](TempDir& t) {
             t.makeFile(good, R"({"id":")" + kId1 +
                                  R"(","title":null,"createdAt":5,"rootPath":"/d","bytes":1,"fileCount":2})");
         },
         good, "Saved-scan details could not be read."},
        {"IdNotAUuid",
         [=](TempDir& t) {
             t.makeFile(good,
                        R"({"id":"nope","title":"T","createdAt":5,"rootPath":"/d","bytes":1,"fileCount":2})");
         },
         good, "Saved-scan details could not be read."},
        {"FractionalCount",
         [=](TempDir& t) {
             t.makeFile(good,
                        R"({"id":")" + kId1 +
                            R"(","title":"T","createdAt":5,"rootPath":"/d","bytes":1,"fileCount":2.5})");
         },
         good, "Saved-scan details could not be read."},
        {"OtherUuidInName",
         [=](TempDir& t) {
             t.makeFile(good, recordJson(kId2));
             t.makeFile(kId2 + ".json", "{}");
         },
         good, "Saved-scan details do not match this entry."},
        {"NameNotAUuid",
         [=](TempDir& t) {
             t.makeFile("saved.meta", recordJson(kId1));
             t.makeFile(kId1 + ".json", "{}");
         },
         "saved.meta", "Saved-scan details do not match this entry."},
        {"ScanFileMissing", [=](TempDir& t) { t.makeFile(good, recordJson(kId1)); }, good,
         "The saved scan is unavailable."},
        {"ScanPathIsAFolder",
         [=](TempDir& t) {
             t.makeFile(good, recordJson(kId1));
             t.makeDir(kId1 + ".json");
         },
         good, "The saved scan is unavailable."},
        {"ScanPathIsASymbolicLink",
         [=](TempDir& t) {
             t.makeFile(good, recordJson(kId1));
             t.makeFile("elsewhere.json", "{}");
             t.makeSymlink(kId1 + ".json", "elsewhere.json");
         },
         good, "The saved scan is unavailable."},
        {"RecordFileIsAFolder", [=](TempDir& t) { t.makeDir(good); }, good, "Is a directory"},
        // Nothing but a file of a record's size is read: a named pipe never holds the catalog.
        {"RecordFileIsANamedPipe", [=](TempDir& t) { ::mkfifo((t / good).c_str(), 0600); }, good,
         "It is a named pipe, not a file."},
        {"RecordFileIsALink",
         [=](TempDir& t) {
             t.makeFile("elsewhere.meta.txt", recordJson(kId1));
             t.makeFile(kId1 + ".json", "{}");
             t.makeSymlink(good, t / "elsewhere.meta.txt");
         },
         good, "It is a symbolic link, not a file."},
        {"RecordFileIsTooLarge",
         [=](TempDir& t) {
             t.makeFile(good, replaced(recordJson(kId1), "\"title\":\"T\"",
                                       "\"title\":\"" + std::string(64'000, 't') + "\""));
             t.makeFile(kId1 + ".json", "{}");
         },
         good, "It is larger than 64 kB, the most such a file may hold."},
    };
}

void PrintTo(const IssueCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotCatalogIssueTest : public testing::TestWithParam<IssueCase> {};

TEST_P(SnapshotCatalogIssueTest, RecordFileIsReportedAndNotListed) {
    TempDir temp;
    GetParam().arrange(temp);
    const SnapshotCatalog catalog = SnapshotStore(temp.path()).catalog();
    EXPECT_TRUE(catalog.records.empty());
    EXPECT_EQ(catalog.issues,
              (std::vector<SnapshotCatalogIssue>{{temp / GetParam().file, GetParam().message}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, SnapshotCatalogIssueTest, testing::ValuesIn(issueCases()),
                         test::caseName<IssueCase>);

TEST(SnapshotStoreTest, RecordsWithUnlistedKeysAndWholeNumberDatesDecode) {
    TempDir temp;
    temp.makeFile(kId1 + ".meta",
                  R"({"extra":[1,2],"fileCount":2,"bytes":1,"rootPath":"/data","createdAt":5,)"
                  R"("title":"T","id":")" +
                      kId1 + R"("})");
    temp.makeFile(kId1 + ".json", "{}");
    const SnapshotCatalog catalog = SnapshotStore(temp.path()).catalog();
    ASSERT_EQ(catalog.records.size(), 1u);
    EXPECT_EQ(catalog.records[0], (SnapshotRecord{uuid(kId1), "T", Date{5}, "/data", 1, 2}));
}

TEST(SnapshotStoreTest, CraftedDatesInRecordsAreReadExactlyOrReportedNeverCrash) {
    // Each record file holds one date text; the catalog lists the readable ones with their exact value
    // and reports the others.
    struct Case {
        const char* id;
        const char* createdAt;
        std::optional<double> value; // nothing: reported as unreadable
    };
    const Case cases[] = {
        {"00000000-0000-0000-0000-000000000001", "0e53", 0.0},
        {"00000000-0000-0000-0000-000000000002", "0e38", 0.0},
        {"00000000-0000-0000-0000-000000000003", "1e400", std::nullopt},
        {"00000000-0000-0000-0000-000000000004", "-1e400", std::nullopt},
        {"00000000-0000-0000-0000-000000000005", "1.8e308", std::nullopt},
    };
    TempDir temp;
    for (const Case& c : cases) {
        temp.makeFile(std::string(c.id) + ".meta", replaced(recordJson(c.id), "\"createdAt\":5.000000",
                                                            std::string("\"createdAt\":") + c.createdAt));
        temp.makeFile(std::string(c.id) + ".json", "{}");
    }
    const SnapshotCatalog catalog = SnapshotStore(temp.path()).catalog();
    for (const Case& c : cases) {
        const auto listed = std::find_if(catalog.records.begin(), catalog.records.end(),
                                         [&](const SnapshotRecord& r) { return r.id.text() == c.id; });
        const auto reported =
            std::find_if(catalog.issues.begin(), catalog.issues.end(), [&](const auto& issue) {
                return issue.path == temp / (std::string(c.id) + ".meta");
            });
        if (c.value) {
            ASSERT_NE(listed, catalog.records.end()) << c.createdAt;
            EXPECT_EQ(listed->createdAt, Date{*c.value}) << c.createdAt;
        } else {
            EXPECT_EQ(listed, catalog.records.end()) << c.createdAt;
            ASSERT_NE(reported, catalog.issues.end()) << c.createdAt;
            EXPECT_EQ(reported->message, "Saved-scan details could not be read.");
        }
    }
}

TEST(SnapshotStoreTest, IssuesComeInPathOrderAlongsideUsableRecords) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "fine");
    temp.makeFile("b.meta", "{");
    temp.makeFile(kId3 + ".meta", recordJson(kId3)); // no scan file
    temp.makeFile("A.meta", recordJson(kId2));
    const SnapshotCatalog catalog = store.catalog();
    EXPECT_EQ(catalog.records, std::vector<SnapshotRecord>{record});
    EXPECT_EQ(catalog.issues, (std::vector<SnapshotCatalogIssue>{
                                  {temp / (kId3 + ".meta"), "The saved scan is unavailable."},
                                  {temp / "A.meta", "Saved-scan details do not match this entry."},
                                  {temp / "b.meta", "Saved-scan details could not be read."},
                              }));
}

TEST(SnapshotStoreTest, CatalogOfAFolderThatCannotBeUsedThrows) {
    TempDir temp;
    const std::string file = temp.makeFile("Snapshots", "a file where the folder belongs");
    const std::string refusal = "“" + file + "” is not a folder.";
    EXPECT_EQ(test::messageOf([&] { (void)SnapshotStore(file).catalog(); }), refusal);
    EXPECT_EQ(test::messageOf([&] { (void)SnapshotStore(file).list(); }), refusal);
}

TEST(SnapshotStoreTest, ASavedScanThatIsNotAFileIsRefusedAtOnce) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "t");
    ASSERT_EQ(::unlink(store.scanPath(record).c_str()), 0);
    ASSERT_EQ(::mkfifo(store.scanPath(record).c_str(), 0600), 0);
    EXPECT_EQ(test::messageOf([&] { (void)store.load(record); }), "It is a named pipe, not a file.");
}

TEST(SnapshotStoreTest, TheApplicationsStoreIsUsedOnlyInAStateFolderOfTheUsersOwn) {
    // The state folder counts as the store's own: a folder others may change is neither read nor written.
    struct Case {
        const char* name;
        mode_t state;
        mode_t snapshots;
        std::string refused; // the folder named by the refusal, or nothing
    };
    const Case cases[] = {
        {"both private", 0700, 0700, ""},
        {"a state folder others may change", 0777, 0700, "state"},
        {"a saved-scan folder its group may change", 0700, 0770, "state/Snapshots"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        ::chmod(temp.makeDir("state/Snapshots").c_str(), c.snapshots);
        ::chmod((temp / "state").c_str(), c.state);
        SnapshotStore store = SnapshotStore::inStateFolder(temp / "state", fixedSources({kId1}, {1}));
        EXPECT_EQ(store.directory(), temp / "state/Snapshots");
        const std::string refusal =
            c.refused.empty() ? "" : "“" + (temp / c.refused) + "” can be changed by other users.";
        EXPECT_EQ(test::messageOf([&] { (void)store.catalog(); }), refusal);
        EXPECT_EQ(test::messageOf([&] { (void)store.save(sampleScan(), "t"); }), refusal);
        EXPECT_EQ(listing(temp / "state/Snapshots").size(), c.refused.empty() ? 2u : 0u);
    }
}

// ---- failed saves --------------------------------------------------------------------------------

TEST(SnapshotStoreTest, SaveThrowsAndWritesNothingWhenTheFolderCannotBeMade) {
    TempDir temp;
    temp.makeFile("blocker", "x");
    SnapshotStore store(temp / "blocker/Snapshots", fixedSources({kId1}, {1}));
    EXPECT_EQ(errnoOf([&] { store.save(sampleScan(), "t"); }), ENOTDIR);
    EXPECT_EQ(listing(temp.path()), std::vector<std::string>{"blocker"});
}

TEST(SnapshotStoreTest, FailedRecordWriteRemovesTheScanFileAgain) {
    TempDir temp;
    // A folder in the record file's place makes its atomic rename fail.
    temp.makeFile(kId1 + ".meta/inside", "x");
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    EXPECT_NE(errnoOf([&] { store.save(sampleScan(), "t"); }), 0);
    EXPECT_EQ(listing(temp.path()), std::vector<std::string>{kId1 + ".meta"});
    EXPECT_EQ(listing(temp / (kId1 + ".meta")), std::vector<std::string>{"inside"});
}

TEST(SnapshotStoreTest, FailedScanWriteLeavesNoFiles) {
    TempDir temp;
    temp.makeFile(kId1 + ".json/inside", "x");
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    EXPECT_NE(errnoOf([&] { store.save(sampleScan(), "t"); }), 0);
    EXPECT_EQ(listing(temp.path()), std::vector<std::string>{kId1 + ".json"});
}

// ---- load --------------------------------------------------------------------------------------

TEST(SnapshotStoreTest, LoadThrowsForMissingAndUndecodableScans) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "t");
    temp.makeFile(kId1 + ".json", R"({"id":"broken")");
    EXPECT_THROW((void)store.load(record), DecodingError);
    ::unlink(store.scanPath(record).c_str());
    EXPECT_EQ(errnoOf([&] { (void)store.load(record); }), ENOENT);
}

// ---- delete --------------------------------------------------------------------------------------

TEST(SnapshotStoreTest, DeleteRemovesBothFiles) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1, kId2}, {1, 2}));
    const SnapshotRecord gone = store.save(sampleScan(), "gone");
    const SnapshotRecord kept = store.save(sampleScan(), "kept");
    store.remove(gone);
    EXPECT_EQ(listing(temp.path()), (std::vector<std::string>{kId2 + ".json", kId2 + ".meta"}));
    EXPECT_EQ(store.catalog(), (SnapshotCatalog{{kept}, {}}));
}

TEST(SnapshotStoreTest, DeleteClearsARecordWhoseScanFileIsAlreadyGone) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "t");
    ::unlink(store.scanPath(record).c_str());
    ASSERT_EQ(store.catalog().issues.size(), 1u);
    store.remove(record);
    EXPECT_TRUE(listing(temp.path()).empty());
    EXPECT_EQ(store.catalog(), SnapshotCatalog{});
}

TEST(SnapshotStoreTest, DeleteLeavesTheRecordWhenTheScanFileCannotBeRemoved) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "t");
    ::unlink(store.scanPath(record).c_str());
    temp.makeFile(kId1 + ".json/inside", "x"); // a folder is never removed by the store
    EXPECT_EQ(errnoOf([&] { store.remove(record); }), EISDIR);
    EXPECT_TRUE(exists(store.recordPath(record)));
    EXPECT_TRUE(exists(temp / (kId1 + ".json/inside")));
}

TEST(SnapshotStoreTest, DeleteThrowsWhenTheRecordFileCannotBeRemovedAfterTheScanFile) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "t");
    ::unlink(store.recordPath(record).c_str());
    temp.makeDir(kId1 + ".meta");
    EXPECT_EQ(errnoOf([&] { store.remove(record); }), EISDIR);
    EXPECT_FALSE(exists(store.scanPath(record)));
    EXPECT_EQ(store.catalog().issues,
              (std::vector<SnapshotCatalogIssue>{{temp / (kId1 + ".meta"), "Is a directory"}}));
}

TEST(SnapshotStoreTest, DeleteOfARecordWithNoFilesThrows) {
    TempDir temp;
    const SnapshotStore store(temp.path());
    EXPECT_EQ(errnoOf([&] {
                  store.remove(SnapshotRecord{uuid(kId1), "t", Date{1}, "/data", 0, 0});
              }),
              ENOENT);
}

// ---- compare -------------------------------------------------------------------------------------

TEST(SnapshotStoreTest, CompareOfDifferentRootsFailsWhateverTheContents) {
    const ScanResult a = makeScan("/data", {});
    const ScanResult b = makeScan("/data/", {});
    try {
        (void)SnapshotStore::compare(a, b, false);
        FAIL() << "expected an error";
    } catch (const AmbertroveError& e) {
        EXPECT_EQ(e.message(), "Scan the same root folder to compare these snapshots.");
    }
    EXPECT_THROW((void)SnapshotStore::compare(sampleScan(), makeScan("/other", {}), true), AmbertroveError);
}

TEST(SnapshotStoreTest, CompareWithItselfGivesNoChanges) {
    const ScanResult scan = sampleScan();
    EXPECT_TRUE(SnapshotStore::compare(scan, scan, false).empty());
    EXPECT_TRUE(SnapshotStore::compare(scan, scan, true).empty());
}

// A folder of `files` files, each `every`-th of them `grown` bytes larger.
ScanResult wideScan(int files, int every = 0, std::int64_t grown = 0) {
    std::vector<Entry> entries{{"/wide", 0, 0, true, files}};
    for (int k = 0; k < files; ++k) {
        const std::int64_t extra = every && k % every == 0 ? grown : 0;
        entries.push_back({"/wide/file " + std::to_string(k), 100 + extra, 4096 + extra});
    }
    return makeScan("/wide", entries);
}

// A load looks at its cancellation before it opens the file, every 4096 nodes and before the table is
// built; a stop at any of them ends it there with nothing returned.
TEST(SnapshotStoreTest, ACancelledLoadStopsAtItsNextPollAndGivesNothing) {
    TempDir dir;
    SnapshotStore store(dir / "Snapshots");
    const ScanResult scan = wideScan(20'000);
    const SnapshotRecord record = store.save(scan, "wide");
    int polls = 0;
    EXPECT_EQ(store.load(record, TaskCancellation([&] { return ++polls < 0; })), scan);
    EXPECT_EQ(polls, 2 + 20'001 / 4096);
    for (int stopAt = 1; stopAt <= polls; ++stopAt) {
        int seen = 0;
        EXPECT_THROW((void)store.load(record, TaskCancellation([&] { return ++seen >= stopAt; })),
                     CancellationError)
            << stopAt;
        EXPECT_EQ(seen, stopAt);
    }
}

// A comparison looks at its cancellation every 512 entries of each scan and every 1024 comparisons of its
// sort, so a stop ends it within a few hundred entries wherever it is.
TEST(SnapshotStoreTest, ACancelledComparisonStopsAtItsNextPollAndGivesNothing) {
    const ScanResult earlier = wideScan(20'000);
    const ScanResult later = wideScan(20'000, 3, 1000);
    int polls = 0;
    const std::vector<SnapshotChange> changes =
        SnapshotStore::compare(earlier, later, false, TaskCancellation([&] { return ++polls < 0; }));
    EXPECT_EQ(changes, SnapshotStore::compare(earlier, later, false));
    EXPECT_EQ(changes.size(), 6'667u); // every third file
    EXPECT_GE(polls, 2 * 20'001 / 512);
    for (const int stopAt : {1, 2, polls / 4, polls / 2, polls - 1, polls}) {
        int seen = 0;
        EXPECT_THROW((void)SnapshotStore::compare(earlier, later, false,
                                                  TaskCancellation([&] { return ++seen >= stopAt; })),
                     CancellationError)
            << stopAt;
        EXPECT_EQ(seen, stopAt);
    }
}

struct CompareCase {
    std::string name;
    bool logical;
    std::vector<SnapshotChange> expected;
};

void PrintTo(const CompareCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotCompareTest : public testing::TestWithParam<CompareCase> {};

// Earlier: a (grows), b (shrinks by as much as a grows), gone (size 0), sub with old. Later: new (size 0),
// big, and sub's figures change in allocated size only.
TEST_P(SnapshotCompareTest, ChangesAreListedLargestFirstThenByPath) {
    const ScanResult earlier = makeScan("/r", {{"/r", 300, 800, true, 4},
                                               {"/r/b", 200, 300},
                                               {"/r/a", 100, 100},
                                               {"/r/gone", 0, 0},
                                               {"/r/sub", 0, 400, true, 1},
                                               {"/r/sub/old", 0, 400}});
    const ScanResult later = makeScan("/r", {{"/r", 1300, 1300, true, 5},
                                             {"/r/a", 150, 200},
                                             {"/r/b", 150, 200},
                                             {"/r/new", 0, 0},
                                             {"/r/sub", 0, 0, true, 0},
                                             {"/r/big", 1000, 900}});
    EXPECT_EQ(SnapshotStore::compare(earlier, later, GetParam().logical), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SnapshotCompareTest,
                         testing::Values(CompareCase{"Allocated",
                                                     false,
                                                     {{"/r/big", 0, 900, "Added"},
                                                      {"/r", 800, 1300, "Changed"},
                                                      {"/r/sub", 400, 0, "Changed"},
                                                      {"/r/sub/old", 400, 0, "Removed"},
                                                      {"/r/a", 100, 200, "Changed"},
                                                      {"/r/b", 300, 200, "Changed"},
                                                      {"/r/gone", 0, 0, "Removed"},
                                                      {"/r/new", 0, 0, "Added"}}},
                                         CompareCase{"Logical",
                                                     true,
                                                     {{"/r", 300, 1300, "Changed"},
                                                      {"/r/big", 0, 1000, "Added"},
                                                      {"/r/a", 100, 150, "Changed"},
                                                      {"/r/b", 200, 150, "Changed"},
                                                      {"/r/gone", 0, 0, "Removed"},
                                                      {"/r/new", 0, 0, "Added"},
                                                      {"/r/sub/old", 0, 0, "Removed"}}}),
                         test::caseName<CompareCase>);

TEST(SnapshotStoreTest, CompareOfASavedScanWithTheCurrentOne) {
    TempDir temp;
    SnapshotStore store(temp.path(), fixedSources({kId1}, {1}));
    const SnapshotRecord record = store.save(sampleScan(), "then");
    const ScanResult now = makeScan("/data", {{"/data", 7000, 16384, true, 3},
                                              {"/data/a.txt", 1000, 8192},
                                              {"/data/sub", 6000, 8192, true, 2},
                                              {"/data/sub/b.bin", 5000, 8192},
                                              {"/data/sub/empty", 0, 0}});
    EXPECT_EQ(SnapshotStore::compare(store.load(record), now, false),
              (std::vector<SnapshotChange>{{"/data", 12288, 16384, "Changed"},
                                           {"/data/a.txt", 4096, 8192, "Changed"}}));
}

TEST(SnapshotStoreTest, ChangeDeltaIsAfterMinusBeforeAndStopsAtTheLimits) {
    EXPECT_EQ((SnapshotChange{"/p", 300, 100, "Changed"}.delta()), -200);
    EXPECT_EQ((SnapshotChange{"/p", 0, 0, "Added"}.delta()), 0);
    EXPECT_EQ((SnapshotChange{"/p", INT64_MIN, 5, "Changed"}.delta()), INT64_MAX);
    EXPECT_EQ((SnapshotChange{"/p", INT64_MAX, -5, "Changed"}.delta()), INT64_MIN);
}

} // namespace
} // namespace ambertrove
