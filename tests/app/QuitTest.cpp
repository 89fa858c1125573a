// Quitting: the controller's destruction stops every job that may stop early before it waits for them, and
// a stopped job shows nothing and tells nothing.
#include "AppModelFixture.hpp"

#include "base/AmbertroveError.hpp"
#include "support/CaseName.hpp"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <thread>

namespace ambertrove {
namespace {

using namespace std::chrono_literals;
using test::AppModelFixture;

// How long a test waits for something that should come at once: long enough to fail rather than hang.
constexpr auto kGiveUp = 30s;

// Stands for work that runs until it is stopped, such as a listing that hangs or a huge saved scan: it
// says it has begun, then looks at its cancellation every millisecond until that is cancelled, and throws
// CancellationError as the core's work does. It gives up after kGiveUp, so that a quit that does not stop
// it fails the test instead of hanging it.
class StuckWork {
public:
    StuckWork()
        : m_begunFuture(m_begun.get_future()) {}

    // On a worker; any number of runs (a comparison of two saved scans loads both at once).
    void run(const TaskCancellation& cancellation) {
        if (!m_begunOnce.exchange(true))
            m_begun.set_value();
        const auto giveUp = std::chrono::steady_clock::now() + kGiveUp;
        while (!cancellation.isCancelled() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(1ms);
        if (!cancellation.isCancelled()) {
            ++m_neverStopped;
            throw std::runtime_error("The work was never stopped.");
        }
        ++m_stopped;
        throw CancellationError();
    }

    // Handles the GUI thread's events (a query's pause, a file choice) until the work has begun.
    bool waitUntilBegun() {
        const auto giveUp = std::chrono::steady_clock::now() + kGiveUp;
        while (m_begunFuture.wait_for(1ms) != std::future_status::ready) {
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
            QCoreApplication::processEvents();
        }
        return true;
    }

    [[nodiscard]] int stopped() const { return m_stopped; }
    [[nodiscard]] int neverStopped() const { return m_neverStopped; }

private:
    std::promise<void> m_begun;
    std::future<void> m_begunFuture;
    std::atomic<bool> m_begunOnce{false};
    std::atomic<int> m_stopped{0};
    std::atomic<int> m_neverStopped{0};
};

// Answers every file choice with one path at once.
class SaveFilePlatform final : public PlatformServices {
public:
    explicit SaveFilePlatform(std::string path)
        : m_path(std::move(path)) {}
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(m_path); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}

private:
    std::string m_path;
};

// A scan of one folder, for the jobs that need a scan, shown or saved.
ScanResult oneFolder() {
    ScanResult scan;
    scan.rootPath = "/r";
    NodeData folder;
    folder.isDirectory = true;
    scan.nodes.setNode(scan.nodes.ensurePath("/r"), folder, false);
    scan.nodes.finish();
    return scan;
}

ScanResultPtr shownScan() {
    return std::make_shared<const ScanResult>(oneFolder());
}

TaskCancellation polling(const CancellationFlag& flag) {
    return TaskCancellation([&flag] { return flag.isCancelled(); });
}

// One kind of job: how its service is replaced by stuck work, and how the job is started.
struct QuitCase {
    const char* name;
    // Whether the controller starts its monitor.
    bool monitor;
    std::function<void(Services&, const std::shared_ptr<StuckWork>&)> stick;
    std::function<void(AppModel&)> start;
};

void PrintTo(const QuitCase& c, std::ostream* out) {
    *out << c.name;
}

class RunningControllerTest : public AppModelFixture {
protected:
    RunningControllerTest() { timing.queryPause = 0ms; }

