#include "model/ScanResult.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ambertrove;
using test::ModelFixture;

namespace {

std::vector<std::string> paths(const std::vector<DiskNode>& nodes) {
    std::vector<std::string> out;
    for (const DiskNode& n : nodes)
        out.push_back(n.path);
    return out;
}

ScanResult sample() {
    ModelFixture f("/r");
    f.folder("/r/b");
    f.file("/r/b/x", 10, 4096);
    f.file("/r/a", 5000, 4096);
    f.file("/r/c", 100, 8192);
    f.file("/r/a-b", 5000, 4096);
    return f.finish();
}

} // namespace

TEST(ScanResult, NodesKeyedByPathWithTreeFields) {
    const ScanResult scan = sample();
    EXPECT_EQ(scan.nodes.size(), 6u);
    const auto root = scan.root();
    ASSERT_TRUE(root.has_value());
    EXPECT_FALSE(root->parent.has_value());
    EXPECT_EQ(root->children, (std::vector<std::string>{"/r/b", "/r/a", "/r/c", "/r/a-b"}));
    EXPECT_EQ(root->logicalSize, 10110);
    EXPECT_EQ(root->allocatedSize, 3 * 4096 + 8192);
    EXPECT_EQ(root->fileCount, 4);
    EXPECT_EQ(root->folderCount, 1);
    EXPECT_EQ(root->ownLogicalSize, 0);

    const auto x = scan.nodes.node("/r/b/x");
    ASSERT_TRUE(x.has_value());
    EXPECT_EQ(x->parent, "/r/b");
    EXPECT_EQ(x->ownLogicalSize, 10);
    EXPECT_FALSE(scan.nodes.contains("/r/b/y"));
    EXPECT_FALSE(scan.nodes.contains("/")); // above the root: a path, not a node
    EXPECT_FALSE(scan.nodes.contains("r"));
    EXPECT_FALSE(scan.nodes.node("/r/").has_value());
}

TEST(ScanResult, ChildrenOrderedBySizeThenPath) {
    const ScanResult scan = sample();
    // Logical: a and a-b tie at 5000 (path order), then c, then b.
    EXPECT_EQ(paths(scan.children("/r", true)), (std::vector<std::string>{"/r/a", "/r/a-b", "/r/c", "/r/b"}));
    // Allocated: c is largest; a, a-b, b tie at 4096.
    EXPECT_EQ(paths(scan.children("/r", false)),
              (std::vector<std::string>{"/r/c", "/r/a", "/r/a-b", "/r/b"}));
    EXPECT_TRUE(scan.children("/nowhere", true).empty());
}

TEST(ScanResult, ContainmentAndDescendants) {
    struct Case {
        const char* path;
        const char* root;
        bool inside;
    };
    const Case cases[] = {{"/a/b", "/a/b", true},   {"/a/bc", "/a/b", false}, {"/a/b/c", "/a/b", true},
                          {"/anything", "/", true}, {"/", "/", true},         {"/a", "/a/b", false}};
    for (const Case& c : cases)
        EXPECT_EQ(ScanResult::contains(c.path, c.root), c.inside) << c.path << " in " << c.root;

    const ScanResult scan = sample();
    auto below = paths(scan.descendants("/r"));
    std::sort(below.begin(), below.end());
    EXPECT_EQ(below, (std::vector<std::string>{"/r/a", "/r/a-b", "/r/b", "/r/b/x", "/r/c"}));
    EXPECT_EQ(paths(scan.descendants("/r/b")), (std::vector<std::string>{"/r/b/x"}));
    EXPECT_TRUE(scan.descendants("/r/a").empty());
}

TEST(ScanResult, DirectoryLookUpAcrossPathForms) {
    ModelFixture f("/var");
    f.folder("/var/log");
    f.file("/var/log/syslog", 1, 512);
    NodeData link;
    link.isSymbolicLink = true;
    link.fileCount = 1;
    f.add("/var/linkdir", link);
    const ScanResult scan = f.finish();
    EXPECT_EQ(scan.directory("/private/var/log")->path, "/var/log");
    EXPECT_EQ(scan.directory("/System/Volumes/Data/var/log/")->path, "/var/log");
    EXPECT_FALSE(scan.directory("/var/log/syslog").has_value()); // a file
    EXPECT_FALSE(scan.directory("/var/linkdir").has_value());    // a link
    EXPECT_FALSE(scan.directory("var/log").has_value());         // relative
    EXPECT_FALSE(ScanResult{}.directory("/").has_value());
}

TEST(ScanResult, ScanOfTheFileSystemRoot) {
    ModelFixture f("/");
    f.folder("/etc");
    f.file("/etc/hosts", 100, 4096);
    const ScanResult scan = f.finish();
    EXPECT_EQ(scan.root()->children, std::vector<std::string>{"/etc"});
    EXPECT_EQ(scan.nodes.node("/etc")->parent, "/");
    EXPECT_EQ(scan.root()->allocatedSize, 4096);
    EXPECT_EQ(scan.nodes.size(), 3u);
}
