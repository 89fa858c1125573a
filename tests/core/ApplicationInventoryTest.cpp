#include "applications/ApplicationInventory.hpp"
#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "scan/ScanFileSystem.hpp"
#include "support/BundleFixture.hpp"
#include "support/CleanupFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <sys/stat.h>

namespace ambertrove {
namespace {

using test::errorText;
using test::makeBundle;
using test::plistString;
using test::TempDir;

std::int64_t allocatedSize(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return std::int64_t(st.st_blocks) * 512;
}

// A fixture with an application folder and a home folder whose Library the tests fill.
class ApplicationInventoryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string apps = dir.makeDir("Applications");
    std::string home = dir.makeDir("home");
    std::string library = home + "/Library";

    std::string app(const std::string& relative, const std::optional<std::string>& identifier,
                    const std::string& entries = {}) {
        return makeBundle(dir, "Applications/" + relative, identifier, entries);
    }
    // A file of `size` bytes at `relative` in the Library.
    std::string file(const std::string& relative, std::int64_t size = 10) {
        return dir.makeFileOfSize("home/Library/" + relative, size);
    }
    // A folder at `relative` in the Library holding one file of `size` bytes.
    std::string folder(const std::string& relative, std::int64_t size = 10) {
        dir.makeFileOfSize("home/Library/" + relative + "/data", size);
        return library + "/" + relative;
    }
    ApplicationReport inspect(const ApplicationInventory& inventory = ApplicationInventory()) {
        const CancellationFlag flag;
        return inventory.inspect(std::vector<std::string>{apps}, home, flag);
    }
};

const InstalledApplication& named(const ApplicationReport& report, const std::string& name) {
    const auto it = std::find_if(report.apps.begin(), report.apps.end(),
                                 [&](const InstalledApplication& a) { return a.name == name; });
    if (it == report.apps.end())
        throw std::runtime_error("no application named " + name);
    return *it;
}

std::vector<std::string> names(const ApplicationReport& report) {
    std::vector<std::string> out;
    for (const InstalledApplication& a : report.apps)
        out.push_back(a.name);
    std::sort(out.begin(), out.end());
    return out;
}

struct Attribution {
    std::string match;
    std::string category;
    bool shared = false;
    friend bool operator==(const Attribution&, const Attribution&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Attribution& a) {
        return os << "{" << a.match << ", " << a.category << ", " << (a.shared ? "shared" : "own") << "}";
    }
};

std::map<std::string, Attribution> attributions(const InstalledApplication& app) {
    std::map<std::string, Attribution> out;
    for (const AppSupportFile& item : app.support)
        out[item.node.path] = {item.match, item.category, item.isShared};
    return out;
}

std::vector<std::string> orphanIDs(const ApplicationReport& report) {
    std::vector<std::string> out;
    for (const OrphanCandidate& o : report.orphans)
        out.push_back(o.bundleID);
    std::sort(out.begin(), out.end());
    return out;
}

std::shared_ptr<const ScanFileSystem> failingOpen(std::function<bool(const std::string&)> fails, int error) {
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->open = [fails = std::move(fails), error](const std::string& path) {
        return fails(path) ? error : 0;
    };
    return hooks;
}

// ---- finding applications

TEST_F(ApplicationInventoryTest, NothingToFindGivesAnEmptyReport) {
    const CancellationFlag flag;
    const ApplicationReport report =
        ApplicationInventory().inspect(std::vector<std::string>{dir / "Missing"}, home, flag);
    EXPECT_TRUE(report.apps.empty());
    EXPECT_TRUE(report.orphans.empty());
    EXPECT_TRUE(report.issues.empty());
}

TEST_F(ApplicationInventoryTest, ApplicationsAreFoundUpToFourLevelsDownAndNeverInsideAnotherBundle) {
    app("One.app", "com.example.one");
    app("a/b/c/Four.app", "com.example.four");
    app("a/b/c/d/Five.app", "com.example.five");
    app("Upper.APP", "com.example.upper");
    app(".Hidden.app", "com.example.hidden");
    app("a/.hidden/Under.app", "com.example.under");
    app("One.app/Contents/Inner.app", "com.example.inner");
    app("NoIdentifier.app", std::nullopt);
    dir.makeFile("Applications/Plain.app", "a file, not a bundle");
    const ApplicationReport report = inspect();
    EXPECT_EQ(names(report), (std::vector<std::string>{"Four", "One"}));
    EXPECT_TRUE(report.issues.empty());
}

TEST_F(ApplicationInventoryTest, LinkedFoldersInsideAnApplicationFolderAreNotFollowed) {
    makeBundle(dir, "Elsewhere/Away.app", "com.example.away");
    dir.makeSymlink("Applications/Shortcut", "../Elsewhere");
    EXPECT_TRUE(inspect().apps.empty());
}

TEST_F(ApplicationInventoryTest, ABundleReachedTwiceIsOneApplication) {
    const std::string bundle = app("Sub/Foo.app", "com.example.foo");
    dir.makeSymlink("Linked", "Applications/Sub");
    const std::string cache = folder("Caches/com.example.foo");
    int progressCalls = 0;
    const CancellationFlag flag;
    const ApplicationReport report =
        ApplicationInventory().inspect(std::vector<std::string>{apps, apps + "/Sub", dir / "Linked"}, home,
                                       flag, [&](const std::string&, int) { ++progressCalls; });
    ASSERT_EQ(report.apps.size(), 1u);
    EXPECT_EQ(report.apps[0].path, bundle);
    EXPECT_EQ(progressCalls, 1);
    EXPECT_EQ(attributions(report.apps[0]),
              (std::map<std::string, Attribution>{{cache, {"Bundle identifier", "Cache", false}}}));
}

TEST_F(ApplicationInventoryTest, RecordsNameIdentifierVersionAndLastUsedOfEachApplication) {
    const std::string plain =
        app("Plain.app", "com.example.plain", plistString("CFBundleShortVersionString", "1.2.3"));
    app("Missing.app", "com.example.missing");
    app("Number.app", "com.example.number", "<key>CFBundleShortVersionString</key><integer>3</integer>");
    app("Dotted.name.app", "com.example.dotted");
    ApplicationReport report = inspect();
    EXPECT_EQ(names(report), (std::vector<std::string>{"Dotted.name", "Missing", "Number", "Plain"}));
    const InstalledApplication& a = named(report, "Plain");
    EXPECT_EQ(a.path, plain);
    EXPECT_EQ(a.id(), plain);
    EXPECT_EQ(a.bundleID, "com.example.plain");
    EXPECT_EQ(a.version, "1.2.3");
    EXPECT_FALSE(a.lastUsed.has_value()); // nothing records it here
    ASSERT_TRUE(a.bundleScan);
    EXPECT_EQ(a.bundleScan->rootPath, plain);
    EXPECT_EQ(a.bundleScan->nodes.size(), 5u); // the bundle, Contents, Info.plist, MacOS, main
    EXPECT_EQ(named(report, "Missing").version, "—");
    EXPECT_EQ(named(report, "Number").version, "—");

    const Date used = Date::fromUnixSeconds(1700000000);
    report = inspect(ApplicationInventory().withLastUsed([&](const std::string& path) -> std::optional<Date> {
        return path == plain ? std::optional(used) : std::nullopt;
    }));
    EXPECT_EQ(named(report, "Plain").lastUsed, used);
    EXPECT_FALSE(named(report, "Missing").lastUsed.has_value());
}

TEST_F(ApplicationInventoryTest, ProgressNamesEachApplicationBeforeItIsMeasured) {
    app("A.app", "com.example.a");
    app("NoIdentifier.app", std::nullopt);
    app("B.app", "com.example.b");
    std::vector<std::pair<std::string, int>> reports;
    const CancellationFlag flag;
    const ApplicationReport report = ApplicationInventory().inspect(
        std::vector<std::string>{apps}, home, flag,
        [&](const std::string& name, int added) { reports.emplace_back(name, added); });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].second, 0);
    EXPECT_EQ(reports[1].second, 1);
    std::vector<std::string> reported{reports[0].first, reports[1].first};
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, (std::vector<std::string>{"A", "B"}));
}

