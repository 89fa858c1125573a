#pragma once

#include <QPainterPath>
#include <QRectF>

namespace ambertrove {

// The outline of a folder: a tab on the top left and rounded corners, clockwise from the tab's top left.
// The 13-pixel corners, the 16-pixel tab height and the 29-pixel shoulder are absolute; only the tab's
// horizontal extent (0.4 to 0.46 of the width) scales. Measured from the rectangle's top left, so a shape
// at the origin is exactly the one described in pixels. Filled with Qt::WindingFill.
namespace FolderShape {

[[nodiscard]] QPainterPath path(const QRectF& rect);

} // namespace FolderShape

} // namespace ambertrove
