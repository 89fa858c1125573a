// The inspector: what it shows of the selected node or the focused folder, its largest children, the
// enabling of its actions by the controller's gate and the cleanup policy, and when it is made again.
#include "ViewQueryTestSupport.hpp"

#include "explore/InspectorChips.hpp"
#include "explore/InspectorView.hpp"
#include "explore/LargestInsideList.hpp"
#include "shell/SelectablePath.hpp"
#include "shell/ThemePalette.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/DateText.hpp"
#include "widgets/DisclosureButton.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/TroveButton.hpp"

#include <QLabel>

namespace ambertrove::test {
namespace {

constexpr std::int64_t kSeptember2020 = 1'600'000'000; // 2020-09-13 12:26:40 UTC

// /r: a.mp3 (logical 1,500,000, allocated 4,096,000), Tools.app/ with bin, x/ with g.png 500 and y/ with
// f.txt 1,000, a symbolic link, a cloud placeholder, and big/ with 25 files (one hidden).
ScanResult inspectorScan() {
    ModelFixture tree("/r");
    tree.file("/r/a.mp3", 1'500'000, 4'096'000);
    tree.folder("/r/Tools.app");
    tree.file("/r/Tools.app/bin", 20, 20);
    tree.folder("/r/x");
    tree.file("/r/x/g.png", 500, 500);
    tree.folder("/r/x/y");
    tree.file("/r/x/y/f.txt", 1000, 1000);
    NodeData link;
    link.isSymbolicLink = true;
    link.logicalSize = link.ownLogicalSize = 9;
    link.fileCount = 1;
    link.identity.mode = S_IFLNK | 0777;
    tree.add("/r/link", link);
    NodeData cloud;
    cloud.isCloudPlaceholder = true;
    cloud.logicalSize = cloud.ownLogicalSize = 70;
    cloud.fileCount = 1;
    cloud.identity.mode = S_IFREG | 0644;
    tree.add("/r/c.txt", cloud);
    tree.folder("/r/big");
    tree.file("/r/big/.hidden", 900'000, 900'000);
    for (int i = 0; i < 24; ++i) {
        const std::int64_t size = i < 12 ? (i + 1) * 1000 : 3000; // ties at 3,000
        tree.file("/r/big/n" + std::to_string(100 + i), size, size);
    }
    tree.folder("/r/empty");
    return tree.finish();
}

class InspectorTest : public ViewQueryTest {
protected:
    InspectorView& makeInspector() { return show(new InspectorView(*model), QSize(260, 1000)); }
    [[nodiscard]] InspectorView& inspector() const { return *static_cast<InspectorView*>(held.get()); }
    [[nodiscard]] const InspectorView::Parts& parts() const { return inspector().parts(); }

    void select(const std::string& path) {
        model->setSelection(path);
        runQueries();
    }

    // The details as "label: value".
    [[nodiscard]] QStringList details() const {
        QStringList out;
        for (const auto& [label, value] : parts().details)
            out << label->text() + QStringLiteral(": ") + value->text();
        return out;
    }

