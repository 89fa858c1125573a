// The window through a scan: "--scan" at the first showing, the live scan screen and its cards,
// cancelling, the explorer afterwards, the issues sheet, and pictures of each in both appearances.
#include "WindowTestSupport.hpp"

#include "explore/ExploreView.hpp"
#include "explore/LiveFolderGrid.hpp"
#include "explore/ScanProgressView.hpp"
#include "explore/WelcomeView.hpp"
#include "model/Formatting.hpp"
#include "scan/DiskScanner.hpp"
#include "scan/ScanFileSystem.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/Footer.hpp"
#include "shell/MenuCommands.hpp"
#include "shell/NoticeBanner.hpp"
#include "shell/PlainButton.hpp"
#include "shell/ScanIssuesSheet.hpp"
#include "shell/SettingsWindow.hpp"
#include "shell/Sidebar.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/SidebarRow.hpp"
#include "widgets/TroveButton.hpp"

#include <QAction>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>

#include <cerrno>

namespace ambertrove::test {
namespace {

class WindowScanTest : public WindowTest {
protected:
    [[nodiscard]] ExploreView& explore() const {
        auto* view = qobject_cast<ExploreView*>(content().sectionView());
        EXPECT_NE(view, nullptr);
        return *view;
    }

    // Waits for the running scan to end, on the controller's signals.
    void waitForScan() {
        QSignalSpy changes(model.get(), &AppModel::scanChanged);
        while (model->scanning())
            ASSERT_TRUE(changes.wait(20000)) << "the scan did not end";
        settle();
    }

    static DiskNode node(const std::string& path, bool folder, std::int64_t logical, std::int64_t allocated,
                         std::int64_t files = 0) {
        DiskNode n;
        n.path = path;
        n.isDirectory = folder;
        n.logicalSize = logical;
        n.allocatedSize = allocated;
        n.fileCount = files;
        return n;
    }

    // A report of the running scan browsing `folder` with `children`.
    std::shared_ptr<const ScanProgress> report(const std::string& root, const std::string& browsed,
                                               std::vector<DiskNode> children) {
        auto progress = std::make_shared<ScanProgress>();
        progress->files = 12345;
        progress->folders = 678;
        progress->bytes = 2'500'000'000;
        progress->path = browsed + "/deep/inside/some/file.bin";
        ScanFolderPreview preview;
        preview.rootPath = root;
        preview.folder = node(browsed, true, 0, 0);
        preview.children = std::move(children);
        progress->browsing = std::move(preview);
        return progress;
    }

    std::vector<std::string> shownPaths(const LiveFolderGrid& grid) {
        std::vector<std::string> paths;
        for (int i = 0; i < grid.count(); ++i)
            paths.push_back(grid.node(i).path);
        return paths;
    }

    void savePictures(const QString& name) {
        settle();
        savePicture(*window, name);
    }
};

TEST_F(WindowScanTest, ScanOptionShowsTheLiveScreenThenTheExplorerWithTheScansNameAndCounts) {
    const std::string root = makeTree();
    makeModel(true);
    makeWindow({QStringLiteral("--scan"), QString::fromStdString(root)});
    EXPECT_EQ(model->scanRootPath(), root);
    if (model->scanning()) {
        EXPECT_EQ(explore().screen(), ExploreView::Screen::progress);
        EXPECT_EQ(explore().progressView()->titleText(), QStringLiteral("Scanning tree…"));
    }
    waitForScan();
    ASSERT_TRUE(model->scan());
    EXPECT_EQ(explore().screen(), ExploreView::Screen::explorer);
    EXPECT_EQ(explore().titleText(), QStringLiteral("tree"));
    const DiskNode top = *model->scan()->root();
    EXPECT_EQ(top.fileCount, 4);
    EXPECT_EQ(explore().countsText(), QStringLiteral("·  4 files  ·  ") + QString::number(top.folderCount) +
                                          QStringLiteral(" folders"));
    EXPECT_EQ(explore().sizeText(), QString::fromStdString(formattedBytes(top.allocatedSize)));
    EXPECT_FALSE(explore().rescanButton()->isVisible()) << "a fresh scan";
    EXPECT_TRUE(content().inspectorShown());
    ASSERT_TRUE(model->notice());
    EXPECT_TRUE(model->notice()->startsWith(QStringLiteral("Scan complete — ")));

    // Showing the window again scans nothing more.
    window->hide();
    window->show();
    settle();
    EXPECT_FALSE(model->scanning());
}

TEST_F(WindowScanTest, ScanOptionWithoutAPathOrAttachedStartsNothing) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--scan")},
          QStringList{QStringLiteral("--scan=") + QString::fromStdString(makeTree())}}) {
        makeModel();
        makeWindow(arguments);
        EXPECT_FALSE(model->scanning());
        EXPECT_EQ(runner->startedCount(), 0u);
        EXPECT_EQ(explore().screen(), ExploreView::Screen::welcome);
        window.reset();
    }
}

