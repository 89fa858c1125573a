#include "widgets/TroveButtonStyle.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kSymbolGap = 5;

int symbolSide(const QFont& font) {
    return font.pixelSize() + 2;
}

QColor mix(const QColor& from, const QColor& to, double t) {
    if (t <= 0)
        return from;
    if (t >= 1)
        return to;
    const auto lerp = [t](float a, float b) { return a + float(t) * (b - a); };
    // Mixed in premultiplied form so a transparent end does not drag the colour towards black.
    const float fa = from.alphaF();
    const float ta = to.alphaF();
    const float alpha = lerp(fa, ta);
    if (alpha <= 0)
        return QColor(0, 0, 0, 0);
    const auto channel = [&](float f, float c) { return lerp(f * fa, c * ta) / alpha; };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), alpha);
}

} // namespace

QFont TroveButtonStyle::font() const {
    return ViewText::font(compact ? 11 : 12, QFont::DemiBold);
}

QMargins TroveButtonStyle::padding() const {
    return compact ? QMargins(10, 7, 10, 7) : QMargins(14, 9, 14, 9);
}

TroveButtonStyle::Look TroveButtonStyle::look(bool enabled, double hover, bool pressed) const {
    Look look;
    if (primary) {
        look.fill = Appearance::role(ColorRole::ink);
        look.border = QColor(0, 0, 0, 0);
        look.text = Appearance::role(ColorRole::background);
    } else {
        const double h = enabled ? std::clamp(hover, 0.0, 1.0) : 0.0;
        look.fill = mix(Appearance::role(ColorRole::surface), Appearance::role(ColorRole::ink, 0.09), h);
        look.border = mix(Appearance::role(ColorRole::border), Appearance::role(ColorRole::muted, 0.55), h);
        look.text = Appearance::role(ColorRole::ink);
    }
    look.opacity = !enabled ? 0.38 : pressed ? 0.7 : 1.0;
    return look;
}

void TroveButtonStyle::paintBackground(QPainter& painter, const QRectF& rect, const Look& look) {
    // The 1-pixel line is centred half a pixel inside the bounds so all of it shows.
    const QRectF shape = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(shape, kCornerRadius, kCornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, look.fill);
    if (look.border.alpha() > 0) {
        QPen pen(look.border, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.strokePath(path, pen);
    }
    painter.restore();
}

QSize TroveButtonStyle::labelSize(const QString& symbol, const QString& text) const {
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text);
    int height = metrics.height();
    if (!symbol.isEmpty()) {
        const int side = symbolSide(font());
        width += side + (text.isEmpty() ? 0 : kSymbolGap);
        height = std::max(height, side);
    }
    return {width, height};
}

void TroveButtonStyle::paintLabel(QPainter& painter, const QRect& rect, const QString& symbol,
                                  const QString& text, const QColor& color) const {
    const QRect inner = rect.marginsRemoved(padding());
    const QFont labelFont = font();
    const QFontMetrics metrics(labelFont);
    const int side = symbol.isEmpty() ? 0 : symbolSide(labelFont);
    const int gap = (symbol.isEmpty() || text.isEmpty()) ? 0 : kSymbolGap;
    const QString shown =
        ViewText::elided(metrics, text, Qt::ElideRight, std::max(0, inner.width() - side - gap));
    const int total = side + gap + metrics.horizontalAdvance(shown);
    int x = inner.left() + std::max(0, (inner.width() - total) / 2);
    if (side > 0) {
        Icons::paint(painter, symbol, QRectF(x, rect.center().y() + 1 - side / 2.0, side, side), color);
        x += side + gap;
    }
    painter.save();
    painter.setFont(labelFont);
    painter.setPen(color);
    painter.drawText(QRect(x, inner.top(), inner.right() - x + 1, inner.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter.restore();
}

} // namespace ambertrove
