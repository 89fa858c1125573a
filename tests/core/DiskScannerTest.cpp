#include "scan/DiskScanner.hpp"
#include "base/AmbertroveError.hpp"
#include "scan/FolderListings.hpp"
#include "support/BindMount.hpp"
#include "support/CaseName.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ambertrove {
namespace {

using test::TempDir;

const std::string kNested = "Nested volume skipped. Scan this volume separately.";

struct stat lstatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Names of a folder in the order the system lists them.
std::vector<std::string> listed(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    EXPECT_NE(dir, nullptr) << folder;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

NodeTable::NodeRef recordAt(const ScanResult& scan, const std::string& path) {
    const NodeIndex i = scan.nodes.find(path);
    EXPECT_NE(i, kNoNode) << path;
    return scan.nodes[i == kNoNode ? 0 : i];
}

// Table cases print by their `name`.
template <class Case> void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::shared_ptr<ScanFileSystem> hooks() {
    return std::make_shared<ScanFileSystem>();
}

std::vector<std::string> issuePaths(const ScanResult& scan) {
    std::vector<std::string> paths;
    for (const ScanIssue& issue : scan.issues)
        paths.push_back(issue.path);
    return paths;
}

// ---- the root --------------------------------------------------------------------------------------

struct RootCase {
    std::string name;
    std::function<std::string(TempDir&)> makeRoot;
    std::function<void(ScanFileSystem&, const std::string& tempPath)> hook;
    int errorCode;        // a std::system_error with this code, or 0
    std::string sentence; // an AmbertroveError with this text, or empty
};
void PrintTo(const RootCase& c, std::ostream* os) {
    *os << c.name;
}

class RootFailureTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootFailureTest, FailsWithTheListedError) {
    const RootCase& c = GetParam();
    TempDir dir;
    const std::string root = c.makeRoot(dir);
    auto fs = hooks();
    if (c.hook)
        c.hook(*fs, dir.path());
    CancellationFlag flag;
    try {
        (void)DiskScanner(fs).scan(root, flag);
        FAIL() << "the scan succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), c.errorCode) << e.what();
        EXPECT_EQ(e.code().category(), std::generic_category());
        EXPECT_TRUE(c.sentence.empty());
    } catch (const AmbertroveError& e) {
        EXPECT_EQ(e.message(), c.sentence);
        EXPECT_EQ(c.errorCode, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Roots, RootFailureTest,
    ::testing::Values(
        RootCase{"Missing", [](TempDir& d) { return d / "nothing-here"; }, {}, ENOENT, ""},
        RootCase{"MissingParent", [](TempDir& d) { return d / "no/such/folder"; }, {}, ENOENT, ""},
        RootCase{"File",
                 [](TempDir& d) { return d.makeFile("plain.txt", "x"); },
                 {},
                 0,
                 "Choose a folder or mounted volume to scan."},
        RootCase{"LinkToFile",
                 [](TempDir& d) {
                     d.makeFile("plain.txt", "x");
                     return d.makeSymlink("link", "plain.txt");
                 },
                 {},
                 0,
                 "Choose a folder or mounted volume to scan."},
        RootCase{"DanglingLink", [](TempDir& d) { return d.makeSymlink("link", "gone"); }, {}, ENOENT, ""},
        RootCase{"UnreadableStatus", [](TempDir& d) { return d.makeDir("root"); },
                 [](ScanFileSystem& fs, const std::string&) {
                     fs.status = [](const std::string&, FileStatus&) {
                         return EACCES;
                     };
                 },
                 EACCES, ""},
        RootCase{"NotReadable", [](TempDir& d) { return d.makeDir("root"); },
                 [](ScanFileSystem& fs, const std::string&) {
                     fs.access = [](const std::string&) {
                         return EACCES;
                     };
                 },
                 0, "This folder cannot be read. Choose another folder or grant access in System Settings."},
        RootCase{"CannotOpen", [](TempDir& d) { return d.makeDir("root"); },
                 [](ScanFileSystem& fs, const std::string&) {
                     fs.open = [](const std::string&) {
                         return EMFILE;
                     };
                 },
                 0, "Unable to enumerate this folder."}),
    test::caseName<RootCase>);

TEST(DiskScannerTest, LinkToFolderAsRootScansTheFolderUnderItsRealPath) {
    TempDir dir;
    dir.makeFileOfSize("real/inner/file.txt", 300);
    const std::string link = dir.makeSymlink("link", "real");
    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(link + "/./inner/..", flag);
    EXPECT_EQ(scan.rootPath, dir / "real");
    EXPECT_EQ(scan.nodes.size(), 3u);
    EXPECT_TRUE(scan.nodes.contains(dir / "real/inner/file.txt"));
    EXPECT_FALSE(scan.nodes.contains(dir / "link"));
    EXPECT_FALSE(scan.root()->parent.has_value());
    EXPECT_EQ(scan.root()->logicalSize, 300);
}

TEST(DiskScannerTest, EmptyFolderGivesTheRootAloneAndOneFinalReport) {
    TempDir dir;
    const std::string root = dir.makeDir("empty");
    CancellationFlag flag;
    std::vector<ScanProgress> reports;
    const ScanResult scan =
        DiskScanner().scan(root, flag, nullptr, [&](const ScanProgress& p) { reports.push_back(p); });
    ASSERT_EQ(scan.nodes.size(), 1u);
    const DiskNode node = *scan.root();
    EXPECT_EQ(node.path, root);
    EXPECT_TRUE(node.isDirectory);
    EXPECT_EQ(node.logicalSize, 0);
    EXPECT_EQ(node.allocatedSize, 0);
    EXPECT_EQ(node.fileCount, 0);
    EXPECT_EQ(node.folderCount, 0);
    EXPECT_TRUE(node.children.empty());
    EXPECT_TRUE(scan.issues.empty());
    EXPECT_EQ(scan.skippedCount, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].path, root);
    EXPECT_TRUE(reports[0].preview.empty());
    EXPECT_EQ(reports[0].files, 0);
    EXPECT_EQ(reports[0].folders, 0);
    EXPECT_EQ(reports[0].bytes, 0);
    EXPECT_FALSE(reports[0].browsing.has_value());
    EXPECT_GE(scan.duration, 0);
}

// ---- what the walk measures ------------------------------------------------------------------------

TEST(DiskScannerTest, HardLinksCountTheirBlocksOnceInTheOrderMet) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/one", 4096);
    dir.makeHardLink("root/two", "root/one");
    const std::vector<std::string> order = listed(root);
    ASSERT_EQ(order.size(), 2u);
    const struct stat st = lstatOf(root + "/one");
    const std::int64_t blocks = static_cast<std::int64_t>(st.st_blocks) * 512;

