// The exploration toolbar: the view capsules and their rule during a scan, the colour and depth controls,
// the filter menu, and its two arrangements.
#include "ExplorerTestSupport.hpp"

#include "explore/ActiveFiltersBar.hpp"
#include "explore/ExplorationToolbar.hpp"
#include "shell/PlainButton.hpp"
#include "widgets/SegmentedChoices.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSlider>

namespace ambertrove::test {
namespace {

class ExplorationToolbarTest : public ExplorerTest {
protected:
    void SetUp() override {
        ExplorerTest::SetUp();
        toolbar = new ExplorationToolbar(*model);
        backdrop = std::make_unique<Backdrop>(toolbar, 12, 1100);
        backdrop->show();
        settle();
    }
    void TearDown() override {
        backdrop.reset();
        ExplorerTest::TearDown();
    }

    // The menu's visible items by title, "-" for a separator.
    [[nodiscard]] QStringList menuItems() const {
        QStringList out;
        for (const QAction* action : toolbar->filterMenu()->actions()) {
            if (action->isVisible())
                out << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return out;
    }
    [[nodiscard]] QMenu* submenu(const QString& title) const {
        for (const QAction* action : toolbar->filterMenu()->actions()) {
            if (action->text() == title)
                return action->menu();
        }
        return nullptr;
    }
    [[nodiscard]] QAction* item(QMenu* menu, const QString& title) const {
        for (QAction* action : menu->actions()) {
            if (action->text() == title)
                return action;
        }
        return nullptr;
    }
    [[nodiscard]] std::vector<StorageView> selected() const {
        std::vector<StorageView> out;
        for (const StorageView view : allCases<StorageView>()) {
            if (toolbar->isCapsuleSelected(view))
                out.push_back(view);
        }
        return out;
    }

    ExplorationToolbar* toolbar = nullptr;
    std::unique_ptr<Backdrop> backdrop;
};

TEST_F(ExplorationToolbarTest, AtFirstTheTreemapIsSelectedWithColoursDepthAndLabels) {
    EXPECT_EQ(selected(), std::vector<StorageView>{StorageView::treemap});
    for (const StorageView view : allCases<StorageView>()) {
        EXPECT_EQ(toolbar->capsule(view)->accessibleName(), rawValue(view));
        EXPECT_EQ(toolbar->capsule(view)->toolTip(), rawValue(view));
    }
    // The selected capsule is wider: it shows its title.
    EXPECT_GT(toolbar->capsule(StorageView::treemap)->width(), toolbar->capsule(StorageView::table)->width());
    EXPECT_TRUE(toolbar->colorChoices()->isVisible());
    EXPECT_GE(toolbar->colorChoices()->width(), ExplorationToolbar::kColorWidth);
    EXPECT_EQ(toolbar->colorChoices()->toolTip(), QStringLiteral("What the colours mean"));
    EXPECT_EQ(toolbar->colorChoices()->choices()[0].title, QStringLiteral("By type"));
    EXPECT_TRUE(toolbar->colorChoices()->isHighlighted(1)) << "by folder";
    EXPECT_TRUE(toolbar->depthSlider()->isVisible());
    EXPECT_EQ(toolbar->depthSlider()->width(), ExplorationToolbar::kSliderWidth);
    EXPECT_EQ(toolbar->depthValue()->text(), QStringLiteral("7"));
    EXPECT_EQ(toolbar->filterButton()->toolTip(), QStringLiteral("Filter current items"));
    EXPECT_EQ(menuItems(),
              (QStringList{"Draw labels on visualisations", "Show hidden files", "-", "Minimum size",
                           "File type", "Modified before", "Clear all filters"}));
    savePicture(*backdrop, QStringLiteral("explorer-toolbar"));
}

struct ViewCase {
    StorageView view;
    bool colours;
    bool depth;
};

TEST_F(ExplorationToolbarTest, EachViewShowsTheControlsThatApplyToIt) {
    const std::vector<ViewCase> cases{
        {StorageView::treemap, true, true},   {StorageView::folders, true, false},
        {StorageView::sunburst, true, true},  {StorageView::flame, true, true},
        {StorageView::bubbles, true, true},   {StorageView::mindMap, true, true},
        {StorageView::topSizes, true, false}, {StorageView::ageMap, false, false},
        {StorageView::table, false, false},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(rawValue(c.view).toStdString());
        QTest::mouseClick(toolbar->capsule(c.view), Qt::LeftButton);
        settle();
        EXPECT_EQ(model->storageView(), c.view);
        EXPECT_EQ(selected(), std::vector<StorageView>{c.view});
        EXPECT_EQ(toolbar->colorChoices()->isVisible(), c.colours);
        EXPECT_EQ(toolbar->depthSlider()->isVisible(), c.depth);
        EXPECT_EQ(toolbar->depthValue()->isVisible(), c.depth);
        EXPECT_TRUE(toolbar->filterButton()->isVisible());
        EXPECT_EQ(menuItems().front(), c.depth ? QStringLiteral("Draw labels on visualisations")
                                               : QStringLiteral("Show hidden files"));
    }
}

TEST_F(ExplorationToolbarTest, AQuickWinSelectsNoCapsuleAndAnyCapsuleClearsIt) {
    for (const StorageView pressed : {StorageView::treemap, StorageView::table}) {
        SCOPED_TRACE(rawValue(pressed).toStdString());
        model->setStorageView(StorageView::treemap);
        model->setActiveQuickWin(QuickWinKind::caches);
        settle();
        EXPECT_TRUE(selected().empty());
        EXPECT_FALSE(toolbar->colorChoices()->isVisible());
        EXPECT_FALSE(toolbar->depthSlider()->isVisible());
        EXPECT_EQ(menuItems().front(), QStringLiteral("Show hidden files"));
        QTest::mouseClick(toolbar->capsule(pressed), Qt::LeftButton);
        settle();
        EXPECT_EQ(model->activeQuickWin(), std::nullopt);
        EXPECT_EQ(model->storageView(), pressed);
        EXPECT_EQ(selected(), std::vector<StorageView>{pressed});
    }
}

TEST_F(ExplorationToolbarTest, DuringAScanOnlyTheFoldersAndTheChartsCanBeChosen) {
    model->setScanning(true);
    settle();
    for (const StorageView view : allCases<StorageView>()) {
        SCOPED_TRACE(rawValue(view).toStdString());
        const bool later =
            view == StorageView::topSizes || view == StorageView::ageMap || view == StorageView::table;
        EXPECT_EQ(toolbar->capsule(view)->isEnabled(), !later);
        EXPECT_EQ(toolbar->capsule(view)->toolTip(),
                  later ? rawValue(view) + QStringLiteral(" — available after scanning") : rawValue(view));
    }
    QTest::mouseClick(toolbar->capsule(StorageView::table), Qt::LeftButton);
    EXPECT_EQ(model->storageView(), StorageView::treemap) << "a disabled capsule does nothing";
    model->setScanning(false);
    settle();
    EXPECT_TRUE(toolbar->capsule(StorageView::table)->isEnabled());
    EXPECT_EQ(toolbar->capsule(StorageView::table)->toolTip(), QStringLiteral("Table"));
}

TEST_F(ExplorationToolbarTest, TheSliderGivesOneToEightAndTheColoursFollowTheChoice) {
    QSlider* slider = toolbar->depthSlider();
    for (const int value : {0, 1, 5, 8, 9}) {
        slider->setValue(value);
        settle();
        EXPECT_EQ(model->visualizationDepth(), std::clamp(value, 1, 8)) << value;
        EXPECT_EQ(toolbar->depthValue()->text(), QString::number(std::clamp(value, 1, 8)));
    }
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(model->visualizationDepth(), 8);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(model->visualizationDepth(), 1);

    QTest::mouseClick(toolbar->colorChoices()->button(2), Qt::LeftButton);
    EXPECT_EQ(model->colorMode(), ColorMode::age);
    model->setColorMode(ColorMode::type);
    settle();
    EXPECT_TRUE(toolbar->colorChoices()->isHighlighted(0));
}

TEST_F(ExplorationToolbarTest, TheFilterMenuSetsTheFiltersAndClearsThem) {
    QAction* clear = item(toolbar->filterMenu(), QStringLiteral("Clear all filters"));
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isEnabled());

