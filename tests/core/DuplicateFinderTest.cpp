#include "duplicates/DuplicateFinder.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/Sha256.hpp"
#include "scan/DiskScanner.hpp"
#include "support/CaseName.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::TempDir;
using Phase = DuplicateProgress::Phase;

ScanResult scanOf(const std::string& root) {
    CancellationFlag flag;
    return DiskScanner().scan(root, flag);
}

std::int64_t allocatedBytes(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0);
    return static_cast<std::int64_t>(st.st_blocks) * 512;
}

std::string hexOf(const std::string& content) {
    return Sha256::hex(Sha256::of(content.data(), content.size()));
}

// Deterministic content of `size` bytes; `seed` picks the pattern.
std::string pattern(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(random() & 0xff);
    return s;
}

std::vector<std::vector<std::string>> pathsOf(const DuplicateReport& report) {
    std::vector<std::vector<std::string>> out;
    for (const DuplicateGroup& g : report.groups) {
        out.emplace_back();
        for (const DiskNode& n : g.files)
            out.back().push_back(n.path);
    }
    return out;
}

struct Recorded {
    std::vector<DuplicateProgress> reports;
    std::vector<std::pair<std::int64_t, std::int64_t>> counts;
};

DuplicateReport search(const ScanResult& scan, std::int64_t minimumSize = 0,
                       const std::optional<std::string>& scope = std::nullopt, Recorded* recorded = nullptr) {
    CancellationFlag flag;
    return DuplicateFinder().find(
        scan, minimumSize, scope, flag,
        [&](const DuplicateProgress& p) {
            if (recorded)
                recorded->reports.push_back(p);
        },
        [&](std::int64_t checked, std::int64_t total) {
            if (recorded)
                recorded->counts.emplace_back(checked, total);
        });
}

