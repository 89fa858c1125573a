#include "analysis/QuickWin.hpp"
#include "base/AmbertroveError.hpp"
#include "support/CaseName.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ambertrove;
using test::ModelFixture;

namespace {

enum class Entry { folder, file, link };

struct RuleCase {
    const char* path; // below the scan root /vol
    Entry entry;
    std::int64_t logical;
    std::optional<QuickWinKind> expected;
};

// The trash folders of a user "ann" (uid 1000) whose home lies inside the scan.
const QuickWin::TrashFolders kTrash = QuickWin::TrashFolders::forUser("/vol/home/ann", 1000);

// Builds /vol with the case's entry and its parent folders, and returns the kinds that list the entry.
std::vector<QuickWinKind> kindsListing(const RuleCase& c) {
    ModelFixture f("/vol");
    const std::string full = std::string("/vol/") + c.path;
    for (std::size_t slash = full.find('/', 5); slash != std::string::npos; slash = full.find('/', slash + 1))
        f.folder(full.substr(0, slash));
    switch (c.entry) {
    case Entry::folder:
        f.folder(full);
        if (c.logical > 0)
            f.file(full + "/content", c.logical, c.logical);
        break;
    case Entry::file:
        f.file(full, c.logical, c.logical);
        break;
    case Entry::link: {
        NodeData d;
        d.isSymbolicLink = true;
        d.identity.mode = S_IFLNK | 0777;
        d.logicalSize = d.ownLogicalSize = c.logical;
        d.fileCount = 1;
        f.add(full, d);
        break;
    }
    }
    const ScanResult scan = f.finish();
    std::vector<QuickWinKind> kinds;
    for (const QuickWin& win : QuickWin::discover(scan, kTrash))
        for (const DiskNode& node : win.nodes)
            if (node.path == full)
                kinds.push_back(win.kind);
    return kinds;
}

class QuickWinRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(QuickWinRules, Case) {
    const RuleCase& c = GetParam();
    const std::vector<QuickWinKind> kinds = kindsListing(c);
    if (c.expected) {
        ASSERT_EQ(kinds.size(), 1u) << c.path;
        EXPECT_EQ(kinds[0], *c.expected) << c.path << " is in " << rawValue(kinds[0]);
    } else {
        EXPECT_TRUE(kinds.empty()) << c.path << " is in " << rawValue(kinds[0]);
    }
}

using K = QuickWinKind;
constexpr std::int64_t kMB = 1'000'000;

const std::vector<RuleCase> kRuleCases = {
    {"Downloads", Entry::folder, 0, K::downloads},
    {"home/ann/Downloads", Entry::folder, 0, K::downloads},
    {"downloads", Entry::folder, 0, std::nullopt},
    {"Downloads", Entry::file, 10, std::nullopt},
    {"Users/ann/Library/Developer/Xcode/DerivedData", Entry::folder, 0, K::derivedData},
    {"Projects/DerivedData", Entry::folder, 0, std::nullopt},
    {"Users/ann/Library/Developer/CoreSimulator/Devices", Entry::folder, 0, K::simulators},
    {"Phone/Devices", Entry::folder, 0, std::nullopt},
    {"app/node_modules", Entry::folder, 0, K::dependencies},
    {"app/node_modules", Entry::file, 10, std::nullopt},
    {"app/node_modules", Entry::link, 10, std::nullopt},
    {"p/.build", Entry::folder, 0, K::builds},
    {"p/build", Entry::folder, 0, K::builds},
    {"p/dist", Entry::folder, 0, K::builds},
    {"p/.next", Entry::folder, 0, K::builds},
    {"p/target", Entry::folder, 0, K::builds},
    {"p/.nuxt", Entry::folder, 0, K::builds},
    {"p/__pycache__", Entry::folder, 0, K::builds},
    {"p/.pytest_cache", Entry::folder, 0, K::builds},
    {"p/.dart_tool", Entry::folder, 0, K::builds},
    {"p/Pods", Entry::folder, 0, K::builds},
    {"p/.turbo", Entry::folder, 0, K::builds},
    {"p/.parcel-cache", Entry::folder, 0, K::builds},
    {"p/Build", Entry::folder, 0, std::nullopt},
    {"p/build", Entry::file, 10, std::nullopt},
    {"home/ann/.android", Entry::folder, 0, K::android},
    {"home/ann/.gradle", Entry::folder, 0, K::android},
    {"home/ann/Android", Entry::folder, 0, K::android},
    {"home/ann/.colima", Entry::folder, 0, K::virtualMachines},
    {"home/ann/.orbstack", Entry::folder, 0, K::virtualMachines},
    {"vms/Virtual Machines.localized", Entry::folder, 0, K::virtualMachines},
    {"Containers/com.docker.docker", Entry::folder, 0, K::virtualMachines},
    {"home/ann/OrbStack", Entry::folder, 0, K::virtualMachines},
    {"vms/Ubuntu.vmwarevm", Entry::folder, 0, K::virtualMachines},
    {"vms/Win.PVM", Entry::folder, 0, K::virtualMachines},
    {"vms/disk.QCOW2", Entry::file, 10, K::virtualMachines},
    {"vms/disk.vmdk", Entry::file, 10, K::virtualMachines},
    {"vms/disk.vhdx", Entry::file, 10, K::virtualMachines},
    {"get/setup.dmg", Entry::file, 5000 * kMB, K::installers},
    {"get/setup.pkg", Entry::file, 10, K::installers},
    {"get/linux.ISO", Entry::file, 10, K::installers},
    {"get/disk.sparseimage", Entry::file, 10, K::installers},
    {"get/setup.dmg", Entry::folder, 0, std::nullopt},
    {"home/ann/.Trash", Entry::folder, 0, K::trash},
    {"home/ann/.local/share/Trash", Entry::folder, 0, K::trash},
    {"home/bob/.local/share/Trash", Entry::folder, 0, std::nullopt},
    {"disk/.Trash-1000", Entry::folder, 0, K::trash},
    {"disk/.Trash-1001", Entry::folder, 0, std::nullopt},
    {"Users/ann/Library/Mail", Entry::folder, 0, K::mail},
    {"Users/ann/Mail", Entry::folder, 0, std::nullopt},
    {"home/ann/.cache", Entry::folder, 0, K::caches},
    {"deep/inside/.cache", Entry::folder, 0, K::caches},
    {"home/ann/.npm", Entry::folder, 0, K::caches},
    {"Users/ann/Library/Caches", Entry::folder, 0, K::caches},
    {"Users/ann/Library/Logs", Entry::folder, 0, K::caches},
    {"Disk/Caches", Entry::folder, 0, std::nullopt},
    {"Disk/Logs", Entry::folder, 0, std::nullopt},
    {"Library/Caches", Entry::folder, 0, K::caches},
    {"Library/Mail", Entry::folder, 0, K::mail},
    {"m/video.mp4", Entry::file, 99'999'999, std::nullopt},
    {"m/video.mp4", Entry::file, 100'000'000, K::media},
    {"m/song.FLAC", Entry::file, 100'000'000, K::media},
    {"m/photo.png", Entry::file, 200 * kMB, K::media},
    {"m/report.pdf", Entry::file, 2000 * kMB, std::nullopt},
    {"m/clips.mp4", Entry::folder, 300 * kMB, std::nullopt},
    {"m/video.mp4", Entry::link, 300 * kMB, std::nullopt},
};

// Rows are named after the entry: its path, what it is and its size, e.g. m_video_mp4_file_100000000.
INSTANTIATE_TEST_SUITE_P(Table, QuickWinRules, ::testing::ValuesIn(kRuleCases), [](const auto& row) {
    const RuleCase& c = row.param;
    const char* entry = c.entry == Entry::folder ? "folder" : c.entry == Entry::file ? "file" : "link";
    return test::pathName(std::string(c.path) + " " + entry +
                          (c.logical > 0 ? " " + std::to_string(c.logical) : ""));
});

std::vector<std::string> pathsOf(const std::vector<DiskNode>& nodes) {
    std::vector<std::string> out;
    for (const DiskNode& n : nodes)
        out.push_back(n.path);
    return out;
}

const QuickWin& winOf(const std::vector<QuickWin>& wins, QuickWinKind kind) {
    return wins[static_cast<std::size_t>(kind)];
}

DiskNode nodeAt(const std::string& path) {
    DiskNode n;
    n.path = path;
    return n;
}

} // namespace

