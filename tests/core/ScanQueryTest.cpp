#include "analysis/ScanQuery.hpp"
#include "analysis/NameMatcher.hpp"
#include "analysis/RankingScope.hpp"
#include "base/AmbertroveError.hpp"
#include "support/CaseName.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>
#include <unordered_set>

using namespace ambertrove;
using test::ModelFixture;

namespace {

constexpr std::int64_t kNowUnix = 1'700'000'000;
const Date kNow = Date::fromUnixSeconds(kNowUnix);

std::vector<std::string> pathsOf(const std::vector<DiskNode>& nodes) {
    std::vector<std::string> out;
    for (const DiskNode& n : nodes)
        out.push_back(n.path);
    return out;
}

std::vector<std::string> pathsOf(const ScanResult& scan, const std::vector<NodeIndex>& rows) {
    std::vector<std::string> out;
    for (NodeIndex i : rows)
        out.push_back(scan.nodes.path(i));
    return out;
}

DiskNode fileNode(const std::string& path, std::int64_t logical, std::int64_t allocated,
                  std::int64_t modifiedUnix = kNowUnix) {
    DiskNode n;
    n.path = path;
    n.logicalSize = n.ownLogicalSize = logical;
    n.allocatedSize = n.ownAllocatedSize = allocated;
    n.fileCount = 1;
    n.identity.mode = S_IFREG | 0644;
    n.modified = Date::fromUnixSeconds(modifiedUnix);
    return n;
}

DiskNode folderNode(const std::string& path, std::int64_t size = 0) {
    DiskNode n;
    n.path = path;
    n.isDirectory = true;
    n.logicalSize = n.allocatedSize = size;
    n.identity.mode = S_IFDIR | 0755;
    n.modified = kNow;
    return n;
}

std::stop_token stopped() {
    std::stop_source source;
    source.request_stop();
    return source.get_token();
}

// /r
//   docs/ (notes.txt 300/4096, Report.PDF 2000/4096, .hidden-note.md 10/4096)
//   .secret/ (key.txt 50/4096, .inner 5/4096)
//   movie.mp4 5000/8192
//   movie.mov.d/ (empty folder named like a video)
//   a-b 100/4096
//   a/ (x 100/4096)
ScanResult sample() {
    ModelFixture f("/r");
    f.folder("/r/docs");
    f.file("/r/docs/notes.txt", 300, 4096);
    f.file("/r/docs/Report.PDF", 2000, 4096);
    f.file("/r/docs/.hidden-note.md", 10, 4096);
    f.folder("/r/.secret");
    f.file("/r/.secret/key.txt", 50, 4096);
    f.file("/r/.secret/.inner", 5, 4096);
    f.file("/r/movie.mp4", 5000, 8192);
    f.folder("/r/movie.mov.d");
    f.file("/r/a-b", 100, 4096);
    f.folder("/r/a");
    f.file("/r/a/x", 100, 4096);
    return f.finish();
}

} // namespace

// ---- the filter test --------------------------------------------------------------------------

struct MatchCase {
    const char* what;
    ScanQuery query;
    DiskNode node;
    bool expected;
};

class ScanQueryMatches : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ScanQueryMatches, Case) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(c.query.matches(c.node, kNow), c.expected) << c.what;
}

