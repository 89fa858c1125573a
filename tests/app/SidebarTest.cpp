#include "ScanTestSupport.hpp"
#include "WidgetTestSupport.hpp"

#include "model/Formatting.hpp"
#include "shell/DiskMeter.hpp"
#include "shell/FileTypeSummary.hpp"
#include "shell/QuickWinRow.hpp"
#include "shell/SelectablePath.hpp"
#include "shell/Sidebar.hpp"
#include "shell/SidebarLink.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/SidebarRow.hpp"
#include "widgets/TroveButton.hpp"

#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

using test::ModelFixture;
using test::near;

// The tooltip of a path: escaped, shown exactly.
QString plainToolTipOf(const std::string& path) {
    return QStringLiteral("<p style='white-space:pre-wrap'>") + QString::fromStdString(path).toHtmlEscaped() +
           QStringLiteral("</p>");
}

const QString kNoScanNotice = QStringLiteral("Choose Scan Full Mac to load your folders.");
const QString kNotInScanNotice =
    QStringLiteral("This folder isn’t in the current scan — use Scan Full Mac or Scan Folder….");

// ---- Pure figures ----

TEST(SidebarFigures, MeterFiguresFollowTheVolume) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        const char* name;
        std::int64_t total;
        std::int64_t free;
        std::int64_t used;
        double fraction;
        const char* percent;
    };
    const std::vector<Case> cases{
        {"a quarter free", 1000, 250, 750, 0.75, "75%"},
        {"nothing free", 1000, 0, 1000, 1.0, "100%"},
        {"all free", 1000, 1000, 0, 0.0, "0%"},
        {"free larger than total", 1000, 1500, 0, 0.0, "0%"},
        {"a third used rounds", 3, 2, 1, 1.0 / 3.0, "33%"},
        {"two thirds used rounds up", 3, 1, 2, 2.0 / 3.0, "67%"},
        {"under one percent", 1000, 996, 4, 0.004, "0%"},
        {"total of one byte", 1, 0, 1, 1.0, "100%"},
        {"total of zero", 0, 0, 0, 0.0, "0%"},
        {"total of zero with free", 0, 10, 0, 0.0, "0%"},
        {"negative total", -5, 0, 0, 0.0, "0%"},
        {"negative free gives more than the total", 100, -50, 150, 1.0, "150%"},
        {"extremes saturate", kMax, kMin, kMax, 1.0, "100%"},
    };
    for (const Case& c : cases) {
        const MeterFigures figures = meterFigures(c.total, c.free);
        EXPECT_EQ(figures.used, c.used) << c.name;
        EXPECT_NEAR(figures.fraction, c.fraction, 1e-9) << c.name;
        EXPECT_EQ(figures.percentText, QString::fromLatin1(c.percent)) << c.name;
    }
}

TEST(SidebarFigures, FileTypeBlocksShareTheWidthLeftByTheGaps) {
    using Totals = std::map<FileCategory, std::int64_t>;
    struct Case {
        const char* name;
        Totals totals;
        double width;
        std::vector<FileTypeBlock> blocks;
    };
    const std::vector<Case> cases{
        {"nothing", {}, 100, {}},
        {"one category takes the full width",
         {{FileCategory::image, 500}},
         100,
         {{FileCategory::image, 500, 0, 100}}},
        {"a category below one byte is left out",
         {{FileCategory::image, 500}, {FileCategory::video, 0}},
         100,
         {{FileCategory::image, 500, 0, 100}}},
        {"two categories in category order",
         {{FileCategory::other, 300}, {FileCategory::video, 100}},
         81,
         {{FileCategory::video, 100, 0, 20}, {FileCategory::other, 300, 21, 60}}},
        {"every category: six gaps",
         {{FileCategory::video, 1},
          {FileCategory::audio, 1},
          {FileCategory::image, 1},
          {FileCategory::document, 1},
          {FileCategory::developer, 1},
          {FileCategory::archive, 1},
          {FileCategory::other, 1}},
         76,
         {{FileCategory::video, 1, 0, 10},
          {FileCategory::audio, 1, 11, 10},
          {FileCategory::image, 1, 22, 10},
          {FileCategory::document, 1, 33, 10},
          {FileCategory::developer, 1, 44, 10},
          {FileCategory::archive, 1, 55, 10},
          {FileCategory::other, 1, 66, 10}}},
        {"one byte in all: the denominator stays one",
         {{FileCategory::audio, 1}},
         50,
         {{FileCategory::audio, 1, 0, 50}}},
        {"narrower than the gaps",
         {{FileCategory::video, 1}, {FileCategory::audio, 1}},
         0.5,
         {{FileCategory::video, 1, 0, 0}, {FileCategory::audio, 1, 1, 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<FileTypeBlock> blocks = fileTypeBlocks(c.totals, c.width);
        ASSERT_EQ(blocks.size(), c.blocks.size()) << c.name;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].category, c.blocks[i].category) << c.name << " " << i;
            EXPECT_EQ(blocks[i].bytes, c.blocks[i].bytes) << c.name << " " << i;
            EXPECT_NEAR(blocks[i].x, c.blocks[i].x, 1e-9) << c.name << " " << i;
            EXPECT_NEAR(blocks[i].width, c.blocks[i].width, 1e-9) << c.name << " " << i;
        }
    }
}