TEST(DuplicateFinderTest, EqualFilesInDifferentFoldersFormOneGroupInPathOrder) {
    TempDir dir;
    const std::string b = dir.makeFile("b/copy.txt", "abc");
    const std::string a = dir.makeFile("a/original.txt", "abc");
    dir.makeFile("c/other.txt", "abd");
    const DuplicateReport report = search(scanOf(dir.path()));

    ASSERT_EQ(report.groups.size(), 1u);
    const DuplicateGroup& group = report.groups[0];
    EXPECT_EQ(group.id, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    ASSERT_EQ(group.files.size(), 2u);
    EXPECT_EQ(group.files[0].path, a);
    EXPECT_EQ(group.files[1].path, b);
    EXPECT_EQ(group.files[1].allocatedSize, allocatedBytes(b));
    EXPECT_EQ(group.reclaimable(), allocatedBytes(b));
    EXPECT_EQ(report.checked, 3);
    EXPECT_EQ(report.skipped, 0);
    EXPECT_TRUE(report.issues.empty());
}

TEST(DuplicateFinderTest, HardLinksAreNeverCopiesOfEachOther) {
    TempDir dir;
    dir.makeFile("a/data.bin", pattern(5000, 1));
    dir.makeHardLink("b/link.bin", "a/data.bin");
    dir.makeFile("c/copy.bin", pattern(5000, 1));
    dir.makeFile("d/lonely.bin", pattern(7000, 2));
    dir.makeHardLink("d/lonely-link.bin", "d/lonely.bin");
    const DuplicateReport report = search(scanOf(dir.path()));

    const std::vector<std::vector<std::string>> expected{{dir / "a/data.bin", dir / "c/copy.bin"}};
    EXPECT_EQ(pathsOf(report), expected);
    // The second link leaves before grouping; the lonely file's links reduce to one file of its size.
    EXPECT_EQ(report.checked, 2);
}

TEST(DuplicateFinderTest, SameSizeWithDifferentStartsIsNeverReadInFull) {
    TempDir dir;
    std::string first = pattern(200000, 3), second = first;
    second[10] ^= 1;
    dir.makeFile("one.bin", first);
    dir.makeFile("two.bin", second);
    Recorded recorded;
    const DuplicateReport report = search(scanOf(dir.path()), 0, std::nullopt, &recorded);

    EXPECT_TRUE(report.groups.empty());
    EXPECT_EQ(report.checked, 2);
    for (const DuplicateProgress& p : recorded.reports)
        EXPECT_TRUE(p.phase != Phase::hashing && p.phase != Phase::verifying);
}

struct Variant {
    const char* name;
    std::int64_t size;
    std::vector<std::int64_t> flips; // offsets of the second file whose byte differs from the first
    bool equal;
};

class DuplicateFinderVariantTest : public testing::TestWithParam<Variant> {};

TEST_P(DuplicateFinderVariantTest, GroupsOnlyWhenEveryByteIsEqual) {
    const Variant& v = GetParam();
    TempDir dir;
    const std::string content = pattern(static_cast<std::size_t>(v.size), 4);
    std::string changed = content;
    for (std::int64_t at : v.flips)
        changed[static_cast<std::size_t>(at)] ^= 0x5a;
    dir.makeFile("x/first.bin", content);
    dir.makeFile("y/second.bin", changed);
    Recorded recorded;
    const DuplicateReport report = search(scanOf(dir.path()), 0, std::nullopt, &recorded);

    EXPECT_EQ(report.skipped, 0);
    if (v.equal) {
        ASSERT_EQ(report.groups.size(), 1u);
        EXPECT_EQ(report.groups[0].id, hexOf(content));
        EXPECT_EQ(report.groups[0].files.size(), 2u);
    } else {
        EXPECT_TRUE(report.groups.empty());
    }
}

const std::int64_t kLarge = 3 * 1024 * 1024 + 12345;

INSTANTIATE_TEST_SUITE_P(Contents, DuplicateFinderVariantTest,
                         testing::Values(Variant{"identical_small", 1, {}, true},
                                         Variant{"identical_sample_sized", 65536, {}, true},
                                         Variant{"identical_beyond_sample", 65537, {}, true},
                                         Variant{"identical_large", kLarge, {}, true},
                                         Variant{"last_byte_of_sample", 65536, {65535}, false},
                                         Variant{"first_byte_after_sample", 65537, {65536}, false},
                                         Variant{"last_byte_of_large", kLarge, {kLarge - 1}, false},
                                         Variant{"middle_of_large", kLarge, {kLarge / 2}, false},
                                         Variant{"chunk_boundary", kLarge, {1024 * 1024}, false},
                                         Variant{
                                             "byte_before_chunk_boundary", kLarge, {1024 * 1024 - 1}, false}),
                         test::caseName<Variant>);

TEST(DuplicateFinderTest, EmptyFilesNeverTakePartAndMinimumSizeFilters) {
    TempDir dir;
    dir.makeFile("empty-1");
    dir.makeFile("empty-2");
    dir.makeFile("small-1", "12345");
    dir.makeFile("small-2", "12345");
    dir.makeFile("big-1", std::string(1000, 'b'));
    dir.makeFile("big-2", std::string(1000, 'b'));
    const ScanResult scan = scanOf(dir.path());

    struct Case {
        std::int64_t minimumSize;
        std::size_t groups;
        std::int64_t checked;
    };
    for (const Case& c : {Case{-5, 2, 4}, Case{0, 2, 4}, Case{1, 2, 4}, Case{5, 2, 4}, Case{6, 1, 2},
                          Case{1000, 1, 2}, Case{1001, 0, 0}}) {
        const DuplicateReport report = search(scan, c.minimumSize);
        EXPECT_EQ(report.groups.size(), c.groups) << c.minimumSize;
        EXPECT_EQ(report.checked, c.checked) << c.minimumSize;
    }
}

TEST(DuplicateFinderTest, AFileChangedSinceTheScanIsSkippedAndNeverRead) {
    // Whichever copy changed, the others still form a group whose reference is the first of them.
    for (const char* changed : {"a.txt", "b.txt", "c.txt"}) {
        TempDir dir;
        for (const char* name : {"a.txt", "b.txt", "c.txt", "gone.txt"})
            dir.makeFile(name, "same content");
        const ScanResult scan = scanOf(dir.path());
        dir.setTimes(changed, 1000000000, 1000000000);
        ASSERT_EQ(::unlink((dir / "gone.txt").c_str()), 0);
        const DuplicateReport report = search(scan);

        std::vector<std::string> rest;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            if (std::string(name) != changed)
                rest.push_back(dir / name);
        EXPECT_EQ(pathsOf(report), std::vector<std::vector<std::string>>{rest}) << changed;
        EXPECT_EQ(report.checked, 4);
        EXPECT_EQ(report.skipped, 2);
        const std::vector<std::string> issues{"File changed or is stored in iCloud: " + std::string(changed),
                                              (dir / "gone.txt") + ": No such file or directory"};
        EXPECT_EQ(report.issues, issues);
    }
}

TEST(DuplicateFinderTest, OnlyRegularFilesPresentOnTheDiskTakePart) {
    TempDir dir;
    dir.makeFile("a", "contents");
    dir.makeFile("b", "contents");
    dir.makeFile("c", "contents");
    dir.makeSymlink("link-1", "target-name");
    dir.makeSymlink("link-2", "target-name");
    ScanResult scan = scanOf(dir.path());
    // A file whose content lives only in the cloud is never a candidate.
    const NodeIndex cloud = scan.nodes.find(dir / "b");
    NodeData cloudData = scan.nodes.data(cloud);
    cloudData.isCloudPlaceholder = true;
    scan.nodes.setNode(cloud, cloudData, scan.nodes.hasParent(cloud));
    const DuplicateReport report = search(scan);
    EXPECT_EQ(pathsOf(report), (std::vector<std::vector<std::string>>{{dir / "a", dir / "c"}}));
    EXPECT_EQ(report.checked, 2);
}

TEST(DuplicateFinderTest, IssuesStopAtOneHundredWhileTheCountGoesOn) {
    TempDir dir;
    for (int k = 0; k < 105; ++k)
        dir.makeFile("f" + std::to_string(1000 + k), "x");
    const ScanResult scan = scanOf(dir.path());
    for (int k = 0; k < 105; ++k)
        dir.setTimes("f" + std::to_string(1000 + k), 1000000000, 1000000000);
    const DuplicateReport report = search(scan);

    EXPECT_TRUE(report.groups.empty());
    EXPECT_EQ(report.checked, 105);
    EXPECT_EQ(report.skipped, 105);
    ASSERT_EQ(report.issues.size(), 100u);
    EXPECT_EQ(report.issues.front(), "File changed or is stored in iCloud: f1000");
    EXPECT_EQ(report.issues.back(), "File changed or is stored in iCloud: f1099");
}

TEST(DuplicateFinderTest, ScopeIsFoundInAnyFormAndHoldsOnlyItsOwnFiles) {
    TempDir dir;
    dir.makeFile("a/one", "in scope");
    dir.makeFile("a/sub/two", "in scope");
    dir.makeFile("ab/three", "in scope");
    dir.makeFile("four", "in scope");
    const ScanResult scan = scanOf(dir.path());

    for (const std::string& scope : {dir / "a", dir / "a/", dir / "./a/sub/..", dir / "x/../a"}) {
        const DuplicateReport report = search(scan, 0, scope);
        const std::vector<std::vector<std::string>> expected{{dir / "a/one", dir / "a/sub/two"}};
        EXPECT_EQ(pathsOf(report), expected) << scope;
        EXPECT_EQ(report.checked, 2) << scope;
    }
    EXPECT_EQ(search(scan, 0, dir.path()).groups.at(0).files.size(), 4u);
}

TEST(DuplicateFinderTest, AScopeOutsideTheScanFailsBeforeAnyReport) {
    TempDir dir;
    dir.makeFile("a/one", "x");
    dir.makeFile("a/two", "x");
    const ScanResult scan = scanOf(dir.path());
    for (const std::string& scope :
         {dir / "missing", dir / "a/one", std::string("relative/a"), std::string()}) {
        Recorded recorded;
        try {
            (void)search(scan, 0, scope, &recorded);
            ADD_FAILURE() << scope;
        } catch (const AmbertroveError& e) {
            EXPECT_EQ(e.message(), "This folder is not in the current scan.");
        }
        EXPECT_TRUE(recorded.reports.empty());
    }
}

TEST(DuplicateFinderTest, CancellationStopsTheSearch) {
    TempDir dir;
    for (int k = 0; k < 40; ++k)
        dir.makeFile("f" + std::to_string(k), pattern(100000, 5));
    const ScanResult scan = scanOf(dir.path());

    CancellationFlag before;
    before.cancel();
    int reports = 0;
    EXPECT_THROW((void)DuplicateFinder().find(scan, 0, std::nullopt, before,
                                              [&](const DuplicateProgress&) { ++reports; }),
                 CancellationError);
    EXPECT_EQ(reports, 0);

    for (const Phase stopAt : {Phase::grouping, Phase::sampling, Phase::hashing}) {
        CancellationFlag flag;
        bool completed = false;
        EXPECT_THROW((void)DuplicateFinder().find(scan, 0, std::nullopt, flag,
                                                  [&](const DuplicateProgress& p) {
                                                      if (p.phase == stopAt)
                                                          flag.cancel();
                                                      completed = completed || p.phase == Phase::complete;
                                                  }),
                     CancellationError);
        EXPECT_FALSE(completed);
    }
}

TEST(DuplicateFinderTest, ReportsWalkThroughThePhases) {
    TempDir dir;
    dir.makeFile("a/one.bin", pattern(300000, 6));
    dir.makeFile("b/two.bin", pattern(300000, 6));
    dir.makeFile("c/three.bin", pattern(300000, 7));
    dir.makeFile("d/single.bin", pattern(1234, 8));
    Recorded recorded;
    const DuplicateReport report = search(scanOf(dir.path()), 0, std::nullopt, &recorded);
    ASSERT_EQ(report.groups.size(), 1u);

    ASSERT_FALSE(recorded.reports.empty());
    EXPECT_EQ(recorded.reports.front(), (DuplicateProgress{Phase::grouping, 0, 0, "", 0, 0}));
    EXPECT_EQ(recorded.reports.back(), (DuplicateProgress{Phase::complete, 3, 3, "", 0, 0}));
    std::vector<Phase> phases;
    for (const DuplicateProgress& p : recorded.reports)
        if (phases.empty() || phases.back() != p.phase)
            phases.push_back(p.phase);
    const std::vector<Phase> expected{Phase::grouping, Phase::sampling, Phase::hashing, Phase::verifying,
                                      Phase::complete};
    EXPECT_EQ(phases, expected);
    // The first report of each phase is always passed on, with the file being worked on.
    const DuplicateProgress& sampling = recorded.reports[1];
    EXPECT_EQ(sampling, (DuplicateProgress{Phase::sampling, 0, 3, "one.bin", 0, 300000}));
    for (const DuplicateProgress& p : recorded.reports) {
        if (p.phase == Phase::hashing) {
            EXPECT_TRUE(p.fileName == "one.bin" || p.fileName == "two.bin");
        }
        if (p.phase == Phase::verifying) {
            EXPECT_EQ(p.fileName, "two.bin");
        }
        EXPECT_EQ(p.total, p.phase == Phase::grouping ? 0 : 3);
    }
    const std::vector<std::pair<std::int64_t, std::int64_t>> counts{{1, 3}, {2, 3}, {3, 3}};
    EXPECT_EQ(recorded.counts, counts);
}

TEST(DuplicateFinderTest, AScanWithoutCandidatesReportsOnlyTheEnds) {
    TempDir dir;
    dir.makeFile("only", "x");
    dir.makeSymlink("link", "only");
    Recorded recorded;
    const DuplicateReport report = search(scanOf(dir.path()), 0, std::nullopt, &recorded);
    EXPECT_TRUE(report.groups.empty());
    EXPECT_EQ(report.checked, 0);
    EXPECT_EQ(report.skipped, 0);
    const std::vector<DuplicateProgress> expected{{Phase::grouping, 0, 0, "", 0, 0},
                                                  {Phase::complete, 0, 0, "", 0, 0}};
    EXPECT_EQ(recorded.reports, expected);
    EXPECT_TRUE(recorded.counts.empty());
}

TEST(DuplicateFinderTest, GroupsComeLargestReclaimableFirst) {
    TempDir dir;
    dir.makeFile("small-1", pattern(10, 9));
    dir.makeFile("small-2", pattern(10, 9));
    dir.makeFile("large-1", pattern(50000, 10));
    dir.makeFile("large-2", pattern(50000, 10));
    dir.makeFile("large-3", pattern(50000, 10));
    dir.makeFile("middle-1", pattern(20000, 11));
    dir.makeFile("middle-2", pattern(20000, 11));
    const DuplicateReport report = search(scanOf(dir.path()));
    ASSERT_EQ(report.groups.size(), 3u);
    EXPECT_EQ(report.groups[0].files.size(), 3u);
    EXPECT_EQ(report.groups[0].reclaimable(),
              allocatedBytes(dir / "large-2") + allocatedBytes(dir / "large-3"));
    EXPECT_EQ(report.groups[1].files[0].path, dir / "middle-1");
    EXPECT_EQ(report.groups[2].files[0].path, dir / "small-1");
    EXPECT_GE(report.groups[0].reclaimable(), report.groups[1].reclaimable());
    EXPECT_GE(report.groups[1].reclaimable(), report.groups[2].reclaimable());
}

// Checks that the groups are exactly the sets of two or more equal contents, each in path order with its
// content's digest as identifier.
void expectGroupsByContent(const DuplicateReport& report,
                           std::map<std::string, std::vector<std::string>> byContent) {
    std::map<std::vector<std::string>, std::string> expected; // paths -> digest
    for (auto& [content, paths] : byContent) {
        std::sort(paths.begin(), paths.end());
        if (paths.size() > 1)
            expected[paths] = hexOf(content);
    }
    std::map<std::vector<std::string>, std::string> found;
    for (const DuplicateGroup& g : report.groups) {
        std::vector<std::string> paths;
        for (const DiskNode& n : g.files)
            paths.push_back(n.path);
        found[paths] = g.id;
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(report.groups.size(), expected.size());
    EXPECT_EQ(report.skipped, 0);
}

// Many files of one size and one start, in several contents, more than are read side by side at once.
TEST(DuplicateFinderTest, ManyCopiesWithVariantsGroupExactlyByContent) {
    TempDir dir;
    struct Family {
        std::int64_t size;
        int files;
    };
    std::map<std::string, std::vector<std::string>> byContent;
    std::mt19937 random(12);
    for (const Family& family : {Family{3000, 75}, Family{150000, 70}, Family{1024 * 1024 + 70000, 12}}) {
        const std::string base =
            pattern(static_cast<std::size_t>(family.size), static_cast<unsigned>(family.size));
        // Variants share the sample and differ later: at the end, in the middle, or at a chunk boundary.
        std::vector<std::string> variants{base};
        for (std::int64_t at :
             {family.size - 1, family.size / 2, std::min<std::int64_t>(family.size - 2, 1 << 20)}) {
            std::string v = base;
            v[static_cast<std::size_t>(at)] ^= 0x33;
            variants.push_back(v);
        }
        for (int k = 0; k < family.files; ++k) {
            // Mostly the base, so that some passes meet the variants only late.
            const std::size_t which = random() % 3 == 0 ? random() % variants.size() : 0;
            char name[64];
            std::snprintf(name, sizeof name, "s%lld/d%02d/f%03d", static_cast<long long>(family.size), k % 7,
                          k);
            byContent[variants[which]].push_back(dir.makeFile(name, variants[which]));
        }
    }
    const DuplicateReport report = search(scanOf(dir.path()));
    EXPECT_EQ(report.checked, 75 + 70 + 12);
    expectGroupsByContent(report, byContent);
}

// Files read together whose contents part at one place in several ways, or at several places: every
// content keeps its own copies, and a content alone is in no group.
TEST(DuplicateFinderTest, ContentsThatPartTogetherKeepTheirOwnCopies) {
    for (const std::int64_t size : {std::int64_t{300000}, std::int64_t{2 * 1024 * 1024 + 5}}) {
        TempDir dir;
        const std::string base = pattern(static_cast<std::size_t>(size), 21);
        struct Change {
            std::int64_t at;
            char mask;
            int copies;
        };
        std::map<std::string, std::vector<std::string>> byContent;
        int made = 0;
        for (const Change& c :
             {Change{0, 0, 3}, Change{size / 2, 1, 2}, Change{size / 2, 2, 2}, Change{size / 2, 4, 1},
              Change{size - 1, 1, 2}, Change{70000, 1, 2}, Change{70000, 2, 1}}) {
            std::string content = base;
            content[static_cast<std::size_t>(c.at)] ^= c.mask;
            for (int k = 0; k < c.copies; ++k) {
                // Copies spread through the path order, so that every content's first file comes at another
                // place.
                const std::string name = "d" + std::to_string((made * 7) % 13) + "/f" + std::to_string(made);
                byContent[content].push_back(dir.makeFile(name, content));
                ++made;
            }
        }
        const DuplicateReport report = search(scanOf(dir.path()));
        EXPECT_EQ(report.checked, made);
        expectGroupsByContent(report, byContent);
    }
}

// More files of one start than are read together: copies of a second content that are read in different
// batches still meet, by digest and a comparison with their reference.
TEST(DuplicateFinderTest, CopiesReadInDifferentBatchesStillMeet) {
    for (const std::int64_t size : {std::int64_t{5000}, std::int64_t{200000}}) {
        TempDir dir;
        const std::string base = pattern(static_cast<std::size_t>(size), 31);
        std::string variant = base;
        variant[static_cast<std::size_t>(size - 1)] ^= 0x10;
        std::map<std::string, std::vector<std::string>> byContent;
        for (int k = 0; k < 80; ++k) {
            const std::string& content = k == 3 || k == 45 || k == 77 ? variant : base;
            char name[16];
            std::snprintf(name, sizeof name, "f%02d", k);
            byContent[content].push_back(dir.makeFile(name, content));
        }
        const DuplicateReport report = search(scanOf(dir.path()));
        expectGroupsByContent(report, byContent);
    }
}

// Counts the calls of each hook per file name, from any thread.
class HookCounts {
public:
    int next(const char* hook, const std::string& path) {
        std::lock_guard lock(m_lock);
        return ++m_counts[std::string(hook) + ":" + std::string(PathText::name(path))];
    }

private:
    std::mutex m_lock;
    std::map<std::string, int> m_counts;
};

DuplicateReport searchWith(const ScanResult& scan, std::shared_ptr<const DuplicateFileHooks> hooks) {
    CancellationFlag flag;
    return DuplicateFinder(std::move(hooks)).find(scan, 0, std::nullopt, flag, [](const DuplicateProgress&) {
    });
}

// Status reads of one file: 1 and 2 when it is sampled (before and after), 3 and 4 when it is hashed.
TEST(DuplicateFinderTest, FailuresAreCountedAndDescribedInTheOrderTheyHappen) {
    TempDir dir;
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
        dir.makeFile(name, pattern(200000, 41));
    const ScanResult scan = scanOf(dir.path());
    auto counts = std::make_shared<HookCounts>();
    auto hooks = std::make_shared<DuplicateFileHooks>();
    hooks->status = [counts](const std::string& path, FileStatus& status) {
        const std::string_view name = PathText::name(path);
        const int call = counts->next("status", path);
        if ((name == "c" && call == 2) || (name == "g" && call == 4))
            status.modifiedNanos += 1;
        if (name == "d" && call == 3)
            status.isDataless = true;
        return 0;
    };
    hooks->open = [](const std::string& path) {
        return PathText::name(path) == "b" ? EACCES : 0;
    };
    hooks->read = [counts](const std::string& path, std::int64_t) {
        return PathText::name(path) == "e" && counts->next("read", path) == 2 ? EIO : 0;
    };
    const DuplicateReport report = searchWith(scan, hooks);

    EXPECT_EQ(pathsOf(report), (std::vector<std::vector<std::string>>{{dir / "a", dir / "f"}}));
    EXPECT_EQ(report.checked, 7);
    EXPECT_EQ(report.skipped, 5);
    const std::vector<std::string> issues{(dir / "b") + ": Permission denied",
                                          "File changed during comparison: c",
                                          "File changed or is stored in iCloud: d",
                                          (dir / "e") + ": Input/output error",
                                          "File changed during comparison: g"};
    EXPECT_EQ(report.issues, issues);
}

TEST(DuplicateFinderTest, AFileReplacedWhileOpeningIsSkipped) {
    TempDir dir;
    for (const char* name : {"a", "b", "c"})
        dir.makeFile(name, "contents");
    ScanResult scan = scanOf(dir.path());
    // The scan and the status reads agree on an inode that the opened file does not have.
    const std::uint64_t fake = scan.nodes[scan.nodes.find(dir / "b")].inode() + 1000000;
    {
        const NodeIndex b = scan.nodes.find(dir / "b");
        NodeData data = scan.nodes.data(b);
        data.identity.inode = fake;
        scan.nodes.setNode(b, data, scan.nodes.hasParent(b));
    }
    auto hooks = std::make_shared<DuplicateFileHooks>();
    hooks->status = [fake](const std::string& path, FileStatus& status) {
        if (PathText::name(path) == "b")
            status.inode = fake;
        return 0;
    };
    const DuplicateReport report = searchWith(scan, hooks);
    EXPECT_EQ(pathsOf(report), (std::vector<std::vector<std::string>>{{dir / "a", dir / "c"}}));
    EXPECT_EQ(report.issues, std::vector<std::string>{"File changed while opening: b"});
}

// The first file fails in the middle: the others go on with one of them in the lead, and their digest
// is still that of their content.
TEST(DuplicateFinderTest, AReadErrorInTheMiddleLeavesTheOtherCopiesGrouped) {
    TempDir dir;
    const std::string content = pattern(3 * 1024 * 1024 + 100, 42);
    for (const char* name : {"a", "b", "c"})
        dir.makeFile(name, content);
    auto hooks = std::make_shared<DuplicateFileHooks>();
    hooks->read = [](const std::string& path, std::int64_t offset) {
        return PathText::name(path) == "a" && offset >= 1024 * 1024 ? EIO : 0;
    };
    const DuplicateReport report = searchWith(scanOf(dir.path()), hooks);
    ASSERT_EQ(pathsOf(report), (std::vector<std::vector<std::string>>{{dir / "b", dir / "c"}}));
    EXPECT_EQ(report.groups[0].id, hexOf(content));
    EXPECT_EQ(report.issues, std::vector<std::string>{dir / "a" + ": Input/output error"});
}

// Copies of a second content part from the first file together and are then compared among themselves,
// led by the first of them: a lead that cannot be opened again leaves the search with its own issue while
// the others are still compared with each other, a lead that changes leaves the same way, and a copy that
// changes after it was read leaves with an issue.
TEST(DuplicateFinderTest, ComparisonsWithTheReferenceFollowTheFailureRules) {
    TempDir dir;
    const std::string base = pattern(200000, 43);
    std::string variant = base;
    variant.back() ^= 0x10;
    for (int k = 0; k < 80; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "f%02d", k);
        dir.makeFile(name, k == 3 || k == 45 || k == 77 ? variant : base);
    }
    const ScanResult scan = scanOf(dir.path());
    std::vector<std::string> bases;
    for (int k = 0; k < 80; ++k)
        if (k != 3 && k != 45 && k != 77) {
            char name[16];
            std::snprintf(name, sizeof name, "f%02d", k);
            bases.push_back(dir / name);
        }

    {
        // Opens of f03: sampled, read with the others until it parts from them, then leading f45 and f77.
        auto counts = std::make_shared<HookCounts>();
        auto hooks = std::make_shared<DuplicateFileHooks>();
        hooks->open = [counts](const std::string& path) {
            return PathText::name(path) == "f03" && counts->next("open", path) == 3 ? EACCES : 0;
        };
        const DuplicateReport report = searchWith(scan, hooks);
        const std::vector<std::vector<std::string>> expected{bases, {dir / "f45", dir / "f77"}};
        EXPECT_EQ(pathsOf(report), expected);
        EXPECT_EQ(report.skipped, 1);
        EXPECT_EQ(report.issues, std::vector<std::string>{(dir / "f03") + ": Permission denied"});
    }
    {
        // Status reads of f45: 2 when sampled, 1 for each of its two openings, then its last check.
        auto counts = std::make_shared<HookCounts>();
        auto hooks = std::make_shared<DuplicateFileHooks>();
        hooks->status = [counts](const std::string& path, FileStatus& status) {
            if (PathText::name(path) == "f45" && counts->next("status", path) >= 5)
                status.modifiedNanos += 1;
            return 0;
        };
        const DuplicateReport report = searchWith(scan, hooks);
        const std::vector<std::vector<std::string>> expected{bases, {dir / "f03", dir / "f77"}};
        EXPECT_EQ(pathsOf(report), expected);
        EXPECT_EQ(report.skipped, 1);
        EXPECT_EQ(report.issues, std::vector<std::string>{"File changed during comparison: f45"});
    }
    {
        // The lead of the second content changes while it is compared with the two others (status reads
        // of f03: 2 when sampled, 1 for each opening, then 1 after it led the comparison): it leaves, the
        // two others still meet.
        auto counts = std::make_shared<HookCounts>();
        auto hooks = std::make_shared<DuplicateFileHooks>();
        hooks->status = [counts](const std::string& path, FileStatus& status) {
            if (PathText::name(path) == "f03" && counts->next("status", path) >= 5)
                status.modifiedNanos += 1;
            return 0;
        };
        const DuplicateReport report = searchWith(scan, hooks);
        const std::vector<std::vector<std::string>> expected{bases, {dir / "f45", dir / "f77"}};
        EXPECT_EQ(pathsOf(report), expected);
        EXPECT_EQ(report.issues, std::vector<std::string>{"File changed during comparison: f03"});
    }
}

// Forty copies, read in more than one batch. One of them is rewritten once the last copy is first opened
// for its content, that is after its own batch was read: it leaves the group with an issue, the others
// still form one group whatever happened to the one they were compared with, and no file in it differs.
TEST(DuplicateFinderTest, AFileRewrittenAfterItsBatchLeavesItsGroup) {
    const std::string content = pattern(200000, 44);
    for (const char* changed : {"f00", "f05"}) {
        for (const unsigned workers : {0u, 1u}) {
            TempDir dir;
            std::vector<std::string> paths;
            for (int k = 0; k < 40; ++k) {
                char name[16];
                std::snprintf(name, sizeof name, "f%02d", k);
                paths.push_back(dir.makeFile(name, content));
            }
            const ScanResult scan = scanOf(dir.path());
            const std::string target = dir / changed;
            auto rewritten = std::make_shared<std::atomic<bool>>(false);
            auto counts = std::make_shared<HookCounts>();
            auto hooks = std::make_shared<DuplicateFileHooks>();
            hooks->workers = workers;
            // The first open of f39 samples it, the second reads its content.
            hooks->open = [rewritten, counts, target](const std::string& path) {
                if (PathText::name(path) == "f39" && counts->next("open", path) == 2) {
                    rewritten->store(true);
                    // New bytes in the middle, as an editor saving in place would leave them.
                    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
                    EXPECT_GE(fd, 0);
                    EXPECT_EQ(::pwrite(fd, "changed", 7, 100000), 7);
                    ::close(fd);
                }
                return 0;
            };
            // The clock may not have moved since the file was made: its status says it changed all the same.
            hooks->status = [rewritten, target](const std::string& path, FileStatus& status) {
                if (path == target && rewritten->load())
                    status.modifiedNanos += 1;
                return 0;
            };
            const DuplicateReport report = searchWith(scan, hooks);

            std::vector<std::string> rest;
            for (const std::string& path : paths)
                if (path != target)
                    rest.push_back(path);
            EXPECT_EQ(pathsOf(report), std::vector<std::vector<std::string>>{rest}) << changed << workers;
            if (!report.groups.empty()) {
                EXPECT_EQ(report.groups[0].id, hexOf(content));
            }
            EXPECT_EQ(report.skipped, 1) << changed << workers;
            EXPECT_EQ(report.issues,
                      std::vector<std::string>{"File changed during comparison: " + std::string(changed)})
                << changed << workers;
        }
    }
}

// Large sparse files (they cost no disk), all zero but for one byte at each of `marks`.
struct SparseCase {
    const char* name;
    std::int64_t size;
    std::vector<std::optional<std::int64_t>> marks; // per file: where its byte is, if anywhere
};

void PrintTo(const SparseCase& c, std::ostream* out) {
    *out << c.name;
}

class DuplicateFinderEarlyStopTest : public testing::TestWithParam<SparseCase> {};

// A file is read only until it differs from every other file of its start: the furthest read of each is
// within two chunks of the first byte that sets it apart from all the others, however large the files.
TEST_P(DuplicateFinderEarlyStopTest, FilesAreReadOnlyUntilTheyDifferFromAllOthers) {
    const SparseCase& c = GetParam();
    TempDir dir;
    std::map<std::string, std::int64_t> limit; // name -> offset after which it need not be read
    std::map<std::optional<std::int64_t>, std::vector<std::string>> byMark;
    for (std::size_t k = 0; k < c.marks.size(); ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "f%02d", static_cast<int>(k));
        const std::string path = dir.makeFile(name);
        ASSERT_EQ(::truncate(path.c_str(), c.size), 0);
        if (c.marks[k]) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, "x", 1, *c.marks[k]), 1);
            ::close(fd);
        }
        byMark[c.marks[k]].push_back(path);
        // It parts from another file at the first of their two marks.
        std::int64_t last = 0;
        for (std::size_t j = 0; j < c.marks.size(); ++j) {
            if (j == k)
                continue;
            const auto& a = c.marks[k];
            const auto& b = c.marks[j];
            const std::int64_t parts = a == b ? c.size : std::min(a.value_or(c.size), b.value_or(c.size));
            last = std::max(last, parts);
        }
        limit[name] = last;
    }
    const ScanResult scan = scanOf(dir.path());

    constexpr std::int64_t kSlack = 2 * 1024 * 1024;
    auto reached = std::make_shared<std::map<std::string, std::int64_t>>();
    auto lock = std::make_shared<std::mutex>();
    auto hooks = std::make_shared<DuplicateFileHooks>();
    hooks->read = [reached, lock, limit](const std::string& path, std::int64_t offset) {
        const std::string name(PathText::name(path));
        std::lock_guard guard(*lock);
        std::int64_t& furthest = (*reached)[name];
        furthest = std::max(furthest, offset);
        // Reading on past the limit is the fault itself: stop it there rather than read the whole file.
        return offset > limit.at(name) + kSlack ? EFBIG : 0;
    };
    const DuplicateReport report = searchWith(scan, hooks);

    std::vector<std::vector<std::string>> expected;
    for (auto& [mark, paths] : byMark)
        if (paths.size() > 1)
            expected.push_back(paths);
    std::sort(expected.begin(), expected.end());
    std::vector<std::vector<std::string>> found = pathsOf(report);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(report.skipped, 0);
    for (const auto& [name, furthest] : *reached)
        EXPECT_LE(furthest, limit.at(name) + kSlack) << name;
}

