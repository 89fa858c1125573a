// The Applications section on the real controller and the real inventory, over application bundles and
// Library files made for each test: the list and its filters, the detail pane with its footprint and
// uninstall, the leftovers pane and its staging.
#include "ScreenTestSupport.hpp"

#include "applications/ApplicationInventory.hpp"
#include "model/Formatting.hpp"
#include "screens/ApplicationDetail.hpp"
#include "screens/ApplicationRowDelegate.hpp"
#include "screens/ApplicationsView.hpp"
#include "screens/FootprintBar.hpp"
#include "screens/LeftoverRowDelegate.hpp"
#include "screens/LeftoversPane.hpp"
#include "screens/SupportFileDelegate.hpp"
#include "screens/UninstallButton.hpp"
#include "screens/VersionChip.hpp"
#include "shell/FilterField.hpp"
#include "shell/PlainButton.hpp"
#include "support/BundleFixture.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/TroveButton.hpp"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <atomic>
#include <sys/stat.h>

namespace ambertrove::test {
namespace {

std::int64_t allocatedSize(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return std::int64_t(st.st_blocks) * 512;
}

// Two applications in "Applications" with a home whose Library holds files of one of them and two
// leftovers of removed ones. Inventories run the real inventory over that folder and home.
class ApplicationsScreenTest : public ScreenTest {
protected:
    ApplicationsScreenTest() {
        applications = folder.makeDir("Applications");
        home = folder.makeDir("home");
        editor = makeBundle(folder, "Applications/Editor.app", "com.example.editor",
                            plistString("CFBundleShortVersionString", "2.4"));
        folder.makeFileOfSize("Applications/Editor.app/Contents/Resources/data", 60000);
        viewer = makeBundle(folder, "Applications/Viewer.app", "com.example.viewer");
        editorCache = folder.makeFileOfSize("home/Library/Caches/com.example.editor/data", 30000);
        editorPreferences = folder.makeFileOfSize("home/Library/Preferences/com.example.editor.plist", 500);
        goneCache = folder.makeFileOfSize("home/Library/Caches/com.vendor.gone/data", 9000);
        gonePreferences = folder.makeFileOfSize("home/Library/Preferences/com.other.old.plist", 200);
        services.applications = [this](const std::string&, const CancellationFlag& flag,
                                       const ApplicationInventory::ProgressCallback& progress) {
            ++inventories;
            ApplicationReport report =
                ApplicationInventory().inspect(std::vector<std::string>{applications}, home, flag, progress);
            report.issues.insert(report.issues.end(), extraIssues.begin(), extraIssues.end());
            return report;
        };
    }

    // The screen after its first inventory has run.
    ApplicationsView& inventoried() {
        auto* view = enter<ApplicationsView>(AppSection::applications);
        EXPECT_NE(view, nullptr);
        runner->runAll();
        settle();
        return *shown<ApplicationsView>();
    }

    [[nodiscard]] QStringList listed(const ApplicationsView& view) const {
        QStringList names;
        for (int row = 0; row < view.list()->model()->rowCount(); ++row)
            names.push_back(view.list()->model()->index(row, 0).data().toString());
        return names;
    }

    [[nodiscard]] const InstalledApplication& app(const std::string& path) const {
        for (const InstalledApplication& a : model->appReport()->apps)
            if (a.path == path)
                return a;
        throw std::runtime_error("no application at " + path);
    }

