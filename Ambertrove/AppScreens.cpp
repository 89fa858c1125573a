#include "AppScreens.hpp"

#include "explore/ExploreView.hpp"
#include "explore/InspectorView.hpp"
#include "screens/ApplicationsView.hpp"
#include "screens/CleanupReviewSheet.hpp"
#include "screens/CleanupView.hpp"
#include "screens/DuplicatesView.hpp"
#include "screens/MonitorView.hpp"
#include "screens/SnapshotsView.hpp"

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
    table.section(AppSection::applications) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new ApplicationsView(model, parent);
    };
    table.section(AppSection::snapshots) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new SnapshotsView(model, parent);
    };
    table.section(AppSection::monitor) = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new MonitorView(model, parent);
    };
    table.review = [](AppModel& model, QWidget* parent) -> QDialog* {
        return new CleanupReviewSheet(model, parent);
    };
    table.inspector = [](AppModel& model, QWidget* parent) -> QWidget* {
        return new InspectorView(model, parent);
    };
    return table;
}

} // namespace ambertrove