    [[nodiscard]] QStringList largestNames() const {
        QStringList out;
        if (parts().largest) {
            for (const LargestInsideList::Row& row : parts().largest->rows())
                out << row.name;
        }
        return out;
    }
};

TEST_F(InspectorTest, SharesAreAPercentWithOneDecimalOrADash) {
    struct Case {
        std::int64_t part;
        std::optional<std::int64_t> reference;
        const char* text;
    };
    const std::vector<Case> cases{
        {5, std::nullopt, "—"}, {5, 0, "—"},      {5, -3, "—"},         {1, 2, "50.0%"},
        {2, 2, "100.0%"},       {3, 2, "150.0%"}, {1, 4000, "0.0%"},    {0, 10, "0.0%"},
        {1, 3, "33.3%"},        {2, 3, "66.7%"},  {999, 1000, "99.9%"}, {-5, 10, "-50.0%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InspectorView::share(c.part, c.reference), QString::fromUtf8(c.text)) << c.part;
}

TEST_F(InspectorTest, DatesReadAsTheirLargestWholeUnitAgoOrAhead) {
    const std::int64_t now = 1'709'294'400; // 2024-03-01 12:00 UTC
    const std::vector<std::pair<std::int64_t, const char*>> cases{
        {0, "0 seconds ago"},          {-59, "59 seconds ago"},         {-60, "1 minute ago"},
        {-7200, "2 hours ago"},        {-86'400, "1 day ago"},          {-6 * 86'400, "6 days ago"},
        {-7 * 86'400, "1 week ago"},   {-28 * 86'400, "4 weeks ago"},   {-29 * 86'400, "1 month ago"},
        {-400 * 86'400, "1 year ago"}, {-2000 * 86'400, "5 years ago"}, {3 * 3600, "in 3 hours"},
        {2 * 86'400, "in 2 days"},     {40 * 86'400, "in 1 month"},
    };
    for (const auto& [offset, text] : cases)
        EXPECT_EQ(DateText::relative(Date::fromUnixSeconds(now + offset), Date::fromUnixSeconds(now)),
                  QString::fromUtf8(text))
            << offset;
    EXPECT_EQ(DateText::abbreviated(Date::fromUnixSeconds(now)), QStringLiteral("Mar 1, 2024"));
}

TEST_F(InspectorTest, WithoutAScanItIsEmptyAndHasNoActions) {
    InspectorView& view = makeInspector();
    EXPECT_EQ(view.inspectedPath(), std::nullopt);
    EXPECT_EQ(view.parts().title, nullptr);
    EXPECT_EQ(view.parts().actionBar, nullptr);
}

TEST_F(InspectorTest, ItShowsTheSelectionElseTheFocusedFolder) {
    install(inspectorScan());
    InspectorView& view = makeInspector();
    EXPECT_EQ(view.inspectedPath(), std::optional<std::string>("/r"));
    EXPECT_EQ(view.parts().title->text(), QStringLiteral("r"));
    select("/r/x/g.png");
    EXPECT_EQ(view.inspectedPath(), std::optional<std::string>("/r/x/g.png"));
    EXPECT_EQ(view.parts().path->path(), QStringLiteral("/r/x/g.png"));
    select("/r/not-scanned");
    EXPECT_EQ(view.inspectedPath(), std::optional<std::string>("/r")) << "a selection not in the scan";
    model->focus(*model->scan()->nodes.node("/r/x"));
    model->setSelection(std::nullopt);
    runQueries();
    EXPECT_EQ(view.inspectedPath(), std::optional<std::string>("/r/x"));
}

TEST_F(InspectorTest, ChipsNameTheKindAndMarkPackagesAndCloudPlaceholders) {
    install(inspectorScan());
    InspectorView& view = makeInspector();
    const std::vector<std::pair<std::string, QStringList>> cases{
        {"/r/x", {"Folder"}},
        {"/r/a.mp3", {"Audio"}},
        {"/r/Tools.app", {"Application", "Package"}},
        {"/r/link", {"Symbolic link"}},
        {"/r/c.txt", {"Document", "Cloud"}},
    };
    for (const auto& [path, chips] : cases) {
        SCOPED_TRACE(path);
        select(path);
        EXPECT_EQ(view.parts().chips->texts(), chips);
        EXPECT_EQ(view.parts().cloudNote != nullptr, path == "/r/c.txt") << "the cloud note";
    }
}

TEST_F(InspectorTest, AFileShowsWhenItWasOpenedAndAFolderItsLargestChildren) {
    install(inspectorScan());
    InspectorView& view = makeInspector();
    select("/r/a.mp3");
    const Date modified = Date::fromUnixSeconds(kSeptember2020);
    QStringList file = details();
    ASSERT_EQ(file.size(), 9);
    // The scan holds 4,096,000 + 1,520 + 1,014,000 allocated bytes.
    EXPECT_EQ(file.mid(0, 6),
              (QStringList{"Size on disk: 4.1 MB", "Logical size: 1.5 MB", "Compressed by: Zero KB",
                           "Files: 1", "Folders: 0", "Of parent: 80.1%"}));
    EXPECT_TRUE(file[6].startsWith(QStringLiteral("Modified: ")) &&
                file[6].endsWith(QStringLiteral("years ago")))
        << file[6].toStdString();
    EXPECT_TRUE(file[7].startsWith(QStringLiteral("Created: ")) && file[7].endsWith(QStringLiteral(" ago")));
    EXPECT_EQ(file[8], QStringLiteral("Last accessed: ") + DateText::abbreviated(modified));
    EXPECT_EQ(file[8], QStringLiteral("Last accessed: Sep 13, 2020"));
    EXPECT_EQ(view.parts().size->text(), QStringLiteral("4.1 MB"));
    EXPECT_EQ(view.parts().share->text(), QStringLiteral("80.1% of scan"));
    EXPECT_EQ(view.parts().largestCaption, nullptr) << "no largest children for a file";
    EXPECT_FALSE(view.parts().focus->isEnabled()) << "a file cannot be focused";

    select("/r");
    const QStringList root = details();
    ASSERT_EQ(root.size(), 8) << "no opening date for a folder";
    EXPECT_EQ(root[5], QStringLiteral("Of parent: —"));
    EXPECT_EQ(view.parts().share->text(), QStringLiteral("100.0% of scan"));
    EXPECT_TRUE(view.parts().focus->isEnabled());
}

TEST_F(InspectorTest, LargestInsideListsTenChildrenWhateverTheFiltersSay) {
    install(inspectorScan());
    model->setShowHidden(false);
    model->setMinimumBytes(1'000'000);
    InspectorView& view = makeInspector();
    select("/r/big");
    EXPECT_EQ(view.parts().largestCaption->trailing(), QStringLiteral("25 items"));
    EXPECT_EQ(largestNames(), (QStringList{".hidden", "n111", "n110", "n109", "n108", "n107", "n106", "n105",
                                           "n104", "n103"}));
    EXPECT_EQ(view.parts().emptyInside, nullptr);
    // Ties by path, and the bars are shares of the folder.
    select("/r/x");
    EXPECT_EQ(largestNames(), (QStringList{"y", "g.png"}));
    EXPECT_DOUBLE_EQ(LargestInsideList::barFraction(1000, 1500), 1000.0 / 1500.0);

    select("/r/empty");
    EXPECT_EQ(view.parts().largestCaption->trailing(), QStringLiteral("0 items"));
    EXPECT_EQ(view.parts().largest, nullptr);
    ASSERT_NE(view.parts().emptyInside, nullptr);
    EXPECT_EQ(view.parts().emptyInside->text(), QStringLiteral("No readable items inside."));
}

TEST_F(InspectorTest, BarsAreClampedToTheTrack) {
    const std::vector<std::tuple<std::int64_t, std::int64_t, double>> cases{
        {0, 0, 0.0}, {5, 0, 1.0}, {5, 10, 0.5}, {10, 10, 1.0}, {30, 10, 1.0}, {-4, 10, 0.0}, {1, -1, 1.0},
    };
    for (const auto& [bytes, inside, fraction] : cases)
        EXPECT_DOUBLE_EQ(LargestInsideList::barFraction(bytes, inside), fraction)
            << bytes << " of " << inside;
}

TEST_F(InspectorTest, TheSizeModeChangesTheLargeSizeAndOrderButNotTheDetails) {
    ModelFixture tree("/r");
    tree.file("/r/sparse", 9'100'000, 10);
    tree.file("/r/dense", 100, 4'096'000);
    install(tree.finish());
    InspectorView& view = makeInspector();
    EXPECT_EQ(largestNames(), (QStringList{"dense", "sparse"}));
    EXPECT_EQ(view.parts().size->text(), QStringLiteral("4.1 MB"));
    const QStringList allocated = details();
    model->setLogical(true);
    runQueries();
    EXPECT_EQ(largestNames(), (QStringList{"sparse", "dense"}));
    EXPECT_EQ(view.parts().size->text(), QStringLiteral("9.1 MB"));
    EXPECT_EQ(details().mid(0, 2), allocated.mid(0, 2)) << "both sizes stay";
}

TEST_F(InspectorTest, ALargestRowSelectsTheChildAndLeavesTheFocus) {
    install(inspectorScan());
    InspectorView& view = makeInspector();
    select("/r/x");
    LargestInsideList* list = view.parts().largest;
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(list, Qt::LeftButton, {}, list->rowRect(1).center());
    runQueries();
    EXPECT_EQ(model->selection(), std::optional<std::string>("/r/x/g.png"));
    EXPECT_EQ(model->focusPath(), std::optional<std::string>("/r"));
    EXPECT_EQ(view.inspectedPath(), std::optional<std::string>("/r/x/g.png"));
}

TEST_F(InspectorTest, TheCleanupButtonsFollowTheGateAndThePolicysAnswer) {
    const std::string root = makeTree();
    finishScan(root);
    auto* inspector = new InspectorView(*model);
    held.reset(inspector);
    inspector->show();
    settle();
    InspectorView& view = *inspector;
    // Before the policy has answered nothing may be staged.
    EXPECT_FALSE(view.parts().addToCleanup->isEnabled());
    EXPECT_FALSE(view.parts().trash->isEnabled());
    runQueries();
    EXPECT_TRUE(view.parts().addToCleanup->isEnabled());
    EXPECT_TRUE(view.parts().trash->isEnabled());
    EXPECT_FALSE(view.parts().protection->isVisibleTo(&view));

    select(root + "/big.bin");
    EXPECT_TRUE(view.parts().addToCleanup->isEnabled());
    QTest::mouseClick(view.parts().quickLook, Qt::LeftButton);
    EXPECT_EQ(platform->previewed, (std::vector<std::string>{root + "/big.bin"}));
    QTest::mouseClick(view.parts().copyPath, Qt::LeftButton);
    EXPECT_EQ(model->notice(), std::optional<QString>(QStringLiteral("Path copied.")));
    QTest::mouseClick(view.parts().addToCleanup, Qt::LeftButton);
    ASSERT_EQ(model->queue().size(), 1U);
    EXPECT_EQ(model->queue().front().node.path, root + "/big.bin");
    EXPECT_EQ(model->queue().front().reason, "Selected in Explore");

    model->setIsHistorical(true);
    runQueries();
    EXPECT_FALSE(view.parts().addToCleanup->isEnabled());
    EXPECT_FALSE(view.parts().trash->isEnabled());
    for (TroveButton* button : {view.parts().reveal, view.parts().quickLook, view.parts().copyPath})
        EXPECT_TRUE(button->isEnabled()) << button->label().toStdString();
    EXPECT_FALSE(view.parts().protection->isVisibleTo(&view)) << "no objection to show";
}

TEST_F(InspectorTest, APolicyObjectionDisablesCleanupAndShowsItsSentence) {
    services.policy = []() -> CleanupPolicy {
        throw AmbertroveError("The home folder could not be read.");
    };
    makeQueryModel();
    finishScan(makeTree());
    InspectorView& view = makeInspector();
    ASSERT_TRUE(model->canClean());
    EXPECT_FALSE(view.parts().addToCleanup->isEnabled());
    EXPECT_FALSE(view.parts().trash->isEnabled());
    EXPECT_TRUE(view.parts().protection->isVisibleTo(&view));
    EXPECT_EQ(view.parts().protectionText->text(), QStringLiteral("The home folder could not be read."));
}

TEST_F(InspectorTest, ItIsMadeAgainOnlyWhenWhatItShowsChanges) {
    install(inspectorScan());
    InspectorView& view = makeInspector();
    const int built = view.buildCount();
    model->setStorageView(StorageView::table);
    model->setColorMode(ColorMode::type);
    model->setFilter(QStringLiteral("x"));
    model->setShowHidden(false);
    model->setNotice(QStringLiteral("Hello"));
    model->setSelection(std::string("/r/not-scanned"));
    runQueries();
    EXPECT_EQ(view.buildCount(), built) << "nothing it shows changed";

    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"selection",
         [&] {
             model->setSelection(std::string("/r/a.mp3"));
         }},
        {"size mode",
         [&] {
             model->setLogical(true);
         }},
        {"a job",
         [&] {
             model->setStaging(true);
         }},
        {"the job's end",
         [&] {
             model->setStaging(false);
         }},
        {"no selection",
         [&] {
             model->setSelection(std::nullopt);
         }},
        {"focus",
         [&] {
             model->setFocusPath(std::string("/r/x"));
         }},
    };
    int expected = built;
    for (const auto& [name, change] : changes) {
        change();
        runQueries();
        EXPECT_EQ(view.buildCount(), ++expected) << name;
    }
    // The About group keeps how the user left it.
    view.parts().aboutToggle->click();
    EXPECT_TRUE(view.parts().aboutText->isVisibleTo(&view));
    select("/r/x/g.png");
    EXPECT_TRUE(view.parts().aboutToggle->isChecked());
    EXPECT_TRUE(view.parts().aboutText->isVisibleTo(&view));
}

TEST_F(InspectorTest, PicturesInBothAppearances) {
    ModelFixture tree("/home/user");
    tree.folder("/home/user/Projects");
    tree.folder("/home/user/Projects/Ambertrove notes & drafts");
    const std::vector<std::pair<std::string, std::int64_t>> files{
        {"render-final-4k.mov", 2'400'000'000},
        {"dataset.parquet", 812'000'000},
        {"thesis.pdf", 24'000'000},
        {"backup-2021.tar.gz", 640'000'000},
        {"song.flac", 41'000'000},
        {"main.cpp", 18'000},
        {"a rather long file name that will not fit in the column.txt", 3'400'000},
    };
    for (const auto& [name, size] : files)
        tree.file("/home/user/Projects/Ambertrove notes & drafts/" + name, size, size, kSeptember2020);
    install(tree.finish(), "/home/user/Projects");
    for (const bool dark : {false, true}) {
        setCurrentTheme(AppTheme::paper);
        ThemePalette::apply(dark);
        auto* view = new InspectorView(*model);
        view->setFixedWidth(260);
        auto* backdrop = new Backdrop(view, 0);
        show(backdrop, QSize(260, 940));
        select("/home/user/Projects/Ambertrove notes & drafts");
        view->parts().aboutToggle->click();
        settle();
        savePicture(*backdrop, dark ? QStringLiteral("inspector-dark") : QStringLiteral("inspector-light"));
        const QImage picture = backdrop->grab().toImage();
        QColor tint = Paper::panel().resolved(dark);
        tint.setAlphaF(0.45f);
        EXPECT_TRUE(near(picture.pixelColor(5, 5), over(tint, Paper::background().resolved(dark))));
        EXPECT_TRUE(near(picture.pixelColor(5, picture.height() - 5), Paper::panel().resolved(dark)))
            << "the action bar";
    }
    ThemePalette::apply(false);
}

} // namespace
} // namespace ambertrove::test
