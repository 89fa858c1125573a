// The folder navigation bar: Back, Forward and Up with the history and their shortcuts, the trail of
// crumbs, its current crumb and its eliding, names shown literally, and the trail of a running scan.
#include "ExplorerTestSupport.hpp"

#include "explore/FolderNavigationBar.hpp"
#include "explore/ScanProgressView.hpp"
#include "widgets/ScrollingRow.hpp"
#include "widgets/TroveButton.hpp"

#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>

namespace ambertrove::test {
namespace {

const std::string kRoot = "/home/user/Work";
const std::string kLong =
    kRoot + "/A folder whose name is far too long to be shown whole in one crumb of the trail";

ScanResult nested() {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/a");
    tree.folder(kRoot + "/a/b");
    tree.folder(kRoot + "/a/b/c");
    tree.file(kRoot + "/a/b/c/f.txt", 10, 10);
    tree.folder(kRoot + "/Tom & Jerry");
    tree.folder(kRoot + "/Tom & Jerry/<b>x");
    tree.folder(kLong);
    return tree.finish();
}

class FolderNavigationBarTest : public ExplorerTest {
protected:
    void SetUp() override {
        ExplorerTest::SetUp();
        makeWindow();
        show(nested());
    }

    [[nodiscard]] FolderNavigationBar& bar() const { return *explore().navigationBar(); }
    [[nodiscard]] QStringList crumbTexts() const {
        QStringList out;
        for (const QAbstractButton* crumb : bar().crumbs())
            out << FolderNavigationBar::shownText(crumb);
        return out;
    }
    [[nodiscard]] std::vector<bool> bold() const {
        std::vector<bool> out;
        for (const QAbstractButton* crumb : bar().crumbs())
            out.push_back(FolderNavigationBar::isCurrent(crumb));
        return out;
    }
    void focusOn(const std::string& path) {
        model->focus(node(path));
        settle();
    }
};

TEST_F(FolderNavigationBarTest, AtTheRootOnlyTheRootIsShownAndNothingCanBePressed) {
    EXPECT_FALSE(bar().backButton()->isEnabled());
    EXPECT_FALSE(bar().forwardButton()->isEnabled());
    EXPECT_FALSE(bar().upButton()->isEnabled());
    EXPECT_EQ(crumbTexts(), QStringList{"Work"});
    EXPECT_EQ(bold(), std::vector<bool>{true});
    EXPECT_EQ(bar().height(), FolderNavigationBar::kHeight);
    EXPECT_EQ(bar().backButton()->toolTip(), QStringLiteral("Back — ⌘["));
    EXPECT_EQ(bar().forwardButton()->toolTip(), QStringLiteral("Forward — ⌘]"));
    EXPECT_EQ(bar().forwardButton()->accessibleName(), QStringLiteral("Forward"));
    EXPECT_EQ(bar().forwardButton()->label(), QString()) << "the chevron alone";
    EXPECT_EQ(bar().upButton()->toolTip(), QStringLiteral("Parent folder — ⌘↑"));
}

TEST_F(FolderNavigationBarTest, BackAndForwardFollowTheHistoryAndUpGoesToTheParent) {
    focusOn(kRoot + "/a");
    focusOn(kRoot + "/a/b/c");
    EXPECT_EQ(crumbTexts(), (QStringList{"Work", "a", "b", "c"}));
    EXPECT_EQ(bold(), (std::vector<bool>{false, false, false, true}));
    EXPECT_TRUE(bar().backButton()->isEnabled());
    EXPECT_FALSE(bar().forwardButton()->isEnabled());
    EXPECT_TRUE(bar().upButton()->isEnabled());
    // The trail keeps its end in view.
    QScrollBar* scroll = bar().trail()->horizontalScrollBar();
    EXPECT_EQ(scroll->value(), scroll->maximum());

    QTest::mouseClick(bar().backButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a");
    EXPECT_TRUE(bar().forwardButton()->isEnabled());
    EXPECT_EQ(crumbTexts(), (QStringList{"Work", "a"}));
    QTest::mouseClick(bar().forwardButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a/b/c");
    EXPECT_FALSE(bar().forwardButton()->isEnabled());

    QTest::mouseClick(bar().upButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a/b");
}

TEST_F(FolderNavigationBarTest, ACrumbFocusesItsFolderAndRecordsIt) {
    focusOn(kRoot + "/a/b/c");
    QTest::mouseClick(bar().backButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(bar().forwardButton()->isEnabled());
    focusOn(kRoot + "/a/b/c");
    ASSERT_EQ(bar().crumbs().size(), 4u);
    QTest::mouseClick(bar().crumbs()[1], Qt::LeftButton);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a");
    EXPECT_TRUE(bar().backButton()->isEnabled());
    EXPECT_FALSE(bar().forwardButton()->isEnabled()) << "a visit clears the forward list";
    EXPECT_EQ(bold(), (std::vector<bool>{false, true}));
}

TEST_F(FolderNavigationBarTest, ALongNameIsShortenedInTheMiddleAndNamesAreShownLiterally) {
    focusOn(kLong);
    ASSERT_EQ(bar().crumbs().size(), 2u);
    const QAbstractButton* crumb = bar().crumbs()[1];
    EXPECT_EQ(crumb->width(), FolderNavigationBar::kCrumbMaximum);
    const QString shown = FolderNavigationBar::shownText(crumb);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("A folder"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("trail")));
    EXPECT_TRUE(crumb->toolTip().contains(QString::fromStdString(kLong)));

    focusOn(kRoot + "/Tom & Jerry/<b>x");
    EXPECT_EQ(crumbTexts(), (QStringList{"Work", "Tom & Jerry", "<b>x"}));
    EXPECT_EQ(bar().crumbs()[1]->text(), QStringLiteral("Tom && Jerry")) << "no mnemonic is made";
    savePicture(bar(), QStringLiteral("explorer-navigation-bar"));
}

TEST_F(FolderNavigationBarTest, TheShortcutsStepTheHistoryOnlyWhereTheyCan) {
    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_BracketLeft, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_Up, Qt::ControlModifier);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot) << "nothing to go back to, no parent";
    focusOn(kRoot + "/a/b");
    QTest::keyClick(window.get(), Qt::Key_Up, Qt::ControlModifier);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a");
    QTest::keyClick(window.get(), Qt::Key_BracketLeft, Qt::ControlModifier);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a/b");
    QTest::keyClick(window.get(), Qt::Key_BracketRight, Qt::ControlModifier);
    settle();
    EXPECT_EQ(model->focusPath(), kRoot + "/a");
}

TEST_F(FolderNavigationBarTest, WhileScanningTheTrailFollowsTheLivePreview) {
    model->setScanRootPath(kRoot);
    model->setScanning(true);
    settle();
    FolderNavigationBar* live = explore().progressView()->navigationBar();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(live->crumbs().empty()) << "no preview yet";
    EXPECT_FALSE(live->upButton()->isEnabled());

    auto progress = std::make_shared<ScanProgress>();
    ScanFolderPreview preview;
    preview.rootPath = kRoot;
    preview.folder = node(kRoot + "/a");
    preview.ancestors = {node(kRoot), node(kRoot + "/a")};
    progress->browsing = preview;
    model->setLiveFocusPath(kRoot + "/a");
    model->setScanProgress(progress);
    settle();
    ASSERT_EQ(live->crumbPaths(), (std::vector<std::string>{kRoot, kRoot + "/a"}));
    EXPECT_EQ(FolderNavigationBar::isCurrent(live->crumbs()[1]), true);
    EXPECT_TRUE(live->upButton()->isEnabled());
    model->setScanning(false);
}

} // namespace
} // namespace ambertrove::test