TEST(SidebarFigures, QuickWinCountsReadItemOrItems) {
    const std::vector<std::pair<std::int64_t, const char*>> cases{
        {0, "0 items"}, {1, "1 item"}, {2, "2 items"}, {1234, "1234 items"}};
    for (const auto& [items, text] : cases)
        EXPECT_EQ(QuickWinRow::countText(items), QString::fromLatin1(text)) << items;
}

// ---- The sidebar over a scripted controller ----

class SidebarScripted : public test::ScanFixture {
protected:
    void SetUp() override {
        setCurrentTheme(AppTheme::paper);
        Appearance::setDark(false);
        Appearance::setReducedMotion(true);
        Icons::setThemeIconsEnabled(false);
    }
    void TearDown() override {
        sidebar.reset();
        Appearance::setReducedMotion(std::nullopt);
        Icons::setThemeIconsEnabled(true);
        ScanFixture::TearDown();
    }

    Sidebar& makeSidebar(AppModel& m) {
        sidebar = std::make_unique<Sidebar>(m, std::string(test::kHome));
        sidebar->resize(Sidebar::kWidth, 900);
        sidebar->show();
        return *sidebar;
    }

    std::unique_ptr<Sidebar> sidebar;
};

bool shown(const QWidget* widget) {
    return widget && !widget->isHidden();
}

TEST_F(SidebarScripted, WithoutAScanOnlyTheScanGroupRecentMeterAndHelpShow) {
    AppModel& m = makeModel();
    Sidebar& s = makeSidebar(m);
    EXPECT_FALSE(shown(s.placesSection()));
    EXPECT_FALSE(shown(s.recentSection()));
    EXPECT_TRUE(shown(s.meterSection()));
    EXPECT_FALSE(shown(s.currentViewSection()));
    EXPECT_FALSE(shown(s.quickWinsSection()));
    EXPECT_FALSE(shown(s.fileTypesSection()));
    EXPECT_TRUE(shown(s.accessHelp()));
    EXPECT_TRUE(s.accessHelp()->isInert());
    EXPECT_EQ(s.accessHelp()->label(), "Full Disk Access");

    // Home and the volumes leave the controller's notice without a scan; nothing is disabled.
    QTest::mouseClick(s.homeButton(), Qt::LeftButton);
    EXPECT_EQ(m.notice(), kNoScanNotice);
    EXPECT_TRUE(s.homeButton()->isEnabled());
    EXPECT_TRUE(s.folderButton()->isEnabled());
}

TEST_F(SidebarScripted, ScanFullMacScansTheWholeDiskAndIsDisabledOnlyWhileCleaning) {
    AppModel& m = makeModel();
    Sidebar& s = makeSidebar(m);
    EXPECT_EQ(s.scanButton()->buttonStyle(), (TroveButtonStyle{true, false}));
    m.setCleaning(true);
    EXPECT_FALSE(s.scanButton()->isEnabled());
    m.setCleaning(false);
    EXPECT_TRUE(s.scanButton()->isEnabled());
    QTest::mouseClick(s.scanButton(), Qt::LeftButton);
    EXPECT_TRUE(m.scanning());
    EXPECT_EQ(m.scanRootPath(), "/");
}