namespace {

ScanQuery with(void (*change)(ScanQuery&)) {
    ScanQuery q;
    change(q);
    return q;
}

const std::vector<MatchCase> kMatchCases = {
    {"default matches a hidden file", {}, fileNode("/r/.zshrc", 1, 1), true},
    {"default matches an empty folder", {}, folderNode("/r/empty"), true},
    {"hidden file left out", with([](ScanQuery& q) { q.showHidden = false; }), fileNode("/r/.zshrc", 1, 1),
     false},
    {"hidden folder left out", with([](ScanQuery& q) { q.showHidden = false; }), folderNode("/r/.git"),
     false},
    {"file in a hidden folder kept", with([](ScanQuery& q) { q.showHidden = false; }),
     fileNode("/r/.git/config", 1, 1), true},
    {"text found ignoring case", with([](ScanQuery& q) { q.text = "REPORT"; }),
     fileNode("/r/my-report.pdf", 1, 1), true},
    {"text found in the middle", with([](ScanQuery& q) { q.text = "port"; }), fileNode("/r/Report.pdf", 1, 1),
     true},
    {"text missing", with([](ScanQuery& q) { q.text = "invoice"; }), fileNode("/r/Report.pdf", 1, 1), false},
    {"text tested on the name, not the folder", with([](ScanQuery& q) { q.text = "docs"; }),
     fileNode("/r/docs/a.txt", 1, 1), false},
    {"text ignores case beyond ASCII", with([](ScanQuery& q) { q.text = "ÄRGER"; }),
     fileNode("/r/großer ärger.txt", 1, 1), true},
    {"text finds a decomposed accent", with([](ScanQuery& q) { q.text = "caf\xC3\xA9"; }),
     fileNode("/r/Cafe\xCC\x81 menu", 1, 1), true},
    {"plain letter does not find an accented one", with([](ScanQuery& q) { q.text = "cafe "; }),
     fileNode("/r/caf\xC3\xA9 menu", 1, 1), false},
    {"size exactly the minimum passes", with([](ScanQuery& q) { q.minimumBytes = 4096; }),
     fileNode("/r/f", 10, 4096), true},
    {"size one below the minimum fails", with([](ScanQuery& q) { q.minimumBytes = 4097; }),
     fileNode("/r/f", 10, 4096), false},
    {"logical size used when asked", with([](ScanQuery& q) { q.minimumBytes = 11, q.logical = true; }),
     fileNode("/r/f", 10, 4096), false},
    {"logical size at the minimum", with([](ScanQuery& q) { q.minimumBytes = 10, q.logical = true; }),
     fileNode("/r/f", 10, 4096), true},
    {"category matches by extension", with([](ScanQuery& q) { q.category = FileCategory::video; }),
     fileNode("/r/Movie.MOV", 1, 1), true},
    {"category differs", with([](ScanQuery& q) { q.category = FileCategory::video; }),
     fileNode("/r/a.mp3", 1, 1), false},
    {"category never matches a folder", with([](ScanQuery& q) { q.category = FileCategory::video; }),
     folderNode("/r/clips.mp4"), false},
    {"category other never matches a folder", with([](ScanQuery& q) { q.category = FileCategory::other; }),
     folderNode("/r/plain"), false},
    {"age exactly N days passes", with([](ScanQuery& q) { q.modifiedBeforeDays = 30; }),
     fileNode("/r/old", 1, 1, kNowUnix - 30 * 86400), true},
    {"age one second short fails", with([](ScanQuery& q) { q.modifiedBeforeDays = 30; }),
     fileNode("/r/old", 1, 1, kNowUnix - 30 * 86400 + 1), false},
    {"age applies to folders too", with([](ScanQuery& q) { q.modifiedBeforeDays = 1; }), folderNode("/r/new"),
     false},
    {"age 0 is no filter", {}, fileNode("/r/future", 1, 1, kNowUnix + 86400), true},
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Table, ScanQueryMatches, ::testing::ValuesIn(kMatchCases),
                         [](const auto& row) { return test::testName(row.param.what); });

TEST(ScanQuery, DefaultsAndValueSemantics) {
    const ScanQuery q;
    EXPECT_EQ(q.text, "");
    EXPECT_TRUE(q.showHidden);
    EXPECT_EQ(q.minimumBytes, 0);
    EXPECT_FALSE(q.category.has_value());
    EXPECT_EQ(q.modifiedBeforeDays, 0);
    EXPECT_FALSE(q.logical);

    std::vector<ScanQuery> variants(7);
    variants[1].text = "a";
    variants[2].showHidden = false;
    variants[3].minimumBytes = 1;
    variants[4].category = FileCategory::video;
    variants[5].modifiedBeforeDays = 1;
    variants[6].logical = true;
    std::unordered_set<ScanQuery> set(variants.begin(), variants.end());
    EXPECT_EQ(set.size(), variants.size()); // every field takes part in equality
    EXPECT_EQ(std::hash<ScanQuery>{}(variants[3]), std::hash<ScanQuery>{}(ScanQuery(variants[3])));
    EXPECT_NE(variants[0], variants[6]);
}

// ---- the traversal ----------------------------------------------------------------------------

TEST(ScanQuery, TraversalIsDepthFirstLastChildFirst) {
    const ScanResult scan = sample();
    const ScanQuery q;
    EXPECT_EQ(
        pathsOf(scan, q.indices(scan, "/r", true, kNow)),
        (std::vector<std::string>{"/r/a", "/r/a/x", "/r/a-b", "/r/movie.mov.d", "/r/movie.mp4", "/r/.secret",
                                  "/r/.secret/.inner", "/r/.secret/key.txt", "/r/docs",
                                  "/r/docs/.hidden-note.md", "/r/docs/Report.PDF", "/r/docs/notes.txt"}));
    EXPECT_EQ(pathsOf(scan, q.indices(scan, "/r", false, kNow)),
              (std::vector<std::string>{"/r/a", "/r/a-b", "/r/movie.mov.d", "/r/movie.mp4", "/r/.secret",
                                        "/r/docs"}));
    EXPECT_EQ(
        pathsOf(q.items(scan, "/r/docs", false, kNow)),
        (std::vector<std::string>{"/r/docs/.hidden-note.md", "/r/docs/Report.PDF", "/r/docs/notes.txt"}));
    EXPECT_EQ(q.paths(scan, "/r/a", true), (std::vector<std::string>{"/r/a/x"}));
}

TEST(ScanQuery, HiddenFoldersAreStillSearched) {
    const ScanResult scan = sample();
    ScanQuery q;
    q.showHidden = false;
    q.text = "txt";
    EXPECT_EQ(q.paths(scan, "/r", true),
              (std::vector<std::string>{"/r/.secret/key.txt", "/r/docs/notes.txt"}));
}

TEST(ScanQuery, CategoryListsFilesOnlyAndMissingFocusIsEmpty) {
    const ScanResult scan = sample();
    ScanQuery q;
    q.category = FileCategory::video;
    EXPECT_EQ(q.paths(scan, "/r", true), (std::vector<std::string>{"/r/movie.mp4"}));
    EXPECT_TRUE(ScanQuery().paths(scan, "/nowhere", true).empty());
    EXPECT_TRUE(ScanQuery().paths(scan, "/r/movie.mp4", true).empty());
}

TEST(ScanQuery, FocusAndRepeatedChildrenAreVisitedOnce) {
    // A stored scan may list a child twice, or list its own folder as a child.
    ScanResult scan;
    scan.rootPath = "/r";
    NodeTable& t = scan.nodes;
    NodeData folder;
    folder.isDirectory = true;
    NodeData file;
    file.allocatedSize = 7;
    const NodeIndex r = t.ensurePath("/r");
    const NodeIndex a = t.ensurePath("/r/a");
    const NodeIndex ghost = t.ensurePath("/r/ghost"); // listed, but no node
    t.setNode(r, folder, false);
    t.setNode(a, file, true);
    t.finish({{r, a}, {r, a}, {r, r}, {r, ghost}});
    EXPECT_EQ(ScanQuery().paths(scan, "/r", true), (std::vector<std::string>{"/r/a"}));
    const RankedPage page = ScanQuery().rankedPage(scan, "/r", RankingScope::current, 10);
    EXPECT_EQ(page.count, 1);
    EXPECT_EQ(pathsOf(page.rows), (std::vector<std::string>{"/r/a"}));
}

TEST(ScanQuery, StoppedTaskThrowsCancellation) {
    const ScanResult scan = sample();
    const ScanQuery q;
    EXPECT_THROW((void)q.paths(scan, "/r", true, stopped()), CancellationError);
    EXPECT_THROW((void)q.paths(scan, "/nowhere", true, stopped()), CancellationError);
    EXPECT_THROW((void)q.items(scan, "/r", false, kNow, stopped()), CancellationError);
    for (RankingScope scope : kAllRankingScopes) {
        EXPECT_THROW((void)q.rankedPage(scan, "/r", scope, 10, stopped()), CancellationError);
        EXPECT_THROW((void)q.ranked(scan, "/r", scope, stopped()), CancellationError);
        EXPECT_THROW((void)items(scope, scan, "/r", false, stopped()), CancellationError);
    }
}

TEST(ScanQuery, CancellationIsPolledAtSpacedPoints) {
    ModelFixture f("/r");
    for (int k = 0; k < 2000; ++k)
        f.file("/r/f" + std::to_string(k), 1, 1);
    const ScanResult scan = f.finish();
    int polls = 0;
    const TaskCancellation counting([&] {
        ++polls;
        return false;
    });
    // At the start, before entries 0, 512, 1024 and 1536, and at the end.
    EXPECT_EQ(ScanQuery().indices(scan, "/r", true, kNow, counting).size(), 2000u);
    EXPECT_EQ(polls, 6);

    // A stop requested while visiting is seen within the next 512 entries.
    std::stop_source source;
    int visited = 0;
    EXPECT_THROW(ScanQuery().forEach(
                     scan, "/r", true, kNow,
                     [&](NodeIndex) {
                         if (++visited == 10)
                             source.request_stop();
                     },
                     source.get_token()),
                 CancellationError);
    EXPECT_EQ(visited, 512);
}

// ---- ranked pages -----------------------------------------------------------------------------

TEST(ScanQuery, RankedPageKeepsTheBestAndCountsAll) {
    const ScanResult scan = sample();
    const ScanQuery q;
    const RankedPage files = q.rankedPage(scan, "/r", RankingScope::files, 3);
    EXPECT_EQ(files.count, 8);
    // Allocated sizes: movie.mp4 8192, then seven at 4096 in path order ("/a-b" before "/a/x").
    EXPECT_EQ(pathsOf(files.rows),
              (std::vector<std::string>{"/r/movie.mp4", "/r/.secret/.inner", "/r/.secret/key.txt"}));

    ScanQuery logical;
    logical.logical = true;
    EXPECT_EQ(
        pathsOf(logical.rankedPage(scan, "/r", RankingScope::files, 4).rows),
        (std::vector<std::string>{"/r/movie.mp4", "/r/docs/Report.PDF", "/r/docs/notes.txt", "/r/a-b"}));

    const std::vector<std::string> all = pathsOf(q.rankedPage(scan, "/r", RankingScope::files, 100).rows);
    EXPECT_EQ(all, (std::vector<std::string>{"/r/movie.mp4", "/r/.secret/.inner", "/r/.secret/key.txt",
                                             "/r/a-b", "/r/a/x", "/r/docs/.hidden-note.md",
                                             "/r/docs/Report.PDF", "/r/docs/notes.txt"}));
    for (std::int64_t limit = 0; limit <= 9; ++limit) {
        const RankedPage page = q.rankedPage(scan, "/r", RankingScope::files, limit);
        EXPECT_EQ(page.count, 8);
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(limit), all.size());
        EXPECT_EQ(pathsOf(page.rows),
                  std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(n)))
            << limit;
    }
    EXPECT_EQ(pathsOf(q.ranked(scan, "/anything", RankingScope::files)), all);
}

