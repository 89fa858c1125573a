// The whole road in the window, on a temporary home with its own Trash: files staged from the explorer's
// menu, reviewed in the sheet, backed up to a folder the test answers and moved to the Trash, listed under
// "Recently trashed", and one restored from there to where it was.
#include "ScreenTestSupport.hpp"

#include "explore/NodeActions.hpp"
#include "screens/CleanupHistoryList.hpp"
#include "screens/CleanupQueueList.hpp"
#include "screens/CleanupReviewSheet.hpp"
#include "screens/CleanupView.hpp"
#include "shell/SectionTab.hpp"
#include "shell/TopBar.hpp"
#include "support/ScopedVariable.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/TroveButton.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace ambertrove::test {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

class CleanupScreensEndToEndTest : public ScreenTest {
protected:
    CleanupScreensEndToEndTest()
        : home(folder.makeDir("home"))
        , homeVariable("HOME", home)
        , dataVariable("XDG_DATA_HOME", home + "/.local/share")
        , trash(home + "/.local/share/Trash") {
        first = folder.makeFile("home/Downloads/installer.iso", std::string(5000, 'i'));
        second = folder.makeFile("home/Downloads/archive/old.zip", std::string(3000, 'z'));
        folder.makeFile("home/Downloads/keep.txt", "keep");
        backupParent = folder.makeDir("home/Backups");
    }

    // Chooses "Add to Cleanup" in the explorer's menu of the node at `path`, once the policy has answered.
    void addFromMenu(const std::string& path) {
        QMenu menu;
        NodeActions::fill(menu, *model, *model->scan()->nodes.node(path));
        runner->runAll();
        settle();
        QAction* add = nullptr;
        for (QAction* action : menu.actions()) {
            if (action->text() == QStringLiteral("Add to Cleanup"))
                add = action;
        }
        ASSERT_NE(add, nullptr);
        ASSERT_TRUE(add->isEnabled()) << path;
        add->trigger();
    }

    std::string home;
    ScopedVariable homeVariable;
    ScopedVariable dataVariable;
    std::string trash;
    std::string first;
    std::string second;
    std::string backupParent;
};

TEST_F(CleanupScreensEndToEndTest, StagedFromTheExplorerReviewedMovedToTheTrashAndOneRestored) {
    makeScreenModel();
    screen->backupAnswer = backupParent;
    makeWindow();
    finishScan(home + "/Downloads");
    addFromMenu(first);
    addFromMenu(second);
    ASSERT_EQ(model->queue().size(), 2u);

    QTest::mouseClick(content().topBar()->tab(AppSection::cleanup), Qt::LeftButton);
    settle();
    auto* view = qobject_cast<CleanupView*>(content().sectionView());
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->queueList()->rowCount(), 2);
    EXPECT_EQ(view->summaryLabel()->text(), CleanupView::summaryText(2, model->queueBytes()));

    QTest::mouseClick(view->moveButton(), Qt::LeftButton);
    runner->runAll();
    settle();
    auto* sheet = qobject_cast<CleanupReviewSheet*>(content().reviewSheet());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->titleLabel()->text(), QStringLiteral("Move 2 items to Trash?"));
    EXPECT_TRUE(sheet->confirmButton()->isEnabled());
    QTest::mouseClick(sheet->confirmButton(), Qt::LeftButton);
    EXPECT_EQ(screen->backupQuestions, 1);
    runner->runAll();
    settle();
    ASSERT_EQ(model->error(), std::nullopt);
    EXPECT_EQ(content().reviewSheet(), nullptr);

    // In this home's Trash, backed up, and listed.
    EXPECT_FALSE(exists(first));
    EXPECT_FALSE(exists(second));
    EXPECT_TRUE(exists(home + "/Downloads/keep.txt"));
    EXPECT_EQ(contents(trash + "/files/installer.iso"), std::string(5000, 'i'));
    EXPECT_EQ(contents(trash + "/files/old.zip"), std::string(3000, 'z'));
    view = qobject_cast<CleanupView*>(content().sectionView());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->emptyPanel()->isVisible());
    ASSERT_TRUE(view->trashSection()->isVisible());
    CleanupHistoryList& trashed = *view->trashList();
    ASSERT_EQ(trashed.rowCount(), 2);
    ASSERT_TRUE(view->backupsSection()->isVisible());
    ASSERT_EQ(view->backupList()->rowCount(), 1);
    EXPECT_EQ(std::filesystem::path(model->backups()[0].directory).parent_path(), backupParent);

    int row = -1;
    for (int i = 0; i < trashed.rowCount(); ++i) {
        if (trashed.rows()[std::size_t(i)].title == QStringLiteral("installer.iso"))
            row = i;
    }
    ASSERT_GE(row, 0);
    clickTarget(trashed, row, CleanupHistoryList::buttonTarget);
    runner->runAll();
    settle();
    EXPECT_EQ(model->error(), std::nullopt);
    EXPECT_EQ(contents(first), std::string(5000, 'i'));
    EXPECT_FALSE(exists(trash + "/files/installer.iso"));
    EXPECT_EQ(model->notice(), QStringLiteral("Restored installer.iso. Rescan to update storage."));
    ASSERT_EQ(trashed.rowCount(), 1);
    EXPECT_EQ(trashed.rows()[0].title, QStringLiteral("old.zip"));
}

} // namespace
} // namespace ambertrove::test
