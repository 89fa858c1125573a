// The review shown before anything goes to the Trash: its titles, the first five entries and the rest
// counted, the total over every entry, the refused entries that block it, the backup and snapshot
// switches, and the keys: Return never confirms, Escape drops the review.
#include "ScreenTestSupport.hpp"

#include "screens/CleanupReviewSheet.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/TroveButton.hpp"

#include <QCheckBox>
#include <QLabel>

namespace ambertrove::test {
namespace {

// `count` entries /data/file-0 … of 1000 bytes each.
std::shared_ptr<const CleanupRequest> requestOf(std::size_t count, std::size_t blocked = 0,
                                                std::optional<std::string> uninstall = std::nullopt) {
    auto request = std::make_shared<CleanupRequest>();
    for (std::size_t i = 0; i < count; ++i) {
        request->entries.push_back(entryAt("/data/file-" + std::to_string(i), 1000));
        if (i < blocked)
            request->blocked.emplace("/data/file-" + std::to_string(i), "Refused " + std::to_string(i) + ".");
    }
    request->uninstallName = std::move(uninstall);
    return request;
}

class CleanupReviewSheetTest : public ScreenTest {
protected:
    // Clicks a check box on its mark (the box may be wider than its text).
    static void clickBox(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    }

    // The window's sheet for `request`.
    CleanupReviewSheet& review(std::shared_ptr<const CleanupRequest> request) {
        if (!model)
            makeScreenModel();
        if (!window)
            makeWindow();
        model->setCleanupRequest(std::move(request));
        settle();
        auto* sheet = qobject_cast<CleanupReviewSheet*>(content().reviewSheet());
        EXPECT_NE(sheet, nullptr);
        return *sheet;
    }
};

TEST_F(CleanupReviewSheetTest, TheTitleNamesTheCountOrTheApplication) {
    struct Case {
        std::size_t count;
        std::optional<std::string> uninstall;
        const char* expected;
    };
    for (const Case& c :
         {Case{1, std::nullopt, "Move 1 item to Trash?"}, Case{2, std::nullopt, "Move 2 items to Trash?"},
          Case{1205, std::nullopt, "Move 1,205 items to Trash?"},
          Case{3, std::string("Sketch <Pro> & Co"), "Uninstall Sketch <Pro> & Co?"}})
        EXPECT_EQ(CleanupReviewSheet::titleText(*requestOf(c.count, 0, c.uninstall)),
                  QString::fromUtf8(c.expected));

    CleanupReviewSheet& sheet = review(requestOf(1, 0, std::string("Sketch <Pro> & Co")));
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(sheet.isModal());
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("Uninstall Sketch <Pro> & Co?"));
    EXPECT_EQ(sheet.titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(sheet.width(), CleanupReviewSheet::kWidth);
}

TEST_F(CleanupReviewSheetTest, FiveEntriesAreListedAndTheRestCountedWhileTheTotalCountsThemAll) {
    struct Case {
        std::size_t count;
        int listed;
        const char* remainder;
        const char* total;
    };
    for (const Case& c : {Case{5, 5, "", "5 KB"}, Case{6, 5, "And 1 more", "6 KB"},
                          Case{1205, 5, "And 1,200 more", "1.2 MB"}}) {
        CleanupReviewSheet& sheet = review(requestOf(c.count));
        EXPECT_EQ(sheet.listedCount(), c.listed) << c.count;
        int shown = 0;
        for (QWidget* row : sheet.entryRows())
            shown += row->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, c.listed) << c.count;
        EXPECT_EQ(sheet.remainderLabel()->isVisible(), c.count > 5) << c.count;
        EXPECT_EQ(CleanupReviewSheet::remainderText(c.count), QString::fromUtf8(c.remainder));
        if (c.count > 5) {
            EXPECT_EQ(sheet.remainderLabel()->text(), QString::fromUtf8(c.remainder));
        }
        EXPECT_EQ(sheet.totalLabel()->text(), QString::fromUtf8(c.total)) << c.count;
        model->setCleanupRequest(nullptr);
        settle();
    }
}

TEST_F(CleanupReviewSheetTest, AnEntryRowNamesTheItemShowsItsSizeAndTellsItsPath) {
    auto request = std::make_shared<CleanupRequest>();
    request->entries.push_back(
        entryAt("/data/a very long name of a file that will not fit <b>.iso", 5'000'000'000));
    CleanupReviewSheet& sheet = review(request);
    QWidget* row = sheet.entryRows()[0];
    auto* name = row->findChild<ElidedLabel*>();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("a very long name of a file that will not fit <b>.iso"));
    EXPECT_EQ(row->findChild<QLabel*>()->text(), QStringLiteral("5 GB"));
    EXPECT_TRUE(row->toolTip().contains(
        QStringLiteral("/data/a very long name of a file that will not fit &lt;b&gt;.iso")));
}

TEST_F(CleanupReviewSheetTest, RefusedEntriesReplaceTheOptionsAndBlockTheConfirmation) {
    CleanupReviewSheet& sheet = review(requestOf(6, 4));
    EXPECT_FALSE(sheet.optionsPanel()->isVisible());
    EXPECT_TRUE(sheet.blockedPanel()->isVisible());
    ASSERT_EQ(sheet.namedBlockedCount(), 3);
    EXPECT_EQ(sheet.blockedLines()[0]->text(), QStringLiteral("file-0 — Refused 0."));
    EXPECT_EQ(sheet.blockedLines()[2]->text(), QStringLiteral("file-2 — Refused 2."));
    EXPECT_FALSE(sheet.confirmButton()->isEnabled());
    QTest::mouseClick(sheet.confirmButton(), Qt::LeftButton);
    EXPECT_NE(model->cleanupRequest(), nullptr);
    EXPECT_FALSE(model->cleaning());
}

TEST_F(CleanupReviewSheetTest, TheBackupSwitchNamesTheConfirmationAndTheSnapshotSwitchNeedsAScan) {
    CleanupReviewSheet& sheet = review(requestOf(2));
    ASSERT_TRUE(model->backupBeforeCleanup());
    EXPECT_TRUE(sheet.backupToggle()->isChecked());
    EXPECT_EQ(sheet.confirmButton()->label(), QStringLiteral("Back up & Move to Trash…"));
    EXPECT_TRUE(sheet.folderNote()->isVisible());
    const int tall = sheet.height();

    clickBox(sheet.backupToggle());
    EXPECT_FALSE(model->backupBeforeCleanup());
    EXPECT_EQ(sheet.confirmButton()->label(), QStringLiteral("Move to Trash"));
    EXPECT_FALSE(sheet.folderNote()->isVisible());
    EXPECT_LT(sheet.height(), tall) << "the sheet fits its content";

    model->setBackupBeforeCleanup(true);
    EXPECT_TRUE(sheet.backupToggle()->isChecked());
    EXPECT_EQ(sheet.confirmButton()->label(), QStringLiteral("Back up & Move to Trash…"));

    EXPECT_FALSE(sheet.snapshotToggle()->isEnabled()) << "no scan loaded";
    finishScan(makeTree());
    EXPECT_TRUE(sheet.snapshotToggle()->isEnabled());
    clickBox(sheet.snapshotToggle());
    EXPECT_TRUE(model->snapshotsEnabled());
}

TEST_F(CleanupReviewSheetTest, NeitherButtonIsDefaultAndReturnNeverConfirms) {
    makeScreenModel();
    finishScan(makeTree());
    model->setBackupBeforeCleanup(false);
    CleanupReviewSheet& sheet = review(requestOf(2));
    for (TroveButton* button : {sheet.cancelButton(), sheet.confirmButton()}) {
        EXPECT_FALSE(button->isDefault()) << button->label().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->label().toStdString();
    }
    // The window's own views may have queries waiting; the keys must add no job to them.
    runner->runAll();
    settle();
    const std::size_t jobsBefore = runner->pending();
    QTest::keyClick(&sheet, Qt::Key_Return);
    QTest::keyClick(&sheet, Qt::Key_Enter, Qt::KeypadModifier);
    sheet.confirmButton()->setFocus();
    QTest::keyClick(sheet.confirmButton(), Qt::Key_Return);
    settle();
    EXPECT_NE(model->cleanupRequest(), nullptr);
    EXPECT_FALSE(model->cleaning());
    EXPECT_EQ(runner->pending(), jobsBefore);

    // With backups on, Return does not even ask for the folder.
    model->setBackupBeforeCleanup(true);
    QTest::keyClick(sheet.confirmButton(), Qt::Key_Return);
    EXPECT_EQ(screen->backupQuestions, 0);
}

TEST_F(CleanupReviewSheetTest, EscapeAndCancelDropTheReview) {
    CleanupReviewSheet& sheet = review(requestOf(2));
    QTest::keyClick(&sheet, Qt::Key_Escape);
    settle();
    EXPECT_EQ(model->cleanupRequest(), nullptr);
    EXPECT_EQ(content().reviewSheet(), nullptr);

    CleanupReviewSheet& again = review(requestOf(2));
    QTest::mouseClick(again.cancelButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->cleanupRequest(), nullptr);
    EXPECT_EQ(content().reviewSheet(), nullptr);
}

TEST_F(CleanupReviewSheetTest, ConfirmingAsksForTheBackupFolderAndACancelledAnswerKeepsTheReview) {
    makeScreenModel();
    finishScan(makeTree());
    CleanupReviewSheet& sheet = review(requestOf(2));
    QTest::mouseClick(sheet.confirmButton(), Qt::LeftButton);
    EXPECT_EQ(screen->backupQuestions, 1);
    settle();
    EXPECT_NE(model->cleanupRequest(), nullptr) << "no folder chosen: the review stays";
    EXPECT_EQ(content().reviewSheet(), &sheet);
}

TEST_F(CleanupReviewSheetTest, ANewRequestReplacesTheContent) {
    CleanupReviewSheet& sheet = review(requestOf(2));
    model->setCleanupRequest(requestOf(7));
    settle();
    EXPECT_EQ(content().reviewSheet(), &sheet);
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("Move 7 items to Trash?"));
    EXPECT_EQ(sheet.remainderLabel()->text(), QStringLiteral("And 2 more"));
}

} // namespace
} // namespace ambertrove::test
