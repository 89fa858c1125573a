// The program's entry: the "--scan" option, the state folder, the former product's settings, and the
// enabling of the menu commands.
#include "WindowTestSupport.hpp"

#include "controller/SettingsPreferences.hpp"
#include "shell/AppEntry.hpp"
#include "shell/MenuCommands.hpp"
#include "storage/AppStorage.hpp"
#include "support/CaseName.hpp"

#include <QAction>
#include <QMenu>
#include <QSettings>

namespace ambertrove::test {
namespace {

struct ScanArgumentCase {
    const char* name;
    QStringList arguments;
    std::optional<QString> expected;
};

class ScanArgumentTable : public ::testing::TestWithParam<ScanArgumentCase> {};

TEST_P(ScanArgumentTable, FindsThePathAfterTheFirstExactOption) {
    EXPECT_EQ(AppEntry::scanArgument(GetParam().arguments), GetParam().expected);
}

const QString kProgram = QStringLiteral("/usr/bin/ambertrove");

INSTANTIATE_TEST_SUITE_P(
    Arguments, ScanArgumentTable,
    ::testing::Values(
        ScanArgumentCase{"none", {kProgram}, std::nullopt},
        ScanArgumentCase{"path", {kProgram, "--scan", "/data"}, QString("/data")},
        ScanArgumentCase{"trailing", {kProgram, "--scan"}, std::nullopt},
        ScanArgumentCase{"attached", {kProgram, "--scan=/data"}, std::nullopt},
        ScanArgumentCase{"attachedThenTrailing", {kProgram, "--scan=/data", "--scan"}, std::nullopt},
        ScanArgumentCase{"twice", {kProgram, "--scan", "/first", "--scan", "/second"}, QString("/first")},
        ScanArgumentCase{"optionAsPath", {kProgram, "--scan", "--scan"}, QString("--scan")},
        ScanArgumentCase{"otherCase", {kProgram, "--SCAN", "/data"}, std::nullopt},
        ScanArgumentCase{"relative", {kProgram, "-v", "--scan", "some/folder"}, QString("some/folder")},
        ScanArgumentCase{"empty", {kProgram, "--scan", ""}, QString("")},
        ScanArgumentCase{"programPathCounts", {"--scan", "/data"}, QString("/data")}),
    caseName<ScanArgumentCase>);

struct StateDirectoryCase {
    const char* name;
    std::optional<std::string> variable;
    bool usesVariable;
};

class StateDirectoryTable : public ::testing::TestWithParam<StateDirectoryCase> {};

TEST_P(StateDirectoryTable, TakesAnAbsoluteVariableUnchangedElseTheDataFolder) {
    const auto& c = GetParam();
    EXPECT_EQ(AppEntry::stateDirectory(c.variable), c.usesVariable ? *c.variable : AppStorage::directory());
}

INSTANTIATE_TEST_SUITE_P(Variables, StateDirectoryTable,
                         ::testing::Values(StateDirectoryCase{"absent", std::nullopt, false},
                                           StateDirectoryCase{"empty", std::string(), false},
                                           StateDirectoryCase{"relative", std::string("state/here"), false},
                                           StateDirectoryCase{"tilde", std::string("~/state"), false},
                                           StateDirectoryCase{"absolute", std::string("/tmp/x/state"), true},
                                           StateDirectoryCase{"notThere", std::string("/no/such/folder/"),
                                                              true}),
                         caseName<StateDirectoryCase>);

TEST(AppEntryTest, TheFormerSettingsNameReplacesTheProductWord) {
    const auto legacy = AppEntry::legacySettingsName(AppEntry::settingsName());
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->organization, QStringLiteral("Tessavale"));
    EXPECT_EQ(legacy->application, QStringLiteral("Tessavale"));
    EXPECT_FALSE(AppEntry::legacySettingsName({QStringLiteral("Other"), QStringLiteral("Ambertrove")}));
}

// The settings files live in a temporary folder for these tests.
class LegacySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder.path()));
    }
    void TearDown() override { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString()); }

    static QSettings* settings(const AppEntry::SettingsName& name) {
        return new QSettings(QSettings::IniFormat, QSettings::UserScope, name.organization, name.application);
    }

    TempDir folder;
};

