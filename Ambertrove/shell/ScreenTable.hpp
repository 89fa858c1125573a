#pragma once

#include "controller/AppSection.hpp"

#include <array>
#include <cstddef>
#include <functional>

class QDialog;
class QWidget;

namespace ambertrove {

class AppModel;

// What the window hosts without knowing it: one builder per section, the inspector pane and the cleanup
// review sheet. The executable's entry fills the table (AppScreens), so that the shell includes nothing of
// the screens it shows. An empty builder shows a stand-in panel.
struct ScreenTable {
    using Builder = std::function<QWidget*(AppModel& model, QWidget* parent)>;
    using DialogBuilder = std::function<QDialog*(AppModel& model, QWidget* parent)>;

    // By AppSection's order.
    std::array<Builder, EnumTexts<AppSection>::cases.size()> sections;
    Builder inspector;
    DialogBuilder review;

    [[nodiscard]] const Builder& section(AppSection value) const {
        return sections[static_cast<std::size_t>(value)];
    }
    [[nodiscard]] Builder& section(AppSection value) { return sections[static_cast<std::size_t>(value)]; }
};

} // namespace ambertrove
