#include "cleanup/CleanupEntry.hpp"
#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "scan/ScanFileSystem.hpp"
#include "support/CleanupFixture.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::CleanupFixture;
using test::errnoOf;
using test::errorText;
using test::setImmutable;

const std::string kNotFullyScanned =
    "This item was not fully scanned. Resolve access errors and scan again before cleanup.";
const std::string kNotInScan = "This item is not part of the current scan.";
const std::string kContainsVendorApp =
    "This folder contains a protected macOS app and cannot be moved to Trash.";
const std::string kRetainedChanged =
    "The duplicate copy marked to keep has changed or disappeared. Find duplicates again before cleanup.";

std::string vendorPlist() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.apple.Notes</string></dict></plist>\n";
}

// Changes the modification time by one nanosecond and nothing else of the content.
void touchNanosecond(const std::string& path) {
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

struct Staged : CleanupFixture {
    ScanResult docs;
    Staged() {
        dir.makeFile("home/docs/a.txt", "alpha");
        dir.makeFile("home/docs/box/b.txt", "beta");
        dir.makeFile("home/docs/box/sub/c.txt", "gamma");
        dir.makeFile("home/docs/boxes/d.txt", "delta");
        docs = scan("docs");
    }
    [[nodiscard]] DiskNode node(const std::string& relative) const {
        return *docs.nodes.node(home + "/" + relative);
    }
    [[nodiscard]] CleanupEntry stage(const std::string& relative) const {
        return CleanupEntry(node(relative), docs, "Old files", policy);
    }
};

// ---- staging ---------------------------------------------------------------------------------------

TEST(CleanupEntry, StagingAFileRecordsItsIdentity) {
    Staged s;
    const Date before = Date::now();
    const CleanupEntry e = s.stage("docs/a.txt");
    EXPECT_EQ(e.node, s.node("docs/a.txt"));
    EXPECT_EQ(e.id(), s.home + "/docs/a.txt");
    EXPECT_EQ(e.reason, "Old files");
    EXPECT_GE(e.stagedAt, before);
    EXPECT_LE(e.stagedAt, Date::now());
    EXPECT_TRUE(e.retainedCopies.empty());
    EXPECT_EQ(e.identities, (std::map<std::string, FileIdentity>{
                                {s.home + "/docs/a.txt", FileIdentity::read(s.home + "/docs/a.txt").first}}));
}

TEST(CleanupEntry, StagingAFolderRecordsEverythingBeneathIt) {
    Staged s;
    const CleanupEntry e = s.stage("docs/box");
    std::map<std::string, FileIdentity> expected;
    for (const char* p : {"docs/box", "docs/box/b.txt", "docs/box/sub", "docs/box/sub/c.txt"})
        expected[s.home + "/" + p] = FileIdentity::read(s.home + "/" + p).first;
    EXPECT_EQ(e.identities, expected);
}

TEST(CleanupEntry, StagingFollowsThePolicy) {
    Staged s;
    const ScanResult whole = s.scan("");
    EXPECT_EQ(errorText([&] { CleanupEntry(*whole.nodes.node(s.home), whole, "r", s.policy); }),
              "Protected system or account data — Ambertrove cannot move this to Trash.");
}

TEST(CleanupEntry, LinksAndPlaceholdersAreNotStaged) {
    Staged s;
    DiskNode link = s.node("docs/a.txt");
    link.isSymbolicLink = true;
    EXPECT_EQ(errorText([&] { CleanupEntry(link, s.docs, "r", s.policy); }),
              "Links and cloud placeholders cannot be staged.");
    DiskNode placeholder = s.node("docs/a.txt");
    placeholder.isCloudPlaceholder = true;
    EXPECT_EQ(errorText([&] { CleanupEntry(placeholder, s.docs, "r", s.policy); }),
              "Links and cloud placeholders cannot be staged.");
}

TEST(CleanupEntry, AnAccessErrorInsideRefusesTheFolderButNotItsNamesake) {
    Staged s;
    ScanResult withIssue = s.scan("docs");
    withIssue.issues.push_back({s.home + "/docs/boxes/d.txt", "Permission denied"});
    EXPECT_NO_THROW(CleanupEntry(s.node("docs/box"), withIssue, "r", s.policy));
    EXPECT_EQ(errorText([&] { CleanupEntry(s.node("docs/boxes"), withIssue, "r", s.policy); }),
              kNotFullyScanned);
    withIssue.issues.push_back({s.home + "/docs/box", "Permission denied"});
    EXPECT_EQ(errorText([&] { CleanupEntry(s.node("docs/box"), withIssue, "r", s.policy); }),
              kNotFullyScanned);
}

TEST(CleanupEntry, ANodeThatIsNotTheScansIsRefused) {
    Staged s;
    DiskNode other = s.node("docs/a.txt");
    other.identity.modifiedNanos += 1;
    EXPECT_EQ(errorText([&] { CleanupEntry(other, s.docs, "r", s.policy); }), kNotInScan);
    DiskNode elsewhere = s.node("docs/a.txt");
    elsewhere.path = s.dir.makeFile("home/loose.txt", "x");
    EXPECT_EQ(errorText([&] { CleanupEntry(elsewhere, s.docs, "r", s.policy); }), kNotInScan);
}

TEST(CleanupEntry, AFolderHoldingAVendorAppIsRefusedAndTheAppByThePolicy) {
    CleanupFixture f;
    f.dir.makeFile("home/tools/Notes.app/Contents/Info.plist", vendorPlist());
    f.dir.makeFile("home/tools/readme.txt", "r");
    const ScanResult tools = f.scan("tools");
    EXPECT_EQ(errorText([&] { CleanupEntry(*tools.nodes.node(f.home + "/tools"), tools, "r", f.policy); }),
              kContainsVendorApp);
    EXPECT_EQ(errorText([&] {
                  CleanupEntry(*tools.nodes.node(f.home + "/tools/Notes.app"), tools, "r", f.policy);
              }),
              "This macOS app is protected and cannot be moved to Trash.");
}

TEST(CleanupEntry, AChildPathWithoutANodeIsPassedOver) {
    CleanupFixture f;
    f.dir.makeFile("home/box/real.txt", "r");
    const ScanResult scanned = f.scan("box");
    // The same scan with a child that has no node before the real one.
    ScanResult holed;
    holed.rootPath = scanned.rootPath;
    const NodeIndex root = holed.nodes.ensurePath(scanned.rootPath);
    holed.nodes.setNode(root, scanned.nodes.data(scanned.rootIndex()), false);
    const NodeIndex ghost = holed.nodes.addRecord(root, "ghost");
    holed.nodes.appendChild(root, ghost);
    const NodeIndex real = holed.nodes.addRecord(root, "real.txt");
    holed.nodes.setNode(real, scanned.nodes.data(scanned.nodes.find(f.home + "/box/real.txt")), true);
    holed.nodes.appendChild(root, real);
    holed.nodes.finish();

    const CleanupEntry e(*holed.nodes.node(f.home + "/box"), holed, "r", f.policy);
    EXPECT_EQ(e.identities.size(), 2u);
    EXPECT_TRUE(e.identities.contains(f.home + "/box/real.txt"));
    EXPECT_FALSE(e.identities.contains(f.home + "/box/ghost"));
}

// ---- validation --------------------------------------------------------------------------------------

TEST(CleanupEntry, AnUnchangedItemValidates) {
    Staged s;
    EXPECT_NO_THROW(s.stage("docs/a.txt").validate(s.policy));
    EXPECT_NO_THROW(s.stage("docs/box").validate(s.policy));
}

TEST(CleanupEntry, ValidationRefusesAChangedFile) {
    struct Change {
        const char* what;
        std::function<void(Staged&)> apply;
    };
    const std::vector<Change> changes = {
        {"one nanosecond",
         [](Staged& s) {
             touchNanosecond(s.home + "/docs/a.txt");
         }},
        {"size",
         [](Staged& s) {
             s.dir.makeFile("home/docs/a.txt", "alphabet");
         }},
        {"same size, new time",
         [](Staged& s) {
             s.dir.setTimes("home/docs/a.txt", 1000, 1000);
         }},
        {"another inode",
         [](Staged& s) {
             const std::string fresh = s.dir.makeFile("home/fresh.txt", "alpha");
             ASSERT_EQ(::rename(fresh.c_str(), (s.home + "/docs/a.txt").c_str()), 0);
         }},
        {"mode",
         [](Staged& s) {
             ASSERT_EQ(::chmod((s.home + "/docs/a.txt").c_str(), 0600), 0);
         }},
    };
    for (const Change& change : changes) {
        Staged s;
        const CleanupEntry e = s.stage("docs/a.txt");
        change.apply(s);
        EXPECT_EQ(errorText([&] { e.validate(s.policy); }),
                  "a.txt changed since the scan. Rescan and stage it again.")
            << change.what;
    }
}

TEST(CleanupEntry, ValidationOfAMissingItemFailsWithTheStatusError) {
    Staged s;
    const CleanupEntry e = s.stage("docs/a.txt");
    ASSERT_EQ(::unlink((s.home + "/docs/a.txt").c_str()), 0);
    EXPECT_EQ(errnoOf([&] { e.validate(s.policy); }), ENOENT);
}

TEST(CleanupEntry, ValidationFollowsThePolicyFirst) {
    Staged s;
    const CleanupEntry e = s.stage("docs/box");
    ASSERT_EQ(::rename((s.home + "/docs/box").c_str(), (s.home + "/docs/real-box").c_str()), 0);
    s.dir.makeSymlink("home/docs/box", s.home + "/docs/real-box");
    EXPECT_EQ(errorText([&] { e.validate(s.policy); }),
              "Symbolic links and paths through symbolic links cannot be staged.");
}

TEST(CleanupEntry, ValidationRefusesChangedContents) {
    struct Change {
        const char* what;
        std::function<void(Staged&)> apply;
        std::string expected;
    };
    const std::string contents = "Contents of box changed since the scan. Rescan before cleanup.";
    const std::string itself = "box changed since the scan. Rescan and stage it again.";
    const std::vector<Change> changes = {
        {"deeper file changed", [](Staged& s) { s.dir.makeFile("home/docs/box/sub/c.txt", "GAMMA!"); },
         contents},
        {"deeper file touched", [](Staged& s) { touchNanosecond(s.home + "/docs/box/sub/c.txt"); }, contents},
        {"entry added deeper", [](Staged& s) { s.dir.makeFile("home/docs/box/sub/new.txt", "n"); }, contents},
        {"entry removed deeper",
         [](Staged& s) { ASSERT_EQ(::unlink((s.home + "/docs/box/sub/c.txt").c_str()), 0); }, contents},
        {"entry added directly", [](Staged& s) { s.dir.makeFile("home/docs/box/new.txt", "n"); }, itself},
    };
    for (const Change& change : changes) {
        Staged s;
        const CleanupEntry e = s.stage("docs/box");
        change.apply(s);
        EXPECT_EQ(errorText([&] { e.validate(s.policy); }), change.expected) << change.what;
    }
}

// A scanner that sees `path` the way `change` says.
DiskScanner scannerSeeing(const std::string& path, std::function<int(FileStatus&)> change) {
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->status = [path, change](const std::string& p, FileStatus& status) {
        return p == path ? change(status) : 0;
    };
    return DiskScanner(hooks);
}

TEST(CleanupEntry, AFreshScanThatSkipsAnEntryRefusesTheFolder) {
    Staged s;
    const CleanupEntry e = s.stage("docs/box");
    const DiskScanner unreadable =
        scannerSeeing(s.home + "/docs/box/sub/c.txt", [](FileStatus&) { return EACCES; });
    EXPECT_EQ(errorText([&] { e.validate(s.policy, unreadable); }),
              "Contents of box changed since the scan. Rescan before cleanup.");
}

TEST(CleanupEntry, CloudOnlyFilesAreRefused) {
    Staged s;
    const std::string placeholder = s.home + "/docs/box/sub/c.txt";
    const DiskScanner cloudy = scannerSeeing(placeholder, [](FileStatus& status) {
        status.isDataless = true;
        return 0;
    });
    const CleanupEntry e = s.stage("docs/box");
    // The identities stay the same, so only the placeholder check objects.
    EXPECT_EQ(errorText([&] { e.validate(s.policy, cloudy); }),
              "This folder contains cloud-only files. Download them before cleanup.");

    const CancellationFlag flag;
    const ScanResult cloudScan = cloudy.scan(s.home + "/docs", flag);
    EXPECT_EQ(errorText([&] {
                  CleanupEntry(*cloudScan.nodes.node(s.home + "/docs/box"), cloudScan, "r", s.policy);
              }),
              "This folder contains cloud-only files. Download them before cleanup.");
    EXPECT_EQ(errorText([&] { CleanupEntry(*cloudScan.nodes.node(placeholder), cloudScan, "r", s.policy); }),
              "Links and cloud placeholders cannot be staged.");
}

TEST(CleanupEntry, RetainedCopiesAreCheckedAgain) {
    Staged s;
    CleanupEntry e = s.stage("docs/a.txt");
    const std::string copy = s.dir.makeFile("home/keep/a.txt", "alpha");
    e.retainedCopies[copy] = FileIdentity::read(copy).first;
    EXPECT_NO_THROW(e.validate(s.policy));
    touchNanosecond(copy);
    EXPECT_EQ(errorText([&] { e.validate(s.policy); }), kRetainedChanged);
    ASSERT_EQ(::unlink(copy.c_str()), 0);
    EXPECT_EQ(errnoOf([&] { e.validate(s.policy); }), ENOENT);
}

TEST(CleanupEntry, AnImmutableFileInsideAFolderIsNamed) {
    CleanupFixture f;
    const std::string notes = f.dir.makeFile("home/box/notes.txt", "n");
    if (const int error = setImmutable(notes, true); error != 0)
        GTEST_SKIP() << "the immutable attribute cannot be set here: " << std::strerror(error);
    std::string failure;
    try {
        // Staging does not look at the attributes of what lies inside.
        const ScanResult box = f.scan("box");
        const CleanupEntry e(*box.nodes.node(f.home + "/box"), box, "r", f.policy);
        failure = errorText([&] { e.validate(f.policy); });
    } catch (const std::exception& error) {
        failure = std::string("staging failed: ") + error.what();
    }
    ASSERT_EQ(setImmutable(notes, false), 0);
    EXPECT_EQ(failure, "notes.txt: This file is protected by macOS and cannot be moved to Trash.");
}

// Makes a chain of folders named `name` inside `folder`, `depth` deep, one step at a time (its path
// is longer than a path may be); returns the path of the deepest.
std::string makeDeepChain(const std::string& folder, const std::string& name, int depth) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string path = folder;
    for (int i = 0; i < depth && fd >= 0; ++i) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += "/" + name;
    }
    if (fd >= 0)
        ::close(fd);
    return path;
}

