#include "analysis/AgeSummary.hpp"

#include "support/ModelFixture.hpp"
#include "support/ScopedVariable.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ambertrove {
namespace {

constexpr std::int64_t kDay = 86400;
// 2025-06-15T12:00:00Z
constexpr std::int64_t kNow = 1749988800;
const Date now = Date::fromUnixSeconds(kNow);

DiskNode fileNode(const std::string& path, std::int64_t logical, std::int64_t allocated,
                  std::int64_t modifiedAgo, std::int64_t accessedAgo) {
    DiskNode n;
    n.path = path;
    n.logicalSize = n.ownLogicalSize = logical;
    n.allocatedSize = n.ownAllocatedSize = allocated;
    n.fileCount = 1;
    n.modified = Date::fromUnixSeconds(kNow - modifiedAgo);
    n.accessed = Date::fromUnixSeconds(kNow - accessedAgo);
    return n;
}

TEST(AgeRange, RawValuesAndTitles) {
    const std::vector<std::pair<AgeRange, std::string>> expected = {
        {AgeRange::week, "Last 7 days"},
        {AgeRange::month, "8\xE2\x80\x93"
                          "30 days"},
        {AgeRange::quarter, "1\xE2\x80\x93"
                            "3 months"},
        {AgeRange::year, "3\xE2\x80\x93"
                         "12 months"},
        {AgeRange::twoYears, "1\xE2\x80\x93"
                             "2 years"},
        {AgeRange::older, "Over 2 years"},
    };
    ASSERT_EQ(kAllAgeRanges.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(kAllAgeRanges[i], expected[i].first);
        EXPECT_EQ(rawValue(expected[i].first), static_cast<int>(i));
        EXPECT_EQ(ageRangeFromRawValue(static_cast<std::int64_t>(i)), expected[i].first);
        EXPECT_EQ(title(expected[i].first), expected[i].second);
    }
    for (std::int64_t raw : {-1LL, 6LL, 100LL, static_cast<long long>(INT64_MIN)})
        EXPECT_EQ(ageRangeFromRawValue(raw), std::nullopt) << raw;
}

TEST(AgeRange, Boundaries) {
    struct Case {
        double secondsAgo;
        AgeRange expected;
    };
    const std::vector<Case> cases = {
        {0, AgeRange::week},
        {-1, AgeRange::week},
        {-1e9, AgeRange::week},
        {7 * kDay, AgeRange::week},
        {7 * kDay + 1, AgeRange::month},
        {7 * kDay + 0.001, AgeRange::month},
        {30 * kDay, AgeRange::month},
        {30 * kDay + 1, AgeRange::quarter},
        {90 * kDay, AgeRange::quarter},
        {90 * kDay + 1, AgeRange::year},
        {365 * kDay, AgeRange::year},
        {365 * kDay + 1, AgeRange::twoYears},
        {730 * kDay, AgeRange::twoYears},
        {730 * kDay + 1, AgeRange::older},
        {1e12, AgeRange::older},
        {std::numeric_limits<double>::quiet_NaN(), AgeRange::week},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ageRangeContaining(Date::fromUnix(double(kNow) - c.secondsAgo), now), c.expected)
            << c.secondsAgo;
}

TEST(ModificationMonth, InUtc) {
    const Calendar utc = Calendar::utc();
    struct Case {
        double unixSeconds;
        ModificationMonth expected;
    };
    const std::vector<Case> cases = {
        {0, {1970, 1}},
        {-1, {1969, 12}},
        {951782400, {2000, 2}},       // 2000-02-29T00:00:00Z
        {951868799, {2000, 2}},       // 2000-02-29T23:59:59Z
        {951868800, {2000, 3}},       // 2000-03-01T00:00:00Z
        {1735689599, {2024, 12}},     // 2024-12-31T23:59:59Z
        {1735689600, {2025, 1}},      // 2025-01-01T00:00:00Z
        {1735689599.999, {2024, 12}}, // fractions stay in their second
        {4102444800, {2100, 1}},      // 2100-01-01T00:00:00Z
        {std::numeric_limits<double>::quiet_NaN(), {1970, 1}},
        {std::numeric_limits<double>::infinity(), {1970, 1}},
        {1e20, {1970, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModificationMonth::of(Date::fromUnix(c.unixSeconds), utc), c.expected) << c.unixSeconds;
    EXPECT_EQ((ModificationMonth{2024, 3}), (ModificationMonth{2024, 3}));
    EXPECT_NE((ModificationMonth{2024, 3}), (ModificationMonth{2023, 3}));
}

TEST(ModificationMonth, FollowsTheCalendarsZone) {
    struct Case {
        const char* zone;
        double unixSeconds;
        ModificationMonth expected;
    };
    const std::vector<Case> cases = {
        {"UTC", 1735691400, {2025, 1}},               // 2025-01-01T00:30Z
        {"America/New_York", 1735691400, {2024, 12}}, // 2024-12-31T19:30 there
        {"Asia/Tokyo", 1735660800, {2025, 1}},        // 2024-12-31T16:00Z is 01:00 there
        {"Europe/Berlin", 1711846800, {2024, 3}},     // 2024-03-31T01:00Z, just after the clocks went forward
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModificationMonth::of(Date::fromUnix(c.unixSeconds), Calendar::inTimeZone(c.zone)),
                  c.expected)
            << c.zone;
}

TEST(Calendar, CurrentFollowsTheProcessZone) {
    const Calendar tokyo = [] {
        const test::ScopedVariable zone("TZ", "Asia/Tokyo");
        return Calendar::current();
    }();
    EXPECT_EQ(tokyo.timeZoneIdentifier(), "Asia/Tokyo");
    EXPECT_EQ(Calendar::utc().timeZoneIdentifier(), "UTC");
}

TEST(AgeSummary, Untouched) {
    struct Case {
        const char* name;
        std::int64_t logical;
        std::int64_t modifiedAgo;
        std::int64_t accessedAgo;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"large, a year and a day", 40'000'000, 366 * kDay, 366 * kDay, true},
        {"opened yesterday", 40'000'000, 366 * kDay, kDay, false},
        {"one byte short", 39'999'999, 366 * kDay, 366 * kDay, false},
        {"modified exactly 365 days ago", 40'000'000, 31'536'000, 366 * kDay, false},
        {"opened exactly 365 days ago", 40'000'000, 366 * kDay, 31'536'000, false},
        {"a second beyond", 40'000'000, 31'536'001, 31'536'001, true},
        {"huge", std::int64_t(1) << 50, 5000 * kDay, 5000 * kDay, true},
    };
    for (const Case& c : cases) {
        // The threshold always reads the logical size, also when allocated sizes are counted.
        for (bool logical : {true, false}) {
            const std::vector<DiskNode> nodes = {fileNode("/f", c.logical, 0, c.modifiedAgo, c.accessedAgo)};
            const AgeSummary s = AgeSummary::make(nodes, logical, now, Calendar::utc());
            ASSERT_EQ(s.entries.size(), 1u);
            EXPECT_EQ(s.entries[0].untouched, c.expected) << c.name << " logical=" << logical;
            EXPECT_EQ(s.entries[0].bytes, logical ? c.logical : 0) << c.name;
        }
    }
}

// The whole subtree below `focus`, as the explorer query's traversal reports it with a filter that passes
// everything.
AgeSummary::Traversal subtree(const ScanResult& scan, const std::string& focus) {
    return [&scan, focus](const AgeSummary::NodeVisitor& visit) {
        const NodeIndex start = scan.nodes.find(focus);
        if (start == kNoNode)
            return;
        std::vector<NodeIndex> stack(scan.nodes.children(start).begin(), scan.nodes.children(start).end());
        while (!stack.empty()) {
            const NodeIndex i = stack.back();
            stack.pop_back();
            if (!scan.nodes.isNode(i))
                continue;
            visit(i);
            for (NodeIndex c : scan.nodes.children(i))
                stack.push_back(c);
        }
    };
}

// The paths of the entries' files, in entry order.
std::vector<std::string> pathsOf(const ScanResult& scan, const std::vector<AgeSummary::Entry>& entries) {
    std::vector<std::string> paths;
    for (const AgeSummary::Entry& e : entries)
        paths.push_back(scan.nodes.path(e.file));
    return paths;
}

// A file with its own access time, or a symbolic link (which counts as a file).
NodeData entryData(std::int64_t logical, std::int64_t allocated, std::int64_t modified, std::int64_t accessed,
                   bool link = false) {
    NodeData d;
    d.isSymbolicLink = link;
    d.identity.mode = link ? 0120777 : 0100644;
    d.logicalSize = d.ownLogicalSize = logical;
    d.allocatedSize = d.ownAllocatedSize = allocated;
    d.fileCount = 1;
    d.modified = d.created = Date::fromUnixSeconds(modified);
    d.accessed = Date::fromUnixSeconds(accessed);
    return d;
}

ScanResult sampleScan() {
    const std::int64_t t = kNow;
    test::ModelFixture scan("/data");
    scan.folder("/data/old", t - 1000 * kDay);
    scan.add("/data/old/archive.zip", entryData(50'000'000, 50'003'968, t - 800 * kDay, t - 800 * kDay));
    scan.add("/data/old/notes.txt", entryData(100, 4096, t - 400 * kDay, t - 2 * kDay));
    scan.folder("/data/old/empty", t - 900 * kDay);
    scan.add("/data/new.txt", entryData(4096, 4096, t - 3 * kDay, t - kDay));
    scan.add("/data/b.bin", entryData(4096, 8192, t - 20 * kDay, t - 20 * kDay));
    scan.add("/data/link", entryData(12, 0, t - 60 * kDay, t - 60 * kDay, true));
    scan.add("/data/future.dat", entryData(7, 4096, t + 5 * kDay, t + 5 * kDay));
    return scan.finish();
}

TEST(AgeSummary, OfAScanSubtree) {
    const ScanResult scan = sampleScan();
    const AgeSummary s = AgeSummary::make(scan, subtree(scan, "/data"), true, now, Calendar::utc());
    using Totals = std::array<std::int64_t, 6>;
    // Largest first; equal sizes by path; folders, the empty one included, count nothing; the link counts.
    EXPECT_EQ(pathsOf(scan, s.entries),
              (std::vector<std::string>{"/data/old/archive.zip", "/data/b.bin", "/data/new.txt",
                                        "/data/old/notes.txt", "/data/link", "/data/future.dat"}));
    EXPECT_EQ(s.totals, (Totals{4096 + 7, 4096, 12, 0, 100, 50'000'000}));
    const std::map<ModificationMonth, std::int64_t> months = {
        {{2023, 4}, 50'000'000}, // 800 days before 2025-06-15
        {{2024, 5}, 100},        // 400 days before
        {{2025, 4}, 12},         // 60 days before: 2025-04-16
        {{2025, 5}, 4096},       // 20 days before: 2025-05-26
        {{2025, 6}, 4096 + 7},   // 3 days before, and 5 days ahead
    };
    EXPECT_EQ(s.months, months);
    EXPECT_TRUE(s.entries[0].untouched);
    EXPECT_EQ(s.entries[0].range, AgeRange::older);
    EXPECT_FALSE(s.entries[3].untouched);

    const AgeSummary allocated = AgeSummary::make(scan, subtree(scan, "/data"), false, now, Calendar::utc());
    EXPECT_EQ(allocated.totals, (Totals{4096 + 4096, 8192, 0, 0, 4096, 50'003'968}));
    EXPECT_EQ(allocated.entries[0].bytes, 50'003'968);
    EXPECT_TRUE(allocated.entries[0].untouched);

    const AgeSummary old = AgeSummary::make(scan, subtree(scan, "/data/old"), true, now, Calendar::utc());
    EXPECT_EQ(old.entries.size(), 2u);
    EXPECT_EQ(AgeSummary::make(scan, subtree(scan, "/nowhere"), true, now, Calendar::utc()), AgeSummary{});
    EXPECT_EQ(AgeSummary{}.totals, (Totals{0, 0, 0, 0, 0, 0}));
}

TEST(AgeSummary, WithTheExplorerQuery) {
    const ScanResult scan = sampleScan();
    ScanQuery query;
    query.logical = true;
    // The query's traversal gives the same summary as the whole subtree.
    EXPECT_EQ(AgeSummary::make(scan, "/data", query, now, Calendar::utc()),
              AgeSummary::make(scan, subtree(scan, "/data"), true, now, Calendar::utc()));
    // Its filter decides which files count, in its own sizes.
    query.minimumBytes = 4096;
    query.logical = false;
    const AgeSummary filtered = AgeSummary::make(scan, "/data", query, now, Calendar::utc());
    EXPECT_EQ(pathsOf(scan, filtered.entries),
              (std::vector<std::string>{"/data/old/archive.zip", "/data/b.bin", "/data/future.dat",
                                        "/data/new.txt", "/data/old/notes.txt"}));
    EXPECT_EQ(filtered.entries[1].bytes, 8192);
    EXPECT_EQ(AgeSummary::make(scan, "/nowhere", query, now, Calendar::utc()), AgeSummary{});
}

TEST(AgeSummary, Listings) {
    const ScanResult scan = sampleScan();
    const AgeSummary s = AgeSummary::make(scan, subtree(scan, "/data"), true, now, Calendar::utc());
    struct Case {
        const char* name;
        std::optional<AgeRange> range;
        std::optional<ModificationMonth> month;
        std::vector<std::string> paths;
        std::int64_t bytes;
    };
    const std::vector<Case> cases = {
        {"untouched", std::nullopt, std::nullopt, {"/data/old/archive.zip"}, 50'000'000},
        {"week", AgeRange::week, std::nullopt, {"/data/new.txt", "/data/future.dat"}, 4103},
        {"quarter", AgeRange::quarter, std::nullopt, {"/data/link"}, 12},
        {"year is empty", AgeRange::year, std::nullopt, {}, 0},
        {"month wins over range",
         AgeRange::older,
         ModificationMonth{2025, 6},
         {"/data/new.txt", "/data/future.dat"},
         4103},
        {"month", std::nullopt, ModificationMonth{2025, 5}, {"/data/b.bin"}, 4096},
        {"month without files", std::nullopt, ModificationMonth{1999, 1}, {}, 0},
    };
    for (const Case& c : cases) {
        const AgeListing listing = s.listing(c.range, c.month);
        std::vector<std::string> paths;
        for (const NodeIndex file : listing.files)
            paths.push_back(scan.nodes.path(file));
        EXPECT_EQ(paths, c.paths) << c.name;
        EXPECT_EQ(listing.bytes, c.bytes) << c.name;
    }
}

TEST(AgeSummary, EqualSizesInPathOrder) {
    std::vector<DiskNode> nodes;
    for (const char* p : {"/z", "/b", "/a/x", "/a", "/B"})
        nodes.push_back(fileNode(p, 10, 10, kDay, kDay));
    nodes.push_back(fileNode("/big", 11, 11, kDay, kDay));
    DiskNode folder;
    folder.path = "/folder";
    folder.isDirectory = true;
    nodes.push_back(folder);
    const AgeSummary s = AgeSummary::make(nodes, true, now, Calendar::utc());
    std::vector<std::string> paths;
    for (const auto& e : s.entries)
        paths.push_back(nodes[e.file].path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/big", "/B", "/a", "/a/x", "/b", "/z"}));
}

TEST(AgeSummary, EqualSizesOfAScanInPathOrder) {
    // Few files are compared through the tree, many are ranked first: both give the byte order of the
    // full paths ("/r/a-b" before "/r/a/x", capitals first), sizes first.
    for (const int copies : {1, 40}) {
        test::ModelFixture fixture("/r");
        for (const char* folder : {"/r/a", "/r/a-b", "/r/B", "/r/a/x"})
            fixture.folder(folder, kNow - kDay);
        std::vector<std::pair<std::int64_t, std::string>> expected;
        for (int k = 0; k < copies; ++k) {
            const std::string tag = std::to_string(k);
            for (const std::string& path : {"/r/a/x/f" + tag, "/r/a-b/f" + tag, "/r/a/f" + tag,
                                            "/r/B/f" + tag, "/r/a/x/g" + tag, "/r/f" + tag}) {
                const std::int64_t size = path.ends_with("g" + tag) ? 20 : 10;
                fixture.add(path, entryData(size, size, kNow - kDay, kNow - kDay));
                expected.emplace_back(size, path);
            }
        }
        const ScanResult scan = fixture.finish();
        std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        std::vector<std::string> paths;
        for (const auto& [size, path] : expected)
            paths.push_back(path);
        const AgeSummary s = AgeSummary::make(scan, subtree(scan, "/r"), true, now, Calendar::utc());
        EXPECT_EQ(pathsOf(scan, s.entries), paths) << copies;
    }
}

TEST(AgeSummary, MonthsMatchTheCalendarAcrossManyMonths) {
    // Files every 3.1 days over six years in a zone with daylight saving: the summary's months must be
    // exactly what the calendar says for each date.
    const Calendar berlin = Calendar::inTimeZone("Europe/Berlin");
    std::vector<DiskNode> nodes;
    for (int i = 0; i < 700; ++i)
        nodes.push_back(
            fileNode("/f" + std::to_string(i), 1000 + i, 0, std::int64_t(i) * 267'840 + i * 7, 0));
    const AgeSummary s = AgeSummary::make(nodes, true, now, berlin);
    ASSERT_EQ(s.entries.size(), nodes.size());
    std::map<ModificationMonth, std::int64_t> expected;
    for (const DiskNode& n : nodes)
        expected[ModificationMonth::of(n.modified, berlin)] += n.logicalSize;
    EXPECT_EQ(s.months, expected);
    for (const auto& e : s.entries) {
        const DiskNode& n = nodes[static_cast<std::size_t>(e.bytes - 1000)];
        EXPECT_EQ(e.month, ModificationMonth::of(n.modified, berlin)) << nodes[e.file].path;
    }
}

TEST(AgeSummary, CancellationIsPolledAtSpacedPoints) {
    // 1025 folders: no entries to sort, so the polls are at items 0, 512 and 1024 and once at the end.
    std::vector<DiskNode> folders(1025);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folders[i].path = "/d" + std::to_string(i);
        folders[i].isDirectory = true;
    }
    int polls = 0;
    const AgeSummary empty =
        AgeSummary::make(folders, true, now, Calendar::utc(), TaskCancellation([&] { return ++polls < 0; }));
    EXPECT_EQ(polls, 4);
    EXPECT_TRUE(empty.entries.empty());

    for (int stopAt = 1; stopAt <= 4; ++stopAt) {
        polls = 0;
        EXPECT_THROW((void)AgeSummary::make(folders, true, now, Calendar::utc(),
                                            TaskCancellation([&] { return ++polls >= stopAt; })),
                     CancellationError)
            << stopAt;
    }

    std::stop_source source;
    source.request_stop();
    std::vector<DiskNode> files;
    for (int i = 0; i < 1500; ++i)
        files.push_back(fileNode("/f" + std::to_string(i), i % 7, 0, kDay, kDay));
    EXPECT_THROW((void)AgeSummary::make(files, true, now, Calendar::utc(), source.get_token()),
                 CancellationError);

    // The listing polls at entries 0, 512, 1024 and at the end.
    const AgeSummary s = AgeSummary::make(files, true, now, Calendar::utc());
    polls = 0;
    EXPECT_EQ(
        s.listing(AgeRange::week, std::nullopt, TaskCancellation([&] { return ++polls < 0; })).files.size(),
        1500u);
    EXPECT_EQ(polls, 4);
    EXPECT_THROW((void)s.listing(std::nullopt, std::nullopt, source.get_token()), CancellationError);

    // The sort polls every 1024 comparisons: a cancellation that starts after the items were read still stops
    // it.
    polls = 0;
    const int readPolls = 3; // items 0, 512 and 1024
    EXPECT_THROW((void)AgeSummary::make(files, true, now, Calendar::utc(),
                                        TaskCancellation([&] { return ++polls > readPolls; })),
                 CancellationError);
    EXPECT_EQ(polls, readPolls + 1);
}

} // namespace
} // namespace ambertrove