TEST_F(WindowScanTest, TheLiveScreenCountsShowsCardsInSizeOrderAndBrowses) {
    const std::string root = makeTree();
    makeWindow({QStringLiteral("--scan"), QString::fromStdString(root)});
    ASSERT_TRUE(model->scanning());
    ScanProgressView* live = explore().progressView();
    ASSERT_NE(live, nullptr);
    // Before the first report.
    EXPECT_EQ(live->content(), ScanProgressView::Content::discovering);
    EXPECT_EQ(live->filesText(), QStringLiteral("0 files"));
    EXPECT_EQ(live->foldersText(), QStringLiteral("0 folders"));
    EXPECT_EQ(live->bytesText(), QString::fromStdString(formattedBytes(0)));
    EXPECT_EQ(live->captionText(), QStringLiteral("Live — totals update as files are found"));
    EXPECT_EQ(live->pathText(), QString());

    // Two children of equal allocated size come in path order; logical sizes order them otherwise.
    model->setScanProgress(
        report(root, root,
               {node(root + "/media", true, 10, 5000, 3), node(root + "/big.bin", false, 900, 9000),
                node(root + "/docs", true, 20, 5000, 2), node(root + "/a.txt", false, 30, 100)}));
    EXPECT_EQ(explore().progressView(), live) << "progress updates the screen in place";
    EXPECT_EQ(live->content(), ScanProgressView::Content::cards);
    EXPECT_EQ(live->filesText(), QStringLiteral("12,345 files"));
    EXPECT_EQ(live->foldersText(), QStringLiteral("678 folders"));
    EXPECT_EQ(live->bytesText(), QStringLiteral("2.5 GB"));
    EXPECT_EQ(live->pathText(), QString::fromStdString(root + "/deep/inside/some/file.bin"));
    EXPECT_EQ(shownPaths(*live->grid()), (std::vector<std::string>{root + "/big.bin", root + "/docs",
                                                                   root + "/media", root + "/a.txt"}));
    EXPECT_FALSE(live->emptyCards()->isVisible());
    model->setLogical(true);
    EXPECT_EQ(shownPaths(*live->grid()), (std::vector<std::string>{root + "/big.bin", root + "/a.txt",
                                                                   root + "/docs", root + "/media"}));
    model->setLogical(false);

    // A chart view without a live chart still shows cards, with the plain caption.
    model->setStorageView(StorageView::sunburst);
    EXPECT_EQ(live->content(), ScanProgressView::Content::cards);
    EXPECT_EQ(live->captionText(), QStringLiteral("Live — totals update as files are found"));

    savePictures(QStringLiteral("window-scanning-light"));

    // A file card opens the preview; a folder card browses into it while the scan goes on.
    LiveFolderGrid* grid = live->grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cardRect(0).center());
    EXPECT_EQ(platform->previewed, std::vector<std::string>{root + "/big.bin"});
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cardRect(1).center());
    EXPECT_EQ(model->liveFocusPath(), root + "/docs");
    EXPECT_EQ(live->content(), ScanProgressView::Content::opening);

    // The report of the folder arrives: no children yet, then a filter that hides all of them.
    model->setScanProgress(report(root, root + "/docs", {}));
    EXPECT_EQ(live->content(), ScanProgressView::Content::cards);
    EXPECT_TRUE(live->emptyCards()->isVisible());
    EXPECT_EQ(live->emptyCards()->title(), QStringLiteral("No items discovered here yet"));
    model->setScanProgress(report(root, root + "/docs", {node(root + "/docs/a.txt", false, 3000, 4096)}));
    EXPECT_FALSE(live->emptyCards()->isVisible());
    model->setFilter(QStringLiteral("zzz"));
    EXPECT_TRUE(live->emptyCards()->isVisible());
    EXPECT_EQ(live->emptyCards()->title(), QStringLiteral("No matching items"));
    EXPECT_EQ(live->emptyCards()->subtitle(), QStringLiteral("Clear filters to see the other items."));
    model->setFilter(QString());

    model->setDark(true);
    settle();
    ASSERT_NE(explore().progressView(), nullptr);
    savePictures(QStringLiteral("window-scanning-dark"));
}

