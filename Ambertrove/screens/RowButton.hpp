#pragma once

#include "theme/Paper.hpp"
#include "widgets/TroveButtonStyle.hpp"

#include <QRect>
#include <QString>

class QPainter;

namespace ambertrove {

// A button drawn inside a painted list row (lists never make a widget per row): a text button in the
// look of TroveButton, or a bare symbol in a theme colour. The list view finds it by its rectangle and
// reports its `action` when it is pressed.
struct RowButton {
    int action = 0;
    QRect rect;
    QString symbol;
    QString label;
    // A text button (with an optional symbol) in this style, unless `bare`.
    TroveButtonStyle style;
    // Only the symbol, `symbolSize` pixels, in `role`.
    bool bare = false;
    int symbolSize = 12;
    ColorRole role = ColorRole::muted;
    bool enabled = true;
    QString toolTip;

    // A text button of `label` in `style`, sized to its label, at the origin (the row moves it).
    [[nodiscard]] static RowButton text(int action, const QString& label, TroveButtonStyle style,
                                        const QString& symbol = {});
    // A bare symbol of `size` pixels.
    [[nodiscard]] static RowButton bareSymbol(int action, const QString& symbol, int size, ColorRole role);

    void paint(QPainter& painter, bool hovered, bool pressed) const;
};

} // namespace ambertrove
