// The Cleanup section in the window: its summary and "Move to Trash…", the running panel and its "Cancel",
// "Remove all", the empty state, the queue's painted rows with the policy's answers, and the histories
// with "Show in Finder" and "Restore".
#include "ScreenTestSupport.hpp"

#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"
#include "screens/CleanupHistoryList.hpp"
#include "screens/CleanupQueueList.hpp"
#include "screens/CleanupView.hpp"
#include "shell/PlainButton.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/TroveButton.hpp"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>

#include <filesystem>

namespace ambertrove::test {
namespace {

TrashReceipt receiptOf(const std::string& path, std::int64_t bytes) {
    TrashReceipt receipt;
    receipt.originalPath = path;
    receipt.trashPath = "files/" + std::filesystem::path(path).filename().string();
    receipt.date = Date::fromUnixSeconds(1'700'000'000);
    receipt.bytes = bytes;
    return receipt;
}

class CleanupViewTest : public ScreenTest {
protected:
    CleanupView& show() { return showSection<CleanupView>(AppSection::cleanup); }

    // Stages tree/big.bin and tree/docs from a finished scan of the small tree.
    void stageFromTree() {
        const std::string root = makeTree();
        finishScan(root);
        const ScanResultPtr scan = model->scan();
        model->stage({*scan->nodes.node(root + "/big.bin"), *scan->nodes.node(root + "/docs")}, nullptr,
                     "Test");
        settle();
    }
};

TEST_F(CleanupViewTest, TheSummaryCountsItemsWithTheLocalesGroupingAndThePluralUnlessOne) {
    struct Case {
        std::int64_t count;
        std::int64_t bytes;
        const char* expected;
    };
    for (const Case& c : {Case{0, 0, "0 items — Zero KB"}, Case{1, 2000, "1 item — 2 KB"},
                          Case{2, 3000, "2 items — 3 KB"}, Case{1234, 1'500'000, "1,234 items — 1.5 MB"}})
        EXPECT_EQ(CleanupView::summaryText(c.count, c.bytes), QString::fromUtf8(c.expected)) << c.count;

    makeScreenModel();
    std::vector<CleanupEntry> queue;
    for (int i = 0; i < 1234; ++i)
        queue.push_back(entryAt(folder.path() + "/gone/" + std::to_string(i), 1000));
    model->setQueue(std::move(queue));
    CleanupView& view = show();
    EXPECT_EQ(view.summaryLabel()->text(), QStringLiteral("1,234 items — 1.2 MB"));
    EXPECT_EQ(view.queueList()->rowCount(), 1234);
    EXPECT_TRUE(view.queueList()->children().isEmpty()) << "rows are painted, not made of widgets";
}

TEST_F(CleanupViewTest, MoveToTrashIsEnabledOnlyWithAQueueAndNoJobRunning) {
    makeScreenModel();
    CleanupView& view = show();
    EXPECT_FALSE(view.moveButton()->isEnabled()) << "empty queue";
    model->setQueue({entryAt(folder.path() + "/a", 10)});
    EXPECT_TRUE(view.moveButton()->isEnabled());

    struct Case {
        const char* name;
        void (AppModel::*set)(bool);
    };
    for (const Case& c :
         {Case{"cleaning", &AppModel::setCleaning}, Case{"staging", &AppModel::setStaging},
          Case{"scanning", &AppModel::setScanning}, Case{"snapshotBusy", &AppModel::setSnapshotBusy}}) {
        (model.get()->*c.set)(true);
        EXPECT_FALSE(view.moveButton()->isEnabled()) << c.name;
        (model.get()->*c.set)(false);
        EXPECT_TRUE(view.moveButton()->isEnabled()) << c.name;
    }
}

TEST_F(CleanupViewTest, MoveToTrashPreparesTheReviewThatTheWindowShows) {
    makeScreenModel();
    stageFromTree();
    CleanupView& view = show();
    QTest::mouseClick(view.moveButton(), Qt::LeftButton);
    EXPECT_TRUE(model->cleaning());
    EXPECT_TRUE(view.runningPanel()->isVisible());
    EXPECT_EQ(view.runningMessage()->text(), QStringLiteral("Preparing review…"));
    runner->runAll();
    settle();
    ASSERT_NE(model->cleanupRequest(), nullptr);
    EXPECT_EQ(model->cleanupRequest()->entries.size(), 2u);
    EXPECT_NE(content().reviewSheet(), nullptr);
    EXPECT_FALSE(view.runningPanel()->isVisible());
}

TEST_F(CleanupViewTest, TheRunningPanelOffersCancelUntilItemsAreMoving) {
    makeScreenModel();
    model->setQueue({entryAt(folder.path() + "/a", 10)});
    CleanupView& view = show();
    EXPECT_FALSE(view.runningPanel()->isVisible());

    model->setCleaning(true);
    EXPECT_TRUE(view.runningPanel()->isVisible());
    EXPECT_EQ(view.runningMessage()->text(), QStringLiteral("Preparing cleanup…"));
    EXPECT_TRUE(view.cancelButton()->isVisible());
    EXPECT_FALSE(view.removeAllButton()->isEnabled());

    model->setCleanupProgress(CleanupProgress{CleanupPhase::backingUp, "Backing up 1 of 2 <b>&</b>"});
    EXPECT_EQ(view.runningMessage()->text(), QStringLiteral("Backing up 1 of 2 <b>&</b>"));
    EXPECT_TRUE(view.cancelButton()->isVisible());
    const std::shared_ptr<CancellationFlag> flag = model->cleanupCancellation();
    QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(flag->isCancelled());

    model->setCleanupProgress(CleanupProgress{CleanupPhase::movingToTrash, "Moving to Trash…"});
    EXPECT_EQ(view.runningMessage()->text(), QStringLiteral("Moving to Trash…"));
    EXPECT_FALSE(view.cancelButton()->isVisible()) << "a run that moves items cannot be cancelled here";
}

TEST_F(CleanupViewTest, RemoveAllEmptiesTheSavedQueueAndTouchesNoFile) {
    makeScreenModel();
    stageFromTree();
    ASSERT_EQ(model->queue().size(), 2u);
    CleanupView& view = show();
    EXPECT_TRUE(view.removeAllButton()->isEnabled());

    model->setStaging(true);
    EXPECT_FALSE(view.removeAllButton()->isEnabled());
    model->setStaging(false);

    QTest::mouseClick(view.removeAllButton(), Qt::LeftButton);
    EXPECT_TRUE(model->queue().empty());
    finishStateWork();
    EXPECT_EQ(readWholeFile(folder.path() + "/state/" + std::string(StateFiles::kQueueFile)), "[]");
    EXPECT_TRUE(std::filesystem::exists(folder.path() + "/tree/big.bin"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() + "/tree/docs/a.txt"));
    EXPECT_FALSE(view.removeAllButton()->isEnabled()) << "nothing left to remove";
    EXPECT_EQ(view.summaryLabel()->text(), QStringLiteral("0 items — Zero KB"));
}

TEST_F(CleanupViewTest, TheEmptyQueueOffersToBrowseFiles) {
    makeScreenModel();
    model->setSection(AppSection::cleanup);
    CleanupView& view = show();
    EXPECT_TRUE(view.emptyPanel()->isVisible());
    EXPECT_EQ(view.emptyPanel()->title(), QStringLiteral("Cleanup is empty"));
    EXPECT_EQ(view.emptyPanel()->subtitle(), QStringLiteral("Right-click a file or choose Add to Cleanup."));
    EXPECT_TRUE(view.browseButton()->isVisible());
    EXPECT_FALSE(view.queueList()->isVisible());
    EXPECT_FALSE(view.restoreNote()->isVisible());
    EXPECT_FALSE(view.backupsSection()->isVisible());
    EXPECT_FALSE(view.trashSection()->isVisible());
    QTest::mouseClick(view.browseButton(), Qt::LeftButton);
    EXPECT_EQ(model->section(), AppSection::explore);
}

TEST_F(CleanupViewTest, QueueRowsShowTheLockAndTheObjectionOrTheNoteOfAKeptCopy) {
    makeScreenModel();
    const std::string plain = folder.makeFile("plain.txt", "p");
    const std::string kept = folder.makeFile("copy.txt", "c");
    const std::string directory = folder.makeDir("folder");
    CleanupEntry duplicate = entryAt(kept, 10);
    duplicate.retainedCopies.emplace(plain, FileIdentity{});
    CleanupEntry system = entryAt("/usr/share/ambertrove-test", 20);
    // A protected entry shows its objection even when it also keeps a copy.
    system.retainedCopies.emplace(plain, FileIdentity{});
    model->setQueue({system, duplicate, entryAt(plain, 30), entryAt(directory, 40, true)});
    CleanupView& view = show();
    CleanupQueueList& list = *view.queueList();
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_FALSE(list.rows()[0].isProtected()) << "the answer is not known yet";

    runner->runAll();
    settle();
    const std::vector<CleanupEntryRow>& rows = list.rows();
    EXPECT_EQ(rows[0].symbol(), QStringLiteral("lock.shield"));
    EXPECT_EQ(rows[0].note(), CleanupEntryRow::Note::rejection);
    EXPECT_EQ(rows[0].noteText(),
              QStringLiteral("Protected system or account data — Ambertrove cannot move this to Trash."));
    EXPECT_EQ(rows[1].symbol(), QStringLiteral("doc"));
    EXPECT_EQ(rows[1].noteText(), QStringLiteral("Duplicate — kept copy will be checked again"));
    EXPECT_EQ(rows[2].note(), CleanupEntryRow::Note::none);
    EXPECT_EQ(rows[3].symbol(), QStringLiteral("folder"));
    EXPECT_GT(list.rowRect(0).height(), list.rowRect(2).height()) << "a third line";
    EXPECT_EQ(list.layoutOf(2, list.rowRect(2)).note, QRect()) << "two lines only";
}

TEST_F(CleanupViewTest, ARowsRemoveButtonDropsItsEntryAndWaitsWhileBusy) {
    makeScreenModel();
    stageFromTree();
    CleanupView& view = show();
    CleanupQueueList& list = *view.queueList();
    ASSERT_EQ(list.rowCount(), 2);
    const std::string second = list.rows()[1].path;

    model->setStaging(true);
    EXPECT_FALSE(list.canRemove());
    EXPECT_FALSE(list.target(0, CleanupQueueList::removeTarget)->enabled);
    clickTarget(list, 0, CleanupQueueList::removeTarget);
    EXPECT_EQ(model->queue().size(), 2u) << "ignored while staging";
    model->setStaging(false);

    clickTarget(list, 0, CleanupQueueList::removeTarget);
    ASSERT_EQ(model->queue().size(), 1u);
    EXPECT_EQ(model->queue()[0].node.path, second);
    EXPECT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.target(0, CleanupQueueList::removeTarget)->toolTip, QStringLiteral("Remove from Cleanup"));
}

TEST_F(CleanupViewTest, ARowsPathIsCopiedFromItsMenu) {
    makeScreenModel();
    stageFromTree();
    CleanupView& view = show();
    CleanupQueueList& list = *view.queueList();
    const QPoint inside = list.rowRect(1).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, list.mapToGlobal(inside));
    QCoreApplication::sendEvent(&list, &event);
    auto* menu = list.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy Path"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(screen->copied, std::vector<QString>{QString::fromStdString(list.rows()[1].path)});
    menu->close();
}

TEST_F(CleanupViewTest, TheKeyboardMovesBetweenRemoveButtonsAndRemovesWithSpace) {
    makeScreenModel();
    stageFromTree();
    CleanupView& view = show();
    CleanupQueueList& list = *view.queueList();
    const std::string first = list.rows()[0].path;
    list.setFocus(Qt::TabFocusReason);
    EXPECT_EQ(list.keyboardTarget(), std::pair(0, int(CleanupQueueList::removeTarget)));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.keyboardTarget(), std::pair(1, int(CleanupQueueList::removeTarget)));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.keyboardTarget().first, 1) << "the last stays";
    QTest::keyClick(&list, Qt::Key_Space);
    ASSERT_EQ(model->queue().size(), 1u);
    EXPECT_EQ(model->queue()[0].node.path, first);
}

