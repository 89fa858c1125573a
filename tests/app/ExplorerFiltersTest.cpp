// The explorer's filters as chips: which are active, their titles in the fixed order, removing one,
// clearing all, and the bar that lists them.
#include "ExplorerTestSupport.hpp"

#include "explore/ActiveFiltersBar.hpp"
#include "model/Formatting.hpp"
#include "shell/PlainButton.hpp"

#include <QAbstractButton>

namespace ambertrove::test {
namespace {

class ExplorerFiltersTest : public ExplorerTest {
protected:
    [[nodiscard]] QStringList titles() const {
        QStringList out;
        for (const ActiveExplorerFilter& filter : model->activeFilters())
            out << filter.title;
        return out;
    }

    // Every filter active, set in the reverse of the chips' order.
    void setAll() {
        model->setModifiedBeforeDays(365);
        model->setCategoryFilter(FileCategory::image);
        model->setMinimumBytes(10'000'000);
        model->setShowHidden(false);
        model->setFilter(QStringLiteral("two words"));
    }
};

struct TitleCase {
    const char* name;
    std::function<void(AppModel&)> set;
    QStringList titles;
};

TEST_F(ExplorerFiltersTest, ChipTitlesComeInTheFixedOrderWhateverTheOrderTheyWereSetIn) {
    const std::vector<TitleCase> cases{
        {"none", [](AppModel&) {}, {}},
        {"one year", [](AppModel& m) { m.setModifiedBeforeDays(365); }, {"Older than 1 year"}},
        {"two years", [](AppModel& m) { m.setModifiedBeforeDays(730); }, {"Older than 2 years"}},
        {"a day short of a year", [](AppModel& m) { m.setModifiedBeforeDays(364); }, {"Older than 364 days"}},
        {"thirty days", [](AppModel& m) { m.setModifiedBeforeDays(30); }, {"Older than 30 days"}},
        {"blanks are a name", [](AppModel& m) { m.setFilter(QStringLiteral("   ")); }, {"Name:    "}},
        {"a name with blanks", [](AppModel& m) { m.setFilter(QStringLiteral(" a b ")); }, {"Name:  a b "}},
        {"hidden shown", [](AppModel& m) { m.setShowHidden(true); }, {}},
        {"hidden left out", [](AppModel& m) { m.setShowHidden(false); }, {"Hidden files excluded"}},
        {"size", [](AppModel& m) { m.setMinimumBytes(10'000'000); }, {"10 MB+"}},
        {"plural category", [](AppModel& m) { m.setCategoryFilter(FileCategory::document); }, {"Documents"}},
        {"all, set backwards",
         [](AppModel& m) {
             m.setModifiedBeforeDays(365);
             m.setCategoryFilter(FileCategory::image);
             m.setMinimumBytes(10'000'000);
             m.setShowHidden(false);
             m.setFilter(QStringLiteral("two words"));
         },
         {"Name: two words", "Hidden files excluded", "10 MB+", "Images", "Older than 1 year"}},
    };
    for (const TitleCase& c : cases) {
        SCOPED_TRACE(c.name);
        model->clearFilters();
        c.set(*model);
        EXPECT_EQ(titles(), c.titles);
    }
    // The size chip is the byte text of the size, as the menu's choice names it.
    model->clearFilters();
    model->setMinimumBytes(10'000'000);
    EXPECT_EQ(titles().front(), QString::fromStdString(formattedBytes(10'000'000)) + QLatin1Char('+'));
}

TEST_F(ExplorerFiltersTest, RemovingAChipResetsItsFilterAlone) {
    const std::vector<ExplorerFilterID> order{ExplorerFilterID::name, ExplorerFilterID::hidden,
                                              ExplorerFilterID::size, ExplorerFilterID::type,
                                              ExplorerFilterID::age};
    for (const ExplorerFilterID removed : order) {
        SCOPED_TRACE(rawValue(removed).toStdString());
        setAll();
        model->removeFilter(removed);
        std::vector<ExplorerFilterID> left;
        for (const ActiveExplorerFilter& filter : model->activeFilters())
            left.push_back(filter.id);
        std::vector<ExplorerFilterID> expected = order;
        std::erase(expected, removed);
        EXPECT_EQ(left, expected);
        EXPECT_EQ(model->filter().isEmpty(), removed == ExplorerFilterID::name);
        EXPECT_EQ(model->showHidden(), removed == ExplorerFilterID::hidden);
        EXPECT_EQ(model->minimumBytes() == 0, removed == ExplorerFilterID::size);
        EXPECT_EQ(!model->categoryFilter(), removed == ExplorerFilterID::type);
        EXPECT_EQ(model->modifiedBeforeDays() == 0, removed == ExplorerFilterID::age);
    }
}

TEST_F(ExplorerFiltersTest, ClearingLeavesAllFiveNeutral) {
    for (const bool some : {false, true}) {
        SCOPED_TRACE(some);
        if (some)
            model->setMinimumBytes(5);
        else
            setAll();
        model->clearFilters();
        EXPECT_TRUE(model->activeFilters().empty());
        EXPECT_EQ(model->filter(), QString());
        EXPECT_TRUE(model->showHidden());
        EXPECT_EQ(model->minimumBytes(), 0);
        EXPECT_EQ(model->categoryFilter(), std::nullopt);
        EXPECT_EQ(model->modifiedBeforeDays(), 0);
    }
}

TEST_F(ExplorerFiltersTest, TheBarShowsOneChipPerFilterAndRemovesThem) {
    auto* shown = new ActiveFiltersBar(*model);
    Backdrop backdrop(shown, 12, 700);
    ActiveFiltersBar& bar = *shown;
    backdrop.show();
    settle();
    EXPECT_FALSE(bar.isVisible()) << "no filter, no bar";

    setAll();
    model->setFilter(QStringLiteral("Tom & <b>Jerry</b>"));
    settle();
    ASSERT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.height(), ActiveFiltersBar::kHeight);
    ASSERT_EQ(bar.chips().size(), 5u);
    EXPECT_EQ(bar.chips()[0]->accessibleName(), QStringLiteral("Remove filter — Name: Tom & <b>Jerry</b>"));
    EXPECT_EQ(bar.chips()[0]->text(), QStringLiteral("Name: Tom && <b>Jerry</b>")) << "no mnemonic is made";
    EXPECT_TRUE(bar.chips()[0]->toolTip().contains(QStringLiteral("&lt;b&gt;Jerry&lt;/b&gt;")))
        << "the tooltip shows the markup as text";
    EXPECT_EQ(bar.clearAllButton()->toolTip(), QStringLiteral("Clear all filters"));
    savePicture(backdrop, QStringLiteral("explorer-filter-chips"));

