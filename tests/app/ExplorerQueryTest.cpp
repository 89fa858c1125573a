#include "ScanTestSupport.hpp"

#include "base/AmbertroveError.hpp"
#include "controller/KeyedQuery.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <stop_token>
#include <string>
#include <unordered_set>
#include <vector>

namespace ambertrove {
namespace {

using test::ScanFixture;

constexpr std::int64_t kDay = 86'400;

class ExplorerFilterTest : public ScanFixture {};

TEST_F(ExplorerFilterTest, MatchesAppliesTheFiltersInOrder) {
    const std::int64_t now = std::int64_t(clock->now().unixSeconds());
    struct Case {
        const char* name;
        std::string path;
        bool isDirectory;
        std::int64_t logical;
        std::int64_t allocated;
        std::int64_t modified; // Unix seconds
        std::function<void(AppModel&)> set;
        bool expected;
    };
    auto none = [](AppModel&) {
    };
    const std::vector<Case> cases{
        {"plain file", "/r/a.txt", false, 10, 10, now, none, true},
        {"hidden shown", "/r/.env", false, 10, 10, now, none, true},
        {"hidden left out", "/r/.env", false, 10, 10, now, [](AppModel& m) { m.setShowHidden(false); },
         false},
        {"hidden left out though the text matches", "/r/.env", false, 10, 10, now,
         [](AppModel& m) {
             m.setShowHidden(false);
             m.setFilter("env");
         },
         false},
        {"text in another case", "/r/Report.PDF", false, 10, 10, now,
         [](AppModel& m) { m.setFilter("report.pdf"); }, true},
        {"one letter", "/r/Xylophone", false, 10, 10, now, [](AppModel& m) { m.setFilter("x"); }, true},
        {"text missing", "/r/a.txt", false, 10, 10, now, [](AppModel& m) { m.setFilter("b"); }, false},
        {"text in the folder, not the name", "/r/b/a.txt", false, 10, 10, now,
         [](AppModel& m) { m.setFilter("b"); }, false},
        {"size at the bound", "/r/a.txt", false, 10, 100, now, [](AppModel& m) { m.setMinimumBytes(100); },
         true},
        {"size a byte below", "/r/a.txt", false, 10, 99, now, [](AppModel& m) { m.setMinimumBytes(100); },
         false},
        {"logical size compared", "/r/a.txt", false, 10, 100, now,
         [](AppModel& m) {
             m.setMinimumBytes(100);
             m.setLogical(true);
         },
         false},
        {"logical size at the bound", "/r/a.txt", false, 100, 10, now,
         [](AppModel& m) {
             m.setMinimumBytes(100);
             m.setLogical(true);
         },
         true},
        {"category of the file", "/r/p.png", false, 10, 10, now,
         [](AppModel& m) { m.setCategoryFilter(FileCategory::image); }, true},
        {"other category", "/r/a.txt", false, 10, 10, now,
         [](AppModel& m) { m.setCategoryFilter(FileCategory::image); }, false},
        {"a folder never has a category", "/r/pics.png", true, 10, 10, now,
         [](AppModel& m) { m.setCategoryFilter(FileCategory::image); }, false},
        {"exactly 30 days old", "/r/a.txt", false, 10, 10, now - 30 * kDay,
         [](AppModel& m) { m.setModifiedBeforeDays(30); }, true},
        {"older", "/r/a.txt", false, 10, 10, now - 400 * kDay,
         [](AppModel& m) { m.setModifiedBeforeDays(30); }, true},
        {"29 days old", "/r/a.txt", false, 10, 10, now - 29 * kDay,
         [](AppModel& m) { m.setModifiedBeforeDays(30); }, false},
        {"a second short of 30 days", "/r/a.txt", false, 10, 10, now - 30 * kDay + 1,
         [](AppModel& m) { m.setModifiedBeforeDays(30); }, false},
        {"in the future", "/r/a.txt", false, 10, 10, now + kDay,
         [](AppModel& m) { m.setModifiedBeforeDays(30); }, false},
        {"age off", "/r/a.txt", false, 10, 10, now + kDay, none, true},
    };
    for (const Case& c : cases) {
        AppModel& m = makeModel();
        c.set(m);
        DiskNode node;
        node.path = c.path;
        node.isDirectory = c.isDirectory;
        node.logicalSize = c.logical;
        node.allocatedSize = c.allocated;
        node.modified = Date::fromUnixSeconds(c.modified);
        EXPECT_EQ(m.matches(node), c.expected) << c.name;
    }
}

TEST_F(ExplorerFilterTest, TheAgeBoundFollowsTheClock) {
    AppModel& m = makeModel();
    m.setModifiedBeforeDays(1);
    DiskNode node;
    node.path = "/r/a.txt";
    node.modified = clock->now();
    EXPECT_FALSE(m.matches(node));
    clock->set(Date{clock->now().sinceReferenceDate + double(kDay)});
    EXPECT_TRUE(m.matches(node));
}

TEST_F(ExplorerFilterTest, CurrentChildrenAreTheFocusedFoldersMatchingChildrenLargestFirst) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    EXPECT_TRUE(m.currentChildren().empty());
    m.startScan("/r", false);
    runScan();
    auto paths = [&] {
        std::vector<std::string> out;
        for (const DiskNode& node : m.currentChildren())
            out.push_back(node.path);
        return out;
    };
    EXPECT_EQ(paths(), (std::vector<std::string>{"/r/x", "/r/z", "/r/a.txt"}));
    m.setCategoryFilter(FileCategory::document);
    EXPECT_EQ(paths(), (std::vector<std::string>{"/r/a.txt"}));
    m.setCategoryFilter(std::nullopt);
    m.setMinimumBytes(301);
    EXPECT_EQ(paths(), (std::vector<std::string>{"/r/x"}));
    m.setMinimumBytes(0);
    m.focus(*m.scan()->nodes.node("/r/x"));
    EXPECT_EQ(paths(), (std::vector<std::string>{"/r/x/y", "/r/x/g.png"}));
}

TEST_F(ExplorerFilterTest, TheVisibleQuickWinIsTheActiveKindsEntry) {
    AppModel& m = makeModel();
    QuickWin caches;
    caches.kind = QuickWinKind::caches;
    m.setQuickWins({caches});
    EXPECT_EQ(m.visibleWin(), std::nullopt);
    m.setActiveQuickWin(QuickWinKind::downloads);
    EXPECT_EQ(m.visibleWin(), std::nullopt);
    m.setActiveQuickWin(QuickWinKind::caches);
    EXPECT_EQ(m.visibleWin(), caches);
}

TEST_F(ExplorerFilterTest, TheQueryKeyChangesWithScanFocusFilterAndScopeOnly) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    const ExplorerQueryKey empty = m.queryKey("");
    EXPECT_EQ(empty.scanID, std::nullopt);
    EXPECT_EQ(empty.focus, "");
    EXPECT_EQ(empty.filter, m.queryFilter());