// ---- support items

TEST_F(ApplicationInventoryTest, AttributesLibraryItemsByIdentifierNestedIdentifierAndName) {
    app("Foo.app", "com.example.foo");
    makeBundle(dir, "Applications/Foo.app/Contents/Library/LoginItems/Helper.app", "org.vendor.helper");
    struct Case {
        std::string relative;
        bool isFolder;
        std::optional<Attribution> expected; // absent: not attributed
    };
    const std::vector<Case> cases = {
        {"Application Support/com.example.foo", true,
         Attribution{"Bundle identifier", "Application Support"}},
        {"Application Support/FOO", true, Attribution{"App name · verify ownership", "Application Support"}},
        {"Logs/foo", true, Attribution{"App name · verify ownership", "Logs"}},
        {"Logs/Foo.log", false, std::nullopt},
        {"Caches/com.example.foo.agent", true, Attribution{"Bundle identifier", "Cache"}},
        {"Caches/com.example.fooagent", true, std::nullopt},
        {"Caches/Foo", true, std::nullopt}, // not a folder where the name alone counts
        {"Caches/org.vendor.helper", true, Attribution{"Bundle identifier", "Cache"}},
        {"Preferences/com.example.foo.plist", false, Attribution{"Bundle identifier", "Preferences"}},
        {"HTTPStorages/com.example.foo", true, Attribution{"Bundle identifier", "HTTP Storage"}},
        {"Saved Application State/com.example.foo.savedState", true,
         Attribution{"Bundle identifier", "Saved Application State"}},
        {"Containers/com.example.foo", true, Attribution{"Bundle identifier", "Container"}},
        {"Group Containers/com.example.foo", true, std::nullopt}, // groups only
        {"Group Containers/Foo", true, std::nullopt},
        {"WebKit/com.example.foo", true, Attribution{"Bundle identifier", "WebKit Data"}},
        {"Cookies/com.example.foo.binarycookies", false, Attribution{"Bundle identifier", "Cookies"}},
        {"LaunchAgents/com.example.foo.plist", false, Attribution{"Bundle identifier", "Launch Agent"}},
        {"Application Support/.com.example.foo", false, std::nullopt},
        {"Mail/com.example.foo", true, std::nullopt}, // not a Library folder that is searched
    };
    std::map<std::string, Attribution> expected;
    for (const Case& c : cases) {
        const std::string path = c.isFolder ? folder(c.relative) : file(c.relative);
        if (c.expected)
            expected[path] = *c.expected;
    }
    const ApplicationReport report = inspect();
    ASSERT_EQ(report.apps.size(), 1u);
    EXPECT_EQ(attributions(report.apps[0]), expected);
    EXPECT_TRUE(report.issues.empty());
}

