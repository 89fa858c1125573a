#include "cleanup/CleanupBatch.hpp"
#include "base/AmbertroveError.hpp"
#include "support/CleanupFixture.hpp"

#include <gtest/gtest.h>

namespace ambertrove {
namespace {

using test::CleanupFixture;

struct BatchFixture : CleanupFixture {
    ScanResult docs;
    int policiesMade = 0;
    CleanupBatch::PolicyFactory factory = [this] {
        ++policiesMade;
        return policy;
    };
    BatchFixture() {
        dir.makeFile("home/docs/a.txt", "a");
        dir.makeFile("home/docs/box/b.txt", "b");
        dir.makeFile("home/docs/c.txt", "c");
        docs = scan("docs");
    }
    [[nodiscard]] std::string at(const std::string& relative) const { return home + "/docs/" + relative; }
};

TEST(CleanupBatch, NoPathsGiveTheStartValuesWithoutPolling) {
    BatchFixture f;
    CancellationFlag stopped;
    stopped.cancel();
    const CleanupBatch batch = CleanupBatch::prepare({}, f.docs, "r", stopped, {}, f.factory);
    EXPECT_TRUE(batch.entries.empty());
    EXPECT_TRUE(batch.errors.empty());
    EXPECT_EQ(batch.skipped, 0);
}

TEST(CleanupBatch, KeepsTheFirstEightLinesAndCountsEveryFailure) {
    BatchFixture f;
    std::vector<std::string> paths;
    for (int i = 1; i <= 10; ++i)
        paths.push_back(f.at("gone-" + std::to_string(i) + ".txt"));
    const CancellationFlag flag;
    const CleanupBatch batch = CleanupBatch::prepare(paths, f.docs, "r", flag, {}, f.factory);
    EXPECT_TRUE(batch.entries.empty());
    EXPECT_EQ(batch.skipped, 10);
    std::vector<std::string> expected;
    for (int i = 1; i <= 8; ++i)
        expected.push_back("gone-" + std::to_string(i) + ".txt: Item is no longer in this scan.");
    EXPECT_EQ(batch.errors, expected);
}

TEST(CleanupBatch, ARefusedPathIsSkippedAndTheRestStaged) {
    BatchFixture f;
    f.dir.makeFile("home/.ssh/id_ed25519", "secret");
    const ScanResult whole = f.scan("");
    const CancellationFlag flag;
    const CleanupBatch batch =
        CleanupBatch::prepare({f.home + "/.ssh/id_ed25519", f.at("a.txt"), f.at("box"), f.at("box/b.txt")},
                              whole, "Quick win", flag, {}, f.factory);
    EXPECT_EQ(batch.skipped, 1);
    EXPECT_EQ(batch.errors,
              std::vector<std::string>{
                  "id_ed25519: Protected system or account data — Ambertrove cannot move this to Trash."});
    // A folder and a file inside it both stay: the batch neither sorts nor normalizes.
    ASSERT_EQ(batch.entries.size(), 3u);
    EXPECT_EQ(batch.entries[0].node.path, f.at("a.txt"));
    EXPECT_EQ(batch.entries[1].node.path, f.at("box"));
    EXPECT_EQ(batch.entries[2].node.path, f.at("box/b.txt"));
    EXPECT_EQ(batch.entries[1].reason, "Quick win");
    // One policy for the whole batch.
    EXPECT_EQ(f.policiesMade, 1);
}

TEST(CleanupBatch, AStopEndsTheBatchBeforeTheNextPath) {
    BatchFixture f;
    CancellationFlag flag;
    int made = 0;
    const CleanupBatch::PolicyFactory stopAfterFirst = [&] {
        if (++made == 1)
            flag.cancel();
        return f.policy;
    };
    EXPECT_THROW(CleanupBatch::prepare({f.at("a.txt"), f.at("c.txt")}, f.docs, "r", flag, {}, stopAfterFirst),
                 CancellationError);
    EXPECT_EQ(made, 1);
}

TEST(CleanupBatch, TheTasksStopRequestEndsTheBatch) {
    BatchFixture f;
    std::stop_source task;
    task.request_stop();
    const CancellationFlag flag;
    EXPECT_THROW(CleanupBatch::prepare({f.at("a.txt")}, f.docs, "r", flag, task.get_token(), f.factory),
                 CancellationError);
    EXPECT_EQ(f.policiesMade, 0);
}

} // namespace
} // namespace ambertrove
