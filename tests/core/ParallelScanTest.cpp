// Scans with worker threads must give exactly what the walk on one thread gives.
#include "base/AmbertroveError.hpp"
#include "platform/FileStatus.hpp"
#include "scan/DiskScanner.hpp"
#include "scan/FolderListings.hpp"
#include "scan/ListingMemory.hpp"
#include "support/CaseName.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ambertrove {
namespace {

using test::TempDir;

int entriesOf(const char* folder) {
    int count = 0;
    DIR* dir = ::opendir(folder);
    EXPECT_NE(dir, nullptr) << folder;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.')
            ++count;
    ::closedir(dir);
    return count;
}
int openDescriptors() {
    return entriesOf("/proc/self/fd");
}
int runningThreads() {
    return entriesOf("/proc/self/task");
}

std::string numbered(const std::string& prefix, int i) {
    return prefix + std::to_string(i);
}

// A fixture tree and the hooks that stand in for what a real disk cannot show here.
struct TreeCase {
    std::string name;
    std::function<void(TempDir&, const std::string& root)> make;
    std::function<void(ScanFileSystem&, const std::string& root)> hook;
    std::function<void(const ScanResult&, const std::string& root)> check; // about the tree itself
};
void PrintTo(const TreeCase& c, std::ostream* os) {
    *os << c.name;
}

// Several subtrees, each linking files of the others from deep inside, so that which link counts the
// blocks depends on the order in which whole subtrees are walked.
void makeCrossLinks(TempDir& dir, const std::string&) {
    for (int s = 0; s < 6; ++s)
        for (int d = 0; d < 4; ++d)
            dir.makeFileOfSize("root/s" + std::to_string(s) + "/a/b" + std::to_string(d) + "/own", 5000 + s);
    for (int s = 0; s < 6; ++s)
        for (int d = 0; d < 4; ++d)
            for (int other = 0; other < 6; ++other)
                if (other != s)
                    dir.makeHardLink("root/s" + std::to_string(s) + "/a/b" + std::to_string(d) + "/link" +
                                         std::to_string(other),
                                     "root/s" + std::to_string(other) + "/a/b" + std::to_string(d) + "/own");
}

// Unreadable files and folders in every subtree, more than 200 problems in all, spread so that the kept
// 200 depend on the order of folders.
void makeManyProblems(TempDir& dir, const std::string&) {
    for (int f = 0; f < 40; ++f)
        for (int i = 0; i < 8; ++i)
            dir.makeFile("root/f" + std::to_string(f % 5) + "/g" + std::to_string(f) + "/bad" +
                         std::to_string(i));
    for (int f = 0; f < 40; ++f)
        dir.makeFile("root/f" + std::to_string(f % 5) + "/g" + std::to_string(f) + "/closed/inside");
    dir.makeFile("root/fine");
}
void hookManyProblems(ScanFileSystem& fs, const std::string&) {
    fs.status = [](const std::string& path, FileStatus&) {
        return path.find("/bad") != std::string::npos ? EIO : 0;
    };
    fs.open = [](const std::string& path) {
        return path.ends_with("/closed") ? EACCES : 0;
    };
}

void makeVolumes(TempDir& dir, const std::string&) {
    for (int i = 0; i < 12; ++i) {
        dir.makeFileOfSize(numbered("root/m", i) + "/vol/inside/file", 100);
        dir.makeFileOfSize(numbered("root/m", i) + "/bind/inside/file", 100);
        dir.makeFileOfSize(numbered("root/m", i) + "/plain/file", 100 + i);
    }
}
void hookVolumes(ScanFileSystem& fs, const std::string&) {
    fs.status = [](const std::string& path, FileStatus& status) {
        status.hasMountId = true;
        status.mountId = path.ends_with("/bind") ? 8 : 7;
        if (path.ends_with("/vol"))
            status.device += 1;
        if (path.find("/vol/") != std::string::npos || path.find("/bind/") != std::string::npos)
            throw std::logic_error("walked into a nested volume: " + path);
        return 0;
    };
}

// Folders large enough to be read in parts by several workers: links between the parts and across
// folders, unreadable entries and closed folders among them. Made through descriptors (fewer lookups).
void makeLargeFolders(TempDir&, const std::string& root) {
    const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::mkdirat(top, "big", 0755);
    for (int i = 0; i < 700; ++i) {
        const std::string name = numbered("f", i);
        const int fd = ::openat(top, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (i % 7 == 0) {
            EXPECT_EQ(::write(fd, "some bytes", 10), 10);
        }
        ::close(fd);
        if (i % 50 == 0)
            ::mkdirat(top, numbered("d", i).c_str(), 0755);
    }
    for (int i = 0; i < 600; ++i) {
        const std::string name = numbered("big/g", i);
        if (i % 3 == 0)
            ::linkat(top, numbered("f", i).c_str(), top, name.c_str(), 0);
        else
            ::close(::openat(top, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    ::close(top);
}
void hookLargeFolders(ScanFileSystem& fs, const std::string&) {
    fs.status = [](const std::string& path, FileStatus&) {
        return path.ends_with("5") && path.find("/big/") != std::string::npos ? EIO : 0;
    };
    fs.open = [](const std::string& path) {
        return path.ends_with("/d150") || path.ends_with("/d600") ? EACCES : 0;
    };
}

// `fan` folders of `fan` folders of `fan` folders, with a file in every second one of the last.
int foldersOf(int fan) {
    return fan + fan * fan + fan * fan * fan;
}
void makeFolderTree(const std::string& root, int fan) {
    const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int a = 0; a < fan; ++a) {
        const std::string an = numbered("a", a);
        ::mkdirat(top, an.c_str(), 0755);
        for (int b = 0; b < fan; ++b) {
            const std::string bn = an + numbered("/b", b);
            ::mkdirat(top, bn.c_str(), 0755);
            for (int c = 0; c < fan; ++c) {
                const std::string cn = bn + numbered("/c", c);
                ::mkdirat(top, cn.c_str(), 0755);
                if (c % 2 == 0)
                    ::close(::openat(top, (cn + "/f").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            }
        }
    }
    ::close(top);
}

// 1,884 folders.
constexpr int kFan = 12;
void makeThousandsOfFolders(TempDir&, const std::string& root) {
    makeFolderTree(root, kFan);
}

// A chain of 120 folders with long names (a path of about 18,000 bytes, beyond what one system call
// takes), files beside each folder; made level by level through descriptors.
constexpr int kChainDepth = 120;
const std::string kLongName(150, 'n');
void makeDeepChain(TempDir&, const std::string& root) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kChainDepth; ++level) {
        for (const char* file : {"a", "z"})
            ::close(::openat(fd, file, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_EQ(::mkdirat(fd, kLongName.c_str(), 0755), 0);
        const int next = ::openat(fd, kLongName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
}

// A tree of 584 folders and 256 files, made once for the tests that only read it.
constexpr int kSharedFan = 8;
const std::string& sharedFolders() {
    static TempDir dir;
    static const std::string root = [] {
        const std::string made = dir.makeDir("root");
        makeFolderTree(made, kSharedFan);
        return made;
    }();
    return root;
}

// Removes everything below an open folder, through descriptors.
void removeBelow(int fd) {
    DIR* dir = ::fdopendir(::dup(fd));
    std::vector<std::pair<std::string, bool>> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back({name, e->d_type == DT_DIR});
    }
    ::closedir(dir);
    for (const auto& [name, isFolder] : names) {
        if (isFolder) {
            const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            removeBelow(child);
            ::close(child);
        }
        ::unlinkat(fd, name.c_str(), isFolder ? AT_REMOVEDIR : 0);
    }
}

const std::vector<TreeCase> kTrees = {
    {"CrossLinks",
     makeCrossLinks,
     {},
     [](const ScanResult& scan, const std::string& root) {
         EXPECT_EQ(scan.root()->fileCount, 6 * 4 * 6);
         std::int64_t blocks = 0;
         for (int s = 0; s < 6; ++s)
             for (int d = 0; d < 4; ++d) {
                 struct stat st {};
                 const std::string own =
                     root + "/s" + std::to_string(s) + "/a/b" + std::to_string(d) + "/own";
                 EXPECT_EQ(::lstat(own.c_str(), &st), 0);
                 blocks += static_cast<std::int64_t>(st.st_blocks) * 512;
             }
         EXPECT_EQ(scan.root()->allocatedSize, blocks);
     }},
    {"ManyProblems", makeManyProblems, hookManyProblems,
     [](const ScanResult& scan, const std::string&) {
         EXPECT_EQ(scan.skippedCount, 40 * 8 + 40);
         EXPECT_EQ(scan.issues.size(), 200u);
         EXPECT_EQ(scan.root()->fileCount, 1);
     }},
    {"NestedVolumes", makeVolumes, hookVolumes,
     [](const ScanResult& scan, const std::string&) {
         EXPECT_EQ(scan.skippedCount, 24);
         EXPECT_EQ(scan.root()->fileCount, 12);
     }},
    {"LargeFolders", makeLargeFolders, hookLargeFolders,
     [](const ScanResult& scan, const std::string&) {
         EXPECT_EQ(scan.root()->fileCount, 700 + 600 - 60);
         EXPECT_EQ(scan.root()->folderCount, 1 + 14);
         EXPECT_EQ(scan.skippedCount, 60 + 2);
     }},
    {"ThousandsOfFolders",
     makeThousandsOfFolders,
     {},
     [](const ScanResult& scan, const std::string&) {
         EXPECT_TRUE(scan.issues.empty());
         EXPECT_EQ(scan.root()->folderCount, foldersOf(kFan));
         EXPECT_EQ(scan.root()->fileCount, kFan * kFan * kFan / 2);
     }},
    {"DeepChain",
     makeDeepChain,
     {},
     [](const ScanResult& scan, const std::string&) {
         EXPECT_TRUE(scan.issues.empty())
             << scan.issues.front().path.size() << " " << scan.issues.front().message;
         EXPECT_EQ(scan.root()->folderCount, kChainDepth);
         EXPECT_EQ(scan.root()->fileCount, 2 * kChainDepth);
     }},
};

class ParallelTreeTest : public ::testing::TestWithParam<TreeCase> {};

void expectSameScan(const ScanResult& parallel, const ScanResult& alone, const std::string& what) {
    // Node tables hold the children lists in order and which hard link carries the blocks.
    EXPECT_TRUE(parallel.nodes.sameNodes(alone.nodes)) << what;
    EXPECT_EQ(parallel.issues, alone.issues) << what;
    EXPECT_EQ(parallel.skippedCount, alone.skippedCount) << what;
    EXPECT_EQ(parallel.rootPath, alone.rootPath) << what;
}

TEST_P(ParallelTreeTest, AnyNumberOfThreadsGivesTheResultOfOne) {
    const TreeCase& c = GetParam();
    TempDir dir;
    const std::string root = dir.makeDir("root");
    // The usual removal cannot reach paths longer than PATH_MAX.
    struct RemoveBelow {
        std::string root;
        ~RemoveBelow() {
            const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            removeBelow(fd);
            ::close(fd);
        }
    } removeOnExit{root};
    c.make(dir, root);
    test::settleAccessTimes(root);
    auto fs = std::make_shared<ScanFileSystem>();
    if (c.hook)
        c.hook(*fs, root);
    // Hooks are called one at a time, whichever thread calls them.
    auto inside = std::make_shared<std::atomic<int>>(0);
    auto overlapped = std::make_shared<std::atomic<bool>>(false);
    auto guard = [=](auto call) {
        return [=](const std::string& path, auto&... more) {
            if (inside->fetch_add(1) != 0)
                overlapped->store(true);
            const int result = call ? call(path, more...) : 0;
            inside->fetch_sub(1);
            return result;
        };
    };
    fs->status = guard(fs->status);
    fs->open = guard(fs->open);

    CancellationFlag flag;
    const ScanResult alone = DiskScanner(fs, 1).scan(root, flag);
    c.check(alone, root);
    struct Setting {
        unsigned threads;
        std::size_t readAhead;
    };
    for (const Setting s : {Setting{2, DiskScanner::kReadAhead}, Setting{8, DiskScanner::kReadAhead},
                            Setting{4, 1}, Setting{3, 50}, Setting{16, 1000}}) {
        const std::string what = std::to_string(s.threads) + " threads, " + std::to_string(s.readAhead);
        const int descriptors = openDescriptors();
        expectSameScan(DiskScanner(fs, s.threads, s.readAhead).scan(root, flag), alone, what);
        ScanNavigation navigation;
        navigation.focus(root + "/s1");
        expectSameScan(
            DiskScanner(fs, s.threads, s.readAhead).scan(root, flag, &navigation, [](const ScanProgress&) {}),
            alone, what + ", live");
        EXPECT_EQ(openDescriptors(), descriptors) << what;
    }
    EXPECT_FALSE(overlapped->load());
}

INSTANTIATE_TEST_SUITE_P(Trees, ParallelTreeTest, ::testing::ValuesIn(kTrees), test::caseName<TreeCase>);

// ---- stopping --------------------------------------------------------------------------------------

struct StopCase {
    std::string name;
    unsigned threads;
    std::size_t readAhead;
    int cancelAt; // the n-th status read sets the flag
};
void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class ParallelStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(ParallelStopTest, CancellingStopsEveryWorkerAndLeavesNothingOpen) {
    const StopCase& c = GetParam();
    const std::string& root = sharedFolders();
    const int descriptors = openDescriptors();
    const int threads = runningThreads();
    CancellationFlag flag;
    std::atomic<int> statted{0};
    std::atomic<int> afterCancel{0};
    auto fs = std::make_shared<ScanFileSystem>();
    fs->status = [&](const std::string&, FileStatus&) {
        if (flag.isCancelled())
            ++afterCancel;
        if (++statted == c.cancelAt)
            flag.cancel();
        return 0;
    };
    EXPECT_THROW((void)DiskScanner(fs, c.threads, c.readAhead).scan(root, flag), CancellationError);
    // Each worker may have had one read under way when the flag was set; none starts another.
    EXPECT_LE(afterCancel.load(), static_cast<int>(c.threads));
    EXPECT_LE(statted.load(), c.cancelAt + static_cast<int>(c.threads));
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(runningThreads(), threads);
}

INSTANTIATE_TEST_SUITE_P(Points, ParallelStopTest,
                         ::testing::Values(StopCase{"Early", 8, DiskScanner::kReadAhead, 20},
                                           StopCase{"Midway", 8, DiskScanner::kReadAhead, 400},
                                           StopCase{"OneWorker", 2, DiskScanner::kReadAhead, 300},
                                           StopCase{"ShortReadAhead", 5, 10, 700}),
                         test::caseName<StopCase>);

// Stopped while large folders are read in parts: what the workers had not taken is dropped and closed.
TEST(ParallelScanTest, CancellingDuringLargeFoldersLeavesNothingOpen) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    makeLargeFolders(dir, root);
    const int descriptors = openDescriptors();
    const int threads = runningThreads();
    for (const int cancelAt : {2, 300, 800, 1200}) {
        CancellationFlag flag;
        int statted = 0;
        auto fs = std::make_shared<ScanFileSystem>();
        fs->status = [&](const std::string&, FileStatus&) {
            if (++statted == cancelAt)
                flag.cancel();
            return 0;
        };
        EXPECT_THROW((void)DiskScanner(fs, 4).scan(root, flag), CancellationError) << cancelAt;
        EXPECT_LE(statted, cancelAt + 4) << cancelAt;
        EXPECT_EQ(openDescriptors(), descriptors) << cancelAt;
        EXPECT_EQ(runningThreads(), threads) << cancelAt;
    }
}

// A hook that throws on a worker ends the scan with its error, and the workers with it.
TEST(ParallelScanTest, FailureOnAWorkerReachesTheCaller) {
    const std::string& root = sharedFolders();
    const int descriptors = openDescriptors();
    const int threads = runningThreads();
    auto fs = std::make_shared<ScanFileSystem>();
    fs->open = [&](const std::string& path) -> int {
        if (path == root + "/a7/b3")
            throw std::runtime_error("hook failed");
        return 0;
    };
    CancellationFlag flag;
    EXPECT_THROW((void)DiskScanner(fs, 4).scan(root, flag), std::runtime_error);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(runningThreads(), threads);
}

// ---- large folders read in parts at once ----------------------------------------------------------

// Four folders of 3,000 files, each read in parts by the four threads at once: the readers of the parts
// use the folder's descriptor while the reader of the last part closes it.
TEST(ParallelScanTest, LargeFoldersReadInPartsAtOnceGiveExactCounts) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::int64_t bytes = 0;
    for (int f = 0; f < 4; ++f) {
        const std::string folder = numbered("big", f);
        ASSERT_EQ(::mkdirat(top, folder.c_str(), 0755), 0);
        const int fd = ::openat(top, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; i < 3000; ++i) {
            const int file = ::openat(fd, numbered("f", i).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            const int size = i % 5;
            ASSERT_EQ(::write(file, "bytes", size), size);
            bytes += size;
            ::close(file);
        }
        ::close(fd);
    }
    ::close(top);
    test::settleAccessTimes(root);

    CancellationFlag flag;
    const ScanResult alone = DiskScanner(1).scan(root, flag);
    EXPECT_TRUE(alone.issues.empty());
    EXPECT_EQ(alone.root()->fileCount, 4 * 3000);
    EXPECT_EQ(alone.root()->folderCount, 4);
    EXPECT_EQ(alone.root()->logicalSize, bytes);
    const int descriptors = openDescriptors();
    for (int run = 0; run < 4; ++run) {
        expectSameScan(DiskScanner(4).scan(root, flag), alone, "run " + std::to_string(run));
        EXPECT_EQ(openDescriptors(), descriptors);
    }
}

// ---- progress --------------------------------------------------------------------------------------

void expectSamePreview(const ScanFolderPreview& a, const ScanFolderPreview& b) {
    EXPECT_EQ(a.rootPath, b.rootPath);
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.ancestors, b.ancestors);
    EXPECT_EQ(a.children, b.children);
    ASSERT_EQ(a.chart.has_value(), b.chart.has_value());
    if (a.chart) {
        EXPECT_TRUE(a.chart->nodes.sameNodes(b.chart->nodes));
    }
    EXPECT_EQ(a.chartIsLimited, b.chartIsLimited);
}

// The first report comes with the 256th entry of the walk and the last at its end, whatever the
// threads; both show the same totals, previews and browsed folder.
TEST(ParallelScanTest, ReportsShowTheSameWalk) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    for (int i = 0; i < 900; ++i)
        dir.makeFileOfSize("root/t" + std::to_string(i % 4) + "/u" + std::to_string(i % 13) + "/f" +
                               std::to_string(i),
                           i * 7);
    test::settleAccessTimes(root);
    auto reportsOf = [&](unsigned threads) {
        ScanNavigation navigation;
        navigation.focus(root + "/t2");
        CancellationFlag flag;
        std::vector<ScanProgress> reports;
        (void)DiskScanner(threads).scan(root, flag, &navigation,
                                        [&](const ScanProgress& p) { reports.push_back(p); });
        return reports;
    };
    const std::vector<ScanProgress> alone = reportsOf(1);
    for (const unsigned threads : {2u, 8u}) {
        const std::vector<ScanProgress> parallel = reportsOf(threads);
        ASSERT_GE(alone.size(), 2u);
        ASSERT_GE(parallel.size(), 2u);
        for (const auto& [a, b] :
             {std::pair{&alone.front(), &parallel.front()}, std::pair{&alone.back(), &parallel.back()}}) {
            EXPECT_EQ(a->files, b->files);
            EXPECT_EQ(a->folders, b->folders);
            EXPECT_EQ(a->bytes, b->bytes);
            EXPECT_EQ(a->path, b->path);
            EXPECT_EQ(a->preview, b->preview);
            ASSERT_TRUE(a->browsing && b->browsing);
            expectSamePreview(*a->browsing, *b->browsing);
        }
        EXPECT_EQ(parallel.front().files + parallel.front().folders, 256);
        EXPECT_EQ(parallel.back().path, root);
    }
}

// Stopped while a worker still reads the folder the walk waits for: the walk gets the folder back (or the
// stop) only once the worker is done with it, since the walk frees it as soon as it stops.
TEST(ParallelScanTest, AwaitingAFolderAWorkerReadsWaitsForTheWorkerEvenWhenStopped) {
    TempDir dir;
    const std::string root = dir.makeDir("root");
    dir.makeDir("root/a");
    dir.makeFileOfSize("root/a/file", 10);
    FileStatus status;
    ASSERT_EQ(readFileStatus(AT_FDCWD, root.c_str(), status), 0);
    CancellationFlag flag;
    std::atomic<bool> entered{false};
    std::atomic<bool> inside{false};
    ScanFileSystem fs;
    fs.open = [&](const std::string& path) {
        if (path == root + "/a") {
            inside = true;
            entered = true;
            flag.cancel();
            // Longer than the walk ever waits before looking at the flag.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            inside = false;
        }
        return 0;
    };
    ListingMemory memory;
    FolderListings::ListingPtr rootListing;
    FolderListings::ListingPtr folder;
    FolderListings listings(
        FolderListings::Root{::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), root, status}, memory,
        &fs, flag, 1, DiskScanner::kReadAhead);
    rootListing = listings.takeRoot();
    listings.await(*rootListing);
    ASSERT_EQ(rootListing->entries.size(), 1u);
    folder = std::move(rootListing->entries[0].folder);
    ASSERT_TRUE(folder);
    // The walk reaches the folder while the worker is inside it.
    while (!entered)
        std::this_thread::yield();
    EXPECT_THROW(listings.await(*folder), CancellationError);
    EXPECT_FALSE(inside.load());
}
} // namespace
} // namespace ambertrove