    CancellationFlag flag;
    for (const bool live : {false, true}) {
        const ScanNavigation liveNavigation;
        const ScanNavigation* navigation = live ? &liveNavigation : nullptr;
        const ScanResult scan = DiskScanner().scan(root, flag, navigation);
        const auto& first = recordAt(scan, root + "/" + order[0]);
        const auto& second = recordAt(scan, root + "/" + order[1]);
        EXPECT_EQ(first.logicalSize(), 4096);
        EXPECT_EQ(second.logicalSize(), 4096);
        EXPECT_EQ(first.allocatedSize(), blocks);
        EXPECT_EQ(second.allocatedSize(), 0);
        EXPECT_EQ(scan.nodes.data(scan.nodes.find(root + "/" + order[1])).ownAllocatedSize, 0);
        const DiskNode top = *scan.root();
        EXPECT_EQ(top.logicalSize, 8192);
        EXPECT_EQ(top.allocatedSize, blocks);
        EXPECT_EQ(top.fileCount, 2);
        EXPECT_EQ(scan.nodes.identity(scan.nodes.find(root + "/one")).linkCount, 2);
    }
}

TEST(DiskScannerTest, HardLinksInDifferentFoldersFollowTheWalkOrder) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/p/file", 10000);
    dir.makeHardLink("root/q/link", "root/p/file");
    const std::vector<std::string> order = listed(root); // p and q: the first listed is walked first
    const std::string firstMet = order[0] == "p" ? root + "/p/file" : root + "/q/link";
    const std::string secondMet = order[0] == "p" ? root + "/q/link" : root + "/p/file";
    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(root, flag);
    EXPECT_EQ(recordAt(scan, firstMet).allocatedSize(),
              static_cast<std::int64_t>(lstatOf(firstMet).st_blocks) * 512);
    EXPECT_EQ(recordAt(scan, secondMet).allocatedSize(), 0);
    EXPECT_EQ(recordAt(scan, secondMet).logicalSize(), 10000);
}

// The files' keys are set through the hooks, so that the same key can be met under several names and
// neighbouring keys and other devices are covered whatever the real file system hands out.
TEST(DiskScannerTest, RepeatedKeysCarryNoBlocksWhateverTheirNumbers) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    const std::int32_t rootDevice = [&] {
        FileStatus status;
        EXPECT_EQ(readFileStatus(AT_FDCWD, root.c_str(), status), 0);
        return status.device;
    }();
    struct Key {
        const char* name;
        std::int32_t device;
        std::uint64_t inode;
    };
    const std::vector<Key> keys = {
        {"f0", rootDevice, 7},          {"f1", rootDevice, 7 + 512},    {"f2", rootDevice, 7},
        {"f3", rootDevice + 1, 7},      {"f4", rootDevice + 1, 7},      {"f5", rootDevice, 0},
        {"f6", rootDevice, 6},          {"f7", rootDevice, 1ull << 62}, {"f8", rootDevice, (1ull << 62) + 1},
        {"f9", rootDevice, 1ull << 62},
    };
    for (const Key& key : keys)
        dir.makeFileOfSize(std::string("root/") + key.name, 3000);
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus& status) {
        for (const Key& key : keys)
            if (path == root + "/" + key.name) {
                status.device = key.device;
                status.inode = key.inode;
            }
        return 0;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);
    std::set<std::pair<std::int32_t, std::uint64_t>> seen;
    std::int64_t allocated = 0;
    for (const std::string& name : listed(root)) {
        const auto key = std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return k.name == name; });
        const bool first = seen.insert({key->device, key->inode}).second;
        const std::int64_t blocks = static_cast<std::int64_t>(lstatOf(root + "/" + name).st_blocks) * 512;
        EXPECT_EQ(recordAt(scan, root + "/" + name).allocatedSize(), first ? blocks : 0) << name;
        EXPECT_EQ(recordAt(scan, root + "/" + name).logicalSize(), 3000) << name;
        allocated += first ? blocks : 0;
    }
    EXPECT_EQ(seen.size(), 7u);
    EXPECT_EQ(scan.root()->allocatedSize, allocated);
    EXPECT_EQ(scan.root()->logicalSize, 3000 * 10);
}