    std::string applications;
    std::string home;
    std::string editor;
    std::string viewer;
    std::string editorCache;
    std::string editorPreferences;
    std::string goneCache;
    std::string gonePreferences;
    std::vector<std::string> extraIssues;
    std::atomic<int> inventories = 0;
};

TEST_F(ApplicationsScreenTest, ShowingTheScreenStartsOneInventoryAndNoMoreWhileOneRunsOrAResultIsThere) {
    ApplicationsView* view = enter<ApplicationsView>(AppSection::applications);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(model->inspectingApps());
    EXPECT_EQ(view->body(), ApplicationsView::Body::progress);
    EXPECT_EQ(view->progressLabel()->text(), QStringLiteral("Discovering applications…"));
    EXPECT_TRUE(view->cancelButton()->isVisible());
    EXPECT_EQ(view->cancelButton()->toolTip(), QStringLiteral("Cancel"));
    EXPECT_FALSE(view->refreshButton()->isVisible());

    // Entering again while it runs starts none.
    model->setSection(AppSection::explore);
    settle();
    model->setSection(AppSection::applications);
    settle();
    runner->runAll();
    settle();
    EXPECT_EQ(inventories, 1);
    view = shown<ApplicationsView>();
    EXPECT_EQ(view->body(), ApplicationsView::Body::list);
    EXPECT_EQ(view->refreshButton()->toolTip(), QStringLiteral("Rescan applications"));

    // Nor with a result.
    model->setSection(AppSection::explore);
    settle();
    model->setSection(AppSection::applications);
    settle();
    EXPECT_EQ(runner->pending(), 0u);
    EXPECT_FALSE(model->inspectingApps());

    // The refresh button runs it again; its cancel returns to the list.
    QTest::mouseClick(shown<ApplicationsView>()->refreshButton(), Qt::LeftButton);
    EXPECT_TRUE(model->inspectingApps());
    EXPECT_EQ(shown<ApplicationsView>()->body(), ApplicationsView::Body::progress);
    QTest::mouseClick(shown<ApplicationsView>()->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(model->inspectingApps());
    EXPECT_EQ(shown<ApplicationsView>()->body(), ApplicationsView::Body::list);
    runner->runAll();
    EXPECT_EQ(inventories, 2);
}

TEST_F(ApplicationsScreenTest, ACancelledFirstInventoryOffersTheRescanButton) {
    ApplicationsView* view = enter<ApplicationsView>(AppSection::applications);
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(view->body(), ApplicationsView::Body::rescan);
    EXPECT_EQ(view->rescanButton()->label(), QStringLiteral("Rescan applications"));
    QTest::mouseClick(view->rescanButton(), Qt::LeftButton);
    EXPECT_TRUE(model->inspectingApps());
    EXPECT_EQ(view->body(), ApplicationsView::Body::progress);
    EXPECT_EQ(view->pane(), ApplicationsView::Pane::choose);
}

TEST_F(ApplicationsScreenTest, TheListShowsEachApplicationsFootprintAndItsLeftoverLine) {
    ApplicationsView& view = inventoried();
    // Editor's bundle and Library files outweigh Viewer's bundle: the report's order.
    EXPECT_EQ(listed(view), (QStringList{QStringLiteral("Editor"), QStringLiteral("Viewer")}));
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("2"));
    const InstalledApplication& e = app(editor);
    const std::int64_t support = allocatedSize(editorCache) + allocatedSize(editorPreferences);
    EXPECT_EQ(ApplicationDetail::supportBytes(e), support);
    EXPECT_EQ(ApplicationRowDelegate::leftoversText(e), QStringLiteral("+") +
                                                            QString::fromStdString(formattedBytes(support)) +
                                                            QStringLiteral(" leftovers"));
    EXPECT_EQ(e.bytes(), ApplicationDetail::bundleBytes(e) + support);
    EXPECT_EQ(ApplicationRowDelegate::leftoversText(app(viewer)), QStringLiteral("App bundle only"));
    EXPECT_FALSE(view.issuesLabel()->isVisible()) << "no issues, no line";
    EXPECT_EQ(view.pane(), ApplicationsView::Pane::choose);
    auto* invitation = qobject_cast<EmptyPanel*>(view.paneWidget());
    ASSERT_NE(invitation, nullptr);
    EXPECT_EQ(invitation->title(), QStringLiteral("Select an app"));
    EXPECT_EQ(invitation->subtitle(), QStringLiteral("View its size and associated files."));
}

TEST_F(ApplicationsScreenTest, WithNothingInstalledTheListSaysSoInItsOwnWords) {
    services.applications = [](const std::string& homeFolder, const CancellationFlag& flag,
                               const ApplicationInventory::ProgressCallback& progress) {
        // The application folders of the original platform do not exist here.
        return ApplicationInventory().inspect(
            std::vector<std::string>{"/Applications", "/System/Applications"}, homeFolder, flag, progress);
    };
    ApplicationsView& view = inventoried();
    ASSERT_TRUE(model->appReport());
    EXPECT_TRUE(model->appReport()->apps.empty());
    EXPECT_EQ(view.body(), ApplicationsView::Body::list);
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("0"));
    EXPECT_TRUE(view.noMatchBlock()->isVisible());
    EXPECT_FALSE(view.clearSearchButton()->isVisible()) << "no search text to clear";
}

TEST(ApplicationsFilter, SystemApplicationsAndNamesAreFilteredInTheReportsOrder) {
    ApplicationReport report;
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {"/System/Applications/Calculator.app", "Calculator"},
             {"/Applications/Calendar Pro.app", "Calendar Pro"},
             {"/Users/a/Applications/Notes.app", "Notes"},
             {"/SystemTools/Cal.app", "Cal"},
             {"/Applications/Bundle.app", "Bundle"}}) {
        InstalledApplication a;
        a.path = path;
        a.name = name;
        a.bundleID = "com.example.cal";
        report.apps.push_back(a);
    }
    struct Case {
        const char* filter;
        bool showSystem;
        std::vector<std::size_t> rows;
    };
    const std::vector<Case> cases = {
        {"", true, {0, 1, 2, 3, 4}}, {"", false, {1, 2, 3, 4}}, // only a path under "/System/" is hidden
        {"CAL", true, {0, 1, 3}},                               // any case
        {"cal", false, {1, 3}},      {"example", true, {}},     // the identifier is not searched
        {"Applications", true, {}},                             // nor the path
        {"pro", true, {1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplicationsView::visibleApps(report, QString::fromUtf8(c.filter), c.showSystem), c.rows)
            << c.filter << " " << c.showSystem;
}

TEST_F(ApplicationsScreenTest, TheSearchBoxAndTheOptionsNarrowTheList) {
    ApplicationsView& view = inventoried();
    EXPECT_TRUE(view.systemAction()->isChecked());
    EXPECT_EQ(view.systemAction()->text(), QStringLiteral("Show Apple system apps"));
    EXPECT_EQ(view.orphansAction()->text(), QStringLiteral("Leftovers from removed apps"));
    // No fixture lies under "/System/": the switch hides none of them.
    view.systemAction()->trigger();
    EXPECT_FALSE(view.showSystem());
    EXPECT_EQ(listed(view).size(), 2);

    QTest::keyClicks(view.searchBox()->edit(), QStringLiteral("VIEW"));
    EXPECT_EQ(model->filter(), QStringLiteral("VIEW"));
    EXPECT_EQ(listed(view), QStringList{QStringLiteral("Viewer")});
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("1"));

    model->setFilter(QStringLiteral("nothing like it"));
    EXPECT_EQ(view.searchBox()->text(), QStringLiteral("nothing like it"))
        << "the window's filter, shown here";
    EXPECT_TRUE(view.noMatchBlock()->isVisible());
    EXPECT_TRUE(view.clearSearchButton()->isVisible());
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("0"));
    QTest::mouseClick(view.clearSearchButton(), Qt::LeftButton);
    EXPECT_EQ(model->filter(), QString());
    EXPECT_EQ(listed(view).size(), 2);
    EXPECT_FALSE(view.noMatchBlock()->isVisible());
}

