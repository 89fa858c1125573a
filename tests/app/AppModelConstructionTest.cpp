#include "AppModelFixture.hpp"

#include "controller/AppModel.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace ambertrove {
namespace {

using test::AppModelFixture;

class AppModelConstructionTest : public AppModelFixture {};

TEST_F(AppModelConstructionTest, EmptyStoresGiveTheDefaultsAndTheThreeCleanupSettingsAreWrittenBack) {
    setCurrentTheme(AppTheme::mist);
    AppModel& m = make();

    EXPECT_FALSE(m.dark());
    EXPECT_EQ(m.theme(), AppTheme::paper);
    EXPECT_EQ(currentTheme(), AppTheme::paper);
    EXPECT_TRUE(m.recent().empty());
    EXPECT_TRUE(m.backupBeforeCleanup());
    EXPECT_FALSE(m.snapshotsEnabled());
    EXPECT_EQ(m.lastBackupParent(), "");
    EXPECT_EQ(m.error(), std::nullopt);

    const PreferenceTable written{
        {"backupBeforeCleanup", true}, {"snapshotsEnabled", false}, {"lastBackupParent", std::string()}};
    EXPECT_EQ(preferences->values(), written);
    // The standard store is only read.
    EXPECT_TRUE(standard->values().empty());
}

TEST_F(AppModelConstructionTest, EveryOtherPropertyStartsAtItsInitialValue) {
    const AppModel& m = make();
    EXPECT_EQ(m.section(), AppSection::explore);
    EXPECT_EQ(m.storageView(), StorageView::treemap);
    EXPECT_EQ(m.visualizationDepth(), 7);
    EXPECT_EQ(m.colorMode(), ColorMode::folder);
    EXPECT_FALSE(m.logical());
    EXPECT_TRUE(m.showInspector());
    EXPECT_TRUE(m.showHidden());
    EXPECT_TRUE(m.showLabels());
    EXPECT_EQ(m.minimumBytes(), 0);
    EXPECT_EQ(m.categoryFilter(), std::nullopt);
    EXPECT_EQ(m.modifiedBeforeDays(), 0);
    EXPECT_EQ(m.duplicateMinimumMB(), 1);
    EXPECT_TRUE(m.filter().isEmpty());
    EXPECT_EQ(m.scan(), nullptr);
    EXPECT_EQ(m.focusPath(), std::nullopt);
    EXPECT_EQ(m.selection(), std::nullopt);
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(m.scanProgress(), nullptr);
    EXPECT_TRUE(m.scanRootName().isEmpty());
    EXPECT_EQ(m.scanRootPath(), "");
    EXPECT_EQ(m.liveFocusPath(), std::nullopt);
    EXPECT_EQ(m.navigation(), FolderNavigationHistory());
    EXPECT_EQ(m.liveNavigation(), FolderNavigationHistory());
    EXPECT_EQ(m.notice(), std::nullopt);
    EXPECT_FALSE(m.isHistorical());
    EXPECT_TRUE(m.quickWins().empty());
    EXPECT_TRUE(m.typeTotals().empty());
    EXPECT_TRUE(m.folderTypes().empty());
    EXPECT_EQ(m.uniqueQuickWinBytes(), 0);
    EXPECT_EQ(m.toast(), std::nullopt);
    EXPECT_EQ(m.activeQuickWin(), std::nullopt);
    EXPECT_TRUE(m.queue().empty());
    EXPECT_TRUE(m.receipts().empty());
    EXPECT_FALSE(m.cleaning());
    EXPECT_FALSE(m.staging());
    EXPECT_EQ(m.cleanupRequest(), nullptr);
    EXPECT_EQ(m.cleanupProgress(), std::nullopt);
    EXPECT_TRUE(m.backups().empty());
    EXPECT_TRUE(m.duplicateKeepers().empty());
    EXPECT_EQ(m.duplicateScopePath(), std::nullopt);
    EXPECT_EQ(m.duplicateReport(), nullptr);
    EXPECT_FALSE(m.findingDuplicates());
    EXPECT_FALSE(m.duplicateAfterScan());
    EXPECT_TRUE(m.duplicateProgress().isEmpty());
    EXPECT_EQ(m.duplicateWork(), std::nullopt);
    EXPECT_EQ(m.appReport(), nullptr);
    EXPECT_FALSE(m.inspectingApps());
    EXPECT_TRUE(m.appProgress().isEmpty());
    EXPECT_EQ(m.selectedApp(), std::nullopt);
    EXPECT_TRUE(m.snapshots().empty());
    EXPECT_TRUE(m.snapshotIssues().empty());
    EXPECT_TRUE(m.changes().empty());
    EXPECT_EQ(m.comparisonTitle(), std::nullopt);
    EXPECT_EQ(m.comparisonRoot(), std::nullopt);
    EXPECT_EQ(m.beforeSnapshot(), std::nullopt);
    EXPECT_FALSE(m.snapshotBusy());
    EXPECT_TRUE(m.snapshotStatus().isEmpty());
    EXPECT_TRUE(m.timeMachine().isEmpty());
    EXPECT_TRUE(m.timeMachineStatus().isEmpty());
    EXPECT_FALSE(m.showIssues());
    EXPECT_TRUE(m.activity().history().empty());

    // Each job has a flag of its own, none of them set.
    const std::vector<CancellationFlag*> flags{m.scanCancellation().get(), m.stagingCancellation().get(),
                                               m.cleanupCancellation().get(), m.duplicateCancellation().get(),
                                               m.appCancellation().get()};
    for (std::size_t i = 0; i < flags.size(); ++i) {
        ASSERT_NE(flags[i], nullptr);
        EXPECT_FALSE(flags[i]->isCancelled());
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(flags[i], flags[j]);
    }
    EXPECT_EQ(m.scanNavigation()->requestedPath(), std::nullopt);
    EXPECT_EQ(m.stateDirectory(), stateDirectory());
    EXPECT_EQ(m.store().directory(), snapshotDirectory());
    EXPECT_FALSE(m.monitorEnabled());
}

TEST_F(AppModelConstructionTest, TheStoredThemeIsReadByExactName) {
    struct Case {
        std::optional<PreferenceValue> stored;
        AppTheme theme;
    };
    const std::vector<Case> cases{
        {std::string("Slate"), AppTheme::slate},
        {std::string("Linen"), AppTheme::linen},
        {std::string("Paper"), AppTheme::paper},
        {std::string("slate"), AppTheme::paper},
        {std::string("Ocean"), AppTheme::paper},
        {std::string(""), AppTheme::paper},
        {true, AppTheme::paper},
        {std::nullopt, AppTheme::paper},
    };
    for (const Case& c : cases) {
        standard = std::make_shared<MemoryPreferenceStore>();
        if (c.stored)
            standard->setValue("colorTheme", *c.stored);
        setCurrentTheme(AppTheme::mist);
        const AppModel& m = make();
        EXPECT_EQ(m.theme(), c.theme);
        EXPECT_EQ(currentTheme(), c.theme);
        // Reading the theme writes nothing back.
        EXPECT_EQ(standard->value("colorTheme"), c.stored);
    }
}

TEST_F(AppModelConstructionTest, StoredSettingsAreReadAndTheCleanupOnesWrittenBackUnchanged) {
    standard->setValue("darkAppearance", true);
    const std::vector<std::string> nine{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i"};
    standard->setValue("recentFolders", nine);
    preferences->setValue("backupBeforeCleanup", false);
    preferences->setValue("snapshotsEnabled", true);
    preferences->setValue("lastBackupParent", std::string("/media/backup"));

    const AppModel& m = make();
    EXPECT_TRUE(m.dark());
    // Taken as stored, not cut.
    EXPECT_EQ(m.recent(), nine);
    EXPECT_FALSE(m.backupBeforeCleanup());
    EXPECT_TRUE(m.snapshotsEnabled());
    EXPECT_EQ(m.lastBackupParent(), "/media/backup");
    const PreferenceTable written{{"backupBeforeCleanup", false},
                                  {"snapshotsEnabled", true},
                                  {"lastBackupParent", std::string("/media/backup")}};
    EXPECT_EQ(preferences->values(), written);
}

TEST_F(AppModelConstructionTest, BackupBeforeCleanupThatIsNotABooleanGivesTrue) {
    for (const PreferenceValue& stored :
         {PreferenceValue(std::string("false")), PreferenceValue(std::string("NO")),
          PreferenceValue(std::int64_t(0)), PreferenceValue(std::vector<std::string>{"false"})}) {
        preferences = std::make_shared<MemoryPreferenceStore>();
        preferences->setValue("backupBeforeCleanup", stored);
        const AppModel& m = make();
        EXPECT_TRUE(m.backupBeforeCleanup());
        // Written back as a Boolean.
        EXPECT_EQ(preferences->value("backupBeforeCleanup"), PreferenceValue(true));
    }
}

TEST_F(AppModelConstructionTest, ThemeAndAppearanceAreStoredOnEveryAssignment) {
    AppModel& m = make();
    QSignalSpy display(&m, &AppModel::displayChanged);

    m.setTheme(AppTheme::slate);
    EXPECT_EQ(currentTheme(), AppTheme::slate);
    EXPECT_EQ(standard->value("colorTheme"), PreferenceValue(std::string("Slate")));
    m.setDark(true);
    EXPECT_EQ(standard->value("darkAppearance"), PreferenceValue(true));
    EXPECT_EQ(display.count(), 2);

    // The same value again: written again, but no change is signalled.
    standard->setValue("colorTheme", std::string("Mist"));
    m.setTheme(AppTheme::slate);
    EXPECT_EQ(standard->value("colorTheme"), PreferenceValue(std::string("Slate")));
    EXPECT_EQ(display.count(), 2);

    m.setLastBackupParent("/media/disk");
    EXPECT_EQ(preferences->value("lastBackupParent"), PreferenceValue(std::string("/media/disk")));
    m.setSnapshotsEnabled(true);
    EXPECT_EQ(preferences->value("snapshotsEnabled"), PreferenceValue(true));
    m.setBackupBeforeCleanup(false);
    EXPECT_EQ(preferences->value("backupBeforeCleanup"), PreferenceValue(false));
}

TEST_F(AppModelConstructionTest, SettersSignalTheirGroupOnlyOnARealChange) {
    AppModel& m = make();
    QSignalSpy display(&m, &AppModel::displayChanged);
    QSignalSpy scan(&m, &AppModel::scanChanged);
    QSignalSpy progress(&m, &AppModel::progressChanged);
    QSignalSpy messages(&m, &AppModel::messagesChanged);
    QSignalSpy cleanup(&m, &AppModel::cleanupChanged);
    QSignalSpy duplicates(&m, &AppModel::duplicatesChanged);
    QSignalSpy applications(&m, &AppModel::applicationsChanged);
    QSignalSpy snapshots(&m, &AppModel::snapshotsChanged);
    QSignalSpy toast(&m, &AppModel::toastChanged);
    const std::vector<QSignalSpy*> spies{&display,    &scan,         &progress,  &messages, &cleanup,
                                         &duplicates, &applications, &snapshots, &toast};

    struct Case {
        const char* name;
        std::function<void()> assign;
        QSignalSpy* group;
    };
    auto progressReport = std::make_shared<const ScanProgress>();
    auto report = std::make_shared<const DuplicateReport>();
    auto apps = std::make_shared<const ApplicationReport>();
    const TroveToast done{Uuid::random(), QStringLiteral("Done"), {}, {}, {}};
    const std::vector<Case> cases{
        {"section", [&] { m.setSection(AppSection::monitor); }, &display},
        {"storageView", [&] { m.setStorageView(StorageView::table); }, &display},
        {"categoryFilter", [&] { m.setCategoryFilter(FileCategory::video); }, &display},
        {"filter", [&] { m.setFilter(QStringLiteral("cache")); }, &display},
        {"showIssues", [&] { m.setShowIssues(true); }, &display},
        {"focusPath", [&] { m.setFocusPath(std::string("/R/a")); }, &scan},
        {"navigation",
         [&] {
             FolderNavigationHistory h;
             h.reset("/R");
             m.setNavigation(h);
         },
         &scan},
        {"recent", [&] { m.setRecent({"/R"}); }, &scan},
        {"activeQuickWin", [&] { m.setActiveQuickWin(QuickWinKind::downloads); }, &scan},
        {"scanProgress", [&] { m.setScanProgress(progressReport); }, &progress},
        {"error", [&] { m.setError(QStringLiteral("Failed.")); }, &messages},
        {"isHistorical", [&] { m.setIsHistorical(true); }, &messages},
        {"staging", [&] { m.setStaging(true); }, &cleanup},
        {"cleanupProgress",
         [&] {
             m.setCleanupProgress(CleanupProgress{CleanupPhase::backingUp, "Backing up"});
         },
         &cleanup},
        {"duplicateReport", [&] { m.setDuplicateReport(report); }, &duplicates},
        {"duplicateKeepers",
         [&] {
             m.setDuplicateKeepers({{"ab", "/R/a"}});
         },
         &duplicates},
        {"appReport", [&] { m.setAppReport(apps); }, &applications},
        {"selectedApp", [&] { m.setSelectedApp(std::string("Editor")); }, &applications},
        {"timeMachine", [&] { m.setTimeMachine({QStringLiteral("snap")}); }, &snapshots},
        {"comparisonTitle", [&] { m.setComparisonTitle(QStringLiteral("A → B")); }, &snapshots},
        {"toast", [&] { m.setToast(done); }, &toast},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<qsizetype> before;
        for (QSignalSpy* spy : spies)
            before.push_back(spy->count());
        c.assign();
        for (std::size_t i = 0; i < spies.size(); ++i)
            EXPECT_EQ(spies[i]->count(), before[i] + (spies[i] == c.group ? 1 : 0)) << "group " << i;
        // The same value again signals nothing.
        c.assign();
        for (std::size_t i = 0; i < spies.size(); ++i)
            EXPECT_EQ(spies[i]->count(), before[i] + (spies[i] == c.group ? 1 : 0)) << "group " << i;
    }
}

TEST_F(AppModelConstructionTest, CategoryTotalsFollowTheSizeKind) {
    AppModel& m = make();
    FileTypeTotals totals;
    totals.add(4096, 100, FileCategory::image);
    m.setTypeTotals(totals);
    EXPECT_EQ(m.categoryTotals().at(FileCategory::image), 4096);
    m.setLogical(true);
    EXPECT_EQ(m.categoryTotals().at(FileCategory::image), 100);
}

TEST_F(AppModelConstructionTest, ASavedScanCatalogIsReadAtStart) {
    SnapshotRecord record;
    record.id = Uuid::random();
    record.title = "Home";
    record.rootPath = "/home/user";
    services.snapshotCatalog = [&](const SnapshotStore& store) {
        EXPECT_EQ(store.directory(), snapshotDirectory());
        return SnapshotCatalog{{record}, {SnapshotCatalogIssue{"/x.meta", "Unreadable."}}};
    };
    const AppModel& m = make();
    EXPECT_EQ(m.snapshots(), std::vector<SnapshotRecord>{record});
    ASSERT_EQ(m.snapshotIssues().size(), 1u);
    EXPECT_EQ(m.snapshotIssues()[0].path, "/x.meta");
}

TEST_F(AppModelConstructionTest, ABeforeChoiceWhoseRecordIsGoneIsClearedWhenTheCatalogIsReadAgain) {
    SnapshotRecord kept;
    kept.id = Uuid::random();
    SnapshotRecord deleted;
    deleted.id = Uuid::random();
    std::vector<SnapshotRecord> records{kept, deleted};
    bool fail = false;
    services.snapshotCatalog = [&](const SnapshotStore&) {
        if (fail)
            throw std::system_error(EACCES, std::generic_category());
        return SnapshotCatalog{records, {}};
    };
    AppModel& m = make();

    m.setBeforeSnapshot(kept);
    AppModelTestPeer::readSnapshotCatalog(m);
    EXPECT_EQ(m.beforeSnapshot(), kept);

    m.setBeforeSnapshot(deleted);
    records = {kept};
    AppModelTestPeer::readSnapshotCatalog(m);
    EXPECT_EQ(m.beforeSnapshot(), std::nullopt);
    EXPECT_EQ(m.snapshots(), records);

    // A catalog that fails changes nothing.
    m.setBeforeSnapshot(kept);
    records = {};
    fail = true;
    EXPECT_THROW(AppModelTestPeer::readSnapshotCatalog(m), std::system_error);
    EXPECT_EQ(m.snapshots(), std::vector<SnapshotRecord>{kept});
    EXPECT_EQ(m.beforeSnapshot(), kept);
}

TEST_F(AppModelConstructionTest, WithoutTheMonitorNoReadingStarts) {
    int samplers = 0;
    services.sampler = [&] {
        ++samplers;
        return Services::SampleReader([](const TaskCancellation&) { return MonitorSample(); });
    };
    const AppModel& m = make(false);
    EXPECT_EQ(samplers, 0);
    EXPECT_EQ(runner->startedCount(), 0u);
    EXPECT_TRUE(m.activity().history().empty());
}

} // namespace
} // namespace ambertrove
