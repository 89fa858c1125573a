#include "shell/DiskMeter.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include "platform/Saturating.hpp"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace ambertrove {

MeterFigures meterFigures(std::int64_t total, std::int64_t free) {
    MeterFigures figures;
    // Saturating, so that a free figure at the far end of the range cannot wrap the subtraction.
    const std::int64_t negatedFree =
        free == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max() : -free;
    figures.used = std::max<std::int64_t>(Saturating::add(total, negatedFree), 0);
    const double share = total >= 1 ? double(figures.used) / double(total) : 0.0;
    figures.fraction = std::clamp(share, 0.0, 1.0);
    figures.percentText = QString::asprintf("%.0f%%", share * 100);
    return figures;
}

DiskMeterRing::DiskMeterRing(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
    setFigures(meterFigures(0, 0));
}

void DiskMeterRing::setFigures(const MeterFigures& figures) {
    if (m_figures == figures)
        return;
    m_figures = figures;
    setAccessibleName(QStringLiteral("%1 used").arg(figures.percentText));
    update();
}

void DiskMeterRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The stroke is centred on the circle, so the circle sits half a line inside the frame.
    const QRectF circle =
        QRectF(rect()).adjusted(kLineWidth / 2, kLineWidth / 2, -kLineWidth / 2, -kLineWidth / 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Appearance::role(ColorRole::border), kLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(circle);
    if (m_figures.fraction > 0) {
        painter.setPen(QPen(Appearance::color(Paper::amber()), kLineWidth, Qt::SolidLine, Qt::RoundCap));
        // Qt's angles run counter-clockwise from three o'clock in sixteenths of a degree.
        const int span = -int(std::lround(m_figures.fraction * 360 * 16));
        painter.drawArc(circle, 90 * 16, span);
    }

    const QFont percentFont = ViewText::font(20, QFont::DemiBold);
    const QFont usedFont = ViewText::font(8, QFont::DemiBold);
    const QFontMetrics percentMetrics(percentFont);
    const QFontMetrics usedMetrics(usedFont);
    constexpr int kSpacing = 1;
    const int stack = percentMetrics.height() + kSpacing + usedMetrics.height();
    const int top = (height() - stack) / 2;
    painter.setFont(percentFont);
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(0, top, width(), percentMetrics.height()), Qt::AlignCenter, m_figures.percentText);
    painter.setFont(usedFont);
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(QRect(0, top + percentMetrics.height() + kSpacing, width(), usedMetrics.height()),
                     Qt::AlignCenter, QStringLiteral("USED"));
}

namespace {
QFont lineFont() {
    return ViewText::font(10);
}
QFont lineBytesFont() {
    return ViewText::font(10, QFont::DemiBold);
}
constexpr int kLineMinimumGap = 4;
} // namespace

DiskLine::DiskLine(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title);
}

void DiskLine::setValue(const QString& bytesText, const AdaptiveColor& color) {
    if (m_bytes == bytesText && m_color == color)
        return;
    m_bytes = bytesText;
    m_color = color;
    setAccessibleDescription(bytesText);
    updateGeometry();
    update();
}

QSize DiskLine::sizeHint() const {
    const QFontMetrics title(lineFont());
    const QFontMetrics bytes(lineBytesFont());
    return {title.horizontalAdvance(m_title) + kLineMinimumGap + bytes.horizontalAdvance(m_bytes),
            std::max(title.height(), bytes.height())};
}

QSize DiskLine::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void DiskLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics titleMetrics(lineFont());
    const QFontMetrics bytesMetrics(lineBytesFont());
    // The figure keeps its width; the title gives way when the line is narrow.
    const int bytesWidth = std::min(width(), bytesMetrics.horizontalAdvance(m_bytes));
    painter.setFont(lineBytesFont());
    painter.setPen(Appearance::color(m_color));
    painter.drawText(QRect(width() - bytesWidth, 0, bytesWidth, height()), Qt::AlignRight | Qt::AlignVCenter,
                     ViewText::elided(bytesMetrics, m_bytes, Qt::ElideRight, bytesWidth));
    const int titleWidth = width() - bytesWidth - kLineMinimumGap;
    if (titleWidth > 0) {
        painter.setFont(lineFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(QRect(0, 0, titleWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(titleMetrics, m_title, Qt::ElideRight, titleWidth));
    }
}

} // namespace ambertrove