TEST(QuickWin, TwelveGroupsInOrderEvenWhenEmpty) {
    ModelFixture f("/Users/ann/Downloads"); // the root is never a quick win
    const ScanResult scan = f.finish();
    const std::vector<QuickWin> wins = QuickWin::discover(scan);
    ASSERT_EQ(wins.size(), 12u);
    for (std::size_t k = 0; k < wins.size(); ++k) {
        EXPECT_EQ(wins[k].kind, kAllQuickWinKinds[k]);
        EXPECT_EQ(wins[k].id(), kAllQuickWinKinds[k]);
        EXPECT_TRUE(wins[k].nodes.empty());
        EXPECT_EQ(wins[k].bytes(), 0);
    }
}

TEST(QuickWin, NestedMatchesOfOneKindListOnceAndOrderBySize) {
    ModelFixture f("/vol");
    f.folder("/vol/app");
    f.folder("/vol/app/node_modules");
    f.folder("/vol/app/node_modules/pkg");
    f.folder("/vol/app/node_modules/pkg/node_modules");
    f.file("/vol/app/node_modules/pkg/node_modules/x.js", 10, 8192);
    f.folder("/vol/b");
    f.folder("/vol/b/node_modules");
    f.file("/vol/b/node_modules/y.js", 10, 8192);
    f.folder("/vol/a");
    f.folder("/vol/a/node_modules");
    f.file("/vol/a/node_modules/z.js", 10, 8192);
    f.folder("/vol/big");
    f.folder("/vol/big/node_modules");
    f.file("/vol/big/node_modules/w.js", 10, 65536);
    const ScanResult scan = f.finish();
    const std::vector<QuickWin> wins = QuickWin::discover(scan);
    const QuickWin& deps = winOf(wins, QuickWinKind::dependencies);
    // Largest first; the three of 8192 bytes in path order; the inner node_modules only through the outer.
    EXPECT_EQ(pathsOf(deps.nodes),
              (std::vector<std::string>{"/vol/big/node_modules", "/vol/a/node_modules",
                                        "/vol/app/node_modules", "/vol/b/node_modules"}));
    EXPECT_EQ(deps.bytes(), 65536 + 3 * 8192);
    EXPECT_EQ(deps.nodes[1].children,
              (std::vector<std::string>{"/vol/a/node_modules/z.js"})); // whole node values
}