TEST_F(ApplicationInventoryTest, NamesAreComparedIgnoringCaseBeyondAscii) {
    app("Ärger.app", "com.example.aerger");
    app("Bad\xff.app", "com.example.bad");
    const std::string folded = folder("Application Support/äRGER");
    folder("Application Support/Arger");
    folder("Application Support/Bad\xfe"); // both names decode alike, but are different names
    const std::string sameBytes = folder("Logs/Bad\xff");
    const ApplicationReport report = inspect();
    EXPECT_EQ(attributions(named(report, "Ärger")),
              (std::map<std::string, Attribution>{
                  {folded, {"App name · verify ownership", "Application Support"}}}));
    EXPECT_EQ(attributions(named(report, "Bad\xff")),
              (std::map<std::string, Attribution>{{sameBytes, {"App name · verify ownership", "Logs"}}}));
}

TEST_F(ApplicationInventoryTest, SupportItemsAreMeasuredAloneLargestFirst) {
    app("Foo.app", "com.example.foo");
    const std::string small = file("Preferences/com.example.foo.plist", 100);
    const std::string large = folder("Caches/com.example.foo", 50000);
    const std::string middle = folder("Application Support/com.example.foo", 9000);
    dir.makeFileOfSize("home/Library/Application Support/com.example.foo/more", 100);
    const ApplicationReport report = inspect();
    ASSERT_EQ(report.apps.size(), 1u);
    const InstalledApplication& a = report.apps[0];
    ASSERT_EQ(a.support.size(), 3u);
    EXPECT_EQ(a.support[0].id(), large);
    EXPECT_EQ(a.support[1].id(), middle);
    EXPECT_EQ(a.support[2].id(), small);

    const AppSupportFile& plist = a.support[2];
    EXPECT_EQ(plist.scan->nodes.size(), 1u);
    EXPECT_EQ(plist.scan->rootPath, small);
    EXPECT_FALSE(plist.node.isDirectory);
    EXPECT_EQ(plist.node.logicalSize, 100);
    EXPECT_EQ(plist.node.allocatedSize, allocatedSize(small));
    EXPECT_EQ(plist.node.fileCount, 1);
    EXPECT_EQ(plist.node.identity, FileIdentity::read(small).first);

    const AppSupportFile& support = a.support[1];
    EXPECT_TRUE(support.node.isDirectory);
    EXPECT_EQ(support.scan->nodes.size(), 3u);
    EXPECT_EQ(support.node.logicalSize, 9100);
    EXPECT_EQ(support.node.allocatedSize, allocatedSize(middle + "/data") + allocatedSize(middle + "/more"));

    std::int64_t expected = a.bundleScan->root()->allocatedSize;
    for (const AppSupportFile& item : a.support)
        expected += item.node.allocatedSize;
    EXPECT_EQ(a.bytes(), expected);
}

