#include "AppModelFixture.hpp"

#include "base/AmbertroveError.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::AppModelFixture;

DuplicateProgress progressReport(DuplicateProgress::Phase phase, std::int64_t checked = 0,
                                 std::int64_t total = 0, std::string fileName = {},
                                 std::int64_t bytesRead = 0, std::int64_t fileSize = 0) {
    return DuplicateProgress{phase, checked, total, std::move(fileName), bytesRead, fileSize};
}

ScanResultPtr scanOf(const std::string& root) {
    test::ModelFixture f(root);
    f.file(root == "/" ? "/big.bin" : root + "/big.bin", 5'000'000, 5'001'216);
    return std::make_shared<const ScanResult>(f.finish());
}

// What the fake finder was asked, and the means to answer or report progress later.
struct FinderCall {
    std::int64_t minimumSize = -1;
    std::optional<std::string> scope;
    std::string scanRoot;
    const CancellationFlag* flag = nullptr;
};

class DuplicateJobsTest : public AppModelFixture {
protected:
    DuplicateJobsTest() {
        services.duplicates = [this](const ScanResult& scan, std::int64_t minimumSize,
                                     const std::optional<std::string>& scope, const CancellationFlag& flag,
                                     const DuplicateFinder::DetailProgress& progress) {
            calls.push_back(FinderCall{minimumSize, scope, scan.rootPath, &flag});
            lastProgress = progress;
            for (const DuplicateProgress& p : reports)
                progress(p);
            if (failure)
                failure();
            return report;
        };
        services.applications = [this](const std::string& home, const CancellationFlag&,
                                       const ApplicationInventory::ProgressCallback& progress) {
            homes.push_back(home);
            appProgress = progress;
            for (const auto& [name, count] : appReports)
                progress(name, count);
            if (failure)
                failure();
            return appReport;
        };
        services.home = [] {
            return std::string("/home/tester");
        };
        report.groups.push_back(DuplicateGroup{"ab", {}});
        appReport.issues.push_back("Old: gone");
    }

    std::vector<FinderCall> calls;
    DuplicateFinder::DetailProgress lastProgress;
    std::vector<DuplicateProgress> reports;
    std::function<void()> failure;
    DuplicateReport report;

    std::vector<std::string> homes;
    ApplicationInventory::ProgressCallback appProgress;
    std::vector<std::pair<std::string, int>> appReports;
    ApplicationReport appReport;
};

// ---- The gates of a search ----

struct GateCase {
    const char* name;
    bool finding;
    bool cleaning;
    bool scanning;
    bool snapshotBusy;
    bool hasScan;
    std::optional<std::string> scope;
    std::optional<QString> notice;
    bool afterScan;
};

TEST_F(DuplicateJobsTest, EachGateRefusesWithItsNoticeOrSilently) {
    const QString waitScan = "Wait for the scan to finish before choosing a comparison folder.";
    const std::vector<GateCase> cases{
        {"search running", true, false, false, false, true, std::nullopt, std::nullopt, false},
        {"cleanup running", false, true, false, false, true, std::nullopt, std::nullopt, false},
        {"cleanup running during a scan", false, true, true, false, true, std::nullopt, std::nullopt, false},
        {"scan running, whole scan", false, false, true, false, true, std::nullopt, std::nullopt, true},
        {"scan running, a folder", false, false, true, false, true, "/data/sub", waitScan, false},
        {"saved scan loading", false, false, false, true, true, std::nullopt,
         "Wait for the snapshot to finish loading.", false},
        {"no scan", false, false, false, false, false, std::nullopt,
         "Choose Scan Full Mac before finding duplicates.", false},
    };
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.name);
        AppModel& m = make();
        if (c.hasScan)
            m.setScan(scanOf("/data"));
        m.setFindingDuplicates(c.finding);
        m.setCleaning(c.cleaning);
        m.setScanning(c.scanning);
        m.setSnapshotBusy(c.snapshotBusy);
        m.setDuplicateProgress("before");
        m.findDuplicates(c.scope);
        EXPECT_EQ(runner->startedCount(), 0u);
        EXPECT_EQ(m.notice(), c.notice);
        EXPECT_EQ(m.duplicateAfterScan(), c.afterScan);
        EXPECT_EQ(m.duplicateProgress(), "before");
        EXPECT_EQ(m.findingDuplicates(), c.finding);
    }
}

