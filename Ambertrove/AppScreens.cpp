#include "AppScreens.hpp"

#include "explore/ExploreView.hpp"

namespace ambertrove {

ScreenTable appScreens() {
    ScreenTable table;
    table.section(AppSection::explore) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new ExploreView(model, parent);
    };
    return table;
}

} // namespace ambertrove
