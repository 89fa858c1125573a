#include "AppModelFixture.hpp"

#include "controller/CleanupRequest.hpp"
#include "controller/StateFiles.hpp"
#include "support/ScopedVariable.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::AppModelFixture;

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Answers the backup-folder question with one folder.
class BackupFolderPlatform final : public PlatformServices {
public:
    explicit BackupFolderPlatform(std::string folder)
        : m_folder(std::move(folder)) {}
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override {
        ++asked;
        done(m_folder);
    }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}

    int asked = 0;

private:
    std::string m_folder;
};

// The real core on a temporary home: its own Trash, its own state folder, nothing of the user's.
class CleanupEndToEndTest : public AppModelFixture {
protected:
    CleanupEndToEndTest()
        : home(folder.makeDir("home"))
        , homeVariable("HOME", home)
        , dataVariable("XDG_DATA_HOME", home + "/.local/share")
        , trash(home + "/.local/share/Trash") {
        first = folder.makeFile("home/Downloads/installer.iso", std::string(5000, 'i'));
        second = folder.makeFile("home/Downloads/archive/old.zip", std::string(3000, 'z'));
        folder.makeFile("home/Downloads/keep.txt", "keep");
        backupParent = folder.makeDir("home/Backups");
        platform = std::make_shared<BackupFolderPlatform>(backupParent);
    }

    AppModel& makeModel(bool threads) {
        AppEnvironment env = environment();
        env.platform = platform;
        if (threads) {
            env.runner.reset();
            runner = nullptr;
        }
        model = std::make_unique<AppModel>(std::move(env));
        AppModel& m = *model;
        const CancellationFlag flag;
        scan = std::make_shared<const ScanResult>(DiskScanner().scan(home + "/Downloads", flag));
        m.setScan(scan);
        m.stage({*scan->nodes.node(first), *scan->nodes.node(second)}, nullptr, "Large file");
        return m;
    }

    // The state files once every write asked for has landed.
    StateFiles::Loaded saved() {
        settle();
        return StateFiles(stateDirectory(), clock).load();
    }

    std::string home;
    test::ScopedVariable homeVariable;
    test::ScopedVariable dataVariable;
    std::string trash;
    std::string first;
    std::string second;
    std::string backupParent;
    std::shared_ptr<BackupFolderPlatform> platform;
    ScanResultPtr scan;
};

TEST_F(CleanupEndToEndTest, StagedFilesGoToTheTrashWithReceiptsAndAVerifiedBackupAndOneComesBack) {
    AppModel& m = makeModel(false);
    ASSERT_EQ(m.queue().size(), 2u);
    ASSERT_TRUE(m.backupBeforeCleanup());

    m.requestCleanup();
    runner->run();
    ASSERT_NE(m.cleanupRequest(), nullptr);
    EXPECT_TRUE(m.cleanupRequest()->blocked.empty());
    ASSERT_EQ(m.cleanupRequest()->entries.size(), 2u);

    m.confirmTrash(*m.cleanupRequest());
    EXPECT_EQ(platform->asked, 1);
    EXPECT_EQ(m.lastBackupParent(), backupParent);
    ASSERT_EQ(runner->pending(), 1u);
    runner->run();
    ASSERT_FALSE(m.cleaning());
    ASSERT_EQ(m.error(), std::nullopt);

    // Both items are in this home's Trash, each with its record and a receipt.
    EXPECT_FALSE(exists(first));
    EXPECT_FALSE(exists(second));
    EXPECT_TRUE(exists(home + "/Downloads/keep.txt"));
    EXPECT_EQ(contents(trash + "/files/installer.iso"), std::string(5000, 'i'));
    EXPECT_EQ(contents(trash + "/files/old.zip"), std::string(3000, 'z'));
    EXPECT_TRUE(exists(trash + "/info/installer.iso.trashinfo"));
    EXPECT_TRUE(exists(trash + "/info/old.zip.trashinfo"));
    ASSERT_EQ(m.receipts().size(), 2u);
    std::set<std::string> originals;
    for (const TrashReceipt& receipt : m.receipts())
        originals.insert(receipt.originalPath);
    EXPECT_EQ(originals, (std::set<std::string>{first, second}));
    EXPECT_TRUE(m.queue().empty());
    EXPECT_TRUE(m.isHistorical());
    ASSERT_TRUE(m.toast().has_value());
    EXPECT_EQ(m.toast()->detail, "2 items — Restore is available in Cleanup.");

    // The backup holds verified copies and its manifest.
    ASSERT_EQ(m.backups().size(), 1u);
    const BackupReceipt& backup = m.backups()[0];
    EXPECT_EQ(std::filesystem::path(backup.directory).parent_path(), backupParent);
    EXPECT_TRUE(exists(backup.directory + "/Manifest.json"));
    ASSERT_EQ(backup.items.size(), 2u);
    for (const BackupItem& item : backup.items)
        EXPECT_EQ(contents(backup.directory + "/" + item.relativePath),
                  item.originalPath == first ? std::string(5000, 'i') : std::string(3000, 'z'));

    // The state files hold it all.
    StateFiles::Loaded files = saved();
    EXPECT_TRUE(files.messages.isEmpty());
    EXPECT_EQ(files.receipts, m.receipts());
    EXPECT_EQ(files.backups, m.backups());
    EXPECT_TRUE(files.queue.empty());

    // One comes back.
    const TrashReceipt back = *std::find_if(m.receipts().begin(), m.receipts().end(),
                                            [&](const TrashReceipt& r) { return r.originalPath == first; });
    m.restore(back);
    runner->run();
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_EQ(contents(first), std::string(5000, 'i'));
    EXPECT_FALSE(exists(trash + "/files/installer.iso"));
    EXPECT_EQ(m.notice(), "Restored installer.iso. Rescan to update storage.");
    ASSERT_EQ(m.receipts().size(), 1u);
    EXPECT_EQ(m.receipts()[0].originalPath, second);
    files = saved();
    EXPECT_EQ(files.receipts, m.receipts());
    EXPECT_EQ(files.backups.size(), 1u);
}

TEST_F(CleanupEndToEndTest, QuittingDuringARunWaitsForItAndSavesItsReceipts) {
    // The run is held until the test has started quitting.
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    services.cleanupRun = [real = services.cleanupRun, &started,
                           gate](const std::vector<CleanupEntry>& entries,
                                 const std::optional<std::string>& parent, const ScanResultPtr& snapshot,
                                 SnapshotStore& store, const CancellationFlag& flag,
                                 const CleanupWorkflow::Progress& progress) {
        started.set_value();
        gate.wait();
        return real(entries, parent, snapshot, store, flag, progress);
    };
    AppModel& m = makeModel(true);
    ASSERT_EQ(m.queue().size(), 2u);
    auto request = std::make_shared<CleanupRequest>();
    request->entries = m.queue();
    m.setBackupBeforeCleanup(false);
    m.setCleanupRequest(request);
    m.confirmTrash(*request);
    ASSERT_TRUE(m.cleaning());
    started.get_future().wait();

    release.set_value();
    model.reset(); // quits while the run moves the items

    EXPECT_FALSE(exists(first));
    EXPECT_FALSE(exists(second));
    const StateFiles::Loaded files = saved();
    EXPECT_TRUE(files.messages.isEmpty());
    ASSERT_EQ(files.receipts.size(), 2u);
    EXPECT_TRUE(files.queue.empty());
}

} // namespace
} // namespace ambertrove
