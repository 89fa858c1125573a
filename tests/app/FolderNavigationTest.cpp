#include "ScanTestSupport.hpp"

#include "scan/ScanPaths.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::ScanFixture;

const QString kOutside = QStringLiteral("This folder is outside the scan in progress.");
const QString kNotInScan =
    QStringLiteral("This folder isn’t in the current scan — use Scan Full Mac or Scan Folder….");

std::vector<std::string> pathsOf(const std::vector<DiskNode>& nodes) {
    std::vector<std::string> paths;
    for (const DiskNode& node : nodes)
        paths.push_back(node.path);
    return paths;
}

DiskNode folderNode(const std::string& path) {
    DiskNode node;
    node.path = path;
    node.isDirectory = true;
    return node;
}

ScanProgress browsingProgress(const std::string& root, const std::string& folder) {
    ScanProgress progress;
    ScanFolderPreview preview;
    preview.rootPath = root;
    preview.folder = folderNode(folder);
    preview.ancestors = {folderNode(root)};
    if (folder != root)
        preview.ancestors.push_back(preview.folder);
    progress.browsing = std::move(preview);
    return progress;
}

// ---- The finished scan ----

class FinishedNavigationTest : public ScanFixture {
protected:
    AppModel& scanned() {
        results["/r"] = test::sampleScan();
        AppModel& m = makeModel();
        m.startScan("/r", false);
        runScan();
        return m;
    }
};

TEST_F(FinishedNavigationTest, WithoutAScanNothingIsFocusedAndTheVolumeComesFromTheMonitor) {
    AppModel& m = makeModel();
    EXPECT_EQ(m.focus(), std::nullopt);
    EXPECT_EQ(m.selected(), std::nullopt);
    EXPECT_EQ(m.displayedFolderPath(), std::nullopt);
    EXPECT_TRUE(m.breadcrumbs().empty());
    EXPECT_TRUE(m.navigationBreadcrumbs().empty());
    EXPECT_FALSE(m.canGoUp());

    MonitorSample sample;
    sample.volumes = {VolumeInfo{"/", "root", 100, 40, 40}, VolumeInfo{"/home", "home", 10, 5, 5}};
    m.activity().record(sample);
    EXPECT_EQ(m.volume(), sample.volumes.front());

    // With no reading yet, the volume of "/" as read once.
    AppModel& other = makeModel();
    const std::optional<VolumeInfo> root = other.volume();
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->path, "/");
}

TEST_F(FinishedNavigationTest, TheScansVolumeIsTheMonitorsReadingOfTheVolumeThatHoldsIt) {
    AppModel& m = scanned();
    MonitorSample sample;
    sample.volumes = {VolumeInfo{"/", "root", 100, 40, 40}, VolumeInfo{"/r", "data", 10, 5, 5},
                      VolumeInfo{"/rr", "other", 1, 1, 1}};
    m.activity().record(sample);
    EXPECT_EQ(m.volume(), (VolumeInfo{"/r", "data", 10, 5, 5}));
}

TEST_F(FinishedNavigationTest, FocusingAFileChangesOnlyTheSelection) {
    AppModel& m = scanned();
    m.setFilter("g");
    m.setActiveQuickWin(QuickWinKind::downloads);
    const FolderNavigationHistory history = m.navigation();
    m.focus(*m.scan()->nodes.node("/r/x/g.png"));
    EXPECT_EQ(m.selection(), "/r/x/g.png");
    EXPECT_EQ(m.selected()->path, "/r/x/g.png");
    EXPECT_EQ(m.focusPath(), "/r");
    EXPECT_EQ(m.filter(), "g");
    EXPECT_EQ(m.activeQuickWin(), QuickWinKind::downloads);
    EXPECT_EQ(m.navigation(), history);
}