TEST_F(ApplicationInventoryTest, KnownProductDataFoldersAreAttributed) {
    app("Chrome.app", "com.google.Chrome");
    app("Code.app", "com.microsoft.VSCode");
    const std::string chromeData = folder("Application Support/Google/Chrome");
    const std::string chromeCache = folder("Caches/Google/Chrome");
    const std::string codeData = folder("Application Support/Code");
    folder("Caches/Google/Other");
    folder("Caches/BraveSoftware/Brave-Browser"); // that browser is not installed
    const ApplicationReport report = inspect();
    EXPECT_EQ(attributions(named(report, "Chrome")),
              (std::map<std::string, Attribution>{
                  {chromeData, {"Known product data directory", "Application Support"}},
                  {chromeCache, {"Known product data directory", "Cache"}},
              }));
    // The folder "Code" in Application Support is named like the application and is its known folder: it is
    // listed once, by name.
    EXPECT_EQ(attributions(named(report, "Code")),
              (std::map<std::string, Attribution>{
                  {codeData, {"App name · verify ownership", "Application Support"}},
              }));
}

TEST_F(ApplicationInventoryTest, DeclaredGroupsClaimGroupContainers) {
    const std::string a = app("A.app", "com.example.a");
    const std::string b = app("B.app", "com.example.b");
    const std::string c = app("C.app", std::nullopt); // declares a group, but is no application of the report
    const std::string own = folder("Group Containers/group.a");
    const std::string both = folder("Group Containers/group.both");
    const std::string withSkipped = folder("Group Containers/group.c");
    const std::map<std::string, ApplicationOwnership> ownership = {
        {a, {{"com.example.a"}, {"group.a", "group.both", "group.c"}}},
        {b, {{"com.example.b"}, {"group.both"}}},
        {c, {{"com.example.c"}, {"group.c"}}},
    };
    const ApplicationReport report =
        inspect(ApplicationInventory([&](const std::string& path) { return ownership.at(path); }));
    EXPECT_EQ(attributions(named(report, "A")),
              (std::map<std::string, Attribution>{
                  {own, {"Declared app group", "Group Container", false}},
                  {both, {"Shared with another installed app", "Group Container", true}},
                  {withSkipped,
                   {"Declared app group · shared with another installed app", "Group Container", true}},
              }));
    EXPECT_EQ(attributions(named(report, "B")),
              (std::map<std::string, Attribution>{
                  {both, {"Shared with another installed app", "Group Container", true}},
              }));
}

TEST_F(ApplicationInventoryTest, AnItemTwoApplicationsClaimIsSharedCountedByBothAndMeasuredOnce) {
    app("A.app", "com.example.a");
    app("B.app", "com.example.b");
    makeBundle(dir, "Applications/B.app/Contents/PlugIns/Bridge.appex", "com.example.a.bridge");
    const std::string shared = folder("Caches/com.example.a.bridge", 5000);
    const std::string ownA = file("Preferences/com.example.a.plist");
    const ApplicationReport report = inspect();
    const InstalledApplication& a = named(report, "A");
    const InstalledApplication& b = named(report, "B");
    EXPECT_EQ(attributions(a), (std::map<std::string, Attribution>{
                                   {shared, {"Shared with another installed app", "Cache", true}},
                                   {ownA, {"Bundle identifier", "Preferences", false}},
                               }));
    EXPECT_EQ(attributions(b), (std::map<std::string, Attribution>{
                                   {shared, {"Shared with another installed app", "Cache", true}},
                               }));
    EXPECT_EQ(a.support[0].scan.get(), b.support[0].scan.get());
    EXPECT_EQ(b.bytes(), b.bundleScan->root()->allocatedSize + b.support[0].node.allocatedSize);
    EXPECT_EQ(a.uninstallSupport().size(), 1u);
    EXPECT_EQ(a.uninstallSupport()[0].id(), ownA);
    EXPECT_TRUE(b.uninstallSupport().empty());
    EXPECT_TRUE(report.orphans.empty());
}

