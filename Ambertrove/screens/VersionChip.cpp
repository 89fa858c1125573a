#include "screens/VersionChip.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kPadding = 4;
constexpr int kSpacing = 8;
constexpr int kSymbolGap = 4;

QFont chipFont() {
    return ViewText::font(10, QFont::Medium);
}

int symbolSide() {
    return chipFont().pixelSize();
}

} // namespace

VersionChip::VersionChip(const QString& version, const QString& used, QWidget* parent)
    : QWidget(parent)
    , m_version(QStringLiteral("v") + version)
    , m_used(used) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(m_used.isEmpty() ? m_version : m_version + QStringLiteral(", ") + m_used);
}

QSize VersionChip::sizeHint() const {
    const QFontMetrics metrics(chipFont());
    int width = metrics.horizontalAdvance(m_version);
    if (!m_used.isEmpty())
        width += kSpacing + symbolSide() + kSymbolGap + metrics.horizontalAdvance(m_used);
    // The capsule's round ends take a little more than the padding.
    const int height = metrics.height() + 2 * kPadding;
    return {width + 2 * kPadding + height / 2, height};
}

void VersionChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    const QRectF bounds(rect());
    capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    painter.fillPath(capsule, Appearance::role(ColorRole::border, 0.4));

    const QFontMetrics metrics(chipFont());
    const QColor ink = Appearance::role(ColorRole::ink);
    int x = kPadding + height() / 4;
    painter.setFont(chipFont());
    painter.setPen(ink);
    const QRect line(0, 0, width(), height());
    painter.drawText(line.adjusted(x, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_version);
    if (m_used.isEmpty())
        return;
    x += metrics.horizontalAdvance(m_version) + kSpacing;
    const int side = symbolSide();
    Icons::paint(painter, QStringLiteral("clock"), QRectF(x, (height() - side) / 2.0, side, side), ink);
    x += side + kSymbolGap;
    painter.drawText(line.adjusted(x, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_used);
}

} // namespace ambertrove