    m.startScan("/r", false);
    runScan();
    const ExplorerQueryKey first = m.queryKey("");
    EXPECT_EQ(first.scanID, m.scan()->id);
    EXPECT_EQ(first.focus, "/r");
    // Checked before the cases below replace the controller that `m` names.
    EXPECT_NE(m.queryKey("Files"), m.queryKey("Folders"));
    EXPECT_EQ(m.queryKey("Files"), m.queryKey("Files"));
    std::unordered_set<ExplorerQueryKey> keys{m.queryKey("Files"), m.queryKey("Files"), m.queryKey("Folders"),
                                              empty};
    EXPECT_EQ(keys.size(), 3u);
    const std::hash<ExplorerQueryKey> hash;

    struct Case {
        const char* name;
        std::function<void(AppModel&)> change;
        bool keyChanges;
    };
    const std::vector<Case> cases{
        {"selection", [](AppModel& a) { a.setSelection("/r/a.txt"); }, false},
        {"chart", [](AppModel& a) { a.setStorageView(StorageView::sunburst); }, false},
        {"colours", [](AppModel& a) { a.setColorMode(ColorMode::type); }, false},
        {"focus", [](AppModel& a) { a.setFocusPath("/r/x"); }, true},
        {"focus gone, so the root", [](AppModel& a) { a.setFocusPath("/r/gone"); }, false},
        {"text", [](AppModel& a) { a.setFilter("a"); }, true},
        {"hidden", [](AppModel& a) { a.setShowHidden(false); }, true},
        {"size", [](AppModel& a) { a.setMinimumBytes(1); }, true},
        {"category", [](AppModel& a) { a.setCategoryFilter(FileCategory::image); }, true},
        {"age", [](AppModel& a) { a.setModifiedBeforeDays(3); }, true},
        {"logical", [](AppModel& a) { a.setLogical(true); }, true},
        {"rescan",
         [this](AppModel& a) {
             a.refresh();
             runScan();
         },
         true},
    };
    for (const Case& c : cases) {
        AppModel& fresh = makeModel();
        fresh.startScan("/r", false);
        runScan();
        const ExplorerQueryKey before = fresh.queryKey("");
        c.change(fresh);
        const ExplorerQueryKey after = fresh.queryKey("");
        EXPECT_EQ(before != after, c.keyChanges) << c.name;
        if (!c.keyChanges) {
            EXPECT_EQ(hash(before), hash(after)) << c.name;
        }
    }
}

