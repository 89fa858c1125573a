#include "model/ScanResult.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace ambertrove;
using test::ModelFixture;

namespace {

std::vector<std::string> pathsOf(const ScanResult& scan, const std::vector<NodeIndex>& rows) {
    std::vector<std::string> out;
    for (NodeIndex i : rows)
        out.push_back(scan.nodes.nodePath(i));
    return out;
}

// The order the children must come in, made the slow way: size descending, then the path's bytes.
std::vector<std::string> expectedOrder(const ScanResult& scan, NodeIndex parent, bool logical) {
    std::vector<NodeIndex> rows;
    for (NodeIndex c : scan.nodes.children(parent))
        if (scan.nodes.isNode(c))
            rows.push_back(c);
    std::stable_sort(rows.begin(), rows.end(), [&](NodeIndex a, NodeIndex b) {
        const auto sa = scan.nodes[a].bytes(logical), sb = scan.nodes[b].bytes(logical);
        if (sa != sb)
            return sa > sb;
        return scan.nodes.nodePath(a) < scan.nodes.nodePath(b);
    });
    return pathsOf(scan, rows);
}

} // namespace

TEST(ChildOrder, EqualSizesFollowThePathsBytesWhateverTheNamesLengthOrBytes) {
    ModelFixture f("/r");
    for (const char* name : {"b", "abcdefghij", "a-b", "\xC3\xA9t\xC3\xA9", "abcdefgh", "a", "ab",
                             "abcdefghi", "abcdefgh-", "B", "~", "abcdefgg~"})
        f.file(std::string("/r/") + name, 7, 4096);
    f.file("/r/big", 9000, 12288);
    const ScanResult scan = f.finish();
    const std::vector<std::string> order = pathsOf(scan, scan.childIndices(scan.rootIndex(), false));
    EXPECT_EQ(order, (std::vector<std::string>{"/r/big", "/r/B", "/r/a", "/r/a-b", "/r/ab", "/r/abcdefgg~",
                                               "/r/abcdefgh", "/r/abcdefgh-", "/r/abcdefghi", "/r/abcdefghij",
                                               "/r/b", "/r/~", "/r/\xC3\xA9t\xC3\xA9"}));
}

TEST(ChildOrder, ManyTiesInBothSizesAgreeWithThePathOrder) {
    std::mt19937 random(7);
    ModelFixture f("/");
    f.folder("/w");
    std::vector<std::string> made;
    const std::string alphabet = "ab-.\xC3\xA9Z0";
    for (int k = 0; k < 400; ++k) {
        std::string name;
        const int length = 1 + int(random() % 11);
        for (int c = 0; c < length; ++c)
            name += alphabet[random() % alphabet.size()];
        if (std::find(made.begin(), made.end(), name) != made.end())
            continue;
        made.push_back(name);
        f.file("/w/" + name, std::int64_t(random() % 3), std::int64_t(random() % 2) * 4096);
    }
    const ScanResult scan = f.finish();
    const NodeIndex w = scan.nodes.find("/w");
    for (bool logical : {false, true})
        EXPECT_EQ(pathsOf(scan, scan.childIndices(w, logical)), expectedOrder(scan, w, logical));
}

TEST(ChildOrder, KeptChildrenComeInTheSameOrder) {
    ModelFixture f("/r");
    f.file("/r/a", 0, 0);
    f.file("/r/b", 5, 4096);
    f.file("/r/.c", 5, 4096);
    f.file("/r/d", 9, 8192);
    const ScanResult scan = f.finish();
    const auto kept = scan.childIndices(scan.rootIndex(), false, [&](NodeIndex i) {
        return scan.nodes[i].allocatedSize() > 0 && !scan.nodes.name(i).starts_with('.');
    });
    EXPECT_EQ(pathsOf(scan, kept), (std::vector<std::string>{"/r/d", "/r/b"}));
    EXPECT_TRUE(scan.childIndices(kNoNode, false, [](NodeIndex) { return true; }).empty());
}

TEST(ChildOrder, ChildrenListedAwayFromTheirParentAreOrderedByTheirWholePath) {
    // A stored scan may list under a folder a child that lives elsewhere: names alone would order "/x/a"
    // before "/r/b".
    ScanResult scan;
    scan.rootPath = "/r";
    // Figures the records hold without a side table, so that nothing else sets these records apart.
    NodeData folder;
    folder.isDirectory = true;
    folder.identity.modifiedSeconds = Date::kUnixOffset;
    NodeData file = folder;
    file.isDirectory = false;
    file.allocatedSize = file.ownAllocatedSize = 4096;
    const NodeIndex r = scan.nodes.ensurePath("/r");
    scan.nodes.setNode(r, folder, false);
    const NodeIndex b = scan.nodes.ensurePath("/r/b");
    scan.nodes.setNode(b, file, true);
    const NodeIndex a = scan.nodes.ensurePath("/x/a");
    scan.nodes.setNode(a, file, true);
    // And one whose stored path is not its key: "/r/0" goes first though its key's name is "c".
    const NodeIndex c = scan.nodes.ensurePath("/r/c");
    scan.nodes.setNode(c, file, std::optional<std::string>("/r"), "/r/0");
    scan.nodes.finish({{r, a}, {r, b}, {r, c}});
    EXPECT_EQ(pathsOf(scan, scan.childIndices(r, false)), (std::vector<std::string>{"/r/0", "/r/b", "/x/a"}));
}

TEST(ChildOrder, AnOrderedHeadIsTheStartOfTheWholeOrderFollowedByTheRest) {
    std::mt19937 random(11);
    ModelFixture f("/w");
    for (int k = 0; k < 3000; ++k)
        f.file("/w/n" + std::to_string(random() % 100000) + "-" + std::to_string(k),
               std::int64_t(random() % 50), std::int64_t(random() % 7) * 4096);
    const ScanResult scan = f.finish();
    const NodeIndex w = scan.rootIndex();
    const auto keep = [&](NodeIndex i) {
        return scan.nodes[i].logicalSize() % 5 != 0;
    };
    for (const bool logical : {false, true}) {
        const std::vector<std::string> whole = pathsOf(scan, scan.childIndices(w, logical, keep));
        for (const std::size_t head :
             {std::size_t(0), std::size_t(1), std::size_t(100), whole.size(), whole.size() + 5}) {
            SCOPED_TRACE(head);
            std::vector<std::string> some = pathsOf(scan, scan.childIndices(w, logical, keep, head));
            ASSERT_EQ(some.size(), whole.size());
            const std::size_t ordered = std::min(head, whole.size());
            EXPECT_TRUE(std::equal(some.begin(), some.begin() + std::ptrdiff_t(ordered), whole.begin()));
            std::sort(some.begin(), some.end());
            std::vector<std::string> all = whole;
            std::sort(all.begin(), all.end());
            EXPECT_EQ(some, all) << "the same children, the rest in any order";
        }
    }
}