    // The controller as the program makes it: jobs on threads of their own.
    AppModel& makeRunning(bool monitor) {
        AppEnvironment env = environment(monitor);
        env.runner.reset();
        runner = nullptr;
        env.platform = std::make_shared<SaveFilePlatform>(folder / "export");
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }
};

class QuitTest : public RunningControllerTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(QuitTest, QuittingStopsTheRunningJobBeforeWaitingForIt) {
    const QuitCase& c = GetParam();
    auto work = std::make_shared<StuckWork>();
    c.stick(services, work);
    AppModel& m = makeRunning(c.monitor);
    if (c.start)
        c.start(m);
    ASSERT_TRUE(work->waitUntilBegun());
    model.reset();
    EXPECT_GE(work->stopped(), 1);
    EXPECT_EQ(work->neverStopped(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, QuitTest,
    ::testing::Values(
        QuitCase{"MonitorReading",
                 true,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.sampler = [work] {
                         return Services::SampleReader([work](const TaskCancellation& cancellation) {
                             work->run(cancellation);
                             return MonitorSample();
                         });
                     };
                 },
                 {}},
        QuitCase{"SavedScanOpening", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.loadSnapshot = [work](const SnapshotStore&, const SnapshotRecord&,
                                             const TaskCancellation& cancellation) -> ScanResult {
                         work->run(cancellation);
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.openSnapshot(SnapshotRecord());
                 }},
        QuitCase{"SavedScanPresentation", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.loadSnapshot = [](const SnapshotStore&, const SnapshotRecord&,
                                         const TaskCancellation&) {
                         return oneFolder();
                     };
                     s.presentation = [work](const ScanResult&,
                                             const TaskCancellation& cancellation) -> ScanPresentation {
                         work->run(cancellation);
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.openSnapshot(SnapshotRecord());
                 }},
        QuitCase{"ComparisonWithTheShownScan", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.loadSnapshot = [](const SnapshotStore&, const SnapshotRecord&,
                                         const TaskCancellation&) {
                         return oneFolder();
                     };
                     s.compareSnapshots = [work](const ScanResult&, const ScanResult&, bool,
                                                 const TaskCancellation& cancellation) {
                         work->run(cancellation);
                         return std::vector<SnapshotChange>();
                     };
                 },
                 [](AppModel& m) {
                     m.setScan(shownScan());
                     m.compareSnapshot(SnapshotRecord());
                 }},
        QuitCase{"TwoSavedScansLoading", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.loadSnapshot = [work](const SnapshotStore&, const SnapshotRecord&,
                                             const TaskCancellation& cancellation) -> ScanResult {
                         work->run(cancellation);
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.compareSavedSnapshots(SnapshotRecord());
                     m.compareSavedSnapshots(SnapshotRecord());
                 }},
        QuitCase{"JsonExport", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.exportScan = [work](const ScanResult&, const std::string&,
                                           const TaskCancellation& cancellation) {
                         work->run(cancellation);
                     };
                 },
                 [](AppModel& m) {
                     m.setScan(shownScan());
                     m.exportScan();
                 }},
        QuitCase{"CsvExport", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.exportCSV = [work](std::span<const std::string>, const ScanResult&, const std::string&,
                                          const TaskCancellation& cancellation) {
                         work->run(cancellation);
                     };
                 },
                 [](AppModel& m) {
                     m.setScan(shownScan());
                     m.exportCSV({"/r"});
                 }},
        QuitCase{"TimeMachineListing", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.timeMachineSnapshots = [work](const std::string&,
                                                     const TaskCancellation& cancellation) {
                         work->run(cancellation);
                         return std::vector<std::string>();
                     };
                 },
                 [](AppModel& m) {
                     m.refreshTimeMachine();
                 }},
        QuitCase{"Scan", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.scan = [work](const std::string&, const CancellationFlag& flag, const ScanNavigation*,
                                     const DiskScanner::ProgressCallback&) -> ScanResult {
                         work->run(polling(flag));
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.startScan("/r", false);
                 }},
        QuitCase{"DuplicateSearch", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.duplicates = [work](const ScanResult&, std::int64_t, const std::optional<std::string>&,
                                           const CancellationFlag& flag,
                                           const DuplicateFinder::DetailProgress&) -> DuplicateReport {
                         work->run(polling(flag));
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.setScan(shownScan());
                     m.findDuplicates();
                 }},
        QuitCase{"ApplicationsInventory", false,
                 [](Services& s, const std::shared_ptr<StuckWork>& work) {
                     s.home = [] {
                         return std::string("/home/nobody");
                     };
                     s.applications =
                         [work](const std::string&, const CancellationFlag& flag,
                                const ApplicationInventory::ProgressCallback&) -> ApplicationReport {
                         work->run(polling(flag));
                         return {};
                     };
                 },
                 [](AppModel& m) {
                     m.inspectApplications();
                 }}),
    test::caseName<QuitCase>);