TEST_F(ApplicationInventoryTest, ApplicationsAreOrderedByTheirTotalSize) {
    app("Small.app", "com.example.small");
    app("Big.app", "com.example.big");
    app("Middle.app", "com.example.middle");
    dir.makeFileOfSize("Applications/Middle.app/Contents/Resources/data", 40000);
    folder("Caches/com.example.big", 120000);
    const ApplicationReport report = inspect();
    std::vector<std::string> order;
    for (const InstalledApplication& a : report.apps)
        order.push_back(a.name);
    EXPECT_EQ(order, (std::vector<std::string>{"Big", "Middle", "Small"}));
}

TEST_F(ApplicationInventoryTest, ItemsThatCannotBeMeasuredAreLeftOutSilently) {
    app("Foo.app", "com.example.foo");
    const std::string readable = folder("Caches/com.example.foo.a");
    const std::string unreadable = folder("Caches/com.example.foo.b");
    dir.makeSymlink("home/Library/Caches/com.example.foo.link", "nowhere");
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->status = [&](const std::string& path, FileStatus&) {
        return path == unreadable ? EIO : 0;
    };
    const ApplicationReport report = inspect(ApplicationInventory().withFileSystemHooks(hooks));
    ASSERT_EQ(report.apps.size(), 1u);
    const auto found = attributions(report.apps[0]);
    EXPECT_TRUE(found.contains(readable));
    EXPECT_FALSE(found.contains(unreadable));
    // A link is measured as itself, never followed.
    ASSERT_TRUE(found.contains(library + "/Caches/com.example.foo.link"));
    EXPECT_TRUE(report.issues.empty());
}

TEST_F(ApplicationInventoryTest, ABundleThatCannotBeMeasuredBecomesAnIssue) {
    const std::string broken = app("Broken.app", "com.example.broken");
    app("Fine.app", "com.example.fine");
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->status = [&](const std::string& path, FileStatus&) {
        return path == broken ? EACCES : 0;
    };
    const ApplicationReport report = inspect(ApplicationInventory().withFileSystemHooks(hooks));
    EXPECT_EQ(names(report), std::vector<std::string>{"Fine"});
    EXPECT_EQ(report.issues, std::vector<std::string>{"Broken: Permission denied"});
}

TEST_F(ApplicationInventoryTest, ReadingFailuresBecomeIssuesUpToTheEnumerationLimit) {
    for (int i = 0; i < 105; ++i)
        dir.makeDir("Applications/Folder" + std::to_string(i));
    app("Folder7/Inside.app", "com.example.inside");
    dir.makeDir("home/Library/Caches");
    dir.makeDir("home/Library/Logs");
    const auto hooks = failingOpen(
        [&](const std::string& path) {
            return path.find("/Applications/Folder") != std::string::npos || path.ends_with("/Caches") ||
                   path.ends_with("/Logs");
        },
        EACCES);
    const ApplicationReport report = inspect(ApplicationInventory().withFileSystemHooks(hooks));
    EXPECT_TRUE(report.apps.empty());
    ASSERT_EQ(report.issues.size(), 102u);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_TRUE(report.issues[i].starts_with("Folder")) << report.issues[i];
        EXPECT_TRUE(report.issues[i].ends_with(": Permission denied")) << report.issues[i];
    }
    // Library folders that exist but cannot be listed are reported beyond the limit; missing ones are not.
    EXPECT_EQ(report.issues[100], "Caches: Permission denied");
    EXPECT_EQ(report.issues[101], "Logs: Permission denied");
}

TEST_F(ApplicationInventoryTest, AnApplicationFolderThatCannotBeListedIsSkippedSilently) {
    app("Foo.app", "com.example.foo");
    const ApplicationReport report = inspect(ApplicationInventory().withFileSystemHooks(
        failingOpen([&](const std::string& p) { return p == apps; }, EACCES)));
    EXPECT_TRUE(report.apps.empty());
    EXPECT_TRUE(report.issues.empty());
}

// ---- leftovers

