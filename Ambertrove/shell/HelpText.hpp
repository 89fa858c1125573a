#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace ambertrove::HelpText {

// The text of a link to the system's privacy settings, shown as help in the muted colour with what takes
// its place here: the desktop has no such pane to open, so nothing in it looks like a control.
[[nodiscard]] QLabel* make(const QString& text, QWidget* parent);

// What the help says after the link's text.
inline constexpr const char* kLinuxNote =
    "There is no such setting on Linux: Ambertrove reads what your user account may read.";

} // namespace ambertrove::HelpText
