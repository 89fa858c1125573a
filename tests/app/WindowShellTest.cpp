// The window's shell: top bar, footer, notice, notification, alert, inspector column, theme rebuild and
// the settings window, on the real controller.
#include "WindowTestSupport.hpp"

#include "controller/CleanupRequest.hpp"

#include "explore/ExploreView.hpp"
#include "screens/MonitorView.hpp"
#include "shell/CleanupBadge.hpp"
#include "shell/FilterField.hpp"
#include "shell/Footer.hpp"
#include "shell/HelpText.hpp"
#include "shell/MenuCommands.hpp"
#include "shell/NoticeBanner.hpp"
#include "shell/PlainButton.hpp"
#include "shell/SectionTab.hpp"
#include "shell/SettingsWindow.hpp"

#include "shell/ToastCard.hpp"
#include "shell/TopBar.hpp"
#include "support/CaseName.hpp"
#include "widgets/TroveButton.hpp"
#include <QScrollArea>
#include <QScrollBar>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

namespace ambertrove::test {
namespace {

// ---- footer ------------------------------------------------------------------------------------------

struct StatusCase {
    const char* name;
    bool cleaning;
    std::optional<std::string> cleanupMessage;
    bool scanning;
    bool duplicates;
    bool snapshotBusy;
    const char* snapshotStatus;
    bool apps;
    const char* expected;
};

class FooterStatusTable : public WindowTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(FooterStatusTable, ShowsTheFirstWorkThatRuns) {
    const auto& c = GetParam();
    AppModel& m = makeModel();
    Footer footer(m);
    m.setCleaning(c.cleaning);
    if (c.cleanupMessage) {
        CleanupProgress progress;
        progress.message = *c.cleanupMessage;
        m.setCleanupProgress(progress);
    }
    m.setScanning(c.scanning);
    m.setFindingDuplicates(c.duplicates);
    m.setSnapshotStatus(QString::fromUtf8(c.snapshotStatus));
    m.setSnapshotBusy(c.snapshotBusy);
    m.setInspectingApps(c.apps);
    EXPECT_EQ(Footer::statusText(m), QString::fromUtf8(c.expected));
    EXPECT_EQ(footer.shownStatus(), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Precedence, FooterStatusTable,
    ::testing::Values(
        StatusCase{"ready", false, std::nullopt, false, false, false, "", false, "Ready"},
        StatusCase{"cleaningWithMessage", true, "Moving 3 of 9…", true, true, true, "Saving…", true,
                   "Moving 3 of 9…"},
        StatusCase{"cleaningPreparing", true, std::nullopt, true, false, false, "", false,
                   "Preparing cleanup…"},
        StatusCase{"scanning", false, std::nullopt, true, true, true, "Saving…", true, "Scanning…"},
        StatusCase{"duplicates", false, std::nullopt, false, true, true, "Saving…", true, "Comparing files…"},
        StatusCase{"snapshot", false, std::nullopt, false, false, true, "Saving scan…", true, "Saving scan…"},
        StatusCase{"snapshotEmptyStatus", false, std::nullopt, false, false, true, "", true, ""},
        StatusCase{"apps", false, std::nullopt, false, false, false, "", true, "Reading applications…"}),
    caseName<StatusCase>);

class WindowShellTest : public WindowTest {};

TEST_F(WindowShellTest, TheCleanupButtonShowsTheQueueAndOpensCleanupKeepingTheFilter) {
    makeWindow();
    CleanupBadge* badge = content().footer()->cleanupButton();
    EXPECT_EQ(badge->countText(), QString());
    CleanupEntry entry;
    entry.node.path = folder / "x";
    entry.node.allocatedSize = 1'500'000;
    model->setQueue({entry});
    EXPECT_EQ(badge->countText(), QStringLiteral("1"));
    EXPECT_EQ(badge->bytesText(), QStringLiteral("1.5 MB"));
    model->setFilter(QStringLiteral("log"));
    QTest::mouseClick(badge, Qt::LeftButton);
    EXPECT_EQ(model->section(), AppSection::cleanup);
    EXPECT_EQ(model->filter(), QStringLiteral("log"));
}

// ---- top bar -----------------------------------------------------------------------------------------

struct TitleCase {
    const char* name;
    int width;
    AppSection selected;
};

class TabTitleTable : public WindowTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(TabTitleTable, BelowTheWidthOnlyTheSelectedTabAndCleanupShowTitles) {
    const auto& c = GetParam();
    makeModel().setSection(c.selected);
    makeWindow({}, QSize(c.width, 940));
    TopBar& bar = *content().topBar();
    ASSERT_EQ(bar.width(), c.width);
    for (const AppSection section : allCases<AppSection>()) {
        const bool expected = c.width >= 1320 || section == c.selected || section == AppSection::cleanup;
        EXPECT_EQ(bar.tab(section)->showsTitle(), expected) << rawValue(section).toStdString();
        EXPECT_EQ(bar.tab(section)->isSelected(), section == c.selected);
        EXPECT_EQ(bar.tab(section)->accessibleDescription(),
                  section == c.selected ? QStringLiteral("Selected") : QString());
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, TabTitleTable,
                         ::testing::Values(TitleCase{"narrowExplore", 1319, AppSection::explore},
                                           TitleCase{"wideExplore", 1320, AppSection::explore},
                                           TitleCase{"narrowCleanup", 1319, AppSection::cleanup},
                                           TitleCase{"narrowMonitor", 1319, AppSection::monitor},
                                           TitleCase{"wideMonitor", 1320, AppSection::monitor}),
                         caseName<TitleCase>);

TEST_F(WindowShellTest, ATabRingsItsFocusOnlyOnceTheKeyboardMovedIt) {
    makeWindow();
    QApplication::setActiveWindow(window.get());
    SectionTab& explore = *content().topBar()->tab(AppSection::explore);
    SectionTab& duplicates = *content().topBar()->tab(AppSection::duplicates);
    // The window gives its first tab the focus when it is activated, and Qt moves the focus on (as by
    // Tab, but without a key) when the focused control of a replaced screen is hidden: no ring for either.
    explore.setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(explore.hasFocus());
    EXPECT_FALSE(explore.showsFocusRing());
    duplicates.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(duplicates.hasFocus());
    EXPECT_FALSE(duplicates.showsFocusRing());
    // The Tab key moves it: now the ring shows where the focus is.
    QTest::keyClick(&duplicates, Qt::Key_Tab);
    SectionTab& applications = *content().topBar()->tab(AppSection::applications);
    ASSERT_TRUE(applications.hasFocus());
    EXPECT_TRUE(applications.showsFocusRing());
    EXPECT_FALSE(duplicates.showsFocusRing());
}

TEST_F(WindowShellTest, TheFilterFieldShowsOnlyInExploreAndDuplicates) {
    makeWindow();
    TopBar& bar = *content().topBar();
    for (const AppSection section : allCases<AppSection>()) {
        model->setSection(section);
        const bool filtered = section == AppSection::explore || section == AppSection::duplicates;
        EXPECT_EQ(bar.filterField()->isVisible(), filtered) << rawValue(section).toStdString();
        EXPECT_EQ(bar.inspectorButton()->isVisible(), section == AppSection::explore);
        EXPECT_EQ(bar.sizeModeButton()->isVisible(), section == AppSection::explore);
    }
}

TEST_F(WindowShellTest, TheFilterFieldIsNarrowBelow1240) {
    makeWindow({}, QSize(1239, 940));
    EXPECT_EQ(content().topBar()->filterField()->width(), FilterField::kNarrowWidth);
    window->resize(1240, 940);
    settle();
    EXPECT_EQ(content().topBar()->filterField()->width(), FilterField::kWideWidth);
}

TEST_F(WindowShellTest, TypingFiltersAndATabClearsTheFilterEvenWhenSelected) {
    makeWindow();
    FilterField* field = content().topBar()->filterField();
    QTest::keyClicks(field->edit(), QStringLiteral("mov"));
    EXPECT_EQ(model->filter(), QStringLiteral("mov"));
    EXPECT_TRUE(field->clearButton()->isVisible());
    QTest::mouseClick(content().topBar()->tab(AppSection::explore), Qt::LeftButton);
    EXPECT_EQ(model->section(), AppSection::explore);
    EXPECT_EQ(model->filter(), QString());
    EXPECT_EQ(field->text(), QString());
    EXPECT_FALSE(field->clearButton()->isVisible());

    model->setFilter(QStringLiteral("x"));
    QTest::mouseClick(content().topBar()->tab(AppSection::duplicates), Qt::LeftButton);
    EXPECT_EQ(model->section(), AppSection::duplicates);
    EXPECT_EQ(model->filter(), QString());
    model->setFilter(QStringLiteral("y"));
    QTest::mouseClick(field->clearButton(), Qt::LeftButton);
    EXPECT_EQ(model->filter(), QString());
}

TEST_F(WindowShellTest, TheExploreControlsToggleTheirSettings) {
    makeWindow();
    TopBar& bar = *content().topBar();
    model->setStorageView(StorageView::treemap);
    EXPECT_TRUE(bar.labelsButton()->isVisible());
    EXPECT_EQ(bar.labelsButton()->accessibleDescription(), QStringLiteral("On"));
    QTest::mouseClick(bar.labelsButton(), Qt::LeftButton);
    EXPECT_FALSE(model->showLabels());
    EXPECT_EQ(bar.labelsButton()->accessibleDescription(), QStringLiteral("Off"));
    for (const StorageView view :
         {StorageView::folders, StorageView::topSizes, StorageView::ageMap, StorageView::table}) {
        model->setStorageView(view);
        EXPECT_FALSE(bar.labelsButton()->isVisible()) << rawValue(view).toStdString();
        EXPECT_TRUE(bar.sizeModeButton()->isVisible());
    }
    EXPECT_EQ(bar.sizeModeButton()->toolTip(), QStringLiteral("Showing size on disk"));
    EXPECT_EQ(bar.sizeModeButton()->symbol(), QStringLiteral("internaldrive"));
    QTest::mouseClick(bar.sizeModeButton(), Qt::LeftButton);
    EXPECT_TRUE(model->logical());
    EXPECT_EQ(bar.sizeModeButton()->toolTip(), QStringLiteral("Showing logical size"));
    EXPECT_EQ(bar.sizeModeButton()->symbol(), QStringLiteral("doc"));
}

TEST_F(WindowShellTest, TheThemeMenuNamesTheThemeOrNightAndSetsBoth) {
    makeWindow();
    QToolButton* button = content().topBar()->themeButton();
    EXPECT_EQ(button->text(), QStringLiteral("Paper"));
    QMenu* menu = content().topBar()->themeMenu();
    QStringList titles;
    for (QAction* action : menu->actions())
        titles.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles, (QStringList{"Color theme", "Paper", "Linen", "Sage", "Mist", "Slate", "-",
                                   "Dark appearance"}));
    menu->actions().at(3)->trigger(); // Sage
    EXPECT_EQ(model->theme(), AppTheme::sage);
    settle();
    menu = content().topBar()->themeMenu();
    EXPECT_EQ(content().topBar()->themeButton()->text(), QStringLiteral("Sage"));
    menu->actions().last()->trigger();
    EXPECT_TRUE(model->dark());
    settle();
    EXPECT_EQ(content().topBar()->themeButton()->text(), QStringLiteral("Night"));
    content().topBar()->themeMenu()->actions().at(5)->trigger(); // Slate
    EXPECT_TRUE(model->dark()) << "choosing a theme keeps the dark appearance";
    EXPECT_EQ(model->theme(), AppTheme::slate);
}

// ---- inspector column --------------------------------------------------------------------------------

TEST_F(WindowShellTest, TheInspectorShowsOnlyInExploreWithAFinishedScan) {
    makeWindow();
    EXPECT_FALSE(content().inspectorShown()) << "no scan";
    const std::string root = makeTree();
    model->startScan(root, false);
    settle();
    EXPECT_FALSE(content().inspectorShown()) << "scanning";
    EXPECT_TRUE(content().topBar()->inspectorButton()->isVisible());
    runner->runAll();
    settle();
    EXPECT_TRUE(content().inspectorShown());
    EXPECT_EQ(content().inspector()->width(), ContentView::kInspectorWidth + 1);
    QTest::mouseClick(content().topBar()->inspectorButton(), Qt::LeftButton);
    EXPECT_FALSE(model->showInspector());
    EXPECT_FALSE(content().inspectorShown());
    QTest::mouseClick(content().topBar()->inspectorButton(), Qt::LeftButton);
    EXPECT_TRUE(content().inspectorShown());
    model->setSection(AppSection::duplicates);
    EXPECT_FALSE(content().inspectorShown());
    EXPECT_EQ(content().sidebar()->width(), ContentView::kSidebarWidth);
}

// ---- sections ----------------------------------------------------------------------------------------

TEST_F(WindowShellTest, EachSectionIsBuiltAfreshWhenEntered) {
    makeWindow();
    QWidget* first = content().sectionView();
    EXPECT_NE(qobject_cast<ExploreView*>(first), nullptr);
    const QPointer<QWidget> watched(first);
    model->setSection(AppSection::monitor);
    settle();
    EXPECT_TRUE(watched.isNull());
    EXPECT_NE(qobject_cast<MonitorView*>(content().sectionView()), nullptr);
    model->setSection(AppSection::explore);
    settle();
    EXPECT_NE(qobject_cast<ExploreView*>(content().sectionView()), nullptr);
    EXPECT_NE(content().sectionView(), first);
}

// ---- notice, toast and alert -------------------------------------------------------------------------

TEST_F(WindowShellTest, TheNoticeStaysUntilClosedAndOffersDetailsOnlyForSkippedPaths) {
    makeWindow();
    NoticeBanner* banner = content().noticeBanner();
    EXPECT_FALSE(banner->isVisible());
    model->setNotice(QStringLiteral("Scan complete <b>&</b>"));
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), QStringLiteral("Scan complete <b>&</b>"));
    EXPECT_FALSE(banner->detailsButton()->isVisible()) << "no scan";
    QTest::mouseClick(banner->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(model->notice());
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(WindowShellTest, TheToastShowsItsPartsAndItsButtonsAct) {
    Appearance::setReducedMotion(true);
    makeWindow();
    ToastCard* card = content().toastCard();
    EXPECT_FALSE(card->isVisible());
    model->setToast(TroveToast{Uuid::random(), QStringLiteral("Moved 3 items"), QString(),
                               TroveToastAction::cleanup, QStringLiteral("Review & clean")});
    EXPECT_TRUE(card->isVisible());
    EXPECT_EQ(card->actionButton()->label(), QStringLiteral("Review & clean")) << "painted as plain text";
    EXPECT_EQ(card->titleLabel()->text(), QStringLiteral("Moved 3 items"));
    EXPECT_FALSE(card->detailLabel()->isVisible());
    EXPECT_TRUE(card->actionButton()->isVisible());
    EXPECT_EQ(card->actionButton()->accessibleName(), QStringLiteral("Review & clean — open review"));
    const QRect geometry = card->cardGeometry();
    EXPECT_EQ(geometry.width(), ToastCard::kWidth);
    EXPECT_EQ(content().height() - geometry.bottom() - 1, ToastCard::kBottomMargin);
    EXPECT_EQ(geometry.left(), content().width() - geometry.right() - 1) << "centred";
    QTest::mouseClick(card->actionButton(), Qt::LeftButton);
    EXPECT_EQ(model->section(), AppSection::cleanup);
    EXPECT_FALSE(model->toast());
    EXPECT_FALSE(card->isVisible());

    model->setToast(
        TroveToast{Uuid::random(), QStringLiteral("Saved"), QStringLiteral("in Snapshots"), {}, {}});
    EXPECT_FALSE(card->actionButton()->isVisible());
    EXPECT_TRUE(card->detailLabel()->isVisible());
    QTest::mouseClick(card->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(model->toast());
}

TEST_F(WindowShellTest, TheToastStaysOverEveryScreenBuiltWhileItShows) {
    Appearance::setReducedMotion(true);
    makeWindow();
    model->setToast(
        TroveToast{Uuid::random(), QStringLiteral("Moved to Trash"), QStringLiteral("1 item"), {}, {}});
    ToastCard* card = content().toastCard();
    ASSERT_TRUE(card->isVisible());
    for (const AppSection section : {AppSection::cleanup, AppSection::monitor, AppSection::explore}) {
        model->setSection(section);
        settle();
        ASSERT_EQ(content().shownSection(), section);
        const QWidget* top = content().childAt(card->cardGeometry().center());
        EXPECT_TRUE(top == card || card->isAncestorOf(top))
            << rawValue(section).toStdString() << ": " << (top ? top->metaObject()->className() : "nothing");
    }
}

TEST_F(WindowShellTest, TheToastSlidesInAndOutWhenMotionIsAllowed) {
    Appearance::setReducedMotion(false);
    makeWindow();
    ToastCard* card = content().toastCard();
    QSignalSpy settled(card, &ToastCard::settled);
    model->setToast(TroveToast{Uuid::random(), QStringLiteral("One"), QString(), {}, {}});
    EXPECT_TRUE(card->isAnimating());
    ASSERT_TRUE(settled.wait(2000));
    EXPECT_EQ(content().height() - card->cardGeometry().bottom() - 1, ToastCard::kBottomMargin);
    // Another toast (a new id) arrives anew.
    model->setToast(TroveToast{Uuid::random(), QStringLiteral("Two"), QString(), {}, {}});
    EXPECT_TRUE(card->isAnimating());
    ASSERT_TRUE(settled.wait(2000));
    model->setToast(std::nullopt);
    EXPECT_TRUE(card->isAnimating());
    ASSERT_TRUE(settled.wait(2000));
    EXPECT_FALSE(card->isVisible());
}

TEST_F(WindowShellTest, TheErrorAlertShowsTheTextPlainlyAndOkClearsIt) {
    makeWindow();
    EXPECT_EQ(content().errorAlert(), nullptr);
    model->setError(
        QStringLiteral("Ambertrove could not scan “/nonexistent/<i>x</i>”. No such file or directory."));
    QMessageBox* alert = content().errorAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Ambertrove"));
    EXPECT_EQ(
        alert->text(),
        QStringLiteral("Ambertrove could not scan “/nonexistent/<i>x</i>”. No such file or directory."));
    EXPECT_EQ(alert->textFormat(), Qt::PlainText);
    EXPECT_EQ(alert->icon(), QMessageBox::Warning) << "the look of a standard alert";
    savePicture(*alert, QStringLiteral("window-error-alert"));
    QTest::mouseClick(alert->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(model->error());
    settle();
    EXPECT_EQ(content().errorAlert(), nullptr);

    // Closing it another way clears the error too.
    model->setError(QStringLiteral("Again"));
    content().errorAlert()->reject();
    EXPECT_FALSE(model->error());
}

TEST_F(WindowShellTest, StartUpLoadFailuresAreShownOnceTheWindowIsUp) {
    folder.makeFile("state/cleanup.json", "not json");
    makeWindow();
    ASSERT_NE(content().errorAlert(), nullptr);
    EXPECT_TRUE(content().errorAlert()->text().startsWith(QStringLiteral("Cleanup queue: ")));
}

TEST_F(WindowShellTest, TheReviewSheetFollowsTheCleanupRequest) {
    makeWindow();
    EXPECT_EQ(content().reviewSheet(), nullptr);
    model->setCleanupRequest(std::make_shared<const CleanupRequest>());
    settle();
    QDialog* sheet = content().reviewSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->reject();
    EXPECT_EQ(model->cleanupRequest(), nullptr) << "closing the sheet clears the request";
    model->setCleanupRequest(std::make_shared<const CleanupRequest>());
    settle();
    ASSERT_NE(content().reviewSheet(), nullptr);
    model->setCleanupRequest(nullptr);
    settle();
    EXPECT_EQ(content().reviewSheet(), nullptr) << "the controller closes it";
}

TEST_F(WindowShellTest, TheWindowOpensAt1440By940AndShrinksTo1100By720) {
    makeModel();
    MainWindow fresh(*model, appScreens(), {QStringLiteral("ambertrove")});
    EXPECT_EQ(fresh.size(), MainWindow::kDefaultSize);
    EXPECT_EQ(fresh.size(), QSize(1440, 940));
    EXPECT_EQ(fresh.minimumSize(), QSize(1100, 720));
}

// ---- theme rebuild -----------------------------------------------------------------------------------

TEST_F(WindowShellTest, AThemeChangeRebuildsTheContentAndKeepsTheControllersState) {
    makeWindow();
    const std::string root = makeTree();
    finishScan(root);
    model->setSection(AppSection::explore);
    model->setFilter(QStringLiteral("doc"));
    model->setError(QStringLiteral("Kept"));
    const ScanResultPtr scan = model->scan();
    const QPointer<ContentView> old(&content());
    QSignalSpy rebuilt(window.get(), &MainWindow::contentRebuilt);

    model->setTheme(AppTheme::mist);
    settle();
    EXPECT_EQ(rebuilt.count(), 1);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(model->scan(), scan);
    EXPECT_EQ(model->filter(), QStringLiteral("doc"));
    EXPECT_EQ(content().topBar()->filterField()->text(), QStringLiteral("doc"));
    EXPECT_EQ(content().topBar()->themeButton()->text(), QStringLiteral("Mist"));
    ASSERT_NE(content().errorAlert(), nullptr) << "the alert is shown again over the new content";
    EXPECT_EQ(content().errorAlert()->text(), QStringLiteral("Kept"));
    auto* explore = qobject_cast<ExploreView*>(content().sectionView());
    ASSERT_NE(explore, nullptr);
    EXPECT_EQ(explore->screen(), ExploreView::Screen::explorer);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              QColor::fromRgb(Paper::tokens(AppTheme::mist)[0]));

    // The scan asked for with "--scan" is not asked again by the new content.
    EXPECT_FALSE(model->scanning());
    model->setDark(true);
    settle();
    EXPECT_EQ(rebuilt.count(), 2);
    EXPECT_TRUE(Appearance::dark());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), Paper::background().resolved(true));
}

// ---- settings window ---------------------------------------------------------------------------------

TEST_F(WindowShellTest, SettingsTogglesChangeTheControllerAndFollowIt) {
    makeWindow();
    window->commands()->action(QStringLiteral("Settings…"))->trigger();
    SettingsWindow* settings = window->settingsWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->size(), QSize(SettingsWindow::kWidth, SettingsWindow::kHeight));