TEST(DiskScannerTest, MeasuresEveryEntryWithoutFollowingLinks) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    TempDir& d = dir;
    d.makeFileOfSize("root/a/x.txt", 1000);
    d.makeFileOfSize("root/a/y.bin", 5000);
    d.makeFileOfSize("root/a/b/z.dat", 9000);
    d.makeDir("root/a/b/empty");
    d.makeFileOfSize("root/c.txt", 10);
    d.makeSymlink("root/to-file", "c.txt");
    d.makeSymlink("root/to-folder", "a");
    d.makeFile("root/a/b/ünïcödé ✓.txt", "hello");

    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(root, flag);
    EXPECT_TRUE(scan.issues.empty());
    EXPECT_EQ(scan.skippedCount, 0);
    EXPECT_EQ(scan.nodes.size(), 11u);

    // Own figures come from the entry's status; sizes of folders are the sums below them.
    std::int64_t logical = 0, allocated = 0;
    for (const char* file :
         {"a/x.txt", "a/y.bin", "a/b/z.dat", "c.txt", "to-file", "to-folder", "a/b/ünïcödé ✓.txt"}) {
        const std::string path = root + "/" + file;
        const struct stat st = lstatOf(path);
        const auto& r = recordAt(scan, path);
        EXPECT_EQ(r.logicalSize(), st.st_size) << file;
        EXPECT_EQ(r.allocatedSize(), static_cast<std::int64_t>(st.st_blocks) * 512) << file;
        EXPECT_EQ(r.fileCount(), 1) << file;
        EXPECT_EQ(r.folderCount(), 0) << file;
        EXPECT_EQ(r.inode(), st.st_ino) << file;
        logical += st.st_size;
        allocated += static_cast<std::int64_t>(st.st_blocks) * 512;
    }
    const DiskNode top = *scan.root();
    EXPECT_EQ(top.logicalSize, logical);
    EXPECT_EQ(top.allocatedSize, allocated);
    EXPECT_EQ(top.fileCount, 7);
    EXPECT_EQ(top.folderCount, 3);

    struct Expected {
        const char* folder;
        std::int64_t files, folders;
    };
    for (const Expected& e : {Expected{"a", 4, 2}, Expected{"a/b", 2, 1}, Expected{"a/b/empty", 0, 0}}) {
        const auto& r = recordAt(scan, root + "/" + e.folder);
        EXPECT_TRUE(r.isDirectory()) << e.folder;
        EXPECT_EQ(r.fileCount(), e.files) << e.folder;
        EXPECT_EQ(r.folderCount(), e.folders) << e.folder;
    }

    // Links are measured as themselves: no children, nothing of their target.
    const DiskNode toFolder = *scan.nodes.node(root + "/to-folder");
    EXPECT_TRUE(toFolder.isSymbolicLink);
    EXPECT_FALSE(toFolder.isDirectory);
    EXPECT_TRUE(toFolder.children.empty());
    EXPECT_FALSE(scan.nodes.contains(root + "/to-folder/x.txt"));
    EXPECT_TRUE(scan.nodes.node(root + "/to-file")->isSymbolicLink);

    // Children in the order the folder lists them, with parent links.
    for (const char* folder : {"", "/a", "/a/b"}) {
        const DiskNode node = *scan.nodes.node(root + folder);
        std::vector<std::string> expected;
        for (const std::string& name : listed(root + folder))
            expected.push_back(root + folder + "/" + name);
        EXPECT_EQ(node.children, expected) << folder;
        for (const std::string& child : node.children)
            EXPECT_EQ(scan.nodes.node(child)->parent, root + folder);
    }
}

// ---- entries the walk cannot measure ---------------------------------------------------------------

TEST(DiskScannerTest, UnreadableEntriesBecomeIssuesAndTheWalkGoesOn) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/ok.txt", 100);
    dir.makeFileOfSize("root/secret.txt", 200);
    dir.makeFileOfSize("root/closed/inside.txt", 300);
    dir.makeFileOfSize("root/closed/deeper/more.txt", 300);
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus&) {
        return path == root + "/secret.txt" ? EACCES : 0;
    };
    fs->open = [&](const std::string& path) {
        return path == root + "/closed" ? EACCES : 0;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);

    EXPECT_EQ(scan.skippedCount, 2);
    std::map<std::string, std::string> issues;
    for (const ScanIssue& issue : scan.issues)
        issues[issue.path] = issue.message;
    EXPECT_EQ(issues, (std::map<std::string, std::string>{{root + "/secret.txt", "Permission denied"},
                                                          {root + "/closed", "Permission denied"}}));
    EXPECT_FALSE(scan.nodes.contains(root + "/secret.txt"));
    // A folder that cannot be listed is still measured itself, with nothing below it.
    const DiskNode closed = *scan.nodes.node(root + "/closed");
    EXPECT_TRUE(closed.children.empty());
    EXPECT_EQ(closed.fileCount, 0);
    EXPECT_FALSE(scan.nodes.contains(root + "/closed/inside.txt"));
    EXPECT_EQ(scan.root()->logicalSize, 100);
    EXPECT_EQ(scan.root()->fileCount, 1);
    EXPECT_EQ(scan.root()->folderCount, 1);
}

TEST(DiskScannerTest, KeepsTheFirst200IssuesAndCountsThemAll) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    for (int i = 0; i < 250; ++i)
        dir.makeFile("root/f" + std::to_string(i));
    dir.makeFile("root/readable");
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus&) {
        return path == root || path == root + "/readable" ? 0 : EIO;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);
    EXPECT_EQ(scan.skippedCount, 250);
    ASSERT_EQ(scan.issues.size(), 200u);
    std::vector<std::string> expected;
    for (const std::string& name : listed(root))
        if (name != "readable" && expected.size() < 200)
            expected.push_back(root + "/" + name);
    EXPECT_EQ(issuePaths(scan), expected);
    EXPECT_EQ(scan.issues.front().message, "Input/output error");
    EXPECT_EQ(scan.nodes.size(), 2u);
}

struct VolumeCase {
    std::string name;
    std::function<void(FileStatus&)> change;
    std::string message;
};
void PrintTo(const VolumeCase& c, std::ostream* os) {
    *os << c.name;
}

class OtherVolumeTest : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(OtherVolumeTest, FolderIsSkippedWithoutWalkingIt) {
    const VolumeCase& c = GetParam();
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/mnt/vol/big.bin", 5000);
    dir.makeFileOfSize("root/mnt/vol/sub/more.bin", 5000);
    dir.makeFileOfSize("root/mnt/other.txt", 7);
    const std::string volume = root + "/mnt/vol";
    std::set<std::string> statted;
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus& status) {
        statted.insert(path);
        status.hasMountId = true; // whether or not this kernel reports mount ids
        status.mountId = 7;
        if (path == volume)
            c.change(status);
        return 0;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);
    ASSERT_EQ(scan.issues.size(), 1u);
    EXPECT_EQ(scan.issues[0].path, volume);
    EXPECT_EQ(scan.issues[0].message, c.message);
    EXPECT_EQ(scan.skippedCount, 1);
    EXPECT_FALSE(scan.nodes.contains(volume));
    EXPECT_FALSE(statted.contains(volume + "/big.bin"));
    EXPECT_TRUE(scan.nodes.node(root + "/mnt")->children ==
                std::vector<std::string>{root + "/mnt/other.txt"});
    EXPECT_EQ(scan.root()->logicalSize, 7);
    EXPECT_EQ(scan.root()->folderCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, OtherVolumeTest,
    ::testing::Values(VolumeCase{"OtherDevice", [](FileStatus& s) { s.device += 1; }, kNested},
                      VolumeCase{"BindMount", [](FileStatus& s) { s.mountId = 8; }, kNested}),
    test::caseName<VolumeCase>);