TEST_F(ApplicationInventoryTest, LeftoversAreItemsNamedLikeIdentifiersOfNoInstalledApplication) {
    app("Foo.app", "com.example.foo");
    // Owned through a nested bundle of an application that is itself not listed (it has no identifier).
    app("Anonymous.app", std::nullopt);
    makeBundle(dir, "Applications/Anonymous.app/Contents/PlugIns/Part.appex", "org.vendor.part");
    struct Case {
        std::string relative;
        std::optional<std::string> candidate; // absent: not a leftover
    };
    const std::vector<Case> cases = {
        {"Preferences/com.vendor.gone.plist", "com.vendor.gone"},
        {"Preferences/vendor.gone.plist", std::nullopt}, // two pieces
        {"Preferences/com..gone.plist", std::nullopt},   // empty pieces do not count
        {"Preferences/com.apple.finder.plist", std::nullopt},
        {"Caches/com.vendor.saved.savedState.plist", "com.vendor.saved"},
        {"Caches/com.vendor.cache", "com.vendor.cache"},
        {"Caches/a.b.c", "a.b.c"},
        {"Caches/com.example.foo.old", std::nullopt}, // claimed by Foo
        {"Caches/com.example.fooish", "com.example.fooish"},
        {"Caches/org.vendor.part.cache", std::nullopt}, // owned, though no listed application claims it
        {"Caches/com.ambertrove.Ambertrove", std::nullopt},
        {"Caches/com.ambertrove.helper.plist", std::nullopt},
        {"HTTPStorages/com.vendor.web.binarycookies", "com.vendor.web"},
        {"Saved Application State/com.vendor.window.savedState", "com.vendor.window"},
        {"Application Support/com.vendor.support", std::nullopt}, // not a leftover folder
        {"Logs/com.vendor.logs", std::nullopt},
        {"Containers/com.vendor.container", std::nullopt},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        folder(c.relative);
        if (c.candidate)
            expected.push_back(*c.candidate);
    }
    std::sort(expected.begin(), expected.end());
    const ApplicationReport report = inspect();
    EXPECT_EQ(orphanIDs(report), expected);
    for (const OrphanCandidate& o : report.orphans) {
        ASSERT_TRUE(o.scan);
        EXPECT_EQ(o.scan->rootPath, o.id());
        EXPECT_EQ(o.node.path, o.id());
    }
}

TEST_F(ApplicationInventoryTest, LeftoversAreOrderedLargestFirstAndMeasuredAlone) {
    const std::string small = file("Preferences/com.vendor.small.plist", 10);
    const std::string large = folder("Caches/com.vendor.large", 70000);
    const std::string middle = file("Caches/com.vendor.middle", 20000);
    const ApplicationReport report = inspect();
    ASSERT_EQ(report.orphans.size(), 3u);
    EXPECT_EQ(report.orphans[0].id(), large);
    EXPECT_EQ(report.orphans[1].id(), middle);
    EXPECT_EQ(report.orphans[2].id(), small);
    EXPECT_EQ(report.orphans[1].node.allocatedSize, allocatedSize(middle));
    EXPECT_EQ(report.orphans[2].bundleID, "com.vendor.small");
}

// ---- default folders and the system Library

TEST_F(ApplicationInventoryTest, DefaultFoldersIncludeTheSystemLibrary) {
    const std::string root = dir.makeDir("root");
    makeBundle(dir, "root/Applications/Sys.app", "com.example.sys");
    makeBundle(dir, "root/System/Applications/Core.app", "com.example.core");
    makeBundle(dir, "home/Applications/Mine.app", "com.example.mine");
    const std::string sysSupport =
        dir.makeFileOfSize("root/Library/Application Support/com.example.sys/data", 10);
    const std::string sysByName = dir.makeFileOfSize("root/Library/Application Support/sys", 10);
    const std::string sysPrefs = dir.makeFileOfSize("root/Library/Preferences/com.example.sys.plist", 10);
    const std::string sysCache = dir.makeFileOfSize("root/Library/Caches/com.example.sys", 10);
    const std::string sysDaemon = dir.makeFileOfSize("root/Library/LaunchDaemons/com.example.sys.plist", 10);
    dir.makeFileOfSize("root/Library/Caches/com.vendor.gone", 10);   // no leftovers from the system Library
    dir.makeFileOfSize("root/Library/Logs/com.example.sys.log", 10); // not a system folder that is searched
    const CancellationFlag flag;
    const ApplicationReport report =
        ApplicationInventory().withSystemRoot(root).inspect(std::nullopt, home, flag);
    EXPECT_EQ(names(report), (std::vector<std::string>{"Core", "Mine", "Sys"}));
    EXPECT_EQ(attributions(named(report, "Sys")),
              (std::map<std::string, Attribution>{
                  {root + "/Library/Application Support/com.example.sys",
                   {"Bundle identifier", "Application Support (System)"}},
                  {sysByName, {"App name · verify ownership", "Application Support (System)"}},
                  {sysPrefs, {"Bundle identifier", "Preferences (System)"}},
                  {sysCache, {"Bundle identifier", "Caches (System)"}},
                  {sysDaemon, {"Bundle identifier", "LaunchDaemons (System)"}},
              }));
    EXPECT_TRUE(report.orphans.empty());
    EXPECT_TRUE(report.issues.empty());
    (void)sysSupport;
}

