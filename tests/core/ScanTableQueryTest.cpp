#include "analysis/ScanTableQuery.hpp"
#include "analysis/CancellationPoints.hpp"
#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/ParallelParts.hpp"
#include "analysis/PathCache.hpp"
#include "analysis/PathOrder.hpp"
#include "analysis/ScanSortCache.hpp"
#include "base/AmbertroveError.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sys/stat.h>

using namespace ambertrove;
using test::ModelFixture;

namespace {

using Paths = std::vector<std::string>;

// Eight entries whose keys tie in different ways for every column (sizes, counts, kinds, dates).
ScanResult sample() {
    ModelFixture f("/r");
    f.file("/r/File1.txt", 50, 4096, 1000);
    f.file("/r/file2.txt", 100, 4096, 3000);
    f.file("/r/file10.txt", 100, 8192, 2000);
    f.file("/r/Notes", 7, 4096, 3000);
    f.file("/r/notes", 7, 0, 500);
    f.folder("/r/Tools.app", 4000);
    f.file("/r/Tools.app/bin", 20, 4096, 100);
    f.folder("/r/Tools.app/lib", 100);
    NodeData link;
    link.isSymbolicLink = true;
    link.logicalSize = link.ownLogicalSize = 9;
    link.fileCount = 1;
    link.identity.mode = S_IFLNK | 0777;
    link.modified = Date::fromUnixSeconds(1000);
    f.add("/r/link", link);
    f.file("/r/clip.mp4", 1000, 8192, 2000);
    return f.finish();
}

Paths names(const Paths& paths) {
    Paths out;
    for (const std::string& p : paths)
        out.push_back(p.substr(p.rfind('/') + 1));
    return out;
}

Paths sorted(const ScanResult& scan, ScanSortField field, bool ascending, bool recursive = false,
             const std::string& locale = "en") {
    ScanTableQuery table;
    table.field = field;
    table.ascending = ascending;
    table.locale = locale;
    return table.sortedPaths(scan, "/r", recursive);
}

struct SortCase {
    ScanSortField field;
    bool ascending;
    Paths expected; // names, in order
};

class ScanTableSort : public ::testing::TestWithParam<SortCase> {};

TEST_P(ScanTableSort, OrderAndTies) {
    const SortCase& c = GetParam();
    const ScanResult scan = sample();
    EXPECT_EQ(names(sorted(scan, c.field, c.ascending)), c.expected);
}

const std::vector<SortCase> kSortCases = {
    // Names: case ignored, digit runs by value; Notes and notes tie and keep path order both ways.
    {ScanSortField::name,
     true,
     {"clip.mp4", "File1.txt", "file2.txt", "file10.txt", "link", "Notes", "notes", "Tools.app"}},
    {ScanSortField::name,
     false,
     {"Tools.app", "Notes", "notes", "link", "file10.txt", "file2.txt", "File1.txt", "clip.mp4"}},
    {ScanSortField::allocatedSize,
     true,
     {"link", "notes", "File1.txt", "Notes", "Tools.app", "file2.txt", "clip.mp4", "file10.txt"}},
    {ScanSortField::allocatedSize,
     false,
     {"clip.mp4", "file10.txt", "File1.txt", "Notes", "Tools.app", "file2.txt", "link", "notes"}},
    {ScanSortField::logicalSize,
     true,
     {"Notes", "notes", "link", "Tools.app", "File1.txt", "file10.txt", "file2.txt", "clip.mp4"}},
    {ScanSortField::logicalSize,
     false,
     {"clip.mp4", "file10.txt", "file2.txt", "File1.txt", "Tools.app", "link", "Notes", "notes"}},
    {ScanSortField::itemCount,
     true,
     {"File1.txt", "Notes", "clip.mp4", "file10.txt", "file2.txt", "link", "notes", "Tools.app"}},
    {ScanSortField::itemCount,
     false,
     {"Tools.app", "File1.txt", "Notes", "clip.mp4", "file10.txt", "file2.txt", "link", "notes"}},
    // Kinds: Application, Document, Other, Symbolic link, Video.
    {ScanSortField::kindName,
     true,
     {"Tools.app", "File1.txt", "file10.txt", "file2.txt", "Notes", "notes", "link", "clip.mp4"}},
    {ScanSortField::kindName,
     false,
     {"clip.mp4", "link", "Notes", "notes", "File1.txt", "file10.txt", "file2.txt", "Tools.app"}},
    {ScanSortField::modified,
     true,
     {"notes", "File1.txt", "link", "clip.mp4", "file10.txt", "Notes", "file2.txt", "Tools.app"}},
    {ScanSortField::modified,
     false,
     {"Tools.app", "Notes", "file2.txt", "clip.mp4", "file10.txt", "File1.txt", "link", "notes"}},
};

// Rows are named after the column and the direction, e.g. allocatedSize_descending.
std::string sortName(const ::testing::TestParamInfo<SortCase>& row) {
    std::string name;
    switch (row.param.field) {
    case ScanSortField::name:
        name = "name";
        break;
    case ScanSortField::allocatedSize:
        name = "allocatedSize";
        break;
    case ScanSortField::logicalSize:
        name = "logicalSize";
        break;
    case ScanSortField::itemCount:
        name = "itemCount";
        break;
    case ScanSortField::kindName:
        name = "kindName";
        break;
    case ScanSortField::modified:
        name = "modified";
        break;
    }
    return name + (row.param.ascending ? "_ascending" : "_descending");
}

INSTANTIATE_TEST_SUITE_P(Table, ScanTableSort, ::testing::ValuesIn(kSortCases), sortName);

} // namespace