TEST(DiskScannerTest, FolderOnItsOwnDescentChainIsSkipped) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/a/loop/file", 10);
    const struct stat rootStat = lstatOf(root);
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus& status) {
        if (path == root + "/a/loop")
            status.inode = rootStat.st_ino;
        return 0;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);
    ASSERT_EQ(scan.issues.size(), 1u);
    EXPECT_EQ(scan.issues[0].path, root + "/a/loop");
    EXPECT_EQ(scan.issues[0].message, "Too many levels of symbolic links");
    EXPECT_EQ(scan.skippedCount, 1);
    EXPECT_FALSE(scan.nodes.contains(root + "/a/loop"));
}

// A folder that claims to be one of its ancestors is found wherever the two lie: near the root (compared
// with its ancestors) or far below it (looked up among the deep folders met).
struct LoopCase {
    std::string name;
    int depth;    // of the folder that claims an ancestor's identity (the root's children: 1)
    int ancestor; // the depth of the ancestor it claims to be (the root: 0)
};
void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name;
}

class LoopDepthTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(LoopDepthTest, FolderOnItsOwnDescentChainIsSkippedAtAnyDepth) {
    const LoopCase& c = GetParam();
    TempDir dir;
    const std::string root = dir.makeDir("root");
    std::vector<std::string> chain{root}; // chain[k]: the folder at depth k
    for (int k = 1; k <= 40; ++k)
        chain.push_back(chain.back() + "/d");
    dir.makeFileOfSize(chain.back().substr(dir.path().size() + 1) + "/file", 10);
    const std::string looping = chain[static_cast<std::size_t>(c.depth)];
    const struct stat claimed = lstatOf(chain[static_cast<std::size_t>(c.ancestor)]);
    for (const unsigned threads : {1u, 4u}) {
        auto fs = hooks();
        fs->status = [&](const std::string& path, FileStatus& status) {
            if (path == looping)
                status.inode = claimed.st_ino;
            return 0;
        };
        CancellationFlag flag;
        const ScanResult scan = DiskScanner(fs, threads).scan(root, flag);
        ASSERT_EQ(scan.issues.size(), 1u) << threads;
        EXPECT_EQ(scan.issues[0].path, looping) << threads;
        EXPECT_EQ(scan.issues[0].message, "Too many levels of symbolic links") << threads;
        EXPECT_FALSE(scan.nodes.contains(looping)) << threads;
        EXPECT_EQ(scan.root()->folderCount, c.depth - 1) << threads;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, LoopDepthTest,
                         ::testing::Values(LoopCase{"NearTheRootClaimsTheRoot", 2, 0},
                                           LoopCase{"DeepClaimsTheRoot", 40, 0},
                                           LoopCase{"DeepClaimsANearAncestor", 40, 10},
                                           LoopCase{"DeepClaimsADeepAncestor", 40, 36},
                                           LoopCase{"DeepClaimsItsParent", 36, 35}),
                         test::caseName<LoopCase>);

// ---- a tree that changes during the scan -----------------------------------------------------------

const std::string kChanged = "Folder changed during the scan. Scan again to measure it.";

struct ChangeCase {
    std::string name;
    // Changes the tree below `root` once the status of both folders a and b has been read, before
    // either is opened.
    std::function<void(const std::string& root, const std::string& aside)> change;
    std::map<std::string, std::string> issues; // by name below the root
    std::int64_t files;                        // counted below the root
    std::int64_t bytes;
};
void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

void exchange(const std::string& root) {
    ASSERT_EQ(::renameat2(AT_FDCWD, (root + "/a").c_str(), AT_FDCWD, (root + "/b").c_str(), RENAME_EXCHANGE),
              0);
}

class ChangedTreeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangedTreeTest, FolderIsNeverReadUnderAnotherFoldersName) {
    const ChangeCase& c = GetParam();
    for (const unsigned threads : {1u, 4u}) {
        TempDir dir;
        const std::string root = dir.makeDir("root");
        const std::string aside = dir.makeDir("aside");
        dir.makeFileOfSize("root/top.txt", 1);
        for (const char* name : {"a1", "a2", "a3"})
            dir.makeFileOfSize(std::string("root/a/") + name, 100);
        dir.makeFileOfSize("root/b/b1", 7);
        auto fs = hooks();
        int examined = 0;
        fs->status = [&](const std::string& path, FileStatus&) {
            if ((path == root + "/a" || path == root + "/b") && ++examined == 2)
                c.change(root, aside);
            return 0;
        };
        CancellationFlag flag;
        const ScanResult scan = DiskScanner(fs, threads).scan(root, flag);
        std::map<std::string, std::string> issues;
        for (const ScanIssue& issue : scan.issues)
            issues[issue.path.substr(root.size() + 1)] = issue.message;
        EXPECT_EQ(issues, c.issues) << threads;
        EXPECT_EQ(scan.skippedCount, static_cast<std::int64_t>(c.issues.size())) << threads;
        EXPECT_EQ(scan.root()->fileCount, 1 + c.files) << threads;
        EXPECT_EQ(scan.root()->logicalSize, 1 + c.bytes) << threads;
        // A folder reported as changed keeps its node, with nothing below it.
        for (const auto& [name, message] : c.issues)
            if (message == kChanged) {
                const NodeTable::NodeRef folder = recordAt(scan, root + "/" + name);
                EXPECT_EQ(folder.fileCount(), 0) << name;
                EXPECT_EQ(folder.folderCount(), 0) << name;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedTreeTest,
    ::testing::Values(ChangeCase{"Swapped",
                                 [](const std::string& root, const std::string&) { exchange(root); },
                                 {{"a", kChanged}, {"b", kChanged}},
                                 0,
                                 0},
                      ChangeCase{"SwappedAndBack",
                                 [](const std::string& root, const std::string&) {
                                     exchange(root);
                                     exchange(root);
                                 },
                                 {},
                                 4,
                                 307},
                      ChangeCase{"ReplacedByALink",
                                 [](const std::string& root, const std::string& aside) {
                                     ASSERT_EQ(::rename((root + "/a").c_str(), (aside + "/a").c_str()), 0);
                                     ASSERT_EQ(::symlink("b", (root + "/a").c_str()), 0);
                                 },
                                 {{"a", kChanged}},
                                 1,
                                 7},
                      ChangeCase{"ReplacedByAFile",
                                 [](const std::string& root, const std::string& aside) {
                                     ASSERT_EQ(::rename((root + "/a").c_str(), (aside + "/a").c_str()), 0);
                                     ::close(
                                         ::open((root + "/a").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
                                 },
                                 {{"a", kChanged}},
                                 1,
                                 7},
                      ChangeCase{"Removed",
                                 [](const std::string& root, const std::string& aside) {
                                     ASSERT_EQ(::rename((root + "/a").c_str(), (aside + "/a").c_str()), 0);
                                 },
                                 {{"a", "No such file or directory"}},
                                 1,
                                 7}),
    test::caseName<ChangeCase>);

// A folder mounted over once its status was read is never opened across the mount (which the system
// refuses with EXDEV, as it does a folder moved out of its parent while it is opened): the tree changed.
TEST(DiskScannerTest, FolderMountedOverBeforeItIsOpenedIsReportedChanged) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/a/inside", 100);
    dir.makeFileOfSize("root/b/b1", 7);
    const std::string other = dir.makeDir("other");
    dir.makeFileOfSize("other/elsewhere", 50);
    const struct stat unmounted = lstatOf(root + "/a");
    const test::BindMount bind(other, root + "/a");
    if (!bind.made())
        GTEST_SKIP() << bind.why();
    for (const unsigned threads : {1u, 4u}) {
        auto fs = hooks();
        std::uint64_t rootMount = 0;
        // The status of a as it was before the mount: its own, on the root's mount.
        fs->status = [&](const std::string& path, FileStatus& status) {
            if (path == root)
                rootMount = status.mountId;
            if (path == root + "/a") {
                status.inode = unmounted.st_ino;
                status.mountId = rootMount;
            }
            return 0;
        };
        CancellationFlag flag;
        const ScanResult scan = DiskScanner(fs, threads).scan(root, flag);
        EXPECT_EQ(issuePaths(scan), std::vector<std::string>{root + "/a"}) << threads;
        ASSERT_EQ(scan.issues.size(), 1u) << threads;
        EXPECT_EQ(scan.issues[0].message, kChanged) << threads;
        EXPECT_EQ(recordAt(scan, root + "/a").fileCount(), 0) << threads;
        EXPECT_EQ(scan.root()->fileCount, 1) << threads;
        EXPECT_EQ(scan.root()->logicalSize, 7) << threads;
    }
}

// Every issue carries the absolute path of the entry it is about, for the screens to show above its
// sentence; the sentence says what happened, in words that fit the entry.
TEST(DiskScannerTest, EveryIssueNamesTheEntryItIsAbout) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    const std::string aside = dir.makeDir("aside");
    dir.makeFile("root/gone.txt");
    dir.makeFile("root/closed/inside");
    dir.makeFile("root/mnt/inside");
    dir.makeFile("root/x/loop/inside");
    dir.makeFile("root/relinked/inside");
    const struct stat rootStat = lstatOf(root);
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus& status) {
        if (path == root + "/gone.txt")
            return ENOENT;
        if (path == root + "/mnt")
            status.device += 1;
        if (path == root + "/x/loop")
            status.inode = rootStat.st_ino;
        if (path == root + "/relinked") {
            EXPECT_EQ(::rename(path.c_str(), (aside + "/relinked").c_str()), 0);
            EXPECT_EQ(::symlink("x", path.c_str()), 0);
        }
        return 0;
    };
    fs->open = [&](const std::string& path) {
        return path == root + "/closed" ? EACCES : 0;
    };
    CancellationFlag flag;
    const ScanResult scan = DiskScanner(fs).scan(root, flag);
    std::map<std::string, std::string> issues;
    for (const ScanIssue& issue : scan.issues)
        issues[issue.path] = issue.message;
    EXPECT_EQ(issues, (std::map<std::string, std::string>{
                          {root + "/gone.txt", "No such file or directory"},
                          {root + "/closed", "Permission denied"},
                          {root + "/mnt", kNested},
                          {root + "/x/loop", "Too many levels of symbolic links"},
                          {root + "/relinked", kChanged},
                      }));
    EXPECT_EQ(scan.skippedCount, 5);
}

// Below the root, a folder is opened by its name from its parent's descriptor: swapped for a link or a
// file once its status was read, it is still never read under its name.
TEST(DiskScannerTest, SubFolderSwappedBeforeItIsOpenedFromItsParentIsRefused) {
    struct Swap {
        std::string name;
        std::function<void(const std::string& path)> make;
    };
    const std::vector<Swap> swaps{{"link",
                                   [](const std::string& path) {
                                       EXPECT_EQ(::symlink("../q", path.c_str()), 0);
                                   }},
                                  {"file", [](const std::string& path) {
                                       ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
                                   }}};
    for (const Swap& swap : swaps)
        for (const unsigned threads : {1u, 4u}) {
            TempDir dir;
            const std::string root = dir.makeDir("root");
            const std::string aside = dir.makeDir("aside");
            dir.makeFileOfSize("root/p/a/inside", 100);
            dir.makeFileOfSize("root/p/b/inside", 5);
            dir.makeFileOfSize("root/q/other", 7);
            auto fs = hooks();
            fs->status = [&](const std::string& path, FileStatus&) {
                if (path == root + "/p/a") {
                    EXPECT_EQ(::rename(path.c_str(), (aside + "/a").c_str()), 0);
                    swap.make(path);
                }
                return 0;
            };
            CancellationFlag flag;
            const ScanResult scan = DiskScanner(fs, threads).scan(root, flag);
            ASSERT_EQ(scan.issues.size(), 1u) << swap.name << threads;
            EXPECT_EQ(scan.issues[0].path, root + "/p/a") << swap.name << threads;
            EXPECT_EQ(scan.issues[0].message, kChanged) << swap.name << threads;
            EXPECT_FALSE(scan.nodes.contains(root + "/p/a/inside")) << swap.name << threads;
            EXPECT_EQ(scan.root()->fileCount, 2) << swap.name << threads;
            EXPECT_EQ(scan.root()->logicalSize, 12) << swap.name << threads;
        }
}

// ---- both ways of keeping totals -------------------------------------------------------------------

TEST(DiskScannerTest, LiveAndRolledUpTotalsGiveEqualResults) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 5; ++j)
            dir.makeFileOfSize("root/d" + std::to_string(i) + "/e" + std::to_string(j) + "/f", 100 * i + j);
    dir.makeFileOfSize("root/d1/hard", 8000);
    dir.makeHardLink("root/d4/e2/hard-again", "root/d1/hard");
    dir.makeSymlink("root/d2/link", "../d1");
    dir.makeFile("root/d3/unreadable");
    auto fs = hooks();
    fs->status = [&](const std::string& path, FileStatus&) {
        return path == root + "/d3/unreadable" ? EACCES : 0;
    };
    fs->open = [&](const std::string& path) {
        return path == root + "/d5/e1" ? EACCES : 0;
    };
    test::settleAccessTimes(root);

    CancellationFlag flag;
    const ScanResult plain = DiskScanner(fs).scan(root, flag);
    ScanNavigation navigation;
    navigation.focus(root + "/d1");
    const ScanResult live = DiskScanner(fs).scan(root, flag, &navigation, [](const ScanProgress&) {});
    EXPECT_TRUE(plain.nodes.sameNodes(live.nodes));
    EXPECT_EQ(plain.issues, live.issues);
    EXPECT_EQ(plain.skippedCount, live.skippedCount);
    EXPECT_EQ(plain.skippedCount, 2);
    EXPECT_EQ(plain.rootPath, live.rootPath);
    EXPECT_NE(plain.id, live.id);
    // 30 files less the one in the closed folder, the two hard links and the link; the unreadable file has no
    // node.
    EXPECT_EQ(plain.root()->fileCount, 30 - 1 + 3);
}