TEST_F(ApplicationInventoryTest, GivenFoldersLeaveTheSystemLibraryUnread) {
    const std::string root = dir.makeDir("root");
    app("Sys.app", "com.example.sys");
    dir.makeFileOfSize("root/Library/Preferences/com.example.sys.plist", 10);
    const std::string user = file("Preferences/com.example.sys.plist");
    const CancellationFlag flag;
    const ApplicationReport report =
        ApplicationInventory().withSystemRoot(root).inspect(std::vector<std::string>{apps}, home, flag);
    EXPECT_EQ(attributions(named(report, "Sys")),
              (std::map<std::string, Attribution>{{user, {"Bundle identifier", "Preferences"}}}));
}

// ---- cancellation

TEST_F(ApplicationInventoryTest, ACancelledRunReturnsNoReport) {
    app("Foo.app", "com.example.foo");
    folder("Caches/com.vendor.gone");
    CancellationFlag before;
    before.cancel();
    EXPECT_THROW((void)ApplicationInventory().inspect(std::vector<std::string>{apps}, home, before),
                 CancellationError);

    // Stopped while the bundle is measured.
    CancellationFlag during;
    EXPECT_THROW((void)ApplicationInventory().inspect(std::vector<std::string>{apps}, home, during,
                                                      [&](const std::string&, int) { during.cancel(); }),
                 CancellationError);
}

TEST_F(ApplicationInventoryTest, CancellingDuringTheLeftoverSearchThrows) {
    app("Foo.app", "com.example.foo");
    const std::string first = folder("Caches/com.vendor.first");
    folder("Preferences/com.vendor.second");
    CancellationFlag flag;
    bool stopped = false;
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->status = [&](const std::string& path, FileStatus&) {
        if (path == first) {
            flag.cancel();
            stopped = true;
        }
        return 0;
    };
    EXPECT_THROW((void)ApplicationInventory().withFileSystemHooks(hooks).inspect(
                     std::vector<std::string>{apps}, home, flag),
                 CancellationError);
    EXPECT_TRUE(stopped);
}

// ---- uninstall entries

class UninstallTest : public ApplicationInventoryTest {
protected:
    std::string dataHome = dir.makeDir("home/.local/share");
    std::string proc = dir.makeDir("proc");
    int policiesMade = 0;
    InstalledApplication::PolicyFactory policy = [this] {
        ++policiesMade;
        return CleanupPolicy(home, dataHome, proc);
    };
};

std::vector<std::pair<std::string, std::string>> pathsAndReasons(const std::vector<CleanupEntry>& entries) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const CleanupEntry& e : entries)
        out.emplace_back(e.node.path, e.reason);
    return out;
}

TEST_F(UninstallTest, AnApplicationWithoutSupportItemsIsOneEntry) {
    const std::string bundle = app("Foo.app", "com.example.foo");
    const ApplicationReport report = inspect();
    ASSERT_EQ(report.apps.size(), 1u);
    const InstalledApplication& a = report.apps[0];
    EXPECT_EQ(a.bytes(), a.bundleScan->root()->allocatedSize);
    const std::vector<CleanupEntry> entries = a.cleanupEntries(policy);
    EXPECT_EQ(pathsAndReasons(entries),
              (std::vector<std::pair<std::string, std::string>>{{bundle, "Uninstall Foo"}}));
    EXPECT_EQ(entries[0].identities.size(), a.bundleScan->nodes.size());
    EXPECT_EQ(policiesMade, 1);
}