// Removes such a chain, one step at a time.
void removeDeepChain(int parent, const std::string& name) {
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        removeDeepChain(fd, name);
        ::close(fd);
    }
    ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

TEST(CleanupEntry, AFolderWhoseContentsCannotBeCheckedForProtectionIsRefused) {
    CleanupFixture f;
    const std::string box = f.dir.makeDir("home/box");
    const std::string name(200, 'd');
    const std::string deepest = makeDeepChain(box, name, 24);
    ASSERT_GT(deepest.size(), 4096u);
    std::string failure;
    try {
        const ScanResult scan = f.scan("box");
        const CleanupEntry e(*scan.nodes.node(box), scan, "r", f.policy);
        failure = errorText([&] { e.validate(f.policy); });
    } catch (const std::exception& error) {
        failure = std::string("staging failed: ") + error.what();
    }
    const int folder = ::open(box.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    removeDeepChain(folder, name);
    ::close(folder);
    EXPECT_EQ(failure,
              name + ": Ambertrove could not check whether this item is protected: File name too long.");
}

TEST(CleanupEntry, AVendorAppAddedToAFolderIsFoundByTheFreshScan) {
    Staged s;
    const CleanupEntry e = s.stage("docs/box");
    // Written into an existing sub-folder so that only the contents check and the app check could see it;
    // the contents check comes first.
    s.dir.makeFile("home/docs/box/sub/Notes.app/Contents/Info.plist", vendorPlist());
    EXPECT_EQ(errorText([&] { e.validate(s.policy); }),
              "Contents of box changed since the scan. Rescan before cleanup.");
}

TEST(CleanupEntry, ARunningProgramInsideMustBeQuitFirst) {
    Staged s;
    const CleanupEntry folder = s.stage("docs/box");
    const CleanupEntry file = s.stage("docs/a.txt");
    s.runProgram("4242", s.home + "/docs/box/sub/c.txt");
    EXPECT_EQ(errorText([&] { folder.validate(s.policy); }), "Quit box before moving it to Trash.");
    EXPECT_NO_THROW(file.validate(s.policy));
    s.runProgram("4243", s.home + "/docs/a.txt");
    EXPECT_EQ(errorText([&] { file.validate(s.policy); }), "Quit a.txt before moving it to Trash.");
    const CleanupEntry namesake = s.stage("docs/boxes");
    EXPECT_NO_THROW(namesake.validate(s.policy));
}

// ---- normalizing ----------------------------------------------------------------------------------------

CleanupEntry entryAt(const std::string& path, std::map<std::string, FileIdentity> kept = {}) {
    CleanupEntry e;
    e.node.path = path;
    e.retainedCopies = std::move(kept);
    return e;
}

std::vector<std::string> pathsOf(const std::vector<CleanupEntry>& entries) {
    std::vector<std::string> out;
    for (const CleanupEntry& e : entries)
        out.push_back(e.node.path);
    return out;
}

TEST(CleanupEntry, NormalizingKeepsTopMostItemsShortestFirst) {
    FileIdentity one;
    one.inode = 1;
    FileIdentity two;
    two.inode = 2;
    const std::vector<CleanupEntry> result = CleanupEntry::normalized(
        {entryAt("/a/box/file", {{"/keep/x", one}}), entryAt("/a/box", {{"/keep/y", two}})});
    ASSERT_EQ(pathsOf(result), std::vector<std::string>{"/a/box"});
    EXPECT_EQ(result[0].retainedCopies,
              (std::map<std::string, FileIdentity>{{"/keep/x", one}, {"/keep/y", two}}));

    EXPECT_EQ(pathsOf(CleanupEntry::normalized({entryAt("/a/bc"), entryAt("/a/b")})),
              (std::vector<std::string>{"/a/b", "/a/bc"}));
    EXPECT_TRUE(CleanupEntry::normalized({}).empty());
    EXPECT_EQ(pathsOf(CleanupEntry::normalized({entryAt("/x/y"), entryAt("/"), entryAt("/z")})),
              std::vector<std::string>{"/"});
    // Equal lengths keep their input order.
    EXPECT_EQ(pathsOf(CleanupEntry::normalized({entryAt("/zz"), entryAt("/aa"), entryAt("/m")})),
              (std::vector<std::string>{"/m", "/zz", "/aa"}));
}

TEST(CleanupEntry, NormalizingKeepsTheCoveringEntrysOwnChoice) {
    FileIdentity mine;
    mine.size = 1;
    FileIdentity theirs;
    theirs.size = 2;
    CleanupEntry first = entryAt("/a", {{"/k", mine}});
    first.reason = "first";
    CleanupEntry second = entryAt("/a", {{"/k", theirs}});
    second.reason = "second";
    const std::vector<CleanupEntry> result =
        CleanupEntry::normalized({entryAt("/a/b", {{"/k", theirs}}), first, second});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].reason, "first");
    EXPECT_EQ(result[0].retainedCopies.at("/k"), mine);
}