// A scan without a live preview builds its path index once, at the end; lookups work throughout.
TEST(DiskScannerTest, TableWithDeferredIndexFindsPathsBeforeAndAfterFinishing) {
    NodeTable table;
    const NodeIndex root = table.ensurePath("/scan/root");
    NodeData folder;
    folder.isDirectory = true;
    table.setNode(root, folder, false);
    table.deferIndex();
    std::vector<NodeIndex> made;
    for (int i = 0; i < 3000; ++i) {
        const NodeIndex parent = i < 30 ? root : made[static_cast<std::size_t>(i % 30)];
        made.push_back(table.addRecord(parent, "n" + std::to_string(i)));
        table.setNode(made.back(), i < 30 ? folder : NodeData{}, true);
        table.appendChild(parent, made.back());
    }
    EXPECT_EQ(table.find("/scan/root/n7/n37"), made[37]);
    EXPECT_EQ(table.find("/scan/root/n7/n38"), kNoNode);
    EXPECT_EQ(table.ensurePath("/scan/root/n8/n38"), made[38]);
    table.finish();
    for (std::size_t i = 0; i < made.size(); ++i)
        EXPECT_EQ(table.find(table.path(made[i])), made[i]) << i;
    EXPECT_EQ(table.find("/scan/root"), root);
    EXPECT_EQ(table.find("/scan/root/n2999/x"), kNoNode);
    EXPECT_EQ(table.find("/scan"), kNoNode); // a placeholder, not a node
}

