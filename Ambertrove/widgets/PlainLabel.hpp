#pragma once

#include "theme/Paper.hpp"

#include <QFont>
#include <QLabel>
#include <QString>

namespace ambertrove {

// A label that shows `text` exactly as it is (names from the disk are never markup), in `font` and the
// theme colour of `role`.
[[nodiscard]] QLabel* plainLabel(const QFont& font, ColorRole role, QWidget* parent, const QString& text = {});
// The same in a colour that is no theme role (amber, a chart's colour).
[[nodiscard]] QLabel* plainLabel(const QFont& font, const QColor& color, QWidget* parent, const QString& text = {});

} // namespace ambertrove
