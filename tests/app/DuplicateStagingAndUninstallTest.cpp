#include "QueueFixture.hpp"

#include "controller/CleanupRequest.hpp"
#include "controller/StateFiles.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

class DuplicateStagingAndUninstallTest : public test::QueueFixture {
protected:
    DuplicateStagingAndUninstallTest() {
        folder.makeFile("home/tree/a/one.txt", "same a");
        folder.makeFile("home/tree/a/two.txt", "same a");
        folder.makeFile("home/tree/a/three.txt", "same a");
        folder.makeFile("home/tree/b/one.bin", "same b");
        folder.makeFile("home/tree/b/two.bin", "same b");
        folder.makeFile("home/Applications/Editor.app/main", "program");
        folder.makeFile("home/Applications/Editor.app/kept.txt", "same c");
        folder.makeFile("home/tree/c.txt", "same c");
    }

    AppModel& show() {
        AppModel& m = make();
        m.setScan(scanOf("tree"));
        return m;
    }

    [[nodiscard]] DuplicateGroup group(const std::string& id, const std::vector<std::string>& files) const {
        DuplicateGroup g;
        g.id = id;
        g.files = nodes(files);
        return g;
    }

    [[nodiscard]] std::string statePath(std::string_view name) const {
        return stateDirectory() + "/" + std::string(name);
    }
};

TEST_F(DuplicateStagingAndUninstallTest, AllGroupsAreStagedInOneChangeSavedOnceAndAnnouncedTogether) {
    AppModel& m = show();
    auto report = std::make_shared<DuplicateReport>();
    report->groups = {group("A", {"tree/a/one.txt", "tree/a/two.txt", "tree/a/three.txt"}),
                      DuplicateGroup{"empty", {}}, group("B", {"tree/b/one.bin", "tree/b/two.bin"})};
    m.setDuplicateReport(report);
    m.setDuplicateKeepers({{"A", inHome("tree/a/two.txt")}}); // B keeps its first file
    // Every save fails here, so each one leaves a line: one line is one save.
    folder.makeFile("state", "a file where the folder should be");

    std::vector<std::size_t> queueSizes;
    QObject::connect(&m, &AppModel::cleanupChanged, [&] {
        if (queueSizes.empty() || queueSizes.back() != m.queue().size())
            queueSizes.push_back(m.queue().size());
    });
    QSignalSpy toasts(&m, &AppModel::toastChanged);
    m.stageAllDuplicates();

    // Normalized: shortest path first.
    EXPECT_EQ(queued(), (std::vector<std::string>{"tree/a/one.txt", "tree/b/two.bin", "tree/a/three.txt"}));
    EXPECT_EQ(queueSizes, std::vector<std::size_t>{3});
    EXPECT_EQ(toasts.count(), 1);
    ASSERT_TRUE(m.toast());
    EXPECT_EQ(m.toast()->title, "Added to Cleanup");
    EXPECT_EQ(m.toast()->detail, "3 items");
    settle();
    ASSERT_TRUE(m.error());
    EXPECT_EQ(m.error()->count("Could not save cleanup state"), 1) << m.error()->toStdString();
    const std::map<std::string, FileIdentity> keptA{
        {inHome("tree/a/two.txt"), node("tree/a/two.txt").identity}};
    const std::map<std::string, FileIdentity> keptB{
        {inHome("tree/b/one.bin"), node("tree/b/one.bin").identity}};
    EXPECT_EQ(m.queue()[0].retainedCopies, keptA);
    EXPECT_EQ(m.queue()[0].reason, "Duplicate · keeping two.txt");
    EXPECT_EQ(m.queue()[2].retainedCopies, keptA);
    EXPECT_EQ(m.queue()[1].retainedCopies, keptB);
    EXPECT_EQ(m.queue()[1].reason, "Duplicate · keeping one.bin");
}

TEST_F(DuplicateStagingAndUninstallTest, WithoutAReportOrWhileStagingIsRefusedNothingHappens) {
    AppModel& m = show();
    m.stageAllDuplicates();
    EXPECT_TRUE(m.queue().empty());
    EXPECT_FALSE(std::filesystem::exists(statePath(StateFiles::kQueueFile)));

    auto report = std::make_shared<DuplicateReport>();
    report->groups = {group("B", {"tree/b/one.bin", "tree/b/two.bin"})};
    m.setDuplicateReport(report);
    m.setIsHistorical(true);
    m.stageAllDuplicates();
    EXPECT_TRUE(m.queue().empty());
    EXPECT_EQ(m.toast(), std::nullopt);
}