TEST_F(SidebarScripted, FolderOpensThePanelForAFolderOfTheScan) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    Sidebar& s = makeSidebar(m);
    platform->answer = "/r/x";
    QTest::mouseClick(s.folderButton(), Qt::LeftButton);
    EXPECT_EQ(platform->prompts.size(), 1u);
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.focusPath(), "/r/x");
}

TEST_F(SidebarScripted, RecentListsTheThreeNewestAndNamesTheHomeFolderHome) {
    AppModel& m = makeModel();
    Sidebar& s = makeSidebar(m);
    m.setRecent({std::string(test::kHome), "/media/u/Big & <b>bold", "/srv/data/", "/a", "/b", "/c"});
    ASSERT_TRUE(shown(s.recentSection()));
    ASSERT_EQ(s.recentRows().size(), 3u);
    EXPECT_EQ(s.recentRows()[0]->label(), "Home");
    EXPECT_EQ(s.recentRows()[1]->label(), "Big & <b>bold");
    EXPECT_EQ(s.recentRows()[1]->text(), "Big && <b>bold");
    EXPECT_EQ(s.recentRows()[1]->toolTip(),
              "<p style='white-space:pre-wrap'>/media/u/Big &amp; &lt;b&gt;bold</p>");
    EXPECT_EQ(s.recentRows()[2]->label(), "data");
    EXPECT_EQ(s.recentRows()[2]->symbol(), "clock.arrow.circlepath");

    // A recent folder opens in the scan; without one the controller says so.
    QTest::mouseClick(s.recentRows()[2], Qt::LeftButton);
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.notice(), kNoScanNotice);

    m.setRecent({});
    EXPECT_FALSE(shown(s.recentSection()));
    EXPECT_TRUE(s.recentRows().empty());
}

TEST_F(SidebarScripted, TheVolumesMenuIsFilledFromTheLatestReadingWhenItOpens) {
    AppModel& m = makeModel();
    Sidebar& s = makeSidebar(m);
    MonitorSample sample;
    sample.volumes = {{"/", "root", 1000, 400, 0}, {"/media/u/A & B", "A & B", 64, 32, 0}};
    m.activity().record(sample);
    EXPECT_TRUE(s.volumesMenu()->actions().isEmpty()); // not before it opens

    QTest::mouseClick(s.volumesButton(), Qt::LeftButton);
    ASSERT_TRUE(s.volumesMenu()->isVisible());
    const QList<QAction*> actions = s.volumesMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "root · /");
    EXPECT_EQ(actions[1]->text(), "A && B · /media/u/A && B");
    s.volumesMenu()->hide();

    // A newer reading is what the menu shows the next time.
    sample.volumes.pop_back();
    m.activity().record(sample);
    QTest::mouseClick(s.volumesButton(), Qt::LeftButton);
    ASSERT_EQ(s.volumesMenu()->actions().size(), 1);
    s.volumesMenu()->actions()[0]->trigger();
    EXPECT_EQ(m.notice(), kNoScanNotice);
    s.volumesMenu()->hide();

    // With no volumes the menu is empty and still opens.
    m.activity().record(MonitorSample{});
    QTest::mouseClick(s.volumesButton(), Qt::LeftButton);
    EXPECT_TRUE(s.volumesMenu()->actions().isEmpty());
    s.volumesMenu()->hide();
}

