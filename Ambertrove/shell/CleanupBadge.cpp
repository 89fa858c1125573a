#include "shell/CleanupBadge.hpp"

#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

namespace ambertrove {

namespace {

constexpr int kSpacing = 6;
constexpr int kChipPadding = 5;
constexpr int kSymbolSide = 11;
const QString kTitle = QStringLiteral("Cleanup");

QFont badgeFont() {
    return ViewText::font(10, QFont::DemiBold);
}

} // namespace

CleanupBadge::CleanupBadge(QWidget* parent)
    : QAbstractButton(parent) {
    setText(kTitle);
    setAccessibleName(kTitle);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void CleanupBadge::setQueue(std::int64_t count, std::int64_t bytes) {
    if (m_count == count && m_bytes == bytes)
        return;
    m_count = count;
    m_bytes = bytes;
    setAccessibleDescription(count > 0 ? countText() + QStringLiteral(" · ") + bytesText() : QString());
    updateGeometry();
    update();
}

QString CleanupBadge::countText() const {
    return m_count > 0 ? QString::number(m_count) : QString();
}

QString CleanupBadge::bytesText() const {
    return m_count > 0 ? QString::fromStdString(formattedBytes(m_bytes)) : QString();
}

QSize CleanupBadge::sizeHint() const {
    const QFontMetrics metrics(badgeFont());
    int width = kSymbolSide + kSpacing + metrics.horizontalAdvance(kTitle);
    if (m_count > 0)
        width += kSpacing + metrics.horizontalAdvance(countText()) + 2 * kChipPadding + kSpacing +
                 metrics.horizontalAdvance(bytesText());
    return {width + 2, metrics.height() + 4};
}

void CleanupBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = badgeFont();
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const QColor ink = Appearance::role(ColorRole::ink, isDown() ? 0.6 : 1.0);
    double x = 1;
    const double middle = height() / 2.0;
    Icons::paint(painter, QStringLiteral("trash"),
                 QRectF(x, middle - kSymbolSide / 2.0, kSymbolSide, kSymbolSide), ink);
    x += kSymbolSide + kSpacing;
    const auto drawText = [&](const QString& text, const QColor& colour) {
        const int advance = metrics.horizontalAdvance(text);
        painter.setPen(colour);
        painter.drawText(QRectF(x, 0, advance + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += advance;
    };
    drawText(kTitle, ink);
    if (m_count > 0) {
        x += kSpacing;
        const QString number = countText();
        const double chipWidth = metrics.horizontalAdvance(number) + 2 * kChipPadding;
        const QRectF chip(x, middle - metrics.height() / 2.0, chipWidth, metrics.height());
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::role(ColorRole::accent, 0.15));
        painter.drawRoundedRect(chip, chip.height() / 2, chip.height() / 2);
        painter.setPen(ink);
        painter.drawText(chip, Qt::AlignCenter, number);
        x += chipWidth + kSpacing;
        drawText(bytesText(), ink);
    }
    if (hasFocus()) {
        painter.setPen(QPen(Appearance::role(ColorRole::accent), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

} // namespace ambertrove