const std::int64_t kGiB = 1024LL * 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Sparse, DuplicateFinderEarlyStopTest,
    testing::Values(SparseCase{"pair_differs_early", 4 * kGiB, {std::nullopt, 70000}},
                    SparseCase{"copies_and_one_that_differs_early",
                               64 * 1024 * 1024,
                               {std::nullopt, 70000, std::nullopt}},
                    // More files of one start than are read side by side, each set apart at another place.
                    SparseCase{"many_that_differ_early", kGiB,
                               [] {
                                   std::vector<std::optional<std::int64_t>> marks;
                                   for (int k = 0; k < 40; ++k)
                                       marks.emplace_back(70000 + std::int64_t{k % 20} * 150000 + k / 20);
                                   return marks;
                               }()},
                    // Pairs of copies among many: each pair is read to its end, the others stop early.
                    SparseCase{"many_with_pairs_of_copies", 16 * 1024 * 1024,
                               [] {
                                   std::vector<std::optional<std::int64_t>> marks;
                                   for (int k = 0; k < 40; ++k)
                                       marks.emplace_back(k % 10 == 0 ? std::int64_t{8 * 1024 * 1024 + k / 20}
                                                                      : 70000 + std::int64_t{k} * 50000);
                                   return marks;
                               }()}),
    test::caseName<SparseCase>);