TEST_F(FinishedNavigationTest, FocusingAFolderClearsFilterAndQuickWinAndIsVisitedOnce) {
    AppModel& m = scanned();
    for (int round = 0; round < 2; ++round) {
        m.setFilter("y");
        m.setActiveQuickWin(QuickWinKind::downloads);
        m.focus(*m.scan()->nodes.node("/r/x"));
        EXPECT_EQ(m.selection(), "/r/x");
        EXPECT_EQ(m.focusPath(), "/r/x");
        EXPECT_EQ(m.focus()->path, "/r/x");
        EXPECT_TRUE(m.filter().isEmpty());
        EXPECT_EQ(m.activeQuickWin(), std::nullopt);
        EXPECT_EQ(m.navigation().current, "/r/x");
        EXPECT_EQ(m.navigation().back, (std::vector<std::string>{"/r"}));
    }
    EXPECT_EQ(m.displayedFolderPath(), "/r/x");
    EXPECT_EQ(&m.displayedNavigation(), &m.navigation());
    EXPECT_EQ(pathsOf(m.breadcrumbs()), (std::vector<std::string>{"/r", "/r/x"}));
    EXPECT_EQ(pathsOf(m.navigationBreadcrumbs()), (std::vector<std::string>{"/r", "/r/x"}));
    EXPECT_TRUE(m.canGoUp());
}

TEST_F(FinishedNavigationTest, BackForwardAndUpMoveThroughTheHistory) {
    AppModel& m = scanned();
    m.focus(*m.scan()->nodes.node("/r/x"));
    m.focus(*m.scan()->nodes.node("/r/x/y"));
    m.setSelection("/r/x/y/f.txt");
    m.setFilter("f");

    m.goBack();
    EXPECT_EQ(m.focusPath(), "/r/x");
    EXPECT_EQ(m.selection(), std::nullopt);
    EXPECT_TRUE(m.filter().isEmpty());
    m.goBack();
    EXPECT_EQ(m.focusPath(), "/r");
    const FolderNavigationHistory atStart = m.navigation();
    m.goBack(); // nothing further back
    EXPECT_EQ(m.navigation(), atStart);
    EXPECT_EQ(m.focusPath(), "/r");
    m.goForward();
    m.goForward();
    EXPECT_EQ(m.focusPath(), "/r/x/y");
    const FolderNavigationHistory atEnd = m.navigation();
    m.goForward();
    EXPECT_EQ(m.navigation(), atEnd);

    m.goUp();
    EXPECT_EQ(m.focusPath(), "/r/x");
    EXPECT_EQ(m.selection(), "/r/x");
    EXPECT_EQ(m.navigation().back.back(), "/r/x/y");
    m.goUp();
    EXPECT_EQ(m.focusPath(), "/r");
    EXPECT_FALSE(m.canGoUp());
    const FolderNavigationHistory atRoot = m.navigation();
    m.goUp();
    EXPECT_EQ(m.focusPath(), "/r");
    EXPECT_EQ(m.navigation(), atRoot);
}

TEST_F(FinishedNavigationTest, AMissingFocusPathFallsBackToTheRoot) {
    AppModel& m = scanned();
    m.setFocusPath("/r/gone");
    EXPECT_EQ(m.focusPath(), "/r/gone");
    EXPECT_EQ(m.focus()->path, "/r");
    EXPECT_EQ(pathsOf(m.breadcrumbs()), (std::vector<std::string>{"/r"}));
    EXPECT_FALSE(m.canGoUp());
    m.setSelection("/r/gone");
    EXPECT_EQ(m.selected(), std::nullopt);
}

TEST_F(FinishedNavigationTest, BrowseLocationOpensAFolderOfTheScanOrLeavesANotice) {
    AppModel& m = makeModel();
    m.setSection(AppSection::cleanup);
    m.setActiveQuickWin(QuickWinKind::downloads);
    m.browseLocation("/r/x");
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_EQ(m.activeQuickWin(), std::nullopt);
    EXPECT_EQ(m.notice(), "Choose Scan Full Mac to load your folders.");

    results["/r"] = test::sampleScan();
    m.startScan("/r", false);
    runScan();
    m.browseLocation("/r/x/");
    EXPECT_EQ(m.focusPath(), "/r/x");
    m.setNotice(std::nullopt);
    m.browseLocation("/r/a.txt");
    EXPECT_EQ(m.notice(), kNotInScan);
    EXPECT_EQ(m.focusPath(), "/r/x");
    m.browseLocation("/elsewhere");
    EXPECT_EQ(m.focusPath(), "/r/x");

    // A folder opened after one that could not be: the old notice no longer says what is shown.
    m.browseLocation("/r/z");
    EXPECT_EQ(m.focusPath(), "/r/z");
    EXPECT_EQ(m.notice(), std::nullopt);
    // Other notices stay until they are replaced or dismissed.
    m.setNotice(QStringLiteral("Path copied."));
    m.browseLocation("/r/x");
    EXPECT_EQ(m.notice(), QStringLiteral("Path copied."));
}