TEST_F(UninstallTest, SupportItemsFollowTheBundleExceptSharedOnesAndCoveredOnes) {
    const std::string bundle = app("Google.app", "com.google.Chrome");
    app("Other.app", "com.example.other");
    makeBundle(dir, "Applications/Other.app/Contents/PlugIns/Share.appex", "com.google.Chrome.share");
    const std::string byName = folder("Application Support/Google");
    folder("Application Support/Google/Chrome");              // inside the folder above
    const std::string cache = folder("Caches/Google/Chrome"); // known product data
    const std::string prefs = file("Preferences/com.google.Chrome.plist");
    folder("Caches/com.google.Chrome.share"); // shared with Other
    const ApplicationReport report = inspect();
    const InstalledApplication& a = named(report, "Google");
    EXPECT_EQ(a.support.size(), 5u);
    const std::vector<CleanupEntry> entries = a.cleanupEntries(policy);
    EXPECT_EQ(policiesMade, 1); // one for the bundle and the four items of its own
    std::vector<std::pair<std::string, std::string>> expected = {
        {bundle, "Uninstall Google"},
        {byName, "Uninstall Google · Application Support"},
        {cache, "Uninstall Google · Cache"},
        {prefs, "Uninstall Google · Preferences"},
    };
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& x, const auto& y) { return x.first.size() < y.first.size(); });
    auto got = pathsAndReasons(entries);
    // Entries of equal path length keep the order of the support list, which follows sizes; compare as sets.
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_LE(entries[i - 1].node.path.size(), entries[i].node.path.size());
}

TEST_F(UninstallTest, AnItemInsideTheBundleGoesWithTheBundle) {
    const std::string bundle = app("Foo.app", "com.example.foo");
    const ApplicationReport report = inspect();
    InstalledApplication a = report.apps.at(0);
    const std::string inside = dir.makeFileOfSize("Applications/Foo.app/Contents/Resources/cache", 10);
    const CancellationFlag flag;
    const auto scan =
        std::make_shared<const ScanResult>(DiskScanner().scan(bundle + "/Contents/Resources", flag));
    a.support.push_back(AppSupportFile{*scan->root(), scan, "Bundle identifier", "Cache", false});
    // The bundle's own scan predates the new file; stage from a fresh one.
    a.bundleScan = std::make_shared<const ScanResult>(DiskScanner().scan(bundle, flag));
    EXPECT_EQ(pathsAndReasons(a.cleanupEntries(policy)),
              (std::vector<std::pair<std::string, std::string>>{{bundle, "Uninstall Foo"}}));
    (void)inside;
}

TEST_F(UninstallTest, FailuresStageNothing) {
    app("Foo.app", "com.example.foo");
    const std::string prefs = folder("Preferences/com.example.foo");
    const ApplicationReport report = inspect();
    const InstalledApplication& measured = report.apps.at(0);

    InstalledApplication unmeasured = measured;
    unmeasured.bundleScan = std::make_shared<const ScanResult>();
    EXPECT_EQ(errorText([&] { (void)unmeasured.cleanupEntries(policy); }),
              "The app bundle could not be measured.");
    unmeasured.bundleScan = nullptr;
    EXPECT_EQ(errorText([&] { (void)unmeasured.cleanupEntries(policy); }),
              "The app bundle could not be measured.");
    EXPECT_EQ(policiesMade, 0);

    // An item whose scan was incomplete is refused in the staging's own words.
    InstalledApplication partial = measured;
    ASSERT_EQ(partial.support.size(), 1u);
    auto scan = std::make_shared<ScanResult>(*partial.support[0].scan);
    scan->issues.push_back(ScanIssue{prefs + "/data", "Permission denied"});
    partial.support[0].scan = scan;
    EXPECT_EQ(errorText([&] { (void)partial.cleanupEntries(policy); }),
              "This item was not fully scanned. Resolve access errors and scan again before cleanup.");

    // An item the policy refuses.
    InstalledApplication refused = measured;
    const CancellationFlag flag;
    const auto root = std::make_shared<const ScanResult>(DiskScanner().scan(library + "/Preferences", flag));
    refused.support[0] = AppSupportFile{*root->root(), root, "Bundle identifier", "Preferences", false};
    EXPECT_EQ(errorText([&] { (void)refused.cleanupEntries(policy); }),
              "This is a protected root folder. Select individual items inside it.");
}

} // namespace
} // namespace ambertrove