TEST_F(DuplicateStagingAndUninstallTest, AGroupThatFailsStagesNothingOfItsOwnAndTheOthersAreStaged) {
    folder.makeSymlink("home/tree/a/link.txt", "one.txt");
    AppModel& m = show();
    auto report = std::make_shared<DuplicateReport>();
    report->groups = {group("A", {"tree/a/one.txt", "tree/a/link.txt", "tree/a/two.txt"}),
                      group("B", {"tree/b/one.bin", "tree/b/two.bin"})};
    m.setDuplicateReport(report);
    m.stageAllDuplicates();
    EXPECT_EQ(queued(), std::vector<std::string>{"tree/b/two.bin"});
    EXPECT_EQ(m.error(), "Symbolic links and paths through symbolic links cannot be staged.");
    ASSERT_TRUE(m.toast());
    EXPECT_EQ(m.toast()->detail, "1 item");
}

TEST_F(DuplicateStagingAndUninstallTest, AnUninstallReviewCarriesTheCopiesTheQueueKeeps) {
    const CancellationFlag flag;
    InstalledApplication app;
    app.path = inHome("Applications/Editor.app");
    app.name = "Editor";
    app.bundleScan = std::make_shared<const ScanResult>(DiskScanner().scan(app.path, flag));

    AppModel& m = show();
    // A queued duplicate entry keeps the copy inside the application's folder.
    const std::string kept = inHome("Applications/Editor.app/kept.txt");
    FileIdentity keptIdentity = app.bundleScan->nodes.node(kept)->identity;
    FileIdentity other;
    other.inode = 4242;
    CleanupEntry copyEntry =
        CleanupEntry(node("tree/c.txt"), *m.scan(), "Duplicate · keeping kept.txt", services.policy());
    copyEntry.retainedCopies = {{kept, keptIdentity}};
    CleanupEntry second = copyEntry;
    second.node.path = inHome("tree/elsewhere");
    second.retainedCopies = {{kept, other}};
    m.setQueue({copyEntry, second});

    m.uninstall(app);
    EXPECT_TRUE(m.cleaning());
    runner->run();
    ASSERT_NE(m.cleanupRequest(), nullptr);
    const CleanupRequest& request = *m.cleanupRequest();
    EXPECT_EQ(request.uninstallName, "Editor");
    ASSERT_EQ(request.entries.size(), 1u);
    EXPECT_EQ(request.entries[0].node.path, app.path);
    EXPECT_EQ(request.entries[0].reason, "Uninstall Editor");
    EXPECT_EQ(request.entries[0].retainedCopies, (std::map<std::string, FileIdentity>{{kept, keptIdentity}}));
    EXPECT_EQ(m.queue().size(), 2u);
}

TEST_F(DuplicateStagingAndUninstallTest, AnUninstallWaitsForCleanupAndStagingAndReportsAnUnmeasuredBundle) {
    InstalledApplication app;
    app.path = inHome("Applications/Editor.app");
    app.name = "Editor";
    AppModel& m = show();
    m.uninstall(app);
    ASSERT_TRUE(m.error());
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_FALSE(m.cleaning());

    m.setError(std::nullopt);
    for (bool cleaning : {true, false}) {
        m.setCleaning(cleaning);
        m.setStaging(!cleaning);
        m.uninstall(app);
        EXPECT_EQ(m.error(), std::nullopt);
        EXPECT_EQ(runner->startedCount(), 0u);
    }
}

TEST_F(DuplicateStagingAndUninstallTest, ANewScanStopsTheSearchAndItsLateReportIsDropped) {
    services.duplicates = [](const ScanResult&, std::int64_t, const std::optional<std::string>&,
                             const CancellationFlag&, const DuplicateFinder::DetailProgress& progress) {
        progress(DuplicateProgress{DuplicateProgress::Phase::complete, 0, 0, {}, 0, 0});
        DuplicateReport report;
        report.checked = 7;
        return report;
    };
    AppModel& m = show();
    m.findDuplicates();
    const auto flag = m.duplicateCancellation();
    ASSERT_TRUE(m.findingDuplicates());
    m.startScan(home, false);
    EXPECT_TRUE(flag->isCancelled());
    EXPECT_FALSE(m.findingDuplicates());
    ASSERT_GE(runner->pending(), 2u);
    runner->run(0); // the search's late report
    EXPECT_EQ(m.duplicateReport(), nullptr);
    EXPECT_EQ(m.duplicateWork(), std::nullopt);
    EXPECT_FALSE(m.findingDuplicates());
}

} // namespace
} // namespace ambertrove