TEST_F(FinishedNavigationTest, CopyPathAndQuickLookHandTheNodeToTheDesktop) {
    AppModel& m = scanned();
    m.copyPath(*m.scan()->nodes.node("/r/x/g.png"));
    EXPECT_EQ(platform->copied, (std::vector<QString>{"/r/x/g.png"}));
    EXPECT_EQ(m.notice(), "Path copied.");
    m.quickLook(*m.scan()->nodes.node("/r/x/g.png"));
    m.quickLook(*m.scan()->nodes.node("/r/z"));
    EXPECT_EQ(platform->previewed, (std::vector<std::string>{"/r/x/g.png", "/r/z"}));
}

// ---- The running scan ----

class LiveNavigationTest : public ScanFixture {};

TEST_F(LiveNavigationTest, ATargetMustBeTheRootOrLieBelowIt) {
    struct Case {
        std::string root;
        std::string target;
        std::optional<std::string> accepted; // the form used, or nothing for the notice
    };
    const std::string data(ScanPaths::dataRoot);
    const std::vector<Case> cases{
        {"/a/b", "/a/b", "/a/b"},
        {"/a/b", "/a/b/c", "/a/b/c"},
        {"/a/b", "/a/bc", std::nullopt},
        {"/a/b", "/a", std::nullopt},
        {"/a/b", data + "/a/b/c", "/a/b/c"},
        {"/tmp/s", "/private/tmp/s/c", "/tmp/s/c"},
        {"/private/tmp/s", "/tmp/s/c", "/private/tmp/s/c"},
        {"/", "/anything/at/all", "/anything/at/all"},
        {"/", "/", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root + " " + c.target);
        AppModel& m = makeModel();
        m.startScan(c.root, false);
        m.setFilter("x");
        m.navigateLive(c.target, true);
        if (c.accepted) {
            EXPECT_EQ(m.liveFocusPath(), c.accepted);
            EXPECT_EQ(m.scanNavigation()->requestedPath(), c.accepted);
            EXPECT_EQ(m.liveNavigation().current, c.accepted);
            EXPECT_TRUE(m.filter().isEmpty());
            EXPECT_EQ(m.notice(), std::nullopt);
        } else {
            EXPECT_EQ(m.notice(), kOutside);
            EXPECT_EQ(m.liveFocusPath(), std::nullopt);
            EXPECT_EQ(m.scanNavigation()->requestedPath(), std::nullopt);
            EXPECT_EQ(m.filter(), "x");
        }
    }
}

TEST_F(LiveNavigationTest, FocusBackForwardAndUpSteerTheLivePreview) {
    AppModel& m = makeModel();
    m.setSelection("/kept");
    m.startScan("/r", false);
    EXPECT_EQ(m.displayedFolderPath(), "/r");
    EXPECT_FALSE(m.canGoUp());
    EXPECT_EQ(&m.displayedNavigation(), &m.liveNavigation());

    m.focus(folderNode("/r/x"));
    m.browseLocation("/r/x/y");
    EXPECT_EQ(m.liveFocusPath(), "/r/x/y");
    EXPECT_EQ(m.selection(), "/kept");
    EXPECT_EQ(m.liveNavigation().back, (std::vector<std::string>{"/r", "/r/x"}));

    // A file or a link is not a place to go.
    DiskNode file;
    file.path = "/r/x/f";
    m.focus(file);
    DiskNode link = folderNode("/r/link");
    link.isSymbolicLink = true;
    m.focus(link);
    EXPECT_EQ(m.liveFocusPath(), "/r/x/y");

    const FolderNavigationHistory before = m.liveNavigation();
    m.goBack();
    EXPECT_EQ(m.liveFocusPath(), "/r/x");
    m.goForward();
    EXPECT_EQ(m.liveFocusPath(), "/r/x/y");
    EXPECT_EQ(m.liveNavigation(), before);
    EXPECT_EQ(m.scanNavigation()->requestedPath(), "/r/x/y");

    m.goUp();
    EXPECT_EQ(m.liveFocusPath(), "/r/x");
    m.goUp();
    EXPECT_EQ(m.liveFocusPath(), "/r");
    EXPECT_FALSE(m.canGoUp());
    const FolderNavigationHistory atRoot = m.liveNavigation();
    m.goUp();
    EXPECT_EQ(m.liveNavigation(), atRoot);
    EXPECT_EQ(m.liveFocusPath(), "/r");
}

