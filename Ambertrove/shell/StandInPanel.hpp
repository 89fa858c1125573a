#pragma once

#include <QString>

class QWidget;

namespace ambertrove::StandInPanel {

// Stand-in for a screen that is not built into the window yet: an empty panel with the screen's name,
// so that every section and pane is reachable and laid out at its final size.
[[nodiscard]] QWidget* make(const QString& symbol, const QString& name, QWidget* parent);

} // namespace ambertrove::StandInPanel