TEST(ScanTableQuery, UserLocaleIgnoresCaseAndComparesNumbers) {
    const ScanResult scan = sample();
    EXPECT_EQ(
        names(sorted(scan, ScanSortField::name, true, false, {})),
        (Paths{"clip.mp4", "File1.txt", "file2.txt", "file10.txt", "link", "Notes", "notes", "Tools.app"}));
}

TEST(ScanTableQuery, RecursiveSortAppliesTheFilter) {
    const ScanResult scan = sample();
    ScanTableQuery table;
    table.locale = "en";
    table.query.text = "i";
    EXPECT_EQ(table.sortedPaths(scan, "/r", true),
              (Paths{"/r/Tools.app/bin", "/r/clip.mp4", "/r/File1.txt", "/r/file2.txt", "/r/file10.txt",
                     "/r/Tools.app/lib", "/r/link"}));
    table.query.category = FileCategory::document;
    table.ascending = false;
    EXPECT_EQ(table.sortedPaths(scan, "/r", true), (Paths{"/r/file10.txt", "/r/file2.txt", "/r/File1.txt"}));
    EXPECT_TRUE(table.sortedPaths(scan, "/missing", true).empty());
}

TEST(ScanTableQuery, StoppedTaskThrowsCancellation) {
    const ScanResult scan = sample();
    std::stop_source source;
    source.request_stop();
    for (ScanSortField field : kAllScanSortFields) {
        ScanTableQuery table;
        table.field = field;
        EXPECT_THROW((void)table.sortedPaths(scan, "/r", true, source.get_token()), CancellationError);
        EXPECT_THROW((void)table.sortedPaths(scan, "/missing", true, source.get_token()), CancellationError);
    }
}

TEST(ScanTableQuery, SortsPollWhileComparing) {
    ModelFixture f("/r");
    for (int k = 0; k < 5000; ++k)
        f.file("/r/f" + std::to_string(k * 7919 % 5003), k % 97, 4096);
    const ScanResult scan = f.finish();
    int polls = 0;
    const TaskCancellation counting([&] {
        ++polls;
        return false;
    });
    (void)ScanQuery().indices(scan, "/r", true, Date::now(), counting);
    const int traversal = polls;
    for (ScanSortField field : {ScanSortField::name, ScanSortField::logicalSize}) {
        ScanTableQuery table;
        table.field = field;
        polls = 0;
        EXPECT_EQ(table.sortedIndices(scan, "/r", true, counting).size(), 5000u);
        // Some 60,000 comparisons or more: one poll per 1024 of them besides the traversal's.
        EXPECT_GT(polls, traversal + 40);
        const int total = polls;
        polls = 0;
        const TaskCancellation late([&] { return ++polls >= total - 5; });
        EXPECT_THROW((void)table.sortedIndices(scan, "/r", true, late), CancellationError);
    }
}