TEST_F(ApplicationsScreenTest, OneIssueIsOneAccessNoteAndTheTooltipListsTheFirstFifteen) {
    EXPECT_EQ(ApplicationsView::issuesText(1), QStringLiteral("1 access note"));
    EXPECT_EQ(ApplicationsView::issuesText(14), QStringLiteral("14 access notes"));
    extraIssues = {"Locked: Permission denied"};
    ApplicationsView* view = &inventoried();
    EXPECT_TRUE(view->issuesLabel()->isVisible());
    EXPECT_EQ(view->issuesLabel()->text(), QStringLiteral("1 access note"));

    extraIssues.clear();
    for (int i = 1; i <= 20; ++i)
        extraIssues.push_back("Folder" + std::to_string(i) + ": Permission denied <b>");
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    runner->runAll();
    settle();
    view = shown<ApplicationsView>();
    EXPECT_EQ(view->issuesLabel()->text(), QStringLiteral("20 access notes"));
    const QStringList lines =
        ApplicationsView::issuesToolTip(model->appReport()->issues).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines.front(), QStringLiteral("Folder1: Permission denied <b>"));
    EXPECT_EQ(lines.back(), QStringLiteral("Folder15: Permission denied <b>"));
    EXPECT_TRUE(view->issuesLabel()->toolTip().contains(QStringLiteral("&lt;b&gt;")))
        << "shown, not read as markup";
}