// ---- progress --------------------------------------------------------------------------------------

TEST(DiskScannerTest, ReportsEvery256thEntryAndOnceAtTheEnd) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    for (int i = 0; i < 300; ++i)
        dir.makeFileOfSize("root/top" + std::to_string(i % 3) + "/f" + std::to_string(i), i);
    for (const bool live : {false, true}) {
        const ScanNavigation liveNavigation;
        const ScanNavigation* navigation = live ? &liveNavigation : nullptr;
        CancellationFlag flag;
        std::vector<ScanProgress> reports;
        const ScanResult scan =
            DiskScanner().scan(root, flag, navigation, [&](const ScanProgress& p) { reports.push_back(p); });
        // The first periodic report comes with the 256th entry (no report went before it); the
        // walk is faster than the interval, so the next one is the final report.
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports.front().files + reports.front().folders, 256);
        EXPECT_TRUE(scan.nodes.contains(reports.front().path));
        EXPECT_NE(reports.front().path, root);
        EXPECT_EQ(reports.front().browsing.has_value(), navigation != nullptr);

        const ScanProgress& last = reports.back();
        EXPECT_EQ(last.path, root);
        EXPECT_EQ(last.files, 300);
        EXPECT_EQ(last.folders, 3);
        EXPECT_EQ(last.bytes, scan.root()->allocatedSize);
        // The preview holds the root's direct children with their complete totals.
        ASSERT_EQ(last.preview.size(), 3u);
        for (const DiskNode& top : last.preview) {
            DiskNode expected = *scan.nodes.node(top.path);
            expected.children.clear();
            EXPECT_EQ(top, expected) << top.path;
        }
        // Earlier previews hold running totals: never more than the final ones.
        for (const DiskNode& top : reports.front().preview)
            EXPECT_LE(top.fileCount, scan.nodes.node(top.path)->fileCount);
    }
}

struct BrowseCase {
    std::string name;
    std::function<std::optional<std::string>(const std::string& root)> requested;
    std::vector<std::string> ancestors; // relative to the root; "" is the root
    std::vector<std::string> children;
};
void PrintTo(const BrowseCase& c, std::ostream* os) {
    *os << c.name;
}

class BrowsedFolderTest : public ::testing::TestWithParam<BrowseCase> {};