TEST(ScanTableQuery, ManyTiesFollowFullPathOrder) {
    // Equal sizes everywhere, in folders whose names sort differently as components and as paths.
    ModelFixture f("/r");
    const Paths folders = {"/r/a",        "/r/a-b", "/r/a.b", "/r/a b", "/r/a/x",
                           "/r/a/x/deep", "/r/a0",  "/r/A",   "/r/b",   "/r/c"};
    for (const std::string& folder : folders) {
        f.folder(folder);
        for (const char* name : {"x-y", "x.y", "y", "X", "\xC3\xA9", "e", "z"})
            f.file(folder + "/" + name, 10, 4096);
    }
    const ScanResult scan = f.finish();
    for (ScanSortField field :
         {ScanSortField::allocatedSize, ScanSortField::kindName, ScanSortField::itemCount}) {
        for (bool ascending : {true, false}) {
            ScanTableQuery table;
            table.field = field;
            table.ascending = ascending;
            table.query.category = FileCategory::other;
            const Paths got = table.sortedPaths(scan, "/r", true);
            Paths expected = got;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(got, expected);
            EXPECT_EQ(got.size(), folders.size() * 7);
        }
    }
}

// A tree of `count` entries whose names share long prefixes and differ in digits, case and accents, with
// sizes and dates that tie often.
ScanResult randomTree(int count, unsigned seed) {
    std::mt19937 random(seed);
    const std::vector<std::string> stems = {
        "Report", "report", "R\xC3\xA9port",    "Reporting-quarterly-summary", "x", "X", "a-b",
        "a.b",    "a b",    "\xC3\xA9t\xC3\xA9"};
    const std::vector<std::string> extensions = {"", ".txt", ".mp4", ".app", ".JPG", ".c"};
    ModelFixture f("/r");
    std::vector<std::string> folders = {"/r"};
    std::set<std::string> used;
    for (int k = 0; k < count; ++k) {
        const std::string& parent = folders[random() % folders.size()];
        std::string name = stems[random() % stems.size()];
        if (random() % 2)
            name += std::to_string(random() % 120);
        name += extensions[random() % extensions.size()];
        const std::string path = parent + "/" + name;
        if (!used.insert(path).second)
            continue;
        if (random() % 5 == 0) {
            f.folder(path, 1000 + random() % 3);
            folders.push_back(path);
        } else {
            f.file(path, random() % 4, 4096 * (random() % 3), 1000 + random() % 3);
        }
    }
    return f.finish();
}

// Everything below /r sorted by a plain stable sort: by the field, then by path.
Paths plainOrder(const ScanResult& scan, ScanSortField field, bool ascending, const LocalizedOrder& order) {
    Paths expected = ScanQuery().paths(scan, "/r", true);
    // Each path's figures, looked up once.
    struct Figures {
        std::string name, kind;
        std::int64_t allocated, logical, items, modified;
    };
    std::map<std::string, Figures> figures;
    for (const std::string& path : expected) {
        const DiskNode n = *scan.nodes.node(path);
        figures.emplace(path, Figures{n.name(), std::string(NodeDisplay::kindName(n)), n.allocatedSize,
                                      n.logicalSize, NodeDisplay::itemCount(n),
                                      static_cast<std::int64_t>(n.modified.sinceReferenceDate)});
    }
    const auto compareKeys = [&](const std::string& a, const std::string& b) {
        const Figures &fa = figures.at(a), &fb = figures.at(b);
        const auto number = [](std::int64_t x, std::int64_t y) {
            return x < y ? -1 : (x > y ? 1 : 0);
        };
        switch (field) {
        case ScanSortField::name:
            return order.compare(fa.name, fb.name);
        case ScanSortField::allocatedSize:
            return number(fa.allocated, fb.allocated);
        case ScanSortField::logicalSize:
            return number(fa.logical, fb.logical);
        case ScanSortField::itemCount:
            return number(fa.items, fb.items);
        case ScanSortField::kindName:
            return order.compare(fa.kind, fb.kind);
        case ScanSortField::modified:
            return number(fa.modified, fb.modified);
        }
        return 0;
    };
    std::stable_sort(expected.begin(), expected.end(), [&](const std::string& a, const std::string& b) {
        const int c = compareKeys(a, b);
        if (c == 0)
            return a < b;
        return ascending ? c < 0 : c > 0;
    });
    return expected;
}