TEST_F(CleanupViewTest, ALongQueuePaintsAndAsksAboutOnlyTheRowsInView) {
    makeScreenModel();
    std::vector<CleanupEntry> queue;
    for (int i = 0; i < 3000; ++i)
        queue.push_back(entryAt(folder.path() + "/gone/" + std::to_string(i), 1000));
    model->setQueue(std::move(queue));
    const std::size_t before = runner->startedCount();
    CleanupView& view = show();
    CleanupQueueList& list = *view.queueList();
    list.repaint();
    const auto [first, last] = list.lastPaintedRows();
    EXPECT_EQ(first, 0);
    EXPECT_LT(last, 20);
    const std::size_t asked = runner->startedCount() - before;
    EXPECT_GT(asked, 0u);
    EXPECT_LT(asked, 200u) << "the policy is asked about the rows in view and around them";

    // Scrolling down asks about the rows that come into view.
    view.scrollArea()->verticalScrollBar()->setValue(list.rowRect(2000).top());
    settle();
    list.repaint();
    EXPECT_GE(list.lastPaintedRows().first, 1990);
    runner->runAll();
    settle();
    EXPECT_TRUE(model->cleanupRejection(list.rows()[2000].path).has_value()) << "asked and answered";
    EXPECT_LT(runner->startedCount() - before, 500u);
}