TEST(FootprintBarWidths, TheBundleTakesItsShareOfTheWidthLessTheGapAndTheSupportFilesTheRest) {
    struct Case {
        double width;
        std::int64_t bundle;
        std::int64_t total;
        double first;
        double second;
    };
    const std::vector<Case> cases = {
        {302, 0, 0, 0, 300},      // nothing measured: the support bar fills it
        {302, 100, 400, 75, 225}, // a quarter of 300
        {302, 400, 400, 300, 0},  // the bundle alone
        {1.5, 100, 400, 0, 0},    // narrower than the gap
        {2, 100, 100, 0, 0},      {102, 1, 1'000'000, 0.0001, 99.9999},
    };
    for (const Case& c : cases) {
        const auto [first, second] = FootprintBar::segments(c.width, c.bundle, c.total);
        EXPECT_NEAR(first, c.first, 1e-9) << c.width << " " << c.bundle << "/" << c.total;
        EXPECT_NEAR(second, c.second, 1e-9) << c.width << " " << c.bundle << "/" << c.total;
        EXPECT_GE(first, 0);
        EXPECT_GE(second, 0);
    }
}

TEST_F(ApplicationsScreenTest, ChoosingARowShowsItsDetailWithFootprintAndFiles) {
    ApplicationsView& view = inventoried();
    clickRow(*view.list(), 0);
    settle();
    EXPECT_EQ(model->selectedApp(), editor);
    ASSERT_EQ(view.pane(), ApplicationsView::Pane::detail);
    auto* detail = qobject_cast<ApplicationDetail*>(view.paneWidget());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->chip()->versionText(), QStringLiteral("v2.4"));
    EXPECT_EQ(detail->chip()->usedText(), QString()) << "never known here";
    EXPECT_EQ(detail->warning(), nullptr);
    ASSERT_NE(detail->fileList(), nullptr);
    EXPECT_EQ(detail->fileList()->model()->rowCount(), 2);
    // Largest first: the cache folder, then the preferences file.
    const QModelIndex first = detail->fileList()->model()->index(0, 0);
    EXPECT_EQ(first.data().toString(), QStringLiteral("com.example.editor"));
    EXPECT_EQ(first.data(Qt::ToolTipRole).toString(),
              QString::fromStdString(folder / "home/Library/Caches/com.example.editor") +
                  QStringLiteral("\nBundle identifier"));

    ASSERT_TRUE(detail->fileList()->button(1, SupportFileDelegate::reveal));
    EXPECT_EQ(detail->fileList()->button(1, SupportFileDelegate::reveal)->toolTip,
              QStringLiteral("Reveal in Finder"));

    // The uninstall is offered once the policy has answered.
    runner->runAll();
    settle();
    EXPECT_TRUE(detail->uninstallButton()->isEnabled());
    model->setStaging(true);
    EXPECT_FALSE(detail->uninstallButton()->isEnabled());
    model->setStaging(false);
    model->setCleaning(true);
    EXPECT_FALSE(detail->uninstallButton()->isEnabled());
    model->setCleaning(false);
    EXPECT_TRUE(detail->uninstallButton()->isEnabled());

    // A filter that hides the application keeps its detail.
    model->setFilter(QStringLiteral("Viewer"));
    EXPECT_EQ(view.pane(), ApplicationsView::Pane::detail);
    EXPECT_EQ(view.paneWidget(), detail);
    saveBothAppearances(QStringLiteral("screen-applications"), [this] {
        model->setFilter(QString());
        settle();
        if (auto* v = shown<ApplicationsView>())
            v->list()->viewport()->update();
    });
}