TEST(ScanTableQuery, AgreesWithAPlainSortOnARandomTree) {
    const ScanResult scan = randomTree(600, 7);
    const LocalizedOrder order("en");
    for (ScanSortField field : kAllScanSortFields)
        for (bool ascending : {true, false}) {
            ScanTableQuery table;
            table.field = field;
            table.ascending = ascending;
            table.locale = "en";
            EXPECT_EQ(table.sortedPaths(scan, "/r", true), plainOrder(scan, field, ascending, order))
                << static_cast<int>(field) << (ascending ? " ascending" : " descending");
        }
}

TEST(ScanTableQuery, LargeListingsAndSharedRanksAgreeWithAPlainSort) {
    // Large enough for the names to be keyed in parts where the machine has the cores; sorted once without
    // the scan's cache and twice with it (made by the first, used by the second).
    const auto scan = std::make_shared<const ScanResult>(randomTree(40000, 11));
    ASSERT_GE(ScanQuery().indices(*scan, "/r", true, Date::now()).size(), ParallelParts::kMinimumItems);
    const LocalizedOrder order("en");
    const auto cache = std::make_shared<ScanSortCache>(scan);
    for (ScanSortField field : {ScanSortField::name, ScanSortField::allocatedSize})
        for (bool ascending : {true, false}) {
            SCOPED_TRACE(static_cast<int>(field));
            SCOPED_TRACE(ascending);
            const Paths expected = plainOrder(*scan, field, ascending, order);
            ScanTableQuery table;
            table.field = field;
            table.ascending = ascending;
            table.locale = "en";
            EXPECT_EQ(table.sortedPaths(*scan, "/r", true), expected);
            table.cache = cache;
            EXPECT_EQ(table.sortedPaths(*scan, "/r", true), expected);
            EXPECT_EQ(table.sortedPaths(*scan, "/r", true), expected);
        }
    // A cache answers only for its own scan.
    const ScanResult other = randomTree(600, 7);
    ScanTableQuery table;
    table.field = ScanSortField::allocatedSize;
    table.locale = "en";
    const Paths alone = table.sortedPaths(other, "/r", true);
    table.cache = cache;
    EXPECT_EQ(table.sortedPaths(other, "/r", true), alone);
}

TEST(ScanTableQuery, LargeSortsStopAtAnyPollAndNeverAnswerShort) {
    const auto scan = std::make_shared<const ScanResult>(randomTree(40000, 12));
    for (ScanSortField field : {ScanSortField::name, ScanSortField::allocatedSize}) {
        SCOPED_TRACE(static_cast<int>(field));
        ScanTableQuery table;
        table.field = field;
        table.cache = std::make_shared<ScanSortCache>(scan);
        int polls = 0;
        const TaskCancellation counting([&] {
            ++polls;
            return false;
        });
        const std::vector<NodeIndex> whole = table.sortedIndices(*scan, "/r", true, counting);
        ASSERT_GT(polls, 100);
        for (const int stopAt : {1, 50, polls / 2, polls - 1}) {
            SCOPED_TRACE(stopAt);
            int seen = 0;
            const TaskCancellation stopping([&] { return ++seen >= stopAt; });
            table.cache = std::make_shared<ScanSortCache>(scan);
            EXPECT_THROW((void)table.sortedIndices(*scan, "/r", true, stopping), CancellationError);
            // A stop while the ranks were made leaves them unmade, not wrong.
            EXPECT_EQ(table.sortedIndices(*scan, "/r", true), whole);
        }
    }
}