TEST_F(SidebarScripted, TheMeterFollowsTheMonitorsReadings) {
    AppModel& m = makeModel();
    Sidebar& s = makeSidebar(m);
    struct Case {
        VolumeInfo volume;
        double fraction;
        const char* percent;
        const char* used;
    };
    const std::vector<Case> cases{
        {{"/", "Data", 500'000'000'000, 125'000'000'000, 0}, 0.75, "75%", "375 GB"},
        {{"/", "Odd", 1000, 4000, 0}, 0.0, "0%", "Zero KB"},
        {{"/", "Empty", 0, 0, 0}, 0.0, "0%", "Zero KB"},
    };
    for (const Case& c : cases) {
        MonitorSample sample;
        sample.volumes = {c.volume};
        m.activity().record(sample);
        EXPECT_EQ(s.meterCaption()->trailing(), QString::fromStdString(c.volume.name));
        EXPECT_TRUE(shown(s.meterRing()));
        EXPECT_FALSE(shown(s.meterReading()));
        EXPECT_NEAR(s.meterRing()->figures().fraction, c.fraction, 1e-9) << c.volume.name;
        EXPECT_EQ(s.meterRing()->figures().percentText, c.percent) << c.volume.name;
        EXPECT_EQ(s.diskLine(0)->bytesText(), QString::fromStdString(formattedBytes(c.volume.total)));
        EXPECT_EQ(s.diskLine(1)->bytesText(), c.used) << c.volume.name;
        EXPECT_EQ(s.diskLine(2)->bytesText(), QString::fromStdString(formattedBytes(c.volume.free)));
    }
    EXPECT_EQ(s.diskLine(0)->title(), "Total");
    EXPECT_EQ(s.diskLine(1)->title(), "Used");
    EXPECT_EQ(s.diskLine(2)->title(), "Free");
}

TEST_F(SidebarScripted, WhileScanningTheLivePreviewIsShownAndTheScansSummariesAreNot) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    m.setRecent({"/r", "/old"});
    Sidebar& s = makeSidebar(m);
    ASSERT_TRUE(shown(s.quickWinsSection()) || m.uniqueQuickWinBytes() < 1);
    ASSERT_TRUE(shown(s.fileTypesSection()));
    const std::vector<SidebarLink*> recentRows = s.recentRows();

    m.startScan("/s/t", false);
    EXPECT_TRUE(m.scanning());
    ASSERT_NE(m.scan(), nullptr); // the previous scan is still held
    EXPECT_TRUE(shown(s.placesSection()));
    EXPECT_EQ(s.placePath(0), "/s/t");
    EXPECT_FALSE(shown(s.currentViewSection())); // no preview yet
    EXPECT_FALSE(shown(s.quickWinsSection()));
    EXPECT_FALSE(shown(s.fileTypesSection()));

    auto progress = std::make_shared<ScanProgress>();
    progress->browsing = ScanFolderPreview{};
    progress->browsing->rootPath = "/s/t";
    progress->browsing->folder.path = "/s/t/inner";
    m.setScanProgress(progress);
    ASSERT_TRUE(shown(s.currentViewSection()));
    EXPECT_EQ(s.currentViewCaption()->trailing(), "Scanning");
    EXPECT_EQ(s.folderTitle()->text(), "inner");
    EXPECT_EQ(s.folderPath()->path(), "/s/t/inner");
    EXPECT_FALSE(shown(s.quickWinsSection()));
    EXPECT_FALSE(shown(s.fileTypesSection()));

    // Progress after progress changes only the shown folder: the rows stay the same widgets.
    for (int i = 0; i < 5; ++i) {
        auto next = std::make_shared<ScanProgress>(*progress);
        next->files = i;
        m.setScanProgress(next);
    }
    EXPECT_EQ(s.recentRows(), recentRows);
    QTest::mouseClick(s.copyPathButton(), Qt::LeftButton);
    ASSERT_EQ(platform->copied.size(), 1u);
    EXPECT_EQ(platform->copied.back(), "/s/t/inner");
}