TEST_F(WindowScanTest, KeyboardActivatesTheCurrentCard) {
    const std::string root = makeTree();
    makeWindow({QStringLiteral("--scan"), QString::fromStdString(root)});
    model->setScanProgress(
        report(root, root, {node(root + "/docs", true, 1, 2, 2), node(root + "/a.txt", false, 1, 1)}));
    LiveFolderGrid* grid = explore().progressView()->grid();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex(), 0);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(model->liveFocusPath(), root + "/docs");
}

TEST_F(WindowScanTest, CancellingTheScanLeavesItsNoticeAndTheWelcomeScreen) {
    const std::string root = makeTree();
    makeWindow({QStringLiteral("--scan"), QString::fromStdString(root)});
    ScanProgressView* live = explore().progressView();
    ASSERT_NE(live, nullptr);
    QTest::mouseClick(live->cancelButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(model->scanning());
    ASSERT_TRUE(model->notice());
    EXPECT_EQ(*model->notice(), QStringLiteral("Scan cancelled. Choose a location to start again."));
    EXPECT_TRUE(content().noticeBanner()->isVisible());
    EXPECT_EQ(content().noticeBanner()->text(), *model->notice());
    EXPECT_EQ(explore().screen(), ExploreView::Screen::welcome);
    // The cancelled job's end changes nothing.
    runner->runAll();
    EXPECT_FALSE(model->scan());

    // With a finished scan, a cancelled rescan keeps it.
    finishScan(root);
    model->refresh();
    settle();
    EXPECT_EQ(explore().screen(), ExploreView::Screen::progress);
    window->commands()->action(QStringLiteral("Cancel Scan"))->trigger();
    settle();
    EXPECT_EQ(*model->notice(), QStringLiteral("Scan cancelled. Your previous result is still available."));
    EXPECT_EQ(explore().screen(), ExploreView::Screen::explorer);
}

TEST_F(WindowScanTest, TheIssuesSheetListsTheSkippedPaths) {
    const std::string root = makeTree();
    auto hooks = std::make_shared<ScanFileSystem>();
    hooks->open = [root](const std::string& path) {
        return path == root + "/docs" ? EACCES : 0;
    };
    hooks->status = [root](const std::string& path, FileStatus&) {
        return path == root + "/big.bin" ? EACCES : 0;
    };
    services.scan = [hooks](const std::string& path, const CancellationFlag& cancellation,
                            const ScanNavigation* navigation, const DiskScanner::ProgressCallback& progress) {
        return DiskScanner(hooks).scan(path, cancellation, navigation, progress);
    };
    makeWindow();
    finishScan(root);
    ASSERT_TRUE(model->scan());
    EXPECT_EQ(model->scan()->skippedCount, 2);
    EXPECT_EQ(*model->notice(), QStringLiteral("Scan complete — 2 paths skipped."));
    NoticeBanner* banner = content().noticeBanner();
    ASSERT_TRUE(banner->detailsButton()->isVisible());
    QTest::mouseClick(banner->detailsButton(), Qt::LeftButton);
    EXPECT_TRUE(model->showIssues());
    settle();
    ScanIssuesSheet* sheet = content().issuesSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->width(), ScanIssuesSheet::kWidth);
    EXPECT_TRUE(model->notice()) << "Details keeps the notice";
    std::set<QString> paths;
    for (int row = 0; row < sheet->issues()->rowCount(); ++row) {
        const QModelIndex index = sheet->issues()->index(row);
        paths.insert(index.data(ScanIssueList::PathRole).toString());
        EXPECT_EQ(index.data(ScanIssueList::MessageRole).toString(), QStringLiteral("Permission denied"));
    }
    EXPECT_EQ(paths, (std::set<QString>{QString::fromStdString(root + "/big.bin"),
                                        QString::fromStdString(root + "/docs")}));
    EXPECT_TRUE(sheet->doneButton()->isDefault());
    savePicture(*sheet, QStringLiteral("window-issues-sheet"));

    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(model->showIssues());
    settle();
    EXPECT_EQ(content().issuesSheet(), nullptr);

    // Opened by the controller, closed by it.
    model->setShowIssues(true);
    settle();
    ASSERT_NE(content().issuesSheet(), nullptr);
    model->setShowIssues(false);
    settle();
    EXPECT_EQ(content().issuesSheet(), nullptr);
}

