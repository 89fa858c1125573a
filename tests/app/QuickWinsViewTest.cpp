// A quick win's candidates: the explanation, the rows the filters leave and their bars, the button that
// stages exactly those rows with the kind's title, and the two empty panels.
#include "ExplorerTestSupport.hpp"

#include "analysis/QuickWin.hpp"
#include "explore/QuickWinsView.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/TroveButton.hpp"

namespace ambertrove::test {
namespace {

const std::string kRoot = "/home/user/Work";

// Twelve disk images, three of them named "alpha", the largest first by 1,000 bytes each.
ScanResult installers(int count = 12) {
    ModelFixture tree(kRoot);
    tree.folder(kRoot + "/Setups");
    for (int i = 0; i < count; ++i) {
        const std::string name = (i % 4 == 1 ? "alpha-" : "setup-") + std::to_string(i) + ".dmg";
        tree.file(kRoot + "/Setups/" + name, 100'000 - i * 10, 2'000'000 - i * 1000);
    }
    return tree.finish();
}

class QuickWinsViewTest : public ExplorerTest {
protected:
    QuickWinsView& showWin(ScanResult scan, QuickWinKind kind) {
        makeWindow();
        show(std::move(scan));
        model->setActiveQuickWin(kind);
        settle();
        QuickWinsView* view = body<QuickWinsView>();
        EXPECT_NE(view, nullptr);
        return *view;
    }
    static std::vector<std::string> rowPaths(const QuickWinsView& view) {
        std::vector<std::string> out;
        for (int i = 0; i < view.rows().count(); ++i)
            out.push_back(view.rows().node(i).path);
        return out;
    }
};

TEST_F(QuickWinsViewTest, TheFilteredCandidatesAreListedAndCountedOnTheButton) {
    QuickWinsView& view = showWin(installers(), QuickWinKind::installers);
    EXPECT_EQ(
        view.explanationText(),
        QStringLiteral("Downloaded installers and disk images. Eject mounted images before staging files you "
                       "no longer need."));
    EXPECT_EQ(view.rows().count(), 12);
    EXPECT_EQ(view.stageButton()->label(), QStringLiteral("Add 12 to Cleanup"));
    EXPECT_TRUE(view.stageButton()->isEnabled());
    EXPECT_FALSE(view.stageButton()->isDefault());
    EXPECT_TRUE(view.rows().options().showPath);
    EXPECT_EQ(view.rows().options().rank, std::nullopt);
    EXPECT_FALSE(view.emptyPanel()->isVisible());

    model->setFilter(QStringLiteral("alpha"));
    settle();
    EXPECT_EQ(rowPaths(view),
              (std::vector<std::string>{kRoot + "/Setups/alpha-1.dmg", kRoot + "/Setups/alpha-5.dmg",
                                        kRoot + "/Setups/alpha-9.dmg"}));
    EXPECT_EQ(view.stageButton()->label(), QStringLiteral("Add 3 to Cleanup"));
    // The bars are scaled to the largest of all twelve, not of the three.
    EXPECT_EQ(view.rows().options().maximum, 2'000'000);
    model->setLogical(true);
    settle();
    EXPECT_EQ(view.rows().options().maximum, 100'000);
    EXPECT_EQ(rowPaths(view).front(), kRoot + "/Setups/alpha-1.dmg") << "the order stays";
}

TEST_F(QuickWinsViewTest, StagingTakesExactlyTheRowsWithTheKindsTitle) {
    QuickWinsView& view = showWin(installers(), QuickWinKind::installers);
    model->setFilter(QStringLiteral("alpha"));
    settle();
    QTest::mouseClick(view.stageButton(), Qt::LeftButton);
    settle();
    std::vector<std::string> queued;
    for (const CleanupEntry& entry : model->queue()) {
        queued.push_back(entry.node.path);
        EXPECT_EQ(entry.reason, "Installers & images");
    }
    std::sort(queued.begin(), queued.end());
    EXPECT_EQ(queued, rowPaths(view));
    for (int i = 0; i < view.rows().count(); ++i)
        EXPECT_TRUE(NodeRow::isQueued(view.rows().node(i), view.rows().context()));
    EXPECT_TRUE(view.stageButton()->isEnabled()) << "it may be pressed again";
}

TEST_F(QuickWinsViewTest, FiltersThatHideEveryCandidateSayHowToSeeThem) {
    QuickWinsView& view = showWin(installers(), QuickWinKind::installers);
    model->setMinimumBytes(1'000'000'000);
    settle();
    EXPECT_EQ(view.rows().count(), 0);
    ASSERT_TRUE(view.emptyPanel()->isVisible());
    EXPECT_EQ(view.emptyPanel()->icon(), QStringLiteral("line.3.horizontal.decrease.circle"));
    EXPECT_EQ(view.emptyPanel()->title(), QStringLiteral("No matching items"));
    EXPECT_EQ(view.emptyPanel()->subtitle(), QStringLiteral("Clear filters to see the other candidates."));
    EXPECT_EQ(view.stageButton()->label(), QStringLiteral("Add 0 to Cleanup"));
    EXPECT_FALSE(view.stageButton()->isEnabled());
}

TEST_F(QuickWinsViewTest, AKindWithoutCandidatesNamesItInLowerCase) {
    QuickWinsView& view = showWin(installers(), QuickWinKind::virtualMachines);
    ASSERT_TRUE(view.emptyPanel()->isVisible());
    EXPECT_EQ(view.emptyPanel()->icon(), QStringLiteral("checkmark.circle"));
    EXPECT_EQ(view.emptyPanel()->title(), QStringLiteral("Nothing to review here"));
    EXPECT_EQ(view.emptyPanel()->subtitle(),
              QStringLiteral("No containers & vms candidates were found in this scan."));
    EXPECT_FALSE(view.stageButton()->isEnabled());
}

TEST_F(QuickWinsViewTest, WithoutStagingAllowedTheButtonIsDisabledAndTheRowsStay) {
    QuickWinsView& view = showWin(installers(), QuickWinKind::installers);
    model->setIsHistorical(true);
    settle();
    EXPECT_FALSE(view.stageButton()->isEnabled());
    EXPECT_EQ(view.rows().count(), 12);
    model->setIsHistorical(false);
    model->setStaging(true);
    settle();
    EXPECT_FALSE(view.stageButton()->isEnabled());
    model->setStaging(false);
    settle();
    EXPECT_TRUE(view.stageButton()->isEnabled());
}

TEST_F(QuickWinsViewTest, TheCountOnTheButtonIsGrouped) {
    QuickWinsView& view = showWin(installers(1024), QuickWinKind::installers);
    EXPECT_EQ(view.stageButton()->label(), QStringLiteral("Add 1,024 to Cleanup"));
    EXPECT_EQ(view.rows().count(), 1024);
}

} // namespace
} // namespace ambertrove::test
