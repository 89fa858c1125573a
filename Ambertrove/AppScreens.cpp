#include "AppScreens.hpp"

#include "explore/ExploreView.hpp"
#include "screens/CleanupReviewSheet.hpp"
#include "screens/CleanupView.hpp"
#include "screens/DuplicatesView.hpp"

namespace ambertrove {

ScreenTable appScreens() {
    ScreenTable table;
    table.section(AppSection::explore) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new ExploreView(model, parent);
    };
    table.section(AppSection::cleanup) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new CleanupView(model, parent);
    };
    table.section(AppSection::duplicates) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new DuplicatesView(model, parent);
    };
    table.review = [](AppModel& model, QWidget* parent) -> QDialog* {
        return new CleanupReviewSheet(model, parent);
    };
    return table;
}

} // namespace ambertrove