// With all reading on the calling thread the results are the same, and a stop set between two stages
// is seen by the reading itself.
TEST(DuplicateFinderTest, ReadingOnTheCallingThreadGivesTheSameResults) {
    TempDir dir;
    std::map<std::string, std::vector<std::string>> byContent;
    for (int k = 0; k < 40; ++k) {
        const std::string content = pattern(k % 3 == 0 ? 5000 : 150000, k % 4 == 0 ? 1 : 2);
        byContent[content].push_back(
            dir.makeFile("d" + std::to_string(k % 5) + "/f" + std::to_string(k), content));
    }
    const ScanResult scan = scanOf(dir.path());
    for (const unsigned workers : {0u, 1u, 3u}) {
        auto hooks = std::make_shared<DuplicateFileHooks>();
        hooks->workers = workers;
        expectGroupsByContent(searchWith(scan, hooks), byContent);

        CancellationFlag flag;
        EXPECT_THROW((void)DuplicateFinder(hooks).find(
                         scan, 0, std::nullopt, flag, [](const DuplicateProgress&) {},
                         [&](std::int64_t checked, std::int64_t total) {
                             if (checked == total)
                                 flag.cancel();
                         }),
                     CancellationError)
            << workers;
    }
}

} // namespace
} // namespace ambertrove