TEST_F(WindowScanTest, TheIssuesSheetWithoutAScanListsNothingAndStillCloses) {
    makeWindow();
    model->setShowIssues(true);
    settle();
    ScanIssuesSheet* sheet = content().issuesSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->issues()->rowCount(), 0);
    QTest::mouseClick(sheet->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(model->showIssues());
}

TEST_F(WindowScanTest, TheExplorerHeaderFollowsTheSizeModeAndTheFocus) {
    const std::string root = makeTree();
    makeWindow();
    finishScan(root);
    const DiskNode top = *model->scan()->root();
    EXPECT_EQ(explore().sizeText(), QString::fromStdString(formattedBytes(top.allocatedSize)));
    model->setLogical(true);
    EXPECT_EQ(explore().sizeText(), QString::fromStdString(formattedBytes(top.logicalSize)));
    EXPECT_EQ(explore().titleText(), QStringLiteral("tree"));
    model->focus(*model->scan()->nodes.node(root + "/docs"));
    EXPECT_EQ(explore().titleText(), QStringLiteral("docs"));
    EXPECT_EQ(explore().countsText(),
              QStringLiteral("·  2 files  ·  ") +
                  QString::number(model->scan()->nodes.node(root + "/docs")->folderCount) +
                  QStringLiteral(" folders"));
    model->setIsHistorical(true);
    EXPECT_TRUE(explore().rescanButton()->isVisible());
    QTest::mouseClick(explore().rescanButton(), Qt::LeftButton);
    EXPECT_TRUE(model->scanning());
    settle();
    EXPECT_EQ(explore().screen(), ExploreView::Screen::progress);
}

TEST_F(WindowScanTest, NoSidebarTextIsCutAtAnyWindowSizeDownToTheMinimum) {
    // Quick wins with long titles, and a sidebar taller than the window so that it scrolls.
    const std::string root = makeTree();
    folder.makeFileOfSize("tree/.gradle/caches/a.bin", 30000);
    folder.makeFileOfSize("tree/app/node_modules/m/index.js", 20000);
    folder.makeFileOfSize("tree/.cache/x.bin", 20000);
    folder.makeFileOfSize("tree/Downloads/setup.iso", 20000);
    makeWindow({}, MainWindow::kMinimumSize);
    finishScan(root);
    Sidebar& sidebar = *content().sidebar();
    for (const QSize size : {MainWindow::kMinimumSize, QSize(1440, 940), QSize(1600, 1000)}) {
        SCOPED_TRACE(size.width());
        window->resize(size);
        settle();
        if (size == MainWindow::kMinimumSize) {
            EXPECT_TRUE(sidebar.overlayScrollBar()->isVisible()) << "the sidebar scrolls at this height";
        }
        EXPECT_FALSE(sidebar.verticalScrollBar()->isVisible()) << "the bar takes no width from the column";
        std::vector<QWidget*> texts;
        for (TroveButton* button : sidebar.findChildren<TroveButton*>())
            texts.push_back(button);
        for (SidebarRow* row : sidebar.findChildren<SidebarRow*>())
            texts.push_back(row);
        ASSERT_FALSE(sidebar.quickWinRows().empty());
        for (QWidget* text : texts) {
            if (text->isVisibleTo(&sidebar)) {
                EXPECT_GE(text->width(), text->sizeHint().width())
                    << text->metaObject()->className() << " " << text->accessibleName().toStdString();
            }
        }
    }
    window->resize(MainWindow::kMinimumSize);
    savePictures(QStringLiteral("window-sidebar-minimum"));
}