TEST(QuickWin, KindsMayNestAcrossGroups) {
    ModelFixture f("/vol");
    f.folder("/vol/Downloads");
    f.folder("/vol/Downloads/proj");
    f.folder("/vol/Downloads/proj/node_modules");
    f.file("/vol/Downloads/proj/node_modules/a.js", 10, 4096);
    f.file("/vol/Downloads/setup.dmg", 10, 8192);
    const ScanResult scan = f.finish();
    const std::vector<QuickWin> wins = QuickWin::discover(scan);
    EXPECT_EQ(pathsOf(winOf(wins, QuickWinKind::downloads).nodes),
              (std::vector<std::string>{"/vol/Downloads"}));
    EXPECT_EQ(pathsOf(winOf(wins, QuickWinKind::dependencies).nodes),
              (std::vector<std::string>{"/vol/Downloads/proj/node_modules"}));
    EXPECT_EQ(pathsOf(winOf(wins, QuickWinKind::installers).nodes),
              (std::vector<std::string>{"/vol/Downloads/setup.dmg"}));
}

TEST(QuickWin, RootOfTheFileSystemScanIsNeverAGroupMember) {
    ModelFixture f("/");
    f.folder("/Downloads");
    f.folder("/.cache");
    const ScanResult scan = f.finish();
    const std::vector<QuickWin> wins = QuickWin::discover(scan);
    EXPECT_EQ(pathsOf(winOf(wins, QuickWinKind::downloads).nodes), (std::vector<std::string>{"/Downloads"}));
    EXPECT_EQ(pathsOf(winOf(wins, QuickWinKind::caches).nodes), (std::vector<std::string>{"/.cache"}));
}