    struct Toggle {
        QCheckBox* box;
        std::function<bool()> read;
        bool initially;
    };
    const std::vector<Toggle> toggles = {
        {settings->darkToggle(), [&] { return model->dark(); }, false},
        {settings->hiddenToggle(), [&] { return model->showHidden(); }, true},
        {settings->allocatedToggle(), [&] { return !model->logical(); }, true},
        {settings->labelsToggle(), [&] { return model->showLabels(); }, true},
        {settings->backupToggle(), [&] { return model->backupBeforeCleanup(); }, true},
        {settings->snapshotsToggle(), [&] { return model->snapshotsEnabled(); }, false},
    };
    for (const Toggle& toggle : toggles) {
        const std::string name = toggle.box->text().toStdString();
        EXPECT_EQ(toggle.box->isChecked(), toggle.initially) << name;
        EXPECT_EQ(toggle.read(), toggle.initially) << name;
        toggle.box->click();
        EXPECT_EQ(toggle.read(), !toggle.initially) << name;
        settle();
        toggle.box->click();
        EXPECT_EQ(toggle.read(), toggle.initially) << name;
        settle();
    }
    // The controller's changes show in the form.
    model->setLogical(true);
    EXPECT_FALSE(settings->allocatedToggle()->isChecked());
    model->setSnapshotsEnabled(true);
    EXPECT_TRUE(settings->snapshotsToggle()->isChecked());