TEST_F(WindowScanTest, TheWelcomeScreenReopensTheNewestSavedScan) {
    const std::string root = makeTree();
    makeWindow();
    finishScan(root);
    model->setSnapshotsEnabled(true);
    window->commands()->action(QStringLiteral("Save Current Scan Snapshot"))->trigger();
    EXPECT_TRUE(model->snapshotBusy());
    EXPECT_EQ(content().footer()->shownStatus(), model->snapshotStatus());
    runner->runAll();
    finishStateWork();
    ASSERT_EQ(model->snapshots().size(), 1u);

    // The next start finds the saved scan.
    window.reset();
    makeModel();
    makeWindow();
    WelcomeView* welcome = explore().welcomeView();
    ASSERT_NE(welcome, nullptr);
    ASSERT_NE(welcome->openLastButton(), nullptr);
    EXPECT_TRUE(welcome->openLastButton()->isEnabled());
    EXPECT_FALSE(welcome->busyIndicator()->isVisible());
    savePictures(QStringLiteral("window-welcome-saved-light"));
    QTest::mouseClick(welcome->openLastButton(), Qt::LeftButton);
    EXPECT_TRUE(model->snapshotBusy());
    EXPECT_FALSE(welcome->openLastButton()->isEnabled());
    EXPECT_TRUE(welcome->busyIndicator()->isVisible());
    runner->runAll();
    settle();
    EXPECT_EQ(explore().screen(), ExploreView::Screen::explorer);
    EXPECT_TRUE(model->isHistorical());
    EXPECT_TRUE(explore().rescanButton()->isVisible());
    EXPECT_EQ(explore().titleText(), QStringLiteral("tree"));
}

TEST_F(WindowScanTest, PicturesOfTheWindowInBothAppearances) {
    makeWindow();
    ASSERT_NE(explore().welcomeView(), nullptr);
    EXPECT_EQ(explore().welcomeView()->openLastButton(), nullptr) << "no saved scans";
    savePictures(QStringLiteral("window-welcome-light"));
    const QImage welcome = window->grab().toImage();
    // The window's background is the theme's.
    EXPECT_TRUE(near(welcome.pixelColor(welcome.width() / 2, welcome.height() - 60),
                     Paper::background().resolved(false)));

    const std::string root = makeTree();
    finishScan(root);
    model->setNotice(std::nullopt);
    model->setToast(TroveToast{Uuid::random(), QStringLiteral("Saved scan"),
                               QStringLiteral("Kept in Snapshots"), TroveToastAction::cleanup,
                               QStringLiteral("Review")});
    savePictures(QStringLiteral("window-explorer-light"));
    model->setToast(std::nullopt);
    model->setNotice(QStringLiteral("Scan complete — 0.1 seconds."));
    model->setDark(true);
    settle();
    savePictures(QStringLiteral("window-explorer-dark"));
    const QImage dark = window->grab().toImage();
    QColor tint = Paper::panel().resolved(true);
    tint.setAlphaF(0.45f);
    EXPECT_TRUE(near(dark.pixelColor(dark.width() - 8, dark.height() - 250),
                     over(tint, Paper::background().resolved(true))))
        << "the inspector column's background: the panel colour tints the window's";
    model->setSection(AppSection::monitor);
    window->resize(1100, 720);
    settle();
    savePictures(QStringLiteral("window-monitor-dark-narrow"));

    window->openSettings();
    settle();
    savePicture(*window->settingsWindow(), QStringLiteral("window-settings-dark"));
    model->setDark(false);
    settle();
    savePicture(*window->settingsWindow(), QStringLiteral("window-settings-light"));
}

} // namespace
} // namespace ambertrove::test
