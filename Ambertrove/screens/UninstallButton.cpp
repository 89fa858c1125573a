#include "screens/UninstallButton.hpp"

#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kHorizontalPadding = 13;
constexpr int kVerticalPadding = 10;
constexpr int kSymbolGap = 6;

QFont labelFont() {
    return ViewText::font(11, QFont::DemiBold);
}

int symbolSide() {
    return labelFont().pixelSize() + 1;
}

} // namespace

UninstallButton::UninstallButton(QWidget* parent)
    : QAbstractButton(parent) {
    setText(QStringLiteral("Uninstall Completely"));
    setAccessibleName(text());
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor UninstallButton::fill() {
    return QColor::fromRgbF(0.70f, 0.27f, 0.22f);
}

QSize UninstallButton::sizeHint() const {
    const QFontMetrics metrics(labelFont());
    return {2 * kHorizontalPadding + symbolSide() + kSymbolGap + metrics.horizontalAdvance(text()),
            2 * kVerticalPadding + metrics.height()};
}

void UninstallButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(!isEnabled() ? 0.38 : isDown() ? 0.7 : 1.0);
    QPainterPath capsule;
    const QRectF bounds(rect());
    capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    painter.fillPath(capsule, fill());
    const int side = symbolSide();
    Icons::paint(painter, QStringLiteral("trash.fill"),
                 QRectF(kHorizontalPadding, (height() - side) / 2.0, side, side), Qt::white);
    painter.setFont(labelFont());
    painter.setPen(Qt::white);
    painter.drawText(rect().adjusted(kHorizontalPadding + side + kSymbolGap, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace ambertrove
