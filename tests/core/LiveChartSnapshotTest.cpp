#include "scan/LiveChartSnapshot.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

using namespace ambertrove;
using test::ModelFixture;

namespace {

// A folder with 60 children: 30 files and 30 folders each holding one file; child k is k KB.
ScanResult wide() {
    ModelFixture f("/r");
    for (int k = 1; k <= 60; ++k) {
        const std::string name = "/r/c" + std::to_string(k);
        if (k % 2) {
            f.file(name, k * 1000, k * 1000);
        } else {
            f.folder(name);
            f.file(name + "/f", k * 1000, k * 1000);
        }
    }
    return f.finish();
}

} // namespace

TEST(LiveChartSnapshot, KeepsTheLargestChildrenOfEachFolder) {
    const ScanResult scan = wide();
    const auto cut = LiveChartSnapshot::make(scan.nodes, "/r", 2048, 8, 48);
    EXPECT_TRUE(cut.limited);
    const auto root = cut.scan.root();
    ASSERT_TRUE(root.has_value());
    ASSERT_EQ(root->children.size(), 48u);
    for (int k = 0; k < 48; ++k)
        EXPECT_EQ(root->children[static_cast<std::size_t>(k)], "/r/c" + std::to_string(60 - k));
    // True subtree totals are kept even though children were left out.
    EXPECT_EQ(root->logicalSize, scan.root()->logicalSize);
    EXPECT_EQ(cut.scan.rootPath, "/r");
    // Kept folders were expanded; the 24 kept folders each bring their file.
    EXPECT_EQ(cut.scan.nodes.size(), 1u + 48u + 24u);
    EXPECT_EQ(cut.scan.nodes.node("/r/c60")->children, std::vector<std::string>{"/r/c60/f"});
}

TEST(LiveChartSnapshot, LimitsDepthAndFanout) {
    ModelFixture f("/r");
    f.folder("/r/a");
    f.folder("/r/a/b");
    f.file("/r/a/b/c", 10, 10);
    f.file("/r/z", 1, 1);
    const ScanResult scan = f.finish();
    struct Case {
        long limit, depth, fanout;
        std::size_t nodes;
        bool limited;
    };
    const Case cases[] = {
        {2048, 8, 48, 5, false},                        // fits whole
        {1, 8, 48, 1, true},                            // the folder alone
        {2048, 0, 48, 1, true},                         // depth 0 is the same
        {2048, 1, 48, 3, true},                         // level-1 folders present, not expanded
        {2048, 8, 0, 1, true},                          // no child enters
        {2048, 8, -3, 1, true},  {2048, 8, 1, 4, true}, // /r keeps only /r/a
        {3, 8, 48, 3, true},
    };
    for (const Case& c : cases) {
        const auto cut = LiveChartSnapshot::make(scan.nodes, "/r", c.limit, c.depth, c.fanout);
        EXPECT_EQ(cut.scan.nodes.size(), c.nodes) << c.limit << "/" << c.depth << "/" << c.fanout;
        EXPECT_EQ(cut.limited, c.limited) << c.limit << "/" << c.depth << "/" << c.fanout;
    }
    const auto sub = LiveChartSnapshot::make(scan.nodes, "/r/a", 2048, 8, 48);
    EXPECT_EQ(sub.scan.rootPath, "/r/a");
    EXPECT_EQ(sub.scan.root()->parent, "/r"); // keeps its parent although /r is not in the cut
    EXPECT_EQ(sub.scan.nodes.size(), 3u);
    EXPECT_FALSE(sub.limited);
}

TEST(LiveChartSnapshot, TiesAndKeys) {
    ModelFixture f("/r");
    f.file("/r/b", 100, 100);
    f.file("/r/a", 100, 100);
    f.file("/r/sparse", 1'000'000, 4096); // ordered by the larger of its two sizes
    f.file("/r/dense", 8192, 500'000);
    const ScanResult scan = f.finish();
    const auto cut = LiveChartSnapshot::make(scan.nodes, "/r", 2048, 8, 3);
    EXPECT_EQ(cut.scan.root()->children, (std::vector<std::string>{"/r/sparse", "/r/dense", "/r/a"}));
    EXPECT_TRUE(cut.limited);
}

TEST(LiveChartSnapshot, EmptyCuts) {
    const ScanResult scan = wide();
    EXPECT_TRUE(LiveChartSnapshot::make(scan.nodes, "/elsewhere", 2048, 8, 48).scan.nodes.empty());
    EXPECT_TRUE(LiveChartSnapshot::make(scan.nodes, "/r", 0, 8, 48).scan.nodes.empty());
    EXPECT_FALSE(LiveChartSnapshot::make(scan.nodes, "/r", 0, 8, 48).limited);
    EXPECT_TRUE(LiveChartSnapshot::make(NodeTable{}, "/r", 10, 8, 48).scan.nodes.empty());
}