// ---- Background queries ----

class BackgroundQueryTest : public ScanFixture {
protected:
    BackgroundQueryTest() { timing.queryPause = std::chrono::milliseconds(0); }
};

TEST_F(BackgroundQueryTest, AQueryCancelledBeforeOrWithinThePauseNeverRunsItsWork) {
    timing.queryPause = std::chrono::milliseconds(70);
    AppModel& m = makeModel();
    int runs = 0;
    std::vector<int> values;
    auto work = [&runs](const TaskCancellation&) {
        return ++runs;
    };
    auto done = [&values](int value) {
        values.push_back(value);
    };

    std::stop_source before;
    before.request_stop();
    m.backgroundQuery<int>(before.get_token(), work, done);

    std::stop_source during;
    m.backgroundQuery<int>(during.get_token(), work, done);
    during.request_stop();

    // A third query, left alone, starts its work after the pause: the others' pauses ended before.
    std::stop_source kept;
    expectJobStarted([&] { m.backgroundQuery<int>(kept.get_token(), work, done); });
    EXPECT_EQ(runner->startedCount(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::query);
    runner->runAll();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(values, (std::vector<int>{1}));
}

TEST_F(BackgroundQueryTest, CancellationWhileWaitingOrWorkingDropsTheValue) {
    AppModel& m = makeModel();
    std::vector<int> values;
    std::vector<bool> sawCancellation;

    // Stopped while its job waits for a thread: the work never runs.
    std::stop_source queued;
    expectJobStarted([&] {
        m.backgroundQuery<int>(
            queued.get_token(), [&](const TaskCancellation&) { return 1; },
            [&](int v) { values.push_back(v); });
    });
    queued.request_stop();
    runner->run();
    EXPECT_TRUE(values.empty());

    // Stopped while the work runs: the work sees it, and its value is dropped.
    std::stop_source working;
    expectJobStarted([&] {
        m.backgroundQuery<int>(
            working.get_token(),
            [&](const TaskCancellation& cancellation) {
                working.request_stop();
                sawCancellation.push_back(cancellation.isCancelled());
                return 2;
            },
            [&](int v) { values.push_back(v); });
    });
    runner->run();
    EXPECT_EQ(sawCancellation, (std::vector<bool>{true}));
    EXPECT_TRUE(values.empty());

    // Stopped after the value was made, before it was applied.
    std::stop_source after;
    expectJobStarted([&] {
        m.backgroundQuery<int>(
            after.get_token(), [&](const TaskCancellation&) { return 3; },
            [&](int v) { values.push_back(v); });
    });
    runner->runWithoutDelivering();
    after.request_stop();
    runner->deliver();
    EXPECT_TRUE(values.empty());
}

TEST_F(BackgroundQueryTest, AnErrorOfTheWorkReachesTheCallerUnchanged) {
    AppModel& m = makeModel();
    std::exception_ptr caught;
    std::stop_source caller;
    expectJobStarted([&] {
        m.backgroundQuery<int>(
            caller.get_token(), [](const TaskCancellation&) -> int { throw AmbertroveError("No listing."); },
            [](int) { FAIL(); }, [&](std::exception_ptr error) { caught = error; });
    });
    runner->run();
    ASSERT_TRUE(caught);
    try {
        std::rethrow_exception(caught);
    } catch (const AmbertroveError& error) {
        EXPECT_EQ(error.message(), "No listing.");
    }
}

TEST_F(BackgroundQueryTest, AKeyedQueryKeepsOnlyTheNewestKeysResult) {
    AppModel& m = makeModel();
    int changes = 0;
    KeyedQuery<std::string, std::string> query(m, [&] { ++changes; });
    auto work = [](std::string text) {
        return [text](const TaskCancellation&) {
            return "value of " + text;
        };
    };

    expectJobStarted([&] { EXPECT_TRUE(query.request("a", work("a"))); });
    EXPECT_TRUE(query.running());
    EXPECT_FALSE(query.request("a", work("a"))); // already asked for
    expectJobStarted([&] { EXPECT_TRUE(query.request("b", work("b"))); });
    ASSERT_EQ(runner->pending(), 2u);
    runner->runAll();
    EXPECT_FALSE(query.running());
    EXPECT_EQ(query.key(), "b");
    EXPECT_EQ(query.value(), "value of b");
    EXPECT_TRUE(query.isCurrent("b"));

    // The stored key again: nothing to compute.
    EXPECT_FALSE(query.request("b", work("b")));
    // Another key, then back to the stored one before it lands: the stored result stands, the other is
    // dropped.
    expectJobStarted([&] { EXPECT_TRUE(query.request("c", work("c"))); });
    EXPECT_FALSE(query.request("b", work("b")));
    EXPECT_FALSE(query.running());
    runner->runAll();
    EXPECT_EQ(query.key(), "b");
    EXPECT_EQ(query.value(), "value of b");

    // A failure is kept for its request; the last result stays.
    expectJobStarted([&] {
        query.request("d", [](const TaskCancellation&) -> std::string { throw AmbertroveError("No."); });
    });
    runner->runAll();
    EXPECT_TRUE(query.error());
    EXPECT_EQ(query.key(), "b");
    EXPECT_GT(changes, 0);
}

TEST_F(BackgroundQueryTest, AKeyedQueryDestroyedWhileRunningAppliesNothing) {
    AppModel& m = makeModel();
    bool changed = false;
    {
        KeyedQuery<int, int> query(m, [&] { changed = true; });
        expectJobStarted([&] { query.request(1, [](const TaskCancellation&) { return 1; }); });
        changed = false;
    }
    runner->runAll();
    EXPECT_FALSE(changed);
}

// ---- Folder type totals ----

class FolderTypesTest : public ScanFixture {
protected:
    FolderTypesTest() { timing.queryPause = std::chrono::milliseconds(0); }

    // A root with `count` folders, each holding one folder with one file.
    static ScanResult wideScan(int count) {
        test::ModelFixture tree("/w");
        for (int i = 0; i < count; ++i) {
            const std::string folder = "/w/f" + std::to_string(i);
            tree.folder(folder);
            tree.folder(folder + "/inner");
            tree.file(folder + "/inner/file.txt", 10 + i, 10 + i);
        }
        return tree.finish();
    }

    AppModel& wide(int count) {
        results["/w"] = wideScan(count);
        AppModel& m = makeModel();
        m.startScan("/w", false);
        runScan();
        return m;
    }

    void focusAndCompute(AppModel& m, const std::string& path) {
        expectJobStarted([&] { m.focus(*m.scan()->nodes.node(path)); });
        runner->runAll();
    }

    std::vector<std::string> cachedPaths(const AppModel& m) {
        std::vector<std::string> paths;
        for (const auto& entry : ScanTestPeer::folderTypeCache(m))
            paths.push_back(entry.first.substr(36));
        return paths;
    }
};

TEST_F(FolderTypesTest, AFolderIsComputedInTheBackgroundAndTheRootComesWithTheScan) {
    AppModel& m = wide(2);
    EXPECT_EQ(m.folderTypes(), ScanPresentation::make(*m.scan()).folderTypes);
    expectJobStarted([&] { m.focus(*m.scan()->nodes.node("/w/f1")); });
    EXPECT_TRUE(m.folderTypes().empty());
    runner->runAll();
    const auto expected = ScanPresentation::distribution(*m.scan(), "/w/f1").folders;
    EXPECT_EQ(m.folderTypes(), expected);
    ASSERT_EQ(m.folderTypes().size(), 1u);
    EXPECT_EQ(m.folderTypes().begin()->first, "/w/f1/inner");
    const auto& cache = ScanTestPeer::folderTypeCache(m);
    ASSERT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.front().first, m.scan()->id.text() + "/w/f1");

    m.goUp();
    EXPECT_EQ(m.folderTypes(), ScanPresentation::make(*m.scan()).folderTypes);
    EXPECT_FALSE(ScanTestPeer::folderTypeTaskRunning(m));
    EXPECT_EQ(runner->pending(), 0u);
}

