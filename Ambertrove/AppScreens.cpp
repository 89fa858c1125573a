#include "AppScreens.hpp"

#include "explore/ExploreView.hpp"
#include "explore/InspectorView.hpp"

namespace ambertrove {

ScreenTable appScreens() {
    ScreenTable table;
    table.section(AppSection::explore) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new ExploreView(model, parent);
    };
    table.inspector = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new InspectorView(model, parent);
    };
    return table;
}

} // namespace ambertrove
