#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace ambertrove::HelpText {

// The text of a link to the system's privacy settings, shown as help in the muted colour: the desktop
// has no such pane to open.
[[nodiscard]] QLabel* make(const QString& text, QWidget* parent);

} // namespace ambertrove::HelpText
