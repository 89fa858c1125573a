#include "screens/VolumeList.hpp"

#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

namespace {

constexpr int kSpacing = 7;
constexpr int kVolumeSpacing = 11;

QFont nameFont() {
    return ViewText::font(11, QFont::Medium);
}
QFont usageFont() {
    return ViewText::font(10);
}

QString bytes(std::int64_t value) {
    return QString::fromStdString(formattedBytes(value));
}

} // namespace

VolumeList::VolumeList(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double VolumeList::barFraction(const VolumeInfo& volume) {
    const double fraction = volume.fraction();
    return fraction > 0 ? std::min(fraction, 1.0) : 0.0;
}

void VolumeList::setVolumes(const std::vector<VolumeInfo>& volumes) {
    std::vector<VolumeInfo> shown(volumes.begin(),
                                  volumes.begin() + std::ptrdiff_t(std::min(volumes.size(), kMostVolumes)));
    if (shown == m_volumes)
        return;
    const bool resized = shown.size() != m_volumes.size();
    m_volumes = std::move(shown);
    if (resized) {
        setFixedHeight(sizeHint().height());
        updateGeometry();
    }
    update();
}

int VolumeList::volumeHeight() const {
    return std::max(QFontMetrics(nameFont()).height(), QFontMetrics(usageFont()).height()) + kSpacing +
           kBarHeight;
}

QSize VolumeList::sizeHint() const {
    const int count = int(m_volumes.size());
    return {200, count == 0 ? 0 : count * volumeHeight() + (count - 1) * kVolumeSpacing};
}

QSize VolumeList::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void VolumeList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int line = std::max(QFontMetrics(nameFont()).height(), QFontMetrics(usageFont()).height());
    int y = 0;
    for (const VolumeInfo& volume : m_volumes) {
        const QString usage = bytes(volume.used()) + QStringLiteral(" / ") + bytes(volume.total);
        const QFontMetrics usageMetrics(usageFont());
        const int usageWidth = usageMetrics.horizontalAdvance(usage);
        painter.setFont(usageFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(QRect(width() - usageWidth, y, usageWidth, line), Qt::AlignRight | Qt::AlignVCenter,
                         usage);
        const int nameWidth = std::max(0, width() - usageWidth - 8);
        painter.setFont(nameFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(QRect(0, y, nameWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(QFontMetrics(nameFont()), QString::fromStdString(volume.name),
                                          Qt::ElideRight, nameWidth));
        y += line + kSpacing;
        const QRectF bar(0, y, width(), kBarHeight);
        QPainterPath track;
        track.addRoundedRect(bar, kBarHeight / 2.0, kBarHeight / 2.0);
        painter.fillPath(track, Appearance::role(ColorRole::border));
        const double filled = bar.width() * barFraction(volume);
        if (filled > 0) {
            QPainterPath used;
            used.addRoundedRect(QRectF(0, y, filled, kBarHeight), kBarHeight / 2.0, kBarHeight / 2.0);
            painter.fillPath(used, Appearance::color(Paper::amber(), 0.8));
        }
        y += kBarHeight + kVolumeSpacing;
    }
}

} // namespace ambertrove