TEST(CleanupEntry, NormalizingCountsCharactersNotBytes) {
    // "/é" is one character shorter than "/ab" although it has as many bytes.
    EXPECT_EQ(pathsOf(CleanupEntry::normalized({entryAt("/ab"), entryAt("/e\xCC\x81")})),
              (std::vector<std::string>{"/e\xCC\x81", "/ab"}));
}

// ---- JSON form ---------------------------------------------------------------------------------------

TEST(CleanupEntry, JsonRoundTrip) {
    Staged s;
    CleanupEntry e = s.stage("docs/box");
    e.retainedCopies[s.home + "/docs/a.txt"] = s.node("docs/a.txt").identity;
    const CleanupEntry plain = s.stage("docs/a.txt");
    const std::string text = CleanupJson::encodeEntries({e, plain});
    EXPECT_EQ(CleanupJson::decodeEntries(text), (std::vector<CleanupEntry>{e, plain}));
    EXPECT_NE(text.find("\"retainedCopies\":{}"), std::string::npos);
    EXPECT_NE(text.find("\"reason\":\"Old files\""), std::string::npos);
}

TEST(CleanupEntry, JsonNeedsEveryKey) {
    Staged s;
    const std::string text = CleanupJson::encodeEntries({s.stage("docs/a.txt")});
    for (const char* key :
         {"\"node\"", "\"identities\"", "\"stagedAt\"", "\"reason\"", "\"retainedCopies\""}) {
        std::string broken = text;
        const std::size_t at = broken.find(key);
        ASSERT_NE(at, std::string::npos);
        broken.replace(at, std::strlen(key), "\"other\"");
        EXPECT_THROW(CleanupJson::decodeEntries(broken), DecodingError) << key;
    }
    std::string wrongType = text;
    wrongType.replace(wrongType.find("\"reason\":\"Old files\""), 20, "\"reason\":7");
    EXPECT_THROW(CleanupJson::decodeEntries(wrongType), DecodingError);
    EXPECT_THROW(CleanupJson::decodeEntries("{}"), DecodingError);
    EXPECT_TRUE(CleanupJson::decodeEntries("[]").empty());
}

TEST(CleanupEntry, ReceiptJsonRoundTripAndKeys) {
    TrashReceipt r;
    r.originalPath = "/home/ann/a.txt";
    r.trashPath = "/home/ann/.local/share/Trash/files/a.txt";
    r.date = Date{786000000.25};
    r.bytes = 4096;
    r.identity.device = -1;
    r.identity.inode = 42;
    r.identity.size = 5;
    const std::string text = CleanupJson::encodeReceipts({r});
    EXPECT_EQ(CleanupJson::decodeReceipts(text), std::vector<TrashReceipt>{r});
    EXPECT_NE(text.find("\"id\":\"" + r.id.text() + "\""), std::string::npos);
    EXPECT_NE(text.find("\"bytes\":4096"), std::string::npos);
    for (const char* key :
         {"\"id\"", "\"originalPath\"", "\"trashPath\"", "\"date\"", "\"bytes\"", "\"identity\""}) {
        std::string broken = text;
        broken.replace(broken.find(key), std::strlen(key), "\"other\"");
        EXPECT_THROW(CleanupJson::decodeReceipts(broken), DecodingError) << key;
    }
}

} // namespace
} // namespace ambertrove
