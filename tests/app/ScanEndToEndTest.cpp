#include "AppModelFixture.hpp"

#include "controller/KeyedQuery.hpp"
#include "support/TempDir.hpp"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace ambertrove {
namespace {

using test::AppModelFixture;

// The controller with its real runner and the real scanner, on a small folder tree.
class ScanEndToEndTest : public AppModelFixture {
protected:
    AppModel& makeThreaded() {
        AppEnvironment env = environment();
        env.runner.reset(); // the real threads
        runner = nullptr;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    // Waits on the scan signals until `done` holds.
    template <typename Condition> bool waitFor(AppModel& m, Condition done) {
        QSignalSpy changes(&m, &AppModel::scanChanged);
        while (!done()) {
            if (!changes.wait(10'000))
                return done();
        }
        return true;
    }

    test::TempDir tree;
};

TEST_F(ScanEndToEndTest, AScanOfARealFolderIsInstalledAndItsFoldersCanBeBrowsed) {
    tree.makeFileOfSize("docs/report.txt", 5000);
    tree.makeFileOfSize("docs/old/notes.md", 3000);
    tree.makeFileOfSize("pictures/photo.png", 20000);
    tree.makeFileOfSize(".hidden", 10);
    timing.queryPause = std::chrono::milliseconds(0);
    AppModel& m = makeThreaded();

    m.startScan(tree.path(), false);
    ASSERT_TRUE(waitFor(m, [&] { return !m.scanning(); }));
    ASSERT_NE(m.scan(), nullptr);
    EXPECT_EQ(m.error(), std::nullopt);
    EXPECT_EQ(m.scan()->rootPath, tree.path());
    EXPECT_EQ(m.focus()->path, tree.path());
    EXPECT_TRUE(m.notice()->startsWith(QStringLiteral("Scan complete — ")));
    EXPECT_EQ(m.recent().front(), tree.path());
    EXPECT_GE(m.focus()->logicalSize, 28'010);
    EXPECT_EQ(m.folderTypes().count(tree / "docs"), 1u);

    // The children by size; the hidden file goes when hidden files are left out.
    std::vector<std::string> names;
    for (const DiskNode& child : m.currentChildren())
        names.push_back(child.name());
    EXPECT_EQ(names.size(), 3u);
    m.setShowHidden(false);
    EXPECT_EQ(m.currentChildren().size(), 2u);

    // A folder's type totals come from a background query.
    m.browseLocation(tree / "docs");
    EXPECT_EQ(m.focusPath(), tree / "docs");
    ASSERT_TRUE(waitFor(m, [&] { return m.folderTypes().count(tree / "docs/old") == 1; }));

    // A view's keyed listing, answered on the query threads.
    QEventLoop loop;
    KeyedQuery<ExplorerQueryKey, std::vector<std::string>> listing(m, [&] { loop.quit(); });
    const ExplorerQueryKey key = m.queryKey("");
    listing.request(
        key, [scan = m.scan(), focus = key.focus, filter = key.filter](const TaskCancellation& cancellation) {
            return filter.paths(*scan, focus, true, cancellation);
        });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(listing.value().has_value());
    EXPECT_TRUE(listing.isCurrent(key));
    EXPECT_EQ(listing.value()->size(), 3u);
}

} // namespace
} // namespace ambertrove