    QTest::mouseClick(bar.chips()[3], Qt::LeftButton);
    settle();
    EXPECT_EQ(model->categoryFilter(), std::nullopt);
    ASSERT_EQ(bar.chips().size(), 4u);
    EXPECT_EQ(bar.shownFilters().back().title, QStringLiteral("Older than 1 year"));

    QTest::mouseClick(bar.clearAllButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(model->activeFilters().empty());
    EXPECT_FALSE(bar.isVisible());
}

TEST_F(ExplorerFiltersTest, ALongNameMakesAChipOfTheLargestWidth) {
    auto* shown = new ActiveFiltersBar(*model);
    Backdrop backdrop(shown, 12, 500);
    ActiveFiltersBar& bar = *shown;
    backdrop.show();
    model->setFilter(QString(200, QLatin1Char('x')));
    model->setMinimumBytes(100'000'000);
    settle();
    ASSERT_EQ(bar.chips().size(), 2u);
    EXPECT_EQ(bar.chips()[0]->width(), ActiveFiltersBar::kChipMaximum);
    // The chips scroll sideways; "Clear all" stays whole and in view.
    EXPECT_EQ(bar.clearAllButton()->width(), bar.clearAllButton()->sizeHint().width());
    EXPECT_LE(bar.clearAllButton()->geometry().right(), bar.width());
}

} // namespace
} // namespace ambertrove::test