TEST_F(LegacySettingsTest, CopiesOnlyTheMissingKeysAndReadsThemAsTheirTypes) {
    const AppEntry::SettingsName current = AppEntry::settingsName();
    {
        std::unique_ptr<QSettings> legacy(settings(*AppEntry::legacySettingsName(current)));
        legacy->setValue(QStringLiteral("colorTheme"), QStringLiteral("Sage"));
        legacy->setValue(QStringLiteral("darkAppearance"), true);
        legacy->setValue(QStringLiteral("snapshotsEnabled"), true);
        legacy->setValue(QStringLiteral("recentFolders"), QStringList{QStringLiteral("/only/one")});
        legacy->setValue(QStringLiteral("unrelated"), QStringLiteral("kept out"));
        legacy->sync();
    }
    SettingsPreferences target(std::unique_ptr<QSettings>(settings(current)));
    target.setValue("darkAppearance", false);

    AppEntry::migrateLegacySettings(target, current);

    EXPECT_EQ(target.value("colorTheme"), PreferenceValue(std::string("Sage")));
    EXPECT_EQ(target.value("darkAppearance"), PreferenceValue(false)) << "an existing setting stays";
    EXPECT_EQ(target.value("snapshotsEnabled"), PreferenceValue(true));
    EXPECT_EQ(target.value("recentFolders"), PreferenceValue(std::vector<std::string>{"/only/one"}));
    EXPECT_FALSE(target.value("unrelated"));
    EXPECT_FALSE(target.value("backupBeforeCleanup"));

    // A second start copies nothing over what is there now.
    {
        std::unique_ptr<QSettings> legacy(settings(*AppEntry::legacySettingsName(current)));
        legacy->setValue(QStringLiteral("colorTheme"), QStringLiteral("Mist"));
    }
    AppEntry::migrateLegacySettings(target, current);
    EXPECT_EQ(target.value("colorTheme"), PreferenceValue(std::string("Sage")));
}

TEST_F(LegacySettingsTest, WithoutFormerSettingsNothingIsCopiedOrCreated) {
    const AppEntry::SettingsName current = AppEntry::settingsName();
    MemoryPreferenceStore target;
    AppEntry::migrateLegacySettings(target, current);
    for (const std::string_view key : AppStorage::kMigratedKeys)
        EXPECT_FALSE(target.value(key)) << key;
    std::unique_ptr<QSettings> legacy(settings(*AppEntry::legacySettingsName(current)));
    EXPECT_FALSE(QFileInfo::exists(legacy->fileName()));
}

TEST_F(LegacySettingsTest, TheFormerThemeShowsAtTheFirstStart) {
    const AppEntry::SettingsName current = AppEntry::settingsName();
    {
        std::unique_ptr<QSettings> legacy(settings(*AppEntry::legacySettingsName(current)));
        legacy->setValue(QStringLiteral("colorTheme"), QStringLiteral("Sage"));
    }
    auto target = std::make_shared<SettingsPreferences>(std::unique_ptr<QSettings>(settings(current)));
    AppEntry::migrateLegacySettings(*target, current);
    AppEnvironment environment(SnapshotStore::inStateFolder(folder / "state"), folder / "state", false,
                               target);
    environment.runner = std::make_unique<ManualJobRunner>();
    const AppModel model(std::move(environment));
    EXPECT_EQ(model.theme(), AppTheme::sage);
    setCurrentTheme(AppTheme::paper);
}

// ---- menu enabling -----------------------------------------------------------------------------------

struct EnablingCase {
    const char* name;
    MenuCommands::State state;
    bool rescan;
    bool cancel;
    bool onlyLiveViews;
    bool save;
    bool exportScan;
};

class MenuEnablingTable : public ::testing::TestWithParam<EnablingCase> {};

TEST_P(MenuEnablingTable, FollowsTheScanAndTheSavedScanSlot) {
    const auto& c = GetParam();
    const MenuCommands::Enabling enabled = MenuCommands::enabling(c.state);
    EXPECT_EQ(enabled.rescan, c.rescan);
    EXPECT_EQ(enabled.cancelScan, c.cancel);
    EXPECT_EQ(enabled.saveSnapshot, c.save);
    EXPECT_EQ(enabled.exportScan, c.exportScan);
    const auto& views = allCases<StorageView>();
    for (std::size_t i = 0; i < views.size(); ++i) {
        const bool live = views[i] == StorageView::folders || isGraph(views[i]);
        EXPECT_EQ(enabled.views[i], !c.onlyLiveViews || live) << rawValue(views[i]).toStdString();
    }
}

// state: {hasScan, scanning, snapshotBusy, snapshotsEnabled}
INSTANTIATE_TEST_SUITE_P(
    States, MenuEnablingTable,
    ::testing::Values(
        EnablingCase{"nothing", {false, false, false, false}, false, false, false, false, false},
        EnablingCase{"nothingSnapshotsOn", {false, false, false, true}, false, false, false, false, false},
        EnablingCase{"scan", {true, false, false, false}, true, false, false, false, true},
        EnablingCase{"scanSnapshotsOn", {true, false, false, true}, true, false, false, true, true},
        EnablingCase{"scanSnapshotBusy", {true, false, true, true}, true, false, false, false, true},
        EnablingCase{"firstScanRunning", {false, true, false, true}, false, true, true, false, false},
        EnablingCase{"rescanRunning", {true, true, false, true}, false, true, true, false, true},
        EnablingCase{"rescanRunningBusy", {true, true, true, true}, false, true, true, false, true}),
    caseName<EnablingCase>);