TEST_P(BrowsedFolderTest, PreviewShowsTheRequestedFolderOrTheRoot) {
    const BrowseCase& c = GetParam();
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeFileOfSize("root/level1/level2/deep.bin", 700);
    dir.makeFileOfSize("root/level1/side.txt", 30);
    dir.makeFileOfSize("root/file.txt", 50);
    dir.makeSymlink("root/link", "level1");
    ScanNavigation navigation;
    if (const auto path = c.requested(root))
        navigation.focus(*path);
    CancellationFlag flag;
    std::vector<ScanProgress> reports;
    const ScanResult scan =
        DiskScanner().scan(root, flag, &navigation, [&](const ScanProgress& p) { reports.push_back(p); });
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_TRUE(reports[0].browsing.has_value());
    const ScanFolderPreview& preview = *reports[0].browsing;
    auto full = [&](const std::string& relative) {
        return relative.empty() ? root : root + "/" + relative;
    };

    EXPECT_EQ(preview.rootPath, root);
    EXPECT_EQ(preview.folder.path, full(c.ancestors.back()));
    EXPECT_TRUE(preview.folder.children.empty());
    EXPECT_EQ(preview.folder.logicalSize, scan.nodes.node(preview.folder.path)->logicalSize);
    std::vector<std::string> ancestors;
    for (const DiskNode& n : preview.ancestors) {
        ancestors.push_back(n.path);
        EXPECT_TRUE(n.children.empty());
    }
    std::vector<std::string> expectedAncestors;
    for (const std::string& a : c.ancestors)
        expectedAncestors.push_back(full(a));
    EXPECT_EQ(ancestors, expectedAncestors);
    std::set<std::string> children;
    for (const DiskNode& n : preview.children)
        children.insert(n.path);
    std::set<std::string> expectedChildren;
    for (const std::string& child : c.children)
        expectedChildren.insert(full(child));
    EXPECT_EQ(children, expectedChildren);
    ASSERT_TRUE(preview.chart.has_value());
    EXPECT_EQ(preview.chart->rootPath, preview.folder.path);
    // The fixture is small enough for the cut to hold the folder's whole subtree.
    EXPECT_EQ(preview.chart->nodes.size(), 1 + scan.descendants(preview.folder.path).size());
    EXPECT_FALSE(preview.chartIsLimited);
}

const std::vector<std::string> kRootChildren = {"level1", "file.txt", "link"};
const std::vector<std::string> kLevel2Children = {"level1/level2/deep.bin"};

INSTANTIATE_TEST_SUITE_P(
    Requests, BrowsedFolderTest,
    ::testing::Values(
        BrowseCase{"None", [](const std::string&) { return std::nullopt; }, {""}, kRootChildren},
        BrowseCase{"Absent", [](const std::string& r) { return r + "/missing"; }, {""}, kRootChildren},
        BrowseCase{"File", [](const std::string& r) { return r + "/file.txt"; }, {""}, kRootChildren},
        BrowseCase{"LinkToFolder", [](const std::string& r) { return r + "/link"; }, {""}, kRootChildren},
        BrowseCase{"Outside", [](const std::string&) { return std::string("/usr"); }, {""}, kRootChildren},
        BrowseCase{"Relative", [](const std::string&) { return std::string("level1"); }, {""}, kRootChildren},
        BrowseCase{"Root", [](const std::string& r) { return r; }, {""}, kRootChildren},
        BrowseCase{"TwoLevelsDown",
                   [](const std::string& r) { return r + "/level1/level2"; },
                   {"", "level1", "level1/level2"},
                   kLevel2Children},
        BrowseCase{"DataVolumeForm",
                   [](const std::string& r) { return "/System/Volumes/Data" + r + "/level1/level2"; },
                   {"", "level1", "level1/level2"},
                   kLevel2Children},
        BrowseCase{"UnnormalForm",
                   [](const std::string& r) { return r + "//level1/./x/../level2/"; },
                   {"", "level1", "level1/level2"},
                   kLevel2Children}),
    test::caseName<BrowseCase>);

// ---- cancellation ----------------------------------------------------------------------------------

int openDescriptors() {
    return static_cast<int>(listed("/proc/self/fd").size());
}

// A scan and the descriptors it held beyond those open before it: at most at once (looked at every few
// status reads) and still open once it returned.
struct DescriptorCount {
    ScanResult scan;
    int most = 0;
    int left = 0;
};
DescriptorCount scanCountingDescriptors(const std::string& root, unsigned threads) {
    const int before = openDescriptors();
    int most = before;
    auto fs = hooks();
    int calls = 0;
    fs->status = [&](const std::string&, FileStatus&) {
        if (++calls % 8 == 0)
            most = std::max(most, openDescriptors());
        return 0;
    };
    CancellationFlag flag;
    DescriptorCount counted{DiskScanner(fs, threads).scan(root, flag)};
    counted.most = most - before;
    counted.left = openDescriptors() - before;
    return counted;
}

struct CancelCase {
    std::string name;
    int cancelAtStatus; // cancel when the walk reads the status of its n-th entry; -1: from the first report
    unsigned threads;
};
void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class CancellationTest : public ::testing::TestWithParam<CancelCase> {};

