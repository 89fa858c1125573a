#pragma once

#include <QRectF>

class QPainter;

namespace ambertrove::ApplicationIcon {

// An application's picture. The desktop keeps no icon for a bundle path, so every application shows the
// same painted one: the package symbol on an accent-tinted rounded square.
void paint(QPainter& painter, const QRectF& box);

} // namespace ambertrove::ApplicationIcon