TEST_F(ApplicationsScreenTest, AnApplicationWithoutFilesOrMeasuredBundleShowsZerosAndNoFiles) {
    ApplicationsView& view = inventoried();
    clickRow(*view.list(), 1);
    auto* detail = qobject_cast<ApplicationDetail*>(view.paneWidget());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->fileList(), nullptr);
    ASSERT_NE(detail->noFilesLabel(), nullptr);
    EXPECT_EQ(detail->noFilesLabel()->text(), QStringLiteral("No associated files found."));
    EXPECT_EQ(ApplicationDetail::incompleteText(1),
              QStringLiteral("1 bundle paths could not be read. This footprint is incomplete."));
    EXPECT_EQ(ApplicationDetail::usedText(Date::fromUnixSeconds(1000),
                                          Date::fromUnixSeconds(1000 + 3 * 86400 + 50)),
              QStringLiteral("Used 3 days ago"));
    EXPECT_EQ(ApplicationDetail::usedText(Date::fromUnixSeconds(1000), Date::fromUnixSeconds(1000 + 3600)),
              QStringLiteral("Used 1 hour ago"));
}

TEST_F(ApplicationsScreenTest, TheUninstallIsRefusedForABundleThePolicyObjectsTo) {
    // The policy keeps the system vendor's applications.
    const std::string chess = makeBundle(folder, "Applications/Chess.app", "com.apple.Chess");
    ApplicationsView& view = inventoried();
    const int chessRow = int(listed(view).indexOf(QStringLiteral("Chess")));
    ASSERT_GE(chessRow, 0);
    clickRow(*view.list(), chessRow);
    ASSERT_EQ(model->selectedApp(), chess);
    auto* detail = qobject_cast<ApplicationDetail*>(view.paneWidget());
    ASSERT_NE(detail, nullptr);
    EXPECT_FALSE(detail->uninstallButton()->isEnabled()) << "until the policy has answered";
    runner->runAll();
    settle();
    ASSERT_TRUE(model->cleanupRejection(chess).has_value());
    EXPECT_EQ(*model->cleanupRejection(chess),
              QStringLiteral("This macOS app is protected and cannot be moved to Trash."));
    EXPECT_FALSE(detail->uninstallButton()->isEnabled());
    QTest::mouseClick(detail->uninstallButton(), Qt::LeftButton);
    EXPECT_FALSE(model->cleaning()) << "a disabled button does nothing";

    clickRow(*view.list(), int(listed(view).indexOf(QStringLiteral("Viewer"))));
    detail = qobject_cast<ApplicationDetail*>(view.paneWidget());
    ASSERT_NE(detail, nullptr);
    runner->runAll();
    settle();
    EXPECT_TRUE(detail->uninstallButton()->isEnabled());
    QTest::mouseClick(detail->uninstallButton(), Qt::LeftButton);
    EXPECT_TRUE(model->cleaning()) << "the review is being prepared";
    runner->runAll();
    settle();
    ASSERT_NE(model->cleanupRequest(), nullptr);
    EXPECT_EQ(model->cleanupRequest()->uninstallName, "Viewer");
}