TEST(QuickWin, StoppedTaskThrowsCancellation) {
    ModelFixture f("/vol");
    f.folder("/vol/Downloads");
    const ScanResult scan = f.finish();
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW((void)QuickWin::discover(scan, {}, source.get_token()), CancellationError);
}

TEST(QuickWin, TopmostByPathText) {
    const auto topmost = [](std::vector<std::string> paths) {
        std::vector<DiskNode> nodes;
        for (const std::string& p : paths)
            nodes.push_back(nodeAt(p));
        return pathsOf(QuickWin::topmost(nodes));
    };
    EXPECT_EQ(topmost({"/a/b/c", "/a/bc", "/a/b", "/z", "/a/b/c/d"}),
              (std::vector<std::string>{"/a/b", "/a/bc", "/z"}));
    EXPECT_EQ(topmost({"/x", "/", "/y/z"}), (std::vector<std::string>{"/"}));
    EXPECT_EQ(topmost({}), (std::vector<std::string>{}));
    EXPECT_EQ(topmost({"/a-b", "/a/x", "/a"}), (std::vector<std::string>{"/a", "/a-b"}));

    // Of two nodes with one path the first stays.
    DiskNode first = nodeAt("/d"), second = nodeAt("/d");
    first.allocatedSize = 1;
    second.allocatedSize = 2;
    const std::vector<DiskNode> kept = QuickWin::topmost({first, second});
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].allocatedSize, 1);
}

TEST(QuickWin, TrashFoldersForUser) {
    const QuickWin::TrashFolders a = QuickWin::TrashFolders::forUser("/home/ann/", 1000);
    EXPECT_EQ(a.homeTrash, "/home/ann/.local/share/Trash");
    EXPECT_EQ(a.volumeTrashName, ".Trash-1000");
    EXPECT_EQ(QuickWin::TrashFolders::forUser("/", 0).homeTrash, "/.local/share/Trash");
    EXPECT_EQ(QuickWin::TrashFolders::forUser("", 0).homeTrash, "");
}

TEST(QuickWinKind, TitlesSymbolsAndExplanations) {
    const std::vector<std::string_view> titles = {
        "Downloads",       "Caches & logs",     "iOS Simulators",   "Large media",      "node_modules",
        "Build artifacts", "Xcode DerivedData", "Containers & VMs", "Android & Gradle", "Installers & images",
        "Trash",           "Mail stores"};
    ASSERT_EQ(kAllQuickWinKinds.size(), titles.size());
    for (std::size_t k = 0; k < titles.size(); ++k) {
        EXPECT_EQ(rawValue(kAllQuickWinKinds[k]), titles[k]);
        EXPECT_EQ(quickWinKindFromRawValue(titles[k]), kAllQuickWinKinds[k]);
        EXPECT_FALSE(symbol(kAllQuickWinKinds[k]).empty());
        EXPECT_FALSE(explanation(kAllQuickWinKinds[k]).empty());
    }
    EXPECT_EQ(quickWinKindFromRawValue("Trash"), QuickWinKind::trash);
    EXPECT_FALSE(quickWinKindFromRawValue("trash").has_value());
    EXPECT_EQ(symbol(QuickWinKind::caches), "clock.arrow.circlepath");
    EXPECT_EQ(symbol(QuickWinKind::android), "apps.iphone");
    EXPECT_EQ(
        explanation(QuickWinKind::trash),
        "Files already in Trash. Review and empty them in Finder when ready; Ambertrove does not permanently "
        "delete them.");
    EXPECT_EQ(
        explanation(QuickWinKind::dependencies),
        "Dependencies can usually be reinstalled from the project's lockfile. Local edits will be lost.");
}
