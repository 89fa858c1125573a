#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

#include <utility>
#include <vector>

class QPainter;

namespace ambertrove {

// The icons of the window, named by the behaviour's symbol names ("folder", "internaldrive.fill"). Each
// maps to a freedesktop icon-theme name; when the theme has no such icon (or theme icons are switched
// off) a small painted glyph stands in. Icons are monochrome: drawn in the colour the caller asks for.
namespace Icons {

// Symbol name and freedesktop icon-theme name, one row per symbol the views use.
[[nodiscard]] const std::vector<std::pair<QString, QString>>& table();
// The theme name of `symbol`, or "" for a symbol not in the table.
[[nodiscard]] QString themeName(const QString& symbol);

// Whether theme icons are looked up at all (on by default); with them off every icon is painted.
void setThemeIconsEnabled(bool enabled);
[[nodiscard]] bool themeIconsEnabled();

// Draws `symbol` into `box` (a square is best) in `color`.
void paint(QPainter& painter, const QString& symbol, const QRectF& box, const QColor& color);
// The painted glyph alone, whatever the theme has.
void paintFallback(QPainter& painter, const QString& symbol, const QRectF& box, const QColor& color);
// `symbol` as a pixmap of `size` logical pixels square at `devicePixelRatio`.
[[nodiscard]] QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio = 1);
// `symbol` as an icon for actions and menus.
[[nodiscard]] QIcon icon(const QString& symbol, const QColor& color);

} // namespace Icons

} // namespace ambertrove