TEST_F(DuplicateJobsTest, AStartPublishesItsStateAndTheFinderGetsTheScopeUnchangedAndDecimalMegabytes) {
    struct Case {
        std::optional<std::string> scope;
        int megabytes;
        std::string shownScope;
        std::int64_t minimumSize;
    };
    const std::vector<Case> cases{{std::nullopt, 1, "/data", 1'000'000},
                                  {"/data/sub", 250, "/data/sub", 250'000'000},
                                  {std::nullopt, 5000, "/data", 5'000'000'000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shownScope + " " + std::to_string(c.megabytes));
        calls.clear();
        AppModel& m = make();
        m.setScan(scanOf("/data"));
        m.setDuplicateMinimumMB(c.megabytes);
        m.setDuplicateKeepers({{"g", "/data/big.bin"}});
        m.setDuplicateReport(std::make_shared<const DuplicateReport>());
        m.setDuplicateWork(progressReport(DuplicateProgress::Phase::complete));
        m.setNotice("old");
        const auto formerFlag = m.duplicateCancellation();

        m.findDuplicates(c.scope);
        EXPECT_EQ(m.duplicateScopePath(), c.shownScope);
        EXPECT_NE(m.duplicateCancellation(), formerFlag);
        EXPECT_TRUE(m.duplicateKeepers().empty());
        EXPECT_TRUE(m.findingDuplicates());
        EXPECT_EQ(m.duplicateProgress(), "Grouping files by size…");
        EXPECT_EQ(m.duplicateReport(), nullptr);
        EXPECT_EQ(m.duplicateWork(), std::nullopt);
        EXPECT_EQ(m.notice(), std::nullopt);
        ASSERT_EQ(runner->pending(), 1u);
        EXPECT_EQ(runner->kind(0), JobKind::utility);

        runner->run();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].minimumSize, c.minimumSize);
        EXPECT_EQ(calls[0].scope, c.scope);
        EXPECT_EQ(calls[0].scanRoot, "/data");
        EXPECT_EQ(calls[0].flag, m.duplicateCancellation().get());
        ASSERT_NE(m.duplicateReport(), nullptr);
        EXPECT_EQ(m.duplicateReport()->groups.size(), 1u);
        EXPECT_FALSE(m.findingDuplicates());
    }
}