// A query whose view never stops it (it let the request run on, or outlives the window): the controller
// stops it as it goes.
TEST_F(RunningControllerTest, QuittingStopsAViewQueryThatItsViewNeverStops) {
    auto work = std::make_shared<StuckWork>();
    AppModel& m = makeRunning(false);
    std::stop_source neverStopped;
    bool done = false;
    bool failed = false;
    m.backgroundQuery<int>(
        neverStopped.get_token(),
        [work](const TaskCancellation& cancellation) {
            work->run(cancellation);
            return 0;
        },
        [&](int) { done = true; }, [&](std::exception_ptr) { failed = true; });
    ASSERT_TRUE(work->waitUntilBegun());
    model.reset();
    EXPECT_EQ(work->stopped(), 1);
    EXPECT_EQ(work->neverStopped(), 0);
    // What the stopped query returned is dropped with the controller.
    QCoreApplication::processEvents();
    EXPECT_FALSE(done);
    EXPECT_FALSE(failed);
}

// A scan start takes the saved-scan slot back: a saved scan still opening, or a comparison still running,
// is stopped, and what it returns shows nothing and tells nothing.
struct TakenBackCase {
    const char* name;
    std::function<void(AppModel&)> start;
};

void PrintTo(const TakenBackCase& c, std::ostream* out) {
    *out << c.name;
}

class SavedScanTakenBackTest : public AppModelFixture, public ::testing::WithParamInterface<TakenBackCase> {};

TEST_P(SavedScanTakenBackTest, AScanStartStopsTheSavedScanJobAndNothingOfItIsShown) {
    std::vector<bool> cancelledWhenLoading;
    services.loadSnapshot = [&](const SnapshotStore&, const SnapshotRecord&,
                                const TaskCancellation& cancellation) -> ScanResult {
        cancelledWhenLoading.push_back(cancellation.isCancelled());
        cancellation.check();
        return oneFolder();
    };
    services.scan = [](const std::string&, const CancellationFlag&, const ScanNavigation*,
                       const DiskScanner::ProgressCallback&) -> ScanResult {
        throw CancellationError();
    };
    AppModel& m = make();
    GetParam().start(m);
    ASSERT_TRUE(m.snapshotBusy());
    const ScanResultPtr before = m.scan();
    m.startScan("/elsewhere", false);
    EXPECT_FALSE(m.snapshotBusy());
    // The saved-scan job first, then the scan.
    ASSERT_EQ(runner->pending(), 2u);
    runner->run(0);
    EXPECT_EQ(cancelledWhenLoading, std::vector<bool>{true});
    EXPECT_EQ(m.scan(), before);
    EXPECT_TRUE(m.changes().empty());
    EXPECT_EQ(m.comparisonTitle(), std::nullopt);
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_FALSE(m.snapshotBusy());
}

INSTANTIATE_TEST_SUITE_P(Jobs, SavedScanTakenBackTest,
                         ::testing::Values(TakenBackCase{"Opening",
                                                         [](AppModel& m) {
                                                             m.openSnapshot(SnapshotRecord());
                                                         }},
                                           TakenBackCase{"Comparing",
                                                         [](AppModel& m) {
                                                             m.setScan(shownScan());
                                                             m.compareSnapshot(SnapshotRecord());
                                                         }}),
                         test::caseName<TakenBackCase>);

} // namespace
} // namespace ambertrove