TEST_F(SidebarScripted, QuickWinRowsListTheWinsWithBytesAndActOnTheController) {
    ModelFixture tree("/h");
    tree.folder("/h/Downloads");
    tree.file("/h/Downloads/a.zip", 4000, 4096);
    tree.folder("/h/p");
    tree.folder("/h/p/node_modules");
    tree.file("/h/p/node_modules/x.js", 100, 4096);
    tree.folder("/h/q");
    tree.folder("/h/q/node_modules");
    tree.file("/h/q/node_modules/y.js", 100, 4096);
    tree.file("/h/notes.txt", 10, 4096);
    results["/h"] = tree.finish();
    AppModel& m = makeModel();
    m.startScan("/h", false);
    runScan();
    Sidebar& s = makeSidebar(m);

    ASSERT_TRUE(shown(s.quickWinsSection()));
    EXPECT_EQ(s.quickWinsCaption()->trailing(),
              QString::fromStdString(formattedBytes(m.uniqueQuickWinBytes())));
    ASSERT_EQ(s.quickWinRows().size(), 2u);
    EXPECT_EQ(s.quickWinRows()[0]->kind(), QuickWinKind::downloads);
    EXPECT_EQ(s.quickWinRows()[0]->countText(), "1 item");
    EXPECT_EQ(s.quickWinRows()[0]->bytesText(), "4 KB");
    EXPECT_EQ(s.quickWinRows()[1]->kind(), QuickWinKind::dependencies);
    EXPECT_EQ(s.quickWinRows()[1]->label(), "node_modules");
    EXPECT_EQ(s.quickWinRows()[1]->countText(), "2 items");
    EXPECT_FALSE(s.quickWinRows()[0]->isSelected());

    // A row opens its wins in Explore and is highlighted only while Explore shows.
    m.setSection(AppSection::cleanup);
    QTest::mouseClick(s.quickWinRows()[1], Qt::LeftButton);
    EXPECT_EQ(m.activeQuickWin(), QuickWinKind::dependencies);
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_TRUE(s.quickWinRows()[1]->isSelected());
    EXPECT_FALSE(s.quickWinRows()[0]->isSelected());
    m.setSection(AppSection::duplicates);
    EXPECT_EQ(m.activeQuickWin(), QuickWinKind::dependencies);
    EXPECT_FALSE(s.quickWinRows()[1]->isSelected());
    m.setSection(AppSection::explore);
    EXPECT_TRUE(s.quickWinRows()[1]->isSelected());

    // Changes of focus and selection leave the rows as they are.
    const std::vector<QuickWinRow*> rows = s.quickWinRows();
    m.browseLocation("/h/p");
    m.setSelection("/h/p/node_modules");
    EXPECT_EQ(s.quickWinRows(), rows);

    // A win without bytes has no row; without unique bytes the section goes.
    std::vector<QuickWin> wins = m.quickWins();
    for (QuickWin& win : wins) {
        if (win.kind == QuickWinKind::downloads)
            for (DiskNode& node : win.nodes)
                node.allocatedSize = 0;
    }
    m.setQuickWins(wins);
    ASSERT_EQ(s.quickWinRows().size(), 1u);
    EXPECT_EQ(s.quickWinRows()[0]->kind(), QuickWinKind::dependencies);
    m.setUniqueQuickWinBytes(0);
    EXPECT_FALSE(shown(s.quickWinsSection()));
}

TEST_F(SidebarScripted, FileTypesShowTheScansTotalsInTheChosenSize) {
    results["/r"] = test::sampleScan();
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    Sidebar& s = makeSidebar(m);
    ASSERT_TRUE(shown(s.fileTypesSection()));
    EXPECT_EQ(s.fileTypeSummary()->totals(), m.categoryTotals());
    const QStringList legend = s.fileTypeSummary()->legend();
    ASSERT_EQ(legend.size(), 3);
    EXPECT_EQ(legend[0], "Audio: 300 bytes");
    EXPECT_EQ(legend[1], "Image: 500 bytes");
    EXPECT_EQ(legend[2], "Document: 1 KB");

    m.setLogical(!m.logical());
    EXPECT_EQ(s.fileTypeSummary()->totals(), m.categoryTotals());

    m.setTypeTotals({});
    EXPECT_TRUE(s.fileTypeSummary()->totals().empty());
    EXPECT_EQ(s.fileTypeSummary()->legend(), QStringList{"No files measured yet"});
}