// Workers read ahead of the walk, so statuses read before the flag was set are no measure of promptness;
// what counts is that no read starts once the flag is set (each worker may have one under way).
TEST_P(CancellationTest, ThrowsWithoutAResult) {
    const CancelCase& c = GetParam();
    TempDir dir;
    const std::string root = dir.makeDir("root");
    for (int i = 0; i < 300; ++i)
        dir.makeFile("root/d" + std::to_string(i % 3) + "/f" + std::to_string(i));
    CancellationFlag flag;
    int statted = 0;
    int readsAfterCancel = 0;
    int reportsAfterCancel = 0;
    auto fs = hooks();
    fs->status = [&](const std::string&, FileStatus&) {
        if (flag.isCancelled())
            ++readsAfterCancel;
        if (++statted == c.cancelAtStatus + 1) // the root's status is read first
            flag.cancel();
        return 0;
    };
    auto progress = [&](const ScanProgress&) {
        if (flag.isCancelled())
            ++reportsAfterCancel;
        if (c.cancelAtStatus < 0)
            flag.cancel();
    };
    const int before = openDescriptors();
    EXPECT_THROW((void)DiskScanner(fs, c.threads).scan(root, flag, nullptr, progress), CancellationError);
    EXPECT_LE(readsAfterCancel, c.threads == 1 ? 0 : static_cast<int>(c.threads) - 1);
    if (c.threads == 1 && c.cancelAtStatus > 0) {
        EXPECT_EQ(statted, c.cancelAtStatus + 1);
    }
    EXPECT_EQ(reportsAfterCancel, 0);
    EXPECT_EQ(openDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Points, CancellationTest,
                         ::testing::Values(CancelCase{"FromProgress", -1, 1}, CancelCase{"FirstEntry", 1, 1},
                                           CancelCase{"MidWalk", 123, 1}, CancelCase{"LastEntry", 303, 1},
                                           CancelCase{"FromProgressParallel", -1, 4},
                                           CancelCase{"FirstEntryParallel", 1, 4},
                                           CancelCase{"MidWalkParallel", 123, 4},
                                           CancelCase{"LastEntryParallel", 303, 4}),
                         test::caseName<CancelCase>);

TEST(DiskScannerTest, CancelledBeforeTheStartThrows) {
    TempDir dir;
    CancellationFlag flag;
    flag.cancel();
    EXPECT_THROW((void)DiskScanner().scan(dir.makeDir("empty"), flag), CancellationError);
}

// ---- deep trees ------------------------------------------------------------------------------------

TEST(DiskScannerTest, DeepTreeIsWalkedWithABoundedNumberOfOpenFolders) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    // Names around the folder's, so that whatever order the file system lists them in, entries remain
    // to be visited after the walk comes back up (in folders whose descriptor it had to close).
    // Made level by level through descriptors: paths this deep are slow to resolve from the top.
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 100; ++level) {
        for (const char* file : {"a", "b", "f", "g"})
            ::close(::openat(fd, file, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_EQ(::mkdirat(fd, "m", 0755), 0);
        const int next = ::openat(fd, "m", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    // Each worker holds one folder open, the walk one, besides the root and the one the hook lists.
    for (const unsigned threads : {1u, 6u}) {
        const DescriptorCount counted = scanCountingDescriptors(root, threads);
        const ScanResult& scan = counted.scan;
        EXPECT_TRUE(scan.issues.empty());
        EXPECT_EQ(scan.nodes.size(), 1u + 100 * 5);
        EXPECT_EQ(scan.root()->fileCount, 100 * 4);
        EXPECT_EQ(scan.root()->folderCount, 100);
        EXPECT_LE(counted.most, static_cast<int>(threads) + 3) << threads;
        EXPECT_EQ(counted.left, 0);
    }
}

// A chain of `levels` folders named `name`, with a file beside each unless `files` is false, made level
// by level through descriptors; and its removal the same way (paths this long are beyond the usual calls).
void makeChain(const std::string& root, int levels, const std::string& name, bool files = true) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < levels; ++level) {
        if (files)
            ::close(::openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
}
struct ChainRemoval {
    std::string root;
    std::string name;
    ~ChainRemoval() {
        std::vector<int> fds{::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        while (fds.back() >= 0)
            fds.push_back(::openat(fds.back(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        fds.pop_back();
        for (std::size_t k = fds.size(); k-- > 0;) {
            ::unlinkat(fds[k], "f", 0);
            ::unlinkat(fds[k], name.c_str(), AT_REMOVEDIR);
            ::close(fds[k]);
        }
    }
};

// Folders far below the root are opened from a kept ancestor's descriptor, a bounded number of them:
// a path of some 10,000 bytes, beyond what one system call takes, is walked whole.
TEST(DiskScannerTest, ChainBeyondThePathLimitIsWalkedWithFewDescriptors) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    const std::string name(24, 'n');
    constexpr int kLevels = 400;
    const ChainRemoval removal{root, name};
    makeChain(root, kLevels, name);
    for (const unsigned threads : {1u, 4u}) {
        const DescriptorCount counted = scanCountingDescriptors(root, threads);
        const ScanResult& scan = counted.scan;
        EXPECT_TRUE(scan.issues.empty()) << scan.issues.front().message;
        EXPECT_EQ(scan.root()->fileCount, kLevels);
        EXPECT_EQ(scan.root()->folderCount, kLevels);
        // One kept every FolderListings::kKeepEvery levels.
        EXPECT_LE(counted.most, static_cast<int>(threads) + 3 + kLevels / 128) << threads;
        EXPECT_EQ(counted.left, 0);
    }
}

// However deep a folder lies, looking for it among its ancestors visits only those near the root (from
// the one it keeps) once it has been looked up among the deep folders met: the work per folder stays the
// same down a long chain.
TEST(DiskScannerTest, LoopCheckVisitsAFewAncestorsPerFolderAtAnyDepth) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    constexpr std::size_t kLevels = 5000;
    const ChainRemoval removal{root, "d"};
    makeChain(root, static_cast<int>(kLevels), "d", false);
    for (const unsigned threads : {1u, 4u}) {
        auto fs = hooks();
        std::size_t checks = 0;
        std::size_t visited = 0;
        std::size_t most = 0;
        fs->loopCheck = [&](std::size_t ancestors) {
            ++checks;
            visited += ancestors;
            most = std::max(most, ancestors);
        };
        CancellationFlag flag;
        const ScanResult scan = DiskScanner(fs, threads).scan(root, flag);
        EXPECT_TRUE(scan.issues.empty()) << threads;
        EXPECT_EQ(scan.root()->folderCount, static_cast<std::int64_t>(kLevels)) << threads;
        EXPECT_EQ(checks, kLevels) << threads;
        // At most the ancestors from kNearDepth up to the root, never one per level of the chain.
        const std::size_t perFolder = FolderListings::kNearDepth + 1;
        EXPECT_LE(most, perFolder) << threads;
        EXPECT_LE(visited, perFolder * kLevels) << threads;
    }
}

// With few descriptors to spare, the chain below the last kept folder is opened from it in pieces.
TEST(DiskScannerTest, ChainDeeperThanTheKeptDescriptorsReachIsWalkedWhole) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    constexpr int kLevels = 1200;
    const ChainRemoval removal{root, "m"};
    makeChain(root, kLevels, "m");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit few = saved;
    few.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 32); // a quarter, 8 kept: 1,024 levels
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    CancellationFlag flag;
    const ScanResult alone = DiskScanner(1).scan(root, flag);
    const ScanResult parallel = DiskScanner(4).scan(root, flag);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    for (const ScanResult* scan : {&alone, &parallel}) {
        EXPECT_TRUE(scan->issues.empty()) << scan->issues.front().message;
        EXPECT_EQ(scan->root()->fileCount, kLevels);
        EXPECT_EQ(scan->root()->folderCount, kLevels);
    }
}

} // namespace
} // namespace ambertrove