    QMenu* sizes = submenu(QStringLiteral("Minimum size"));
    ASSERT_NE(sizes, nullptr);
    QStringList sizeTitles;
    for (const QAction* action : sizes->actions())
        sizeTitles << action->text();
    EXPECT_EQ(sizeTitles, (QStringList{"Any size", "10 MB+", "100 MB+", "1 GB+"}));
    EXPECT_TRUE(item(sizes, QStringLiteral("Any size"))->isChecked());
    item(sizes, QStringLiteral("10 MB+"))->trigger();
    EXPECT_EQ(model->minimumBytes(), 10'000'000);
    settle();
    EXPECT_TRUE(clear->isEnabled());
    EXPECT_TRUE(item(sizes, QStringLiteral("10 MB+"))->isChecked());
    EXPECT_FALSE(item(sizes, QStringLiteral("Any size"))->isChecked());

    QMenu* types = submenu(QStringLiteral("File type"));
    QStringList typeTitles;
    for (const QAction* action : types->actions())
        typeTitles << action->text();
    EXPECT_EQ(typeTitles, (QStringList{"All types", "Video", "Audio", "Image", "Document", "Developer",
                                       "Archive", "Other"}));
    item(types, QStringLiteral("Image"))->trigger();
    EXPECT_EQ(model->categoryFilter(), FileCategory::image);