TEST_F(CleanupViewTest, TheHistoriesShowBackupsAndTrashedItemsWithTheirButtons) {
    makeScreenModel();
    BackupReceipt backup;
    backup.id = Uuid::random();
    backup.directory = folder.path() + "/Backups/Ambertrove Backup 1234";
    backup.createdAt = Date::fromUnixSeconds(1'700'000'000);
    model->setReceipts({receiptOf("/home/u/old.zip", 3000), receiptOf("/home/u/Movies/clip.mov", 2'500'000)});
    CleanupView& view = show();
    EXPECT_FALSE(view.backupsSection()->isVisible()) << "no backup yet";
    ASSERT_TRUE(view.trashSection()->isVisible());
    CleanupHistoryList& trashed = *view.trashList();
    ASSERT_EQ(trashed.rowCount(), 2);
    EXPECT_EQ(trashed.rows()[0].title, QStringLiteral("old.zip"));
    EXPECT_EQ(trashed.rows()[0].subtitle, QStringLiteral("11/14/23 10:13 PM"));
    EXPECT_EQ(trashed.rows()[0].figure, QStringLiteral("3 KB"));
    EXPECT_EQ(trashed.rows()[1].toolTip, QStringLiteral("/home/u/Movies/clip.mov"));
    EXPECT_EQ(trashed.buttonLabel(), QStringLiteral("Restore"));

    model->setBackups({backup});
    settle();
    ASSERT_TRUE(view.backupsSection()->isVisible());
    CleanupHistoryList& backups = *view.backupList();
    ASSERT_EQ(backups.rowCount(), 1);
    EXPECT_EQ(backups.rows()[0].subtitle, QString::fromStdString(backup.directory));
    EXPECT_EQ(backups.buttonLabel(), QStringLiteral("Show in Finder"));
    clickTarget(backups, 0, CleanupHistoryList::buttonTarget);
    EXPECT_EQ(screen->revealed, std::vector<std::string>{backup.directory});
}

TEST_F(CleanupViewTest, RestoreWaitsWhileBusyAndWhileThatItemsRestoreRuns) {
    makeScreenModel();
    model->setReceipts({receiptOf(folder.path() + "/a.txt", 10), receiptOf(folder.path() + "/b.txt", 20)});
    CleanupView& view = show();
    CleanupHistoryList& trashed = *view.trashList();

    model->setCleaning(true);
    EXPECT_FALSE(trashed.rows()[0].buttonEnabled);
    clickTarget(trashed, 0, CleanupHistoryList::buttonTarget);
    EXPECT_EQ(runner->pending(), 0u) << "no restore while cleaning";
    model->setCleaning(false);
    EXPECT_TRUE(trashed.rows()[0].buttonEnabled);

    clickTarget(trashed, 0, CleanupHistoryList::buttonTarget);
    ASSERT_EQ(runner->pending(), 1u);
    EXPECT_FALSE(trashed.rows()[0].buttonEnabled) << "its restore runs";
    EXPECT_TRUE(trashed.rows()[1].buttonEnabled) << "another item may be restored meanwhile";
    clickTarget(trashed, 0, CleanupHistoryList::buttonTarget);
    EXPECT_EQ(runner->pending(), 1u) << "a second click starts nothing";

    // The item is not in any Trash: the restore fails, says so, and keeps the receipt.
    runner->runAll();
    settle();
    EXPECT_TRUE(model->error().has_value());
    EXPECT_EQ(trashed.rowCount(), 2);
    EXPECT_TRUE(trashed.rows()[0].buttonEnabled);
}

} // namespace
} // namespace ambertrove::test
