#include "AppScreens.hpp"

#include "explore/ExploreView.hpp"
#include "screens/ApplicationsView.hpp"
#include "screens/MonitorView.hpp"
#include "screens/SnapshotsView.hpp"

namespace ambertrove {

ScreenTable appScreens() {
    ScreenTable table;
    table.section(AppSection::explore) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new ExploreView(model, parent);
    };
    table.section(AppSection::applications) = [](AppModel& m, QWidget* p) -> QWidget* {
        return new ApplicationsView(m, p);
    };
    table.section(AppSection::snapshots) = [](AppModel& m, QWidget* p) -> QWidget* {
        return new SnapshotsView(m, p);
    };
    table.section(AppSection::monitor) = [](AppModel& m, QWidget* p) -> QWidget* {
        return new MonitorView(m, p);
    };
    return table;
}

} // namespace ambertrove