TEST(ScanQuery, RankedPageLimitsZeroNegativeAndHuge) {
    const ScanResult scan = sample();
    const ScanQuery q;
    for (std::int64_t limit : {std::int64_t(0), std::int64_t(-1), std::numeric_limits<std::int64_t>::min()}) {
        const RankedPage page = q.rankedPage(scan, "/r", RankingScope::current, limit);
        EXPECT_TRUE(page.rows.empty());
        EXPECT_EQ(page.count, 6);
    }
    const RankedPage huge =
        q.rankedPage(scan, "/r", RankingScope::current, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(huge.count, 6);
    // Folder sizes are their subtree sums: docs 12288, .secret 8192, movie.mp4 8192, a 4096, a-b 4096,
    // movie.mov.d 0; "/r/a" is a prefix of "/r/a-b" and sorts first.
    EXPECT_EQ(pathsOf(huge.rows), (std::vector<std::string>{"/r/docs", "/r/.secret", "/r/movie.mp4", "/r/a",
                                                            "/r/a-b", "/r/movie.mov.d"}));
}

TEST(ScanQuery, ScopesNeverListTheRootAndIgnoreTheFocus) {
    const ScanResult scan = sample();
    const ScanQuery q;
    const RankedPage folders = q.rankedPage(scan, "/r/docs", RankingScope::folders, 10);
    EXPECT_EQ(folders.count, 4);
    EXPECT_EQ(pathsOf(folders.rows),
              (std::vector<std::string>{"/r/docs", "/r/.secret", "/r/a", "/r/movie.mov.d"}));
    EXPECT_EQ(q.rankedPage(scan, "/missing", RankingScope::folders, 10), folders);

    const RankedPage missing = q.rankedPage(scan, "/missing", RankingScope::current, 10);
    EXPECT_EQ(missing.count, 0);
    EXPECT_TRUE(missing.rows.empty());

    // A scan of a single folder: nothing to rank in any scope.
    ModelFixture only("/only");
    const ScanResult lone = only.finish();
    for (RankingScope scope : kAllRankingScopes)
        EXPECT_EQ(q.rankedPage(lone, "/only", scope, 10).count, 0);
}

TEST(ScanQuery, RankedPageAppliesTheFilter) {
    const ScanResult scan = sample();
    ScanQuery q;
    q.showHidden = false;
    q.minimumBytes = 4096;
    const RankedPage page = q.rankedPage(scan, "/r", RankingScope::files, 2);
    // movie.mp4, a-b, a/x, Report.PDF, notes.txt and key.txt (in a hidden folder, but not hidden itself).
    EXPECT_EQ(page.count, 6);
    EXPECT_EQ(page.count, q.rankedPage(scan, "/r", RankingScope::files, 0).count);
    EXPECT_EQ(pathsOf(page.rows), (std::vector<std::string>{"/r/movie.mp4", "/r/.secret/key.txt"}));
}

TEST(ScanQuery, LargePagesAndHeapsAgree) {
    // Many equal sizes: every order decision falls to the path.
    ModelFixture f("/r");
    for (int d = 0; d < 30; ++d) {
        const std::string folder = "/r/d" + std::to_string(d % 7) + (d >= 7 ? "-" + std::to_string(d) : "");
        f.folder(folder);
        for (int k = 0; k < 3000; ++k)
            f.file(folder + "/f" + std::to_string(k * 7919 % 3001), (k % 3) * 10, 4096);
    }
    const ScanResult scan = f.finish();
    ScanQuery q;
    q.logical = true;
    const std::vector<DiskNode> everything = q.ranked(scan, "/r", RankingScope::files);
    ASSERT_EQ(everything.size(), 90000u);
    for (std::size_t k = 1; k < everything.size(); ++k) {
        const DiskNode &a = everything[k - 1], &b = everything[k];
        ASSERT_TRUE(a.logicalSize > b.logicalSize || (a.logicalSize == b.logicalSize && a.path < b.path))
            << k;
    }
    const std::vector<DiskNode> page = q.rankedPage(scan, "/r", RankingScope::files, 500).rows;
    EXPECT_EQ(page, std::vector<DiskNode>(everything.begin(), everything.begin() + 500));
    const std::vector<NodeIndex> unfiltered = itemIndices(RankingScope::files, scan, "/r", true);
    ASSERT_EQ(unfiltered.size(), everything.size());
    for (std::size_t k = 0; k < unfiltered.size(); k += 997)
        EXPECT_EQ(scan.nodes.path(unfiltered[k]), everything[k].path);
}

// ---- ranking scopes ---------------------------------------------------------------------------

TEST(RankingScope, TitlesAndRawValues) {
    EXPECT_EQ(rawValue(RankingScope::current), "In this folder");
    EXPECT_EQ(rawValue(RankingScope::files), "Biggest files anywhere");
    EXPECT_EQ(rawValue(RankingScope::folders), "Biggest folders anywhere");
    for (RankingScope scope : kAllRankingScopes)
        EXPECT_EQ(rankingScopeFromRawValue(rawValue(scope)), scope);
    EXPECT_FALSE(rankingScopeFromRawValue("in this folder").has_value());
    EXPECT_FALSE(rankingScopeFromRawValue("").has_value());
}

TEST(RankingScope, ItemsAreUnfilteredLargestFirst) {
    const ScanResult scan = sample();
    EXPECT_EQ(
        pathsOf(items(RankingScope::current, scan, "/r/docs", true)),
        (std::vector<std::string>{"/r/docs/Report.PDF", "/r/docs/notes.txt", "/r/docs/.hidden-note.md"}));
    EXPECT_EQ(pathsOf(items(RankingScope::folders, scan, "/ignored", false)),
              (std::vector<std::string>{"/r/docs", "/r/.secret", "/r/a", "/r/movie.mov.d"}));
    EXPECT_EQ(items(RankingScope::files, scan, "/r", false).size(), 8u);
    EXPECT_TRUE(items(RankingScope::current, scan, "/missing", false).empty());
}

// ---- text containment -------------------------------------------------------------------------

TEST(NameMatcher, FoldsCaseBeyondAscii) {
    struct Case {
        const char* needle;
        const char* name;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"", "anything", true},
        {"ABC", "xabcx", true},
        {"abc", "xABCx", true},
        {"stra\xC3\x9F"
         "e",
         "STRASSE.txt", true}, // ß folds to ss
        {"strasse",
         "Stra\xC3\x9F"
         "e.txt",
         true},
        {"k",
         "\xE2\x84\xAA"
         "elvin",
         true}, // the Kelvin sign folds to k
        {"\xC3\x84rger",
         "gro\xC3\x9F"
         "er \xC3\xA4RGER",
         true},
        {"\xC3\xA4", "A\xCC\x88pfel", true}, // precomposed finds decomposed
        {"a\xCC\x88", "\xC3\xA4pfel", true}, // and the other way round
        {"a", "\xC3\xA4pfel", false},        // a plain a is not inside an ä
        {"longer than the name", "short", false},
        {"\xD0\xB4\xD0\xB0\xD0\xBD", "\xD0\x94\xD0\x90\xD0\x9D\xD0\x9D\xD0\xAB\xD0\x95",
         true}, // данн in ДАННЫЕ
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMatcher(c.needle).matches(c.name), c.expected) << c.needle << " in " << c.name;
}