    QMenu* ages = submenu(QStringLiteral("Modified before"));
    item(ages, QStringLiteral("1 year ago"))->trigger();
    EXPECT_EQ(model->modifiedBeforeDays(), 365);
    QAction* hidden = item(toolbar->filterMenu(), QStringLiteral("Show hidden files"));
    EXPECT_TRUE(hidden->isChecked());
    hidden->trigger();
    EXPECT_FALSE(model->showHidden());
    QAction* labels = item(toolbar->filterMenu(), QStringLiteral("Draw labels on visualisations"));
    labels->trigger();
    EXPECT_FALSE(model->showLabels());

    clear->trigger();
    settle();
    EXPECT_TRUE(model->activeFilters().empty());
    EXPECT_TRUE(model->showHidden());
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_TRUE(item(types, QStringLiteral("All types"))->isChecked());
    EXPECT_TRUE(item(ages, QStringLiteral("Any date"))->isChecked());
}

TEST_F(ExplorationToolbarTest, NarrowTheControlsGoUnderTheCapsules) {
    const int boundary = toolbar->oneRowWidth();
    QWidget* selector = toolbar->selector();
    QWidget* controls = toolbar->controls();

    toolbar->resize(boundary, toolbar->heightForWidth(boundary));
    EXPECT_TRUE(toolbar->isOneRow());
    EXPECT_EQ(controls->x(),
              selector->width() + 2 * ExplorationToolbar::kRowSpacing + ExplorationToolbar::kMinimumGap);
    EXPECT_EQ(controls->geometry().center().y(), selector->geometry().center().y());
    EXPECT_EQ(toolbar->heightForWidth(boundary), selector->height());

    toolbar->resize(boundary - 1, toolbar->heightForWidth(boundary - 1));
    EXPECT_FALSE(toolbar->isOneRow());
    EXPECT_EQ(controls->x(), 0);
    EXPECT_EQ(controls->y(), selector->height() + ExplorationToolbar::kColumnSpacing);
    EXPECT_EQ(toolbar->heightForWidth(boundary - 1), controls->geometry().bottom() + 1);

    // The chips go 8 pixels under whichever arrangement.
    model->setFilter(QStringLiteral("x"));
    settle();
    toolbar->resize(boundary - 1, toolbar->heightForWidth(boundary - 1));
    ASSERT_TRUE(toolbar->filtersBar()->isVisible());
    EXPECT_EQ(toolbar->filtersBar()->y(),
              controls->geometry().bottom() + 1 + ExplorationToolbar::kFiltersSpacing);
    EXPECT_EQ(toolbar->heightForWidth(boundary - 1), toolbar->filtersBar()->geometry().bottom() + 1);
    savePicture(*toolbar, QStringLiteral("explorer-toolbar-narrow"));
}

} // namespace
} // namespace ambertrove::test