    QComboBox* picker = settings->themePicker();
    EXPECT_EQ(picker->count(), 5);
    EXPECT_EQ(picker->currentText(), QStringLiteral("Paper"));
    picker->setCurrentIndex(4);
    emit picker->activated(4);
    EXPECT_EQ(model->theme(), AppTheme::slate);
    settle();
    EXPECT_EQ(content().topBar()->themeButton()->text(), QStringLiteral("Slate"));
    EXPECT_TRUE(
        settings->versionLabel()->text().startsWith(QStringLiteral("Version 1.1.0 · macOS 14 or later\n")));
    // The window is reused.
    window->openSettings();
    EXPECT_EQ(window->settingsWindow(), settings);
}

TEST_F(WindowShellTest, ThePrivacySettingsLinkIsHelpThatSaysWhatTakesItsPlace) {
    makeWindow();
    window->openSettings();
    SettingsWindow* settings = window->settingsWindow();
    const QString text = QStringLiteral("Open Full Disk Access settings");
    for (const QAbstractButton* button : settings->findChildren<QAbstractButton*>())
        EXPECT_FALSE(button->text().contains(text)) << "nothing that looks live";
    const QLabel* help = nullptr;
    for (const QLabel* label : settings->findChildren<QLabel*>()) {
        if (label->text().startsWith(text))
            help = label;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->text().endsWith(QString::fromUtf8(HelpText::kLinuxNote)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
    savePicture(*settings, QStringLiteral("settings"));
}

TEST_F(WindowShellTest, EscapeAndCtrlWCloseTheSettingsWhichScrollOnlyWhenTheyMust) {
    makeWindow();
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        window->openSettings();
        SettingsWindow* settings = window->settingsWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
        EXPECT_FALSE(settings->findChild<QScrollArea*>()->verticalScrollBar()->isVisible())
            << "the form fits: nothing to scroll";
        // Sent where a key goes: the focused control, which leaves it to the window.
        QTest::keySequence(settings->darkToggle(), keys);
        EXPECT_FALSE(settings->isVisible());
    }
}

} // namespace
} // namespace ambertrove::test