// ---- path order -------------------------------------------------------------------------------

TEST(PathOrder, MatchesPlainTextOrderOfFullPaths) {
    NodeTable t;
    const Paths paths = {"/",   "/a",    "/a-b",  "/a/x", "/a/x/y",    "/a.b",     "/a b/c",
                         "/ab", "/a/xy", "/a/x-", "/b",   "/\xC3\xA9", "/a/x/y/z", "/A"};
    std::vector<NodeIndex> indices;
    for (const std::string& p : paths)
        indices.push_back(t.ensurePath(p));
    // A path not in plain form is kept whole; it still orders by its text.
    indices.push_back(t.ensurePath("/a//odd"));
    indices.push_back(t.ensurePath("relative"));
    t.finish();
    for (int round = 0; round < 2; ++round) {
        PathOrder order(t);
        if (round == 1) {
            const TaskCancellation never;
            CancellationPoints cancellation(never);
            order.rank(std::vector<NodeIndex>(indices.begin(), indices.begin() + 9), cancellation);
        }
        for (NodeIndex a : indices)
            for (NodeIndex b : indices) {
                const int expected = t.path(a).compare(t.path(b));
                const int got = order.compare(a, b);
                EXPECT_EQ(got < 0, expected < 0) << t.path(a) << " vs " << t.path(b) << " round " << round;
                EXPECT_EQ(got == 0, expected == 0) << t.path(a) << " vs " << t.path(b) << " round " << round;
            }
    }
}

TEST(PathCache, BuildsTheSamePathsAsTheTable) {
    ModelFixture f("/r");
    f.folder("/r/a");
    f.folder("/r/a/b");
    f.file("/r/a/b/c", 1, 1);
    f.file("/r/a/d", 1, 1);
    f.file("/r/e", 1, 1);
    ScanResult scan = f.finish();
    const NodeIndex odd = scan.nodes.ensurePath("a//odd");
    PathCache cache(scan.nodes);
    std::vector<NodeIndex> all;
    for (NodeIndex i = static_cast<NodeIndex>(scan.nodes.recordCount()); i-- > 0;) // deepest first
        all.push_back(i);
    for (NodeIndex i : all)
        EXPECT_EQ(cache.path(i), scan.nodes.path(i));
    EXPECT_EQ(cache.path(odd), "a//odd");
    EXPECT_EQ(cache.path(0), "/");
    const TaskCancellation never;
    CancellationPoints points(never);
    const Paths paths = cache.paths(all, points);
    ASSERT_EQ(paths.size(), all.size());
    EXPECT_EQ(paths.front(), "a//odd");
    EXPECT_EQ(paths.back(), "/");
}

// ---- localized order --------------------------------------------------------------------------

TEST(LocalizedOrder, CaseInsensitiveNumericOrder) {
    const LocalizedOrder order("en");
    EXPECT_LT(order.compare("x2", "x10"), 0);
    EXPECT_EQ(order.compare("Notes", "notes"), 0);
    EXPECT_LT(order.compare("apple", "Banana"), 0);
    EXPECT_NE(order.compare("e", "\xC3\xA9"), 0); // accents still count
    std::string a, b;
    order.appendSortKey("x2", a);
    order.appendSortKey("X10", b);
    EXPECT_LT(a, b);
    a.clear();
    b.clear();
    order.appendSortKey("Same", a);
    order.appendSortKey("same", b);
    EXPECT_EQ(a, b);

    // Long names (keys beyond any fixed buffer) and names beyond ASCII keep the same order.
    const std::string stem(300, 'a');
    a.clear();
    b.clear();
    order.appendSortKey(stem + "2", a);
    order.appendSortKey(stem + "10", b);
    EXPECT_GT(a.size(), 256u);
    EXPECT_LT(a, b);
    a.clear();
    b.clear();
    order.appendSortKey("\xC3\xA9t\xC3\xA9 2", a);
    order.appendSortKey("\xC3\x89T\xC3\x89 10", b);
    EXPECT_LT(a, b);
}
