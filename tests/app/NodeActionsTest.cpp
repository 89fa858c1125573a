// The one menu of actions on a node: its entries, their enabling by the cleanup policy's answer and the
// controller's state, and names shown literally.
#include "WindowTestSupport.hpp"

#include "explore/NodeActions.hpp"

#include <QAction>
#include <QMenu>

namespace ambertrove::test {
namespace {

class NodeActionsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        makeModel();
        finishScan(makeTree());
    }

    [[nodiscard]] DiskNode node(const std::string& relative) const {
        const std::optional<DiskNode> found = model->scan()->nodes.node(folder / ("tree/" + relative));
        EXPECT_TRUE(found) << relative;
        return found.value_or(DiskNode());
    }

    // The menu's lines as "title" or "(title)" when disabled; "-" for a divider.
    static QStringList lines(const QMenu& menu) {
        QStringList out;
        for (const QAction* action : menu.actions()) {
            if (action->isSeparator())
                out << QStringLiteral("-");
            else
                out << (action->isEnabled() ? action->text()
                                            : QLatin1Char('(') + action->text() + QLatin1Char(')'));
        }
        return out;
    }

    // Lets the policy's answer arrive.
    void answer() {
        runner->runAll();
        settle();
    }
};

TEST_F(NodeActionsTest, AFileHasNoFocusEntryAndItsCleanupEntriesWaitForThePolicy) {
    QMenu menu;
    NodeActions::fill(menu, *model, node("big.bin"));
    EXPECT_EQ(lines(menu), (QStringList{"(big.bin)", "Reveal in Finder", "Quick Look", "Copy Path", "-",
                                        "(Add to Cleanup)", "(Move to Trash…)"}))
        << "disabled until the answer arrives";
    answer();
    EXPECT_EQ(lines(menu), (QStringList{"(big.bin)", "Reveal in Finder", "Quick Look", "Copy Path", "-",
                                        "Add to Cleanup", "Move to Trash…"}));
}

TEST_F(NodeActionsTest, AFolderOffersFocusUnderTheTitleItsHostGives) {
    QMenu menu;
    NodeActions::fill(menu, *model, node("docs"), QStringLiteral("Open folder"));
    answer();
    EXPECT_EQ(lines(menu), (QStringList{"(docs)", "Open folder", "Reveal in Finder", "Quick Look",
                                        "Copy Path", "-", "Add to Cleanup", "Move to Trash…"}));
    menu.actions().at(1)->trigger();
    EXPECT_EQ(model->focusPath(), node("docs").path);
}

TEST_F(NodeActionsTest, ARefusedPathDisablesCleanupAndShowsThePolicysSentenceLast) {
    DiskNode system;
    system.path = "/usr";
    system.isDirectory = true;
    const std::optional<std::string> sentence = CleanupPolicy::forCurrentUser().rejection("/usr");
    ASSERT_TRUE(sentence);
    for (const bool historical : {false, true}) {
        SCOPED_TRACE(historical);
        model->setIsHistorical(historical);
        QMenu menu;
        NodeActions::fill(menu, *model, system);
        answer();
        EXPECT_EQ(lines(menu), (QStringList{"(usr)", "Focus on this folder", "Reveal in Finder", "Quick Look",
                                            "Copy Path", "-", "(Add to Cleanup)", "(Move to Trash…)",
                                            '(' + QString::fromStdString(*sentence) + ')'}))
            << "the sentence shows whatever the controller's state";
    }
}

TEST_F(NodeActionsTest, WithoutCanCleanTheCleanupEntriesAreDisabledWithoutASentence) {
    model->setIsHistorical(true);
    QMenu menu;
    NodeActions::fill(menu, *model, node("big.bin"));
    answer();
    EXPECT_EQ(lines(menu), (QStringList{"(big.bin)", "Reveal in Finder", "Quick Look", "Copy Path", "-",
                                        "(Add to Cleanup)", "(Move to Trash…)"}));
}

