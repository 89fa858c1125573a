// The controller's state thread: saves of the cleanup state land in order with the last one winning,
// saved-scan deletions and catalog reads keep their turn among them, failures are still told, and a quit
// waits for a save or a restore that has begun.
#include "QueueFixture.hpp"

#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::QueueFixture;

// Long enough for any machine; the waits end as soon as the awaited thing happens.
constexpr auto kPatience = std::chrono::seconds(20);

class StateWriterTest : public QueueFixture {
protected:
    StateWriterTest() {
        for (int i = 0; i < kFiles; ++i)
            folder.makeFileOfSize("home/tree/f" + std::to_string(i), 100 + i);
    }

    AppModel& show() {
        AppModel& m = make();
        m.setScan(scanOf("tree"));
        return m;
    }
    [[nodiscard]] std::vector<CleanupEntry> storedQueue() const {
        return CleanupJson::decodeEntries(
            readWholeFile(stateDirectory() + "/" + std::string(StateFiles::kQueueFile)));
    }

    // What the state thread did, in order, from the seams it calls.
    void record(const std::string& step) {
        const std::lock_guard lock(stepsLock);
        steps.push_back(step);
    }

    static constexpr int kFiles = 20;
    std::mutex stepsLock;
    std::vector<std::string> steps;
};

TEST_F(StateWriterTest, SavesIssuedInABurstLandInOrderAndTheLastWins) {
    std::vector<std::size_t> written; // the queue's length in each save that was written
    services.saveState = [&written](StateFiles& files, const StateFiles::State& state) {
        written.push_back(state.queue.size());
        files.save(state);
    };
    AppModel& m = show();
    for (int i = 0; i < kFiles; ++i)
        m.stage(nodes({"tree/f" + std::to_string(i)}), nullptr, "One at a time");
    ASSERT_EQ(m.queue().size(), std::size_t(kFiles));
    settle();

    // Saves still waiting when a later one comes are replaced by it; none is ever written after a later one.
    ASSERT_FALSE(written.empty());
    for (std::size_t k = 1; k < written.size(); ++k)
        EXPECT_LT(written[k - 1], written[k]) << k;
    EXPECT_EQ(written.back(), std::size_t(kFiles));
    EXPECT_EQ(storedQueue(), m.queue());
}

TEST_F(StateWriterTest, DeletionsAndCatalogReadsKeepTheirTurnAmongSavesAndNeverHoldTheWindow) {
    std::promise<void> removalStarted;
    std::promise<void> letRemovalGo;
    std::shared_future<void> removalGate = letRemovalGo.get_future().share();
    services.saveState = [this](StateFiles& files, const StateFiles::State& state) {
        record("save " + std::to_string(state.queue.size()));
        files.save(state);
    };
    services.removeSnapshot = [this, &removalStarted, removalGate](const SnapshotStore& store,
                                                                   const SnapshotRecord& record) {
        this->record("remove");
        removalStarted.set_value();
        removalGate.wait();
        store.remove(record);
    };
    services.snapshotCatalog = [this](const SnapshotStore& store) {
        record("catalog");
        return store.catalog();
    };
    AppModel& m = show();
    SnapshotStore store = m.store();
    const SnapshotRecord kept = store.save(*m.scan(), "kept");
    const SnapshotRecord gone = store.save(*m.scan(), "gone");
    m.refreshSnapshots();
    settle();
    ASSERT_EQ(m.snapshots().size(), 2u);
    {
        const std::lock_guard lock(stepsLock);
        steps.clear();
    }

    m.stage(nodes({"tree/f0"}), nullptr, "First");
    m.deleteSnapshot(gone);
    // The window goes on while the disk is busy.
    ASSERT_EQ(removalStarted.get_future().wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(m.snapshots().size(), 2u);
    m.refreshSnapshots();
    m.stage(nodes({"tree/f1"}), nullptr, "Second");
    letRemovalGo.set_value();
    settle();

    EXPECT_EQ(steps, (std::vector<std::string>{"save 1", "remove", "catalog", "catalog", "save 2"}));
    EXPECT_EQ(m.snapshots(), std::vector<SnapshotRecord>{kept});
    EXPECT_EQ(storedQueue(), m.queue());
    EXPECT_EQ(m.error(), std::nullopt);
}

TEST_F(StateWriterTest, AFailingWriteStillReportsItsErrorLine) {
    services.saveState = [](StateFiles&, const StateFiles::State&) {
        throw AmbertroveError("The disk is full.");
    };
    AppModel& m = show();
    m.setError(QStringLiteral("An earlier problem."));
    m.stage(nodes({"tree/f0"}), nullptr, "Large");
    EXPECT_EQ(m.queue().size(), 1u);
    settle();
    EXPECT_EQ(m.error(),
              QStringLiteral("An earlier problem.\nCould not save cleanup state: The disk is full."));
}

TEST_F(StateWriterTest, AQuitDuringASaveWaitsForIt) {
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::atomic<bool> finished = false;
    services.saveState = [&started, gate, &finished](StateFiles& files, const StateFiles::State& state) {
        started.set_value();
        gate.wait();
        files.save(state);
        finished = true;
    };
    AppModel& m = show();
    m.stage(nodes({"tree/f0", "tree/f1"}), nullptr, "Large");
    const std::vector<CleanupEntry> queue = m.queue();
    ASSERT_EQ(started.get_future().wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(finished);

    release.set_value();
    model.reset(); // quits while the save writes
    EXPECT_TRUE(finished);
    EXPECT_EQ(storedQueue(), queue);
}

TEST_F(StateWriterTest, AQuitDuringARestoreWaitsForItAndForgetsTheReceipt) {
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::vector<std::string> restored;
    services.restore = [&started, gate, &restored](const TrashReceipt& receipt) {
        started.set_value();
        gate.wait();
        restored.push_back(receipt.originalPath);
    };
    AppEnvironment env = environment();
    env.runner.reset(); // threads of its own
    runner = nullptr;
    model = std::make_unique<AppModel>(std::move(env));
    AppModel& m = *model;
    TrashReceipt a;
    a.originalPath = inHome("tree/a");
    a.trashPath = "files/a";
    TrashReceipt b;
    b.originalPath = inHome("tree/b");
    b.trashPath = "files/b";
    m.setReceipts({a, b});
    m.persistState();
    settle();

    m.restore(a);
    ASSERT_EQ(started.get_future().wait_for(kPatience), std::future_status::ready);
    release.set_value();
    model.reset(); // quits while the item comes back

    EXPECT_EQ(restored, std::vector<std::string>{a.originalPath});
    const StateFiles::Loaded files = StateFiles(stateDirectory(), clock).load();
    EXPECT_TRUE(files.messages.isEmpty());
    EXPECT_EQ(files.receipts, std::vector<TrashReceipt>{b});
}

} // namespace
} // namespace ambertrove