TEST_F(ApplicationsScreenTest, ALeftoverRowStagesItsItemWithTheReasonToVerifyItsOwner) {
    ApplicationsView& view = inventoried();
    view.orphansAction()->trigger();
    EXPECT_TRUE(view.showOrphans());
    ASSERT_EQ(view.pane(), ApplicationsView::Pane::leftovers);
    auto* pane = qobject_cast<LeftoversPane*>(view.paneWidget());
    ASSERT_NE(pane, nullptr);
    settle();
    RowListView& list = *pane->list();
    ASSERT_EQ(list.model()->rowCount(), 2);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), QStringLiteral("com.vendor.gone"));
    EXPECT_EQ(list.model()->index(1, 0).data().toString(), QStringLiteral("com.other.old"));

    ASSERT_TRUE(clickButton(list, 0, LeftoverRowDelegate::addToCleanup));
    ASSERT_EQ(model->queue().size(), 1u);
    EXPECT_EQ(model->queue()[0].node.path, folder / "home/Library/Caches/com.vendor.gone");
    EXPECT_EQ(model->queue()[0].reason, "Possible leftover · verify ownership");
    ASSERT_TRUE(model->toast());
    EXPECT_EQ(model->toast()->title, QStringLiteral("Added to Cleanup"));
    EXPECT_EQ(list.model()->rowCount(), 2) << "the row stays";

    // While staging, the buttons are off and a press does nothing.
    model->setStaging(true);
    ASSERT_TRUE(list.button(1, LeftoverRowDelegate::addToCleanup));
    EXPECT_FALSE(list.button(1, LeftoverRowDelegate::addToCleanup)->enabled);
    clickButton(list, 1, LeftoverRowDelegate::addToCleanup);
    EXPECT_EQ(model->queue().size(), 1u);
    model->setStaging(false);

    // The name filter searches the items' names only.
    model->setFilter(QStringLiteral("OLD"));
    EXPECT_EQ(list.model()->rowCount(), 1);
    model->setFilter(QStringLiteral("Caches"));
    EXPECT_EQ(list.model()->rowCount(), 0);
    model->setFilter(QString());

    // Choosing a row leaves the leftovers.
    clickRow(*view.list(), 1);
    EXPECT_FALSE(view.showOrphans());
    EXPECT_FALSE(view.orphansAction()->isChecked());
    EXPECT_EQ(view.pane(), ApplicationsView::Pane::detail);

    model->setToast(std::nullopt);
    saveBothAppearances(QStringLiteral("screen-applications-leftovers"), [this] {
        if (auto* v = shown<ApplicationsView>())
            v->setShowOrphans(true);
    });
}

TEST_F(ApplicationsScreenTest, TheOptionsStartAfreshWithTheScreenWhileTheSelectionStays) {
    ApplicationsView* view = &inventoried();
    clickRow(*view->list(), 1);
    view->setShowSystem(false);
    view->setShowOrphans(true);
    model->setSection(AppSection::monitor);
    settle();
    model->setSection(AppSection::applications);
    settle();
    view = shown<ApplicationsView>();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->showSystem());
    EXPECT_FALSE(view->showOrphans());
    EXPECT_EQ(model->selectedApp(), viewer);
    EXPECT_EQ(view->pane(), ApplicationsView::Pane::detail);
    // A finished inventory clears the selection.
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    runner->runAll();
    settle();
    EXPECT_EQ(model->selectedApp(), std::nullopt);
    EXPECT_EQ(view->pane(), ApplicationsView::Pane::choose);
}

} // namespace
} // namespace ambertrove::test