TEST_F(SidebarScripted, CurrentViewNamesTheFocusedFolderAndRevealsAndCopiesIt) {
    ModelFixture tree("/r");
    tree.folder("/r/<b>x & y");
    tree.file("/r/<b>x & y/f.txt", 10, 10);
    ScanResult result = tree.finish();
    result.duration = 2.46;
    results["/r"] = result;
    AppModel& m = makeModel();
    m.startScan("/r", false);
    runScan();
    Sidebar& s = makeSidebar(m);
    ASSERT_TRUE(shown(s.currentViewSection()));
    EXPECT_EQ(s.currentViewCaption()->trailing(), "2.5s scan");
    EXPECT_EQ(s.folderTitle()->text(), "r");
    m.browseLocation("/r/<b>x & y");
    EXPECT_EQ(s.folderTitle()->text(), "<b>x & y");
    EXPECT_EQ(s.folderPath()->path(), "/r/<b>x & y");
    EXPECT_EQ(s.folderPath()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(s.folderPath()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(s.folderPath()->toolTip(), "<p style='white-space:pre-wrap'>/r/&lt;b&gt;x &amp; y</p>");

    // A long name and path are shortened within the column, the path on at most two lines.
    const std::string deep = "/r/" + std::string(120, 'n');
    ModelFixture longer("/r");
    longer.folder(deep);
    longer.file(deep + "/f.txt", 10, 10);
    results["/r"] = longer.finish();
    m.startScan("/r", false);
    runScan(0);
    m.browseLocation(deep);
    EXPECT_EQ(s.folderTitle()->text(), QString(120, QLatin1Char('n')));
    EXPECT_TRUE(s.folderTitle()->shownText().endsWith(QStringLiteral("…")));
    EXPECT_LE(s.widget()->width(), Sidebar::kWidth);
    EXPECT_EQ(s.folderPath()->text().count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(s.folderPath()->text().contains(QStringLiteral("…")));
    m.browseLocation("/r");
    results["/r"] = result;
    m.startScan("/r", false);
    runScan(0);
    m.browseLocation("/r/<b>x & y");

    QTest::mouseClick(s.revealButton(), Qt::LeftButton);
    EXPECT_EQ(platform->revealed, std::vector<std::string>{"/r/<b>x & y"});
    QTest::mouseClick(s.copyPathButton(), Qt::LeftButton);
    ASSERT_EQ(platform->copied.size(), 1u);
    EXPECT_EQ(platform->copied.back(), "/r/<b>x & y");
    EXPECT_EQ(m.notice(), "Path copied.");
}

// ---- The sidebar over the real controller, its threads and a real scan ----

class SidebarOverARealScan : public test::AppModelFixture {
protected:
    void SetUp() override {
        setCurrentTheme(AppTheme::paper);
        Appearance::setDark(false);
        Appearance::setReducedMotion(true);
        Icons::setThemeIconsEnabled(false);
        tree.makeFileOfSize("Downloads/setup.zip", 40'000);
        tree.makeFileOfSize("Documents/report.txt", 12'000);
        tree.makeFileOfSize("Documents/old/notes.md", 3'000);
        tree.makeFileOfSize("Pictures/photo.png", 20'000);
        tree.makeFileOfSize("code/app/node_modules/lib.js", 9'000);
        tree.makeFileOfSize("code/web/node_modules/dom.js", 7'000);
        tree.makeFileOfSize("Music/song.mp3", 30'000);
        // The scanned folder is the home folder here, so the places below it are in the scan.
        services.home = [home = tree.path()] {
            return home;
        };
        timing.queryPause = std::chrono::milliseconds(0);
    }
    void TearDown() override {
        sidebar.reset();
        model.reset();
        Appearance::setDark(false);
        Appearance::setReducedMotion(std::nullopt);
        Icons::setThemeIconsEnabled(true);
        AppModelFixture::TearDown();
    }

    AppModel& makeThreaded() {
        AppEnvironment env = environment();
        env.runner.reset(); // the real threads
        env.platform = platform;
        runner = nullptr;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    Sidebar& makeSidebar(AppModel& m) {
        sidebar = std::make_unique<Sidebar>(m, tree.path());
        sidebar->resize(Sidebar::kWidth, 1100);
        sidebar->show();
        return *sidebar;
    }

    // Scans the tree and waits on the scan signals until it is shown.
    void scanTree(AppModel& m) {
        QSignalSpy changes(&m, &AppModel::scanChanged);
        m.startScan(tree.path(), false);
        while (m.scanning() || !m.scan()) {
            if (!changes.wait(10'000))
                break;
        }
        ASSERT_FALSE(m.scanning());
        ASSERT_NE(m.scan(), nullptr);
        ASSERT_EQ(m.error(), std::nullopt);
    }

    // Which place rows are selected, as a four-letter picture ("x..." for the first).
    std::string selectedPlaces() const {
        std::string marks;
        for (int i = 0; i < 4; ++i)
            marks += sidebar->placeRow(i)->isSelected() ? 'x' : '.';
        return marks;
    }

    test::TempDir tree;
    std::shared_ptr<test::RecordingPlatform> platform = std::make_shared<test::RecordingPlatform>();
    std::unique_ptr<Sidebar> sidebar;
};

TEST_F(SidebarOverARealScan, RightAfterAScanTheScanRootIsTheSelectedPlaceAndPlacesOpenTheirFolders) {
    AppModel& m = makeThreaded();
    Sidebar& s = makeSidebar(m);
    ASSERT_FALSE(shown(s.placesSection()));
    scanTree(m);

    ASSERT_TRUE(shown(s.placesSection()));
    EXPECT_EQ(s.placeRow(0)->label(), "Scan root");
    EXPECT_EQ(s.placePath(0), tree.path());
    EXPECT_EQ(s.placePath(1), tree / "Downloads");
    EXPECT_EQ(s.placeRow(1)->toolTip(), "Open from the current scan");
    EXPECT_EQ(m.focusPath(), tree.path());
    EXPECT_EQ(selectedPlaces(), "x...");

    struct Step {
        int row;
        std::optional<std::string> focus;
        std::optional<QString> notice;
        const char* selected;
    };
    const std::vector<Step> steps{
        {1, tree / "Downloads", std::nullopt, ".x.."},
        {3, tree / "Documents", std::nullopt, "...x"},
        // Desktop is not in the scan: the row stays enabled and unselected, the focus stays.
        {2, tree / "Documents", kNotInScanNotice, "...x"},
        {0, tree.path(), std::nullopt, "x..."},
    };
    for (const Step& step : steps) {
        m.setNotice(std::nullopt);
        EXPECT_TRUE(s.placeRow(step.row)->isEnabled());
        QTest::mouseClick(s.placeRow(step.row), Qt::LeftButton);
        EXPECT_EQ(m.focusPath(), step.focus) << step.row;
        EXPECT_EQ(m.notice(), step.notice) << step.row;
        EXPECT_EQ(selectedPlaces(), step.selected) << step.row;
    }

    // A folder below a place selects none.
    m.browseLocation(tree / "Documents/old");
    EXPECT_EQ(selectedPlaces(), "....");
    EXPECT_EQ(s.folderTitle()->text(), "old");
    // With no focus path (the root in view) no place is selected, not even the root.
    m.setFocusPath(std::nullopt);
    EXPECT_EQ(selectedPlaces(), "....");
}

TEST_F(SidebarOverARealScan, TheScannedFolderBecomesARecentRowThatOpensItWithoutScanning) {
    AppModel& m = makeThreaded();
    Sidebar& s = makeSidebar(m);
    scanTree(m);
    ASSERT_TRUE(shown(s.recentSection()));
    ASSERT_EQ(s.recentRows().size(), 1u);
    EXPECT_EQ(s.recentRows()[0]->label(), "Home");
    EXPECT_EQ(s.recentRows()[0]->toolTip(), plainToolTipOf(tree.path()));
    m.browseLocation(tree / "Pictures");
    QTest::mouseClick(s.recentRows()[0], Qt::LeftButton);
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.focusPath(), tree.path());
    EXPECT_EQ(s.folderTitle()->text(), "Home");
}

TEST_F(SidebarOverARealScan, QuickWinAndFileTypeRowsAppearAfterTheScanAndAct) {
    AppModel& m = makeThreaded();
    Sidebar& s = makeSidebar(m);
    EXPECT_FALSE(shown(s.quickWinsSection()));
    EXPECT_FALSE(shown(s.fileTypesSection()));
    scanTree(m);

    ASSERT_TRUE(shown(s.quickWinsSection()));
    std::vector<QuickWinKind> kinds;
    for (QuickWinRow* row : s.quickWinRows())
        kinds.push_back(row->kind());
    EXPECT_EQ(kinds, (std::vector<QuickWinKind>{QuickWinKind::downloads, QuickWinKind::dependencies}));
    EXPECT_EQ(s.quickWinRows()[0]->countText(), "1 item");
    EXPECT_EQ(s.quickWinRows()[1]->countText(), "2 items");

    m.setSection(AppSection::snapshots);
    QTest::mouseClick(s.quickWinRows()[0], Qt::LeftButton);
    EXPECT_EQ(m.activeQuickWin(), QuickWinKind::downloads);
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_TRUE(s.quickWinRows()[0]->isSelected());
    ASSERT_TRUE(m.visibleWin().has_value());
    EXPECT_EQ(m.visibleWin()->nodes.front().path, tree / "Downloads");

    ASSERT_TRUE(shown(s.fileTypesSection()));
    const std::map<FileCategory, std::int64_t>& totals = s.fileTypeSummary()->totals();
    EXPECT_EQ(totals, m.categoryTotals());
    for (FileCategory category : {FileCategory::audio, FileCategory::image, FileCategory::document,
                                  FileCategory::developer, FileCategory::archive})
        EXPECT_EQ(totals.count(category), 1u) << std::string(rawValue(category));
    EXPECT_EQ(s.fileTypeSummary()->blocks().size(), 5u);
}

TEST_F(SidebarOverARealScan, PicturesInLightAndDark) {
    AppModel& m = makeThreaded();
    scanTree(m);
    MonitorSample sample;
    sample.volumes = {{"/", "Data", 500'000'000'000, 180'000'000'000, 0}};
    m.activity().record(sample);
    m.setActiveQuickWin(QuickWinKind::dependencies);

    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        // The window builds its content afresh for a change of appearance; so does this test.
        Appearance::setDark(dark);
        Sidebar& s = makeSidebar(m);
        s.resize(Sidebar::kWidth, s.widget()->sizeHint().height());
        const QImage picture = test::settledPicture(s);
        test::savePicture(picture, dark ? QStringLiteral("sidebar-dark") : QStringLiteral("sidebar-light"));
        EXPECT_FALSE(s.verticalScrollBar()->isVisible());
        EXPECT_EQ(s.meterRing()->figures().percentText, "64%");

        // The ring: amber from twelve o'clock, the border colour where the used share does not reach.
        const QPoint ring = s.meterRing()->mapTo(&s, QPoint(0, 0));
        const double half = DiskMeterRing::kLineWidth / 2;
        const QPoint twelve = ring + QPoint(DiskMeterRing::kSide / 2 + 2, int(half));
        const QPoint nine = ring + QPoint(int(half), DiskMeterRing::kSide / 2);
        EXPECT_TRUE(near(picture.pixelColor(twelve), Appearance::color(Paper::amber()), 8))
            << picture.pixelColor(twelve).name().toStdString();
        EXPECT_TRUE(near(picture.pixelColor(nine), Appearance::role(ColorRole::border), 8))
            << picture.pixelColor(nine).name().toStdString();

        // The primary button is filled with ink; the column with the panel colour.
        const QPoint fill = s.scanButton()->mapTo(&s, QPoint(4, s.scanButton()->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(fill), Appearance::role(ColorRole::ink)))
            << picture.pixelColor(fill).name().toStdString();
        EXPECT_TRUE(near(picture.pixelColor(2, picture.height() - 3), Appearance::role(ColorRole::panel)));

        // The selected quick win carries the accent tint over the panel.
        ASSERT_EQ(s.quickWinRows().size(), 2u);
        QuickWinRow* selected = s.quickWinRows()[1];
        EXPECT_TRUE(selected->isSelected());
        const QPoint tint = selected->mapTo(&s, QPoint(selected->width() / 2, 2));
        EXPECT_TRUE(near(
            picture.pixelColor(tint),
            test::over(Appearance::role(ColorRole::accent, 0.14), Appearance::role(ColorRole::panel)), 4))
            << picture.pixelColor(tint).name().toStdString();
    }
}

} // namespace
} // namespace ambertrove