TEST_F(FolderTypesTest, TheCacheKeepsTheEightMostRecentlyComputedFolders) {
    AppModel& m = wide(9);
    for (int i = 0; i < 9; ++i)
        focusAndCompute(m, "/w/f" + std::to_string(i));
    EXPECT_EQ(cachedPaths(m), (std::vector<std::string>{"/w/f8", "/w/f7", "/w/f6", "/w/f5", "/w/f4", "/w/f3",
                                                        "/w/f2", "/w/f1"}));
    // A hit is shown at once and stays where it is.
    const std::size_t started = runner->startedCount();
    m.focus(*m.scan()->nodes.node("/w/f2"));
    EXPECT_EQ(m.folderTypes(), ScanPresentation::distribution(*m.scan(), "/w/f2").folders);
    EXPECT_EQ(cachedPaths(m)[6], "/w/f2");
    // The oldest was evicted: it is computed again.
    focusAndCompute(m, "/w/f0");
    EXPECT_EQ(runner->startedCount(), started + 1);
    EXPECT_EQ(cachedPaths(m).front(), "/w/f0");
    EXPECT_EQ(cachedPaths(m).size(), 8u);
}

TEST_F(FolderTypesTest, AResultForAFolderLeftOrAScanReplacedChangesNothing) {
    AppModel& m = wide(2);
    // Moved on to the root before the result came.
    expectJobStarted([&] { m.focus(*m.scan()->nodes.node("/w/f0")); });
    m.goBack();
    runner->runAll();
    EXPECT_EQ(m.folderTypes(), ScanPresentation::make(*m.scan()).folderTypes);
    EXPECT_TRUE(ScanTestPeer::folderTypeCache(m).empty());

    // A rescan installed before the result came.
    expectJobStarted([&] { m.focus(*m.scan()->nodes.node("/w/f1")); });
    ASSERT_EQ(runner->pending(), 1u);
    m.refresh();
    runner->run(1); // the scan
    EXPECT_EQ(m.focusPath(), "/w");
    runner->runAll(); // the old folder totals
    EXPECT_EQ(m.folderTypes(), ScanPresentation::make(*m.scan()).folderTypes);
    EXPECT_TRUE(ScanTestPeer::folderTypeCache(m).empty());
}

TEST_F(FolderTypesTest, AnInstalledSavedScanEmptiesTheCacheAndIsMarkedHistorical) {
    AppModel& m = wide(2);
    focusAndCompute(m, "/w/f0");
    ASSERT_EQ(ScanTestPeer::folderTypeCache(m).size(), 1u);
    ScanTestPeer::installScan(m, std::make_shared<const ScanResult>(wideScan(3)), "/w/f2", true);
    EXPECT_TRUE(ScanTestPeer::folderTypeCache(m).empty());
    EXPECT_TRUE(m.isHistorical());
    EXPECT_EQ(m.focusPath(), "/w/f2");
    EXPECT_EQ(m.navigation().back, (std::vector<std::string>{"/w"}));
    EXPECT_TRUE(ScanTestPeer::folderTypeTaskRunning(m));
}

} // namespace
} // namespace ambertrove