TEST_F(NodeActionsTest, NamesAreShownLiterallyAndAddToCleanupStagesWithItsReason) {
    folder.makeFileOfSize("tree/Tom & Jerry", 10);
    folder.makeFileOfSize("tree/<b>bold", 10);
    finishScan(folder / "tree");
    QMenu menu;
    NodeActions::fill(menu, *model, node("Tom & Jerry"));
    QMenu markup;
    NodeActions::fill(markup, *model, node("<b>bold"));
    answer();
    EXPECT_EQ(menu.actions().at(0)->text(), QStringLiteral("Tom && Jerry"));
    EXPECT_EQ(markup.actions().at(0)->text(), QStringLiteral("<b>bold"));

    QAction* stage = menu.actions().at(5);
    ASSERT_EQ(stage->text(), QStringLiteral("Add to Cleanup"));
    stage->trigger();
    ASSERT_EQ(model->queue().size(), 1U);
    EXPECT_EQ(model->queue().front().node.path, node("Tom & Jerry").path);
    EXPECT_EQ(model->queue().front().reason, "Selected in Explore");
}

TEST_F(NodeActionsTest, ARevealNoFileManagerAnsweredReachesTheNoticeWithItsPath) {
    QMenu menu;
    const DiskNode file = node("big.bin");
    NodeActions::fill(menu, *model, file);
    platform->revealFails = true;
    menu.actions().at(1)->trigger();
    EXPECT_EQ(platform->revealed, std::vector<std::string>{file.path});
    EXPECT_EQ(model->notice(),
              QStringLiteral("No file manager could show “%1”.").arg(QString::fromStdString(file.path)));
}

TEST_F(NodeActionsTest, WhileAScanRunsTheCleanupEntriesAreDisabledWithoutASentence) {
    model->setScanning(true);
    QMenu menu;
    NodeActions::fill(menu, *model, node("docs"));
    answer();
    EXPECT_EQ(lines(menu), (QStringList{"(docs)", "Focus on this folder", "Reveal in Finder", "Quick Look",
                                        "Copy Path", "-", "(Add to Cleanup)", "(Move to Trash…)"}));
    model->setScanning(false);
}

TEST_F(NodeActionsTest, RevealPreviewCopyAndTrashActOnTheNode) {
    const DiskNode file = node("big.bin");
    QMenu menu;
    NodeActions::fill(menu, *model, file);
    answer();
    const QList<QAction*> actions = menu.actions();
    actions.at(1)->trigger();
    EXPECT_EQ(platform->revealed, std::vector<std::string>{file.path});
    actions.at(2)->trigger();
    EXPECT_EQ(platform->previewed, std::vector<std::string>{file.path});
    actions.at(3)->trigger();
    EXPECT_EQ(model->notice(), QStringLiteral("Path copied."));
    ASSERT_EQ(actions.at(6)->text(), QStringLiteral("Move to Trash…"));
    actions.at(6)->trigger();
    runner->runAll();
    settle();
    ASSERT_NE(model->cleanupRequest(), nullptr) << "the one-item review is prepared";
    ASSERT_EQ(model->cleanupRequest()->entries.size(), 1u);
    EXPECT_EQ(model->cleanupRequest()->entries.front().node.path, file.path);
    EXPECT_EQ(model->cleanupRequest()->entries.front().reason, "Move to Trash");
    EXPECT_TRUE(model->queue().empty()) << "nothing is queued or moved by the menu";
}

TEST_F(NodeActionsTest, APolicyThatCannotBeReadRefusesWithItsReason) {
    services.policy = []() -> CleanupPolicy {
        throw AmbertroveError("The home folder could not be read.");
    };
    makeModel();
    finishScan(folder / "tree");
    QMenu menu;
    NodeActions::fill(menu, *model, node("big.bin"));
    answer();
    EXPECT_EQ(lines(menu).mid(5),
              (QStringList{"(Add to Cleanup)", "(Move to Trash…)", "(The home folder could not be read.)"}));
}

} // namespace
} // namespace ambertrove::test
