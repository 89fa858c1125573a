#include "model/NodeTable.hpp"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

using namespace ambertrove;

namespace {

FileStatus fileStatus() {
    FileStatus s;
    s.device = 2049;
    s.inode = 1234567;
    s.mode = S_IFREG | 0644;
    s.linkCount = 1;
    s.size = 10'000;
    s.blocks = 24;
    s.accessedSeconds = 1'700'000'100;
    s.accessedNanos = 5;
    s.modifiedSeconds = 1'700'000'000;
    s.modifiedNanos = 999'999'999;
    s.changedSeconds = 1'700'000'050;
    s.changedNanos = 1;
    s.birthSeconds = 1'600'000'000;
    return s;
}

struct StatusCase {
    const char* name;
    FileStatus status;
    bool repeat = false;
    std::string entryName = "entry";
};

std::vector<StatusCase> statusCases() {
    std::vector<StatusCase> cases;
    cases.push_back({"plain file", fileStatus()});
    cases.push_back({"second link", fileStatus(), true});
    FileStatus s = fileStatus();
    s.mode = S_IFDIR | 0755;
    s.size = 4096;
    cases.push_back({"folder", s});
    s = fileStatus();
    s.mode = S_IFLNK | 0777;
    cases.push_back({"link", s});
    s = fileStatus();
    s.modifiedSeconds = -86'400 * 365; // 1969
    s.birthSeconds = -5;
    cases.push_back({"dates before 1970", s});
    s = fileStatus();
    s.accessedSeconds = std::int64_t(1) << 40; // beyond what 32 or 34 bits hold
    s.changedSeconds = std::int64_t(1) << 40;
    cases.push_back({"dates far ahead", s});
    s = fileStatus();
    s.modifiedSeconds = 0;
    s.birthSeconds = 0;
    s.accessedSeconds = 0;
    cases.push_back({"the epoch", s});
    s = fileStatus();
    s.isCompressed = true;
    s.blocks = 2;
    cases.push_back({"compressed", s});
    s = fileStatus();
    s.size = -7;
    cases.push_back({"negative size", s});
    s = fileStatus();
    s.linkCount = 100'000;
    s.blocks = INT64_MAX / 100;
    cases.push_back({"many links, huge", s});
    cases.push_back({"long name", fileStatus(), false, std::string(70'000, 'n')});
    return cases;
}

} // namespace

// The scanner's short way to a record must give exactly the node the general way gives.
TEST(NodeTableTest, AScannedEntryIsTheNodeItsStatusMakes) {
    for (const StatusCase& c : statusCases()) {
        NodeTable fast, general;
        for (NodeTable* t : {&fast, &general}) {
            const NodeIndex root = t->ensurePath("/r");
            t->setNode(root, NodeData::fromStatus(FileIdentity::fromStatus(fileStatus()), fileStatus()), false);
        }
        const NodeIndex a = fast.appendScanned(fast.find("/r"), c.entryName, c.status, c.repeat);
        const NodeIndex parent = general.find("/r");
        const NodeIndex b = general.addRecord(parent, c.entryName);
        general.setNode(b,
                        NodeData::fromStatus(FileIdentity::fromStatus(c.status), c.status,
                                             c.repeat ? std::optional<std::int64_t>(0) : std::nullopt),
                        true);
        general.appendChild(parent, b);
        fast.finish();
        general.finish();
        EXPECT_EQ(fast.makeNode(a), general.makeNode(b)) << c.name;
        EXPECT_TRUE(fast.sameNodes(general)) << c.name;
        EXPECT_EQ(fast.name(a), c.entryName) << c.name;
        EXPECT_EQ(fast.find("/r/" + c.entryName), a) << c.name;
        const NodeTable::NodeRef r = fast[a];
        const NodeData d = fast.data(a);
        EXPECT_EQ(r.logicalSize(), d.logicalSize) << c.name;
        EXPECT_EQ(r.fileCount(), d.fileCount) << c.name;
        EXPECT_EQ(r.compressedSavings(), d.compressedSavings) << c.name;
        EXPECT_EQ(r.createdDate(), d.created) << c.name;
        EXPECT_EQ(r.modifiedDate(), d.modified) << c.name;
        EXPECT_EQ(r.accessedDate(), d.accessed) << c.name;
    }
}

// Whatever a stored file holds comes back as it went in, also what the compact record cannot keep.
TEST(NodeTableTest, ValuesTheRecordCannotHoldAreKeptAside) {
    NodeData d;
    d.logicalSize = 5;
    d.allocatedSize = 4096;
    d.ownLogicalSize = 3;
    d.ownAllocatedSize = 7;
    d.compressedSavings = 11;
    d.fileCount = 4;
    d.folderCount = 2;
    d.created = Date{0.5};
    d.modified = Date{-1e12};
    d.accessed = Date{1e15};
    d.identity.size = 99;
    d.identity.modifiedNanos = -1;
    d.identity.changedSeconds = INT64_MIN;
    d.identity.device = -3;
    NodeTable t;
    const NodeIndex i = t.ensurePath("/x/y");
    t.setNode(i, d, true);
    t.finish();
    EXPECT_EQ(t.data(i), d);
    // A later value that the record holds leaves nothing aside.
    NodeTable u;
    const NodeIndex j = u.ensurePath("/x");
    u.setNode(j, d, false);
    NodeData plain = NodeData::fromStatus(FileIdentity::fromStatus(fileStatus()), fileStatus());
    u.setNode(j, plain, false);
    EXPECT_EQ(u.data(j), plain);
    EXPECT_FALSE(u[j].hasExtras());
}

// Children appended in turn are runs of records; one out of turn keeps every list, in its order.
TEST(NodeTableTest, ChildrenListsKeepTheirOrderWhetherRunsOrNot) {
    for (const bool outOfTurn : {false, true}) {
        NodeTable t;
        const NodeIndex root = t.ensurePath("/r");
        FileStatus folder = fileStatus();
        folder.mode = S_IFDIR | 0755;
        t.setNode(root, NodeData::fromStatus(FileIdentity::fromStatus(folder), folder), false);
        const NodeIndex a = t.appendScanned(root, "a", folder, false);
        const NodeIndex b = t.appendScanned(root, "b", fileStatus(), false);
        NodeIndex a1 = kNoNode, c = kNoNode;
        if (outOfTurn) {
            a1 = t.appendScanned(a, "a1", fileStatus(), false);
            c = t.appendScanned(root, "c", fileStatus(), false);
        } else {
            c = t.appendScanned(root, "c", fileStatus(), false);
            a1 = t.appendScanned(a, "a1", fileStatus(), false);
        }
        std::vector<NodeIndex> whileBuilding;
        t.forEachChild(root, [&](NodeIndex x) { whileBuilding.push_back(x); });
        EXPECT_EQ(whileBuilding, (std::vector<NodeIndex>{a, b, c})) << outOfTurn;
        t.rollUpTotals(root);
        t.finish();
        const auto children = t.children(root);
        EXPECT_EQ(std::vector<NodeIndex>(children.begin(), children.end()), (std::vector<NodeIndex>{a, b, c}))
            << outOfTurn;
        EXPECT_EQ(std::vector<NodeIndex>(t.children(a).begin(), t.children(a).end()), std::vector<NodeIndex>{a1});
        EXPECT_TRUE(t.children(b).empty());
        EXPECT_EQ(t[root].fileCount(), 3);
        EXPECT_EQ(t[root].folderCount(), 1);
        EXPECT_EQ(t[root].logicalSize(), 30'000);
        EXPECT_EQ(t[a].fileCount(), 1);
        EXPECT_EQ(t.makeNode(root).children, (std::vector<std::string>{"/r/a", "/r/b", "/r/c"}));
    }
}

TEST(NodeTableTest, ListsGivenAsPairsMayBeRunsOrAnyOrder) {
    for (const bool reversed : {false, true}) {
        NodeTable t;
        const NodeIndex r = t.ensurePath("/r");
        const NodeIndex x = t.ensurePath("/r/x");
        const NodeIndex y = t.ensurePath("/r/y");
        for (const NodeIndex i : {r, x, y})
            t.setNode(i, NodeData::fromStatus(FileIdentity::fromStatus(fileStatus()), fileStatus()), i != r);
        std::vector<std::pair<NodeIndex, NodeIndex>> pairs{{r, x}, {r, y}};
        if (reversed)
            std::swap(pairs[0], pairs[1]);
        t.finish(pairs);
        const std::vector<NodeIndex> expected = reversed ? std::vector<NodeIndex>{y, x} : std::vector<NodeIndex>{x, y};
        EXPECT_EQ(std::vector<NodeIndex>(t.children(r).begin(), t.children(r).end()), expected);
        const NodeTable copy = t;
        EXPECT_TRUE(copy.sameNodes(t));
        EXPECT_EQ(copy.makeNode(r).children, t.makeNode(r).children);
    }
}