TEST_F(LiveNavigationTest, TheScannersCanonicalRootIsAdoptedAndTheLiveHistoryFollowsIt) {
    struct Case {
        std::string canonical;
        std::vector<std::string> back;
        std::optional<std::string> focus;
    };
    // "/tmp/s" has a twin form under "/private"; "/real/s" (a link resolved) has no form of the old paths.
    const std::vector<Case> cases{
        {"/private/tmp/s", {"/private/tmp/s", "/private/tmp/s/x"}, "/private/tmp/s/x/y"},
        {"/real/s", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.canonical);
        script = [&](const std::string&, const CancellationFlag&, const ScanNavigation*,
                     const DiskScanner::ProgressCallback& report) -> ScanResult {
            report(browsingProgress(c.canonical, c.canonical));
            runner->deliver();
            EXPECT_EQ(model->scanRootPath(), c.canonical);
            EXPECT_EQ(model->liveNavigation().back, c.back);
            EXPECT_EQ(model->liveNavigation().current, c.focus);
            EXPECT_EQ(model->liveFocusPath(), c.focus);
            throw CancellationError();
        };
        AppModel& m = makeModel();
        m.startScan("/tmp/s", false);
        m.navigateLive("/tmp/s/x", true);
        m.navigateLive("/tmp/s/x/y", true);
        runScan();
    }
}

TEST_F(LiveNavigationTest, TheLiveFocusTakesTheScannersFormOfItsPath) {
    script = [&](const std::string& root, const CancellationFlag&, const ScanNavigation* navigation,
                 const DiskScanner::ProgressCallback& report) {
        EXPECT_EQ(navigation->requestedPath(), "/tmp/s/x");
        // The preview names the folder in another of its forms; the root is unchanged.
        ScanProgress progress = browsingProgress("/tmp/s", "/private/tmp/s/x");
        report(progress);
        runner->deliver();
        EXPECT_EQ(model->liveFocusPath(), "/private/tmp/s/x");
        EXPECT_EQ(model->scanRootPath(), "/tmp/s");
        EXPECT_EQ(pathsOf(model->navigationBreadcrumbs()),
                  (std::vector<std::string>{"/tmp/s", "/private/tmp/s/x"}));
        return resultFor(root);
    };
    AppModel& m = makeModel();
    m.startScan("/tmp/s", false);
    EXPECT_TRUE(m.navigationBreadcrumbs().empty());
    m.navigateLive("/tmp/s/x", true);
    runScan();
}

TEST_F(LiveNavigationTest, TheResultOpensOnTheBrowsedFolderWithItsLiveHistory) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    m.navigateLive("/r/x", true);
    m.navigateLive("/r/x/y", true);
    m.navigateLive("/r/z", true);
    m.goBack();
    EXPECT_EQ(m.liveFocusPath(), "/r/x/y");
    runScan();
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.focusPath(), "/r/x/y");
    EXPECT_EQ(m.navigation().current, "/r/x/y");
    EXPECT_EQ(m.navigation().back, (std::vector<std::string>{"/r", "/r/x"}));
    EXPECT_EQ(m.navigation().forward, (std::vector<std::string>{"/r/z"}));
    EXPECT_EQ(&m.displayedNavigation(), &m.navigation());
}

TEST_F(LiveNavigationTest, WhenTheBrowsedFolderIsGoneTheResultOpensOnTheRootAlone) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    m.navigateLive("/r/x", true);
    m.navigateLive("/r/gone", true);
    runScan();
    EXPECT_EQ(m.focusPath(), "/r");
    EXPECT_EQ(m.navigation().current, "/r");
    EXPECT_TRUE(m.navigation().back.empty());
    EXPECT_TRUE(m.navigation().forward.empty());
}

TEST_F(LiveNavigationTest, AfterTheScanTheLiveBranchDoesNothing) {
    AppModel& m = makeModel();
    m.navigateLive("/r/x", true);
    EXPECT_EQ(m.liveFocusPath(), std::nullopt);
    EXPECT_EQ(m.notice(), std::nullopt);
}

} // namespace
} // namespace ambertrove