TEST_F(DuplicateJobsTest, EveryPhaseHasItsProgressTextAndTheLastOneStays) {
    using Phase = DuplicateProgress::Phase;
    struct Case {
        DuplicateProgress progress;
        QString text;
    };
    const std::vector<Case> cases{
        {progressReport(Phase::grouping), "Grouping files by size…"},
        {progressReport(Phase::sampling, 1234, 56789), "Checking samples · 1,234 of 56,789 candidates"},
        {progressReport(Phase::sampling, 3, 7), "Checking samples · 3 of 7 candidates"},
        {progressReport(Phase::hashing, 0, 0, "movie.mov", 1'500'000, 3'000'000),
         "Reading full contents · movie.mov · 1.5 MB / 3 MB"},
        {progressReport(Phase::verifying, 0, 0, "b.iso", 999, 2'000'000'000),
         "Verifying identical copies · b.iso · 999 bytes / 2 GB"},
        {progressReport(Phase::complete), "Comparison complete"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(AppModel::duplicateProgressText(c.progress), c.text);
    }

    // Through a search: each report is published with its text; the outcome keeps the last one.
    for (const Case& c : cases)
        reports.push_back(c.progress);
    AppModel& m = make();
    m.setScan(scanOf("/data"));
    QStringList seen;
    QObject::connect(&m, &AppModel::duplicatesChanged, [&] {
        if (!m.duplicateProgress().isEmpty() && (seen.isEmpty() || seen.back() != m.duplicateProgress()))
            seen.push_back(m.duplicateProgress());
    });
    m.findDuplicates();
    runner->run();
    QStringList expected;
    for (const Case& c : cases)
        if (expected.isEmpty() || expected.back() != c.text)
            expected.push_back(c.text);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(m.duplicateWork(), cases.back().progress);
    EXPECT_EQ(m.duplicateProgress(), "Comparison complete");
    EXPECT_FALSE(m.findingDuplicates());
}

TEST_F(DuplicateJobsTest, ProgressArrivingAfterTheOutcomeIsDropped) {
    AppModel& m = make();
    m.setScan(scanOf("/data"));
    m.findDuplicates();
    runner->run();
    ASSERT_FALSE(m.findingDuplicates());
    lastProgress(progressReport(DuplicateProgress::Phase::sampling, 1, 2));
    runner->deliver();
    EXPECT_EQ(m.duplicateWork(), std::nullopt);
    EXPECT_EQ(m.duplicateProgress(), "Grouping files by size…");
}

TEST_F(DuplicateJobsTest, CancellingDropsTheLateReportAndItsProgress) {
    reports.push_back(progressReport(DuplicateProgress::Phase::sampling, 5, 10));
    AppModel& m = make();
    m.setScan(scanOf("/data"));
    m.setDuplicateAfterScan(true);
    m.findDuplicates();
    const auto flag = m.duplicateCancellation();
    m.cancelDuplicates();
    EXPECT_TRUE(flag->isCancelled());
    EXPECT_FALSE(m.findingDuplicates());
    EXPECT_EQ(m.notice(), "Duplicate search cancelled.");
    // Left as they were.
    EXPECT_TRUE(m.duplicateAfterScan());
    EXPECT_EQ(m.duplicateScopePath(), "/data");
    EXPECT_EQ(m.duplicateProgress(), "Grouping files by size…");

    runner->run(); // the stopped finder still returns a report
    EXPECT_EQ(m.duplicateReport(), nullptr);
    EXPECT_EQ(m.duplicateWork(), std::nullopt);
    EXPECT_EQ(m.notice(), "Duplicate search cancelled.");
    EXPECT_FALSE(m.findingDuplicates());

    // A new search after the cancelled one runs normally.
    m.findDuplicates();
    runner->run();
    EXPECT_NE(m.duplicateReport(), nullptr);
}

TEST_F(DuplicateJobsTest, ASupersededSearchAppliesNothingWhileTheCurrentOneDoes) {
    AppModel& m = make();
    m.setScan(scanOf("/data"));
    m.findDuplicates();
    m.cancelDuplicates();
    m.findDuplicates("/data");
    ASSERT_EQ(runner->pending(), 2u);
    runner->run(1); // the current search finishes first
    ASSERT_NE(m.duplicateReport(), nullptr);
    const auto shown = m.duplicateReport();
    report.groups.clear();
    runner->run(0); // the stopped one comes late
    EXPECT_EQ(m.duplicateReport(), shown);
}

TEST_F(DuplicateJobsTest, FinderErrorsReachTheErrorAndACancellationEndsSilently) {
    struct Case {
        const char* name;
        std::function<void()> failure;
        std::optional<QString> error;
    };
    const std::vector<Case> cases{
        {"refusal", [] { throw AmbertroveError("The folder “x” is not part of this scan."); },
         "The folder “x” is not part of this scan."},
        {"cancellation", [] { throw CancellationError(); }, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        failure = c.failure;
        AppModel& m = make();
        m.setScan(scanOf("/data"));
        m.findDuplicates("/data/x");
        runner->run();
        EXPECT_FALSE(m.findingDuplicates());
        EXPECT_EQ(m.error(), c.error);
        EXPECT_EQ(m.duplicateReport(), nullptr);
    }
}

TEST_F(DuplicateJobsTest, EntireMacSearchesOnlyAWholeSystemScanOrWaitsForOne) {
    const QString chooseFirst = "Choose Scan Full Mac first — then compare the scanned files here.";
    const QString folderRunning = "A folder scan is running — Entire Mac needs a full-Mac result.";
    struct Case {
        const char* name;
        bool scanning;
        std::optional<std::string> shownRoot; // the finished scan's root
        std::string runningRoot;              // the running scan's root
        bool starts;
        bool afterScan;
        std::optional<QString> notice;
    };
    const std::vector<Case> cases{
        {"scan of /", false, "/", "", true, false, std::nullopt},
        {"scan of the data volume", false, "/System/Volumes/Data", "", true, false, std::nullopt},
        {"scan of the home folder", false, "/home/tester", "", false, false, chooseFirst},
        {"scan of a folder below /", false, "/usr", "", false, false, chooseFirst},
        {"no scan", false, std::nullopt, "", false, false, chooseFirst},
        {"running scan of /", true, std::nullopt, "/", false, true, std::nullopt},
        {"running scan of the data volume", true, "/home/tester", "/System/Volumes/Data", false, true,
         std::nullopt},
        {"running scan of a folder", true, "/", "/home/tester", false, false, folderRunning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls.clear();
        AppModel& m = make();
        if (c.shownRoot)
            m.setScan(scanOf(*c.shownRoot));
        m.setScanning(c.scanning);
        m.setScanRootPath(c.runningRoot);
        m.findDuplicatesOnMac();
        EXPECT_EQ(m.findingDuplicates(), c.starts);
        EXPECT_EQ(runner->pending(), c.starts ? 1u : 0u);
        EXPECT_EQ(m.duplicateAfterScan(), c.afterScan);
        EXPECT_EQ(m.notice(), c.notice);
        if (c.starts) {
            runner->run();
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].scope, std::nullopt);
            EXPECT_EQ(m.duplicateScopePath(), c.shownRoot);
        }
    }
    EXPECT_TRUE(AppModel::isFullSystemRoot("/"));
    EXPECT_FALSE(AppModel::isFullSystemRoot("//"));
    EXPECT_FALSE(AppModel::isFullSystemRoot("/System/Volumes/Data/"));
}

// ---- Applications ----

TEST_F(DuplicateJobsTest, AnInventoryPublishesPlainCountsAndItsReport) {
    appReports = {{"Editor", 9}, {"Big Suite", 1234}};
    AppModel& m = make();
    m.setSelectedApp("/Applications/Old.app");
    m.inspectApplications();
    EXPECT_TRUE(m.inspectingApps());
    EXPECT_EQ(m.appProgress(), "Discovering applications…");
    ASSERT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::utility);
    m.inspectApplications(); // already running
    EXPECT_EQ(runner->startedCount(), 1u);

    QStringList seen;
    QObject::connect(&m, &AppModel::applicationsChanged, [&] {
        if (seen.isEmpty() || seen.back() != m.appProgress())
            seen.push_back(m.appProgress());
    });
    runner->run();
    EXPECT_EQ(seen, QStringList({"Editor · 9 apps inspected", "Big Suite · 1234 apps inspected"}));
    EXPECT_EQ(homes, std::vector<std::string>{"/home/tester"});
    ASSERT_NE(m.appReport(), nullptr);
    EXPECT_EQ(m.appReport()->issues, std::vector<std::string>{"Old: gone"});
    EXPECT_EQ(m.selectedApp(), std::nullopt);
    EXPECT_FALSE(m.inspectingApps());
    EXPECT_EQ(m.appProgress(), "Big Suite · 1234 apps inspected");

    // Late progress is dropped once the inventory ended.
    appProgress("Late", 1);
    runner->deliver();
    EXPECT_EQ(m.appProgress(), "Big Suite · 1234 apps inspected");
}

TEST_F(DuplicateJobsTest, CancellingTheInventoryDropsWhatItStillReports) {
    appReports = {{"Editor", 1}};
    AppModel& m = make();
    const auto previous = std::make_shared<const ApplicationReport>();
    m.setAppReport(previous);
    m.inspectApplications();
    const auto flag = m.appCancellation();
    m.cancelApplications();
    EXPECT_TRUE(flag->isCancelled());
    EXPECT_FALSE(m.inspectingApps());
    EXPECT_EQ(m.appProgress(), "");
    EXPECT_EQ(m.notice(), std::nullopt);
    runner->run();
    EXPECT_EQ(m.appReport(), previous);
    EXPECT_EQ(m.appProgress(), "");
}

TEST_F(DuplicateJobsTest, InventoryErrorsReachTheErrorAndACancellationEndsSilently) {
    struct Case {
        const char* name;
        std::function<void()> failure;
        std::optional<QString> error;
    };
    const std::vector<Case> cases{
        {"failure", [] { throw AmbertroveError("The applications could not be listed."); },
         "The applications could not be listed."},
        {"cancellation", [] { throw CancellationError(); }, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        failure = c.failure;
        AppModel& m = make();
        m.inspectApplications();
        runner->run();
        EXPECT_FALSE(m.inspectingApps());
        EXPECT_EQ(m.error(), c.error);
        EXPECT_EQ(m.appReport(), nullptr);
    }
}

} // namespace
} // namespace ambertrove
