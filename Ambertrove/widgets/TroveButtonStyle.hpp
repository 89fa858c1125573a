#pragma once

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QSize>
#include <QString>

class QPainter;
class QRectF;

namespace ambertrove {

// The look of every text button: plain (surface fill, border line) or primary (ink fill, text in the
// window's background colour), in a regular or a compact size.
struct TroveButtonStyle {
    bool primary = false;
    bool compact = false;

    static constexpr double kCornerRadius = 9;
    static constexpr int kHoverMilliseconds = 120;

    struct Look {
        QColor fill;
        QColor border;
        QColor text;
        double opacity = 1; // of the whole button
    };

    // Semibold, 11 pixels compact, else 12.
    [[nodiscard]] QFont font() const;
    // 10 by 7 pixels compact, else 14 by 9, around the label.
    [[nodiscard]] QMargins padding() const;
    // The colours in the current theme and appearance. `hover` runs from 0 (pointer away) to 1 (over the
    // button) while the hover change is animated; a disabled or primary button ignores it.
    [[nodiscard]] Look look(bool enabled, double hover, bool pressed) const;
    // Fills and strokes the rounded rectangle of a button whose bounds are `rect`.
    static void paintBackground(QPainter& painter, const QRectF& rect, const Look& look);

    // The label of an optional `symbol` and `text`, without the padding.
    [[nodiscard]] QSize labelSize(const QString& symbol, const QString& text) const;
    // The whole button for that label.
    [[nodiscard]] QSize sizeFor(const QString& symbol, const QString& text) const {
        return labelSize(symbol, text).grownBy(padding());
    }
    // The label centred inside the padding of a button whose bounds are `rect`; text that does not fit is
    // shortened at its end. Buttons painted inside list rows draw themselves with this and paintBackground.
    void paintLabel(QPainter& painter, const QRect& rect, const QString& symbol, const QString& text,
                    const QColor& color) const;

    friend bool operator==(const TroveButtonStyle&, const TroveButtonStyle&) = default;
};

} // namespace ambertrove