class MenuCommandsTest : public WindowTest {};

TEST_F(MenuCommandsTest, TheMenusHoldTheirCommandsInOrderWithTheirShortcuts) {
    makeWindow();
    MenuCommands& commands = *window->commands();
    const auto titles = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    };
    EXPECT_EQ(titles(commands.fileMenu()), (QStringList{"Open Folder…", "Scan Folder…", "Scan Full Mac",
                                                        "Home", "Rescan Current Scan", "Cancel Scan"}));
    EXPECT_EQ(
        titles(commands.storageMenu()),
        (QStringList{"Treemap", "Folders", "Sunburst", "Flame", "Bubbles", "Mind Map", "Top Sizes", "Age Map",
                     "Table", "-", "Save Current Scan Snapshot", "Export Scan…", "Review Cleanup"}));
    EXPECT_EQ(commands.storageMenu()->title(), QStringLiteral("Storage"));
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"Open Folder…", QKeySequence(QStringLiteral("Ctrl+O"))},
        {"Home", QKeySequence(QStringLiteral("Ctrl+Shift+H"))},
        {"Rescan Current Scan", QKeySequence(QStringLiteral("Ctrl+R"))},
        {"Cancel Scan", QKeySequence(QStringLiteral("Ctrl+."))},
        {"Save Current Scan Snapshot", QKeySequence(QStringLiteral("Ctrl+S"))},
        {"Export Scan…", QKeySequence(QStringLiteral("Ctrl+Shift+E"))},
        {"Review Cleanup", QKeySequence(QStringLiteral("Ctrl+K"))},
        {"Settings…", QKeySequence(QStringLiteral("Ctrl+,"))},
        {"Scan Folder…", QKeySequence()},
        {"Scan Full Mac", QKeySequence()},
    };
    for (const auto& [title, shortcut] : shortcuts) {
        QAction* action = commands.action(QString::fromUtf8(title));
        ASSERT_NE(action, nullptr) << title;
        EXPECT_EQ(action->shortcut(), shortcut) << title;
    }
}

TEST_F(MenuCommandsTest, EnablingFollowsTheControllerAsItChanges) {
    makeWindow();
    MenuCommands& commands = *window->commands();
    const auto enabled = [&](const char* title) {
        return commands.action(QString::fromUtf8(title))->isEnabled();
    };
    EXPECT_FALSE(enabled("Rescan Current Scan"));
    EXPECT_FALSE(enabled("Cancel Scan"));
    EXPECT_FALSE(enabled("Export Scan…"));
    EXPECT_TRUE(enabled("Open Folder…"));
    EXPECT_TRUE(enabled("Review Cleanup"));

    const std::string root = makeTree();
    model->startScan(root, false);
    EXPECT_TRUE(enabled("Cancel Scan"));
    EXPECT_FALSE(enabled("Table"));
    EXPECT_TRUE(enabled("Mind Map"));
    runner->runAll();
    EXPECT_FALSE(enabled("Cancel Scan"));
    EXPECT_TRUE(enabled("Rescan Current Scan"));
    EXPECT_TRUE(enabled("Table"));
    EXPECT_TRUE(enabled("Export Scan…"));
    EXPECT_FALSE(enabled("Save Current Scan Snapshot")) << "snapshots are off";
    model->setSnapshotsEnabled(true);
    EXPECT_TRUE(enabled("Save Current Scan Snapshot"));
    model->setSnapshotBusy(true);
    EXPECT_FALSE(enabled("Save Current Scan Snapshot"));
}

TEST_F(MenuCommandsTest, AStorageViewOpensExploreWithThatView) {
    makeWindow();
    model->setSection(AppSection::duplicates);
    window->commands()->action(QStringLiteral("Age Map"))->trigger();
    EXPECT_EQ(model->storageView(), StorageView::ageMap);
    EXPECT_EQ(model->section(), AppSection::explore);
    window->commands()->action(QStringLiteral("Review Cleanup"))->trigger();
    EXPECT_EQ(model->section(), AppSection::cleanup);
}

TEST_F(MenuCommandsTest, ScanFolderScansTheChosenFolderAndCancelStopsIt) {
    makeWindow();
    platform->answer = makeTree();
    window->commands()->action(QStringLiteral("Scan Folder…"))->trigger();
    EXPECT_TRUE(model->scanning());
    EXPECT_EQ(model->scanRootPath(), *platform->answer);
    window->commands()->action(QStringLiteral("Cancel Scan"))->trigger();
    EXPECT_FALSE(model->scanning());
    ASSERT_TRUE(model->notice());
    EXPECT_EQ(*model->notice(), QStringLiteral("Scan cancelled. Choose a location to start again."));
}

} // namespace
} // namespace ambertrove::test
