#include "widgets/SearchLocationView.hpp"

#include "controller/ReadablePath.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kSpacing = 8;
constexpr int kSymbol = 14;
const QString kDataVolume = QStringLiteral("/System/Volumes/Data");
const QString kBadge = QStringLiteral("Saved scan");

QFont baseFont() {
    return ViewText::font(11);
}
QFont nameFont() {
    return ViewText::font(11, QFont::DemiBold);
}
QFont badgeFont() {
    return ViewText::font(9, QFont::Medium);
}
QSize badgeSize() {
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(kBadge) + 14, metrics.height() + 6};
}

} // namespace

SearchLocationView::SearchLocationView(const QString& path, bool saved, QWidget* parent)
    : QWidget(parent), m_path(path), m_saved(saved) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFont(baseFont());
    changed();
}

void SearchLocationView::setPath(const QString& path) {
    if (m_path == path)
        return;
    m_path = path;
    changed();
}

void SearchLocationView::setSaved(bool saved) {
    if (m_saved == saved)
        return;
    m_saved = saved;
    changed();
}

void SearchLocationView::changed() {
    setToolTip(ViewText::plainToolTip(m_path));
    setAccessibleName(QStringLiteral("Search location: ") + m_path +
                      (m_saved ? QStringLiteral(", saved scan") : QString()));
    updateGeometry();
    update();
}

QString SearchLocationView::displayName(const QString& path, const QString& home) {
    if (path == kDataVolume || path == QLatin1String("/"))
        return QStringLiteral("Entire Mac");
    if (path == home)
        return QStringLiteral("Home");
    // The last component of the path taken as a folder: trailing slashes do not count.
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

QString SearchLocationView::name() const {
    return displayName(m_path, QDir::homePath());
}

QString SearchLocationView::symbolFor(const QString& path) {
    return path == kDataVolume ? QStringLiteral("internaldrive") : QStringLiteral("folder");
}

QString SearchLocationView::shownPath() const {
    return readablePath(m_path);
}

QSize SearchLocationView::sizeHint() const {
    const int name = QFontMetrics(nameFont()).horizontalAdvance(this->name());
    const int path = QFontMetrics(baseFont()).horizontalAdvance(shownPath());
    int width = kSymbol + kSpacing + name + kSpacing + path + kSpacing;
    if (m_saved)
        width += kSpacing + badgeSize().width();
    const int height = std::max({QFontMetrics(baseFont()).height(), kSymbol, m_saved ? badgeSize().height() : 0});
    return {width, height};
}

QSize SearchLocationView::minimumSizeHint() const {
    int width = kSymbol + kSpacing;
    if (m_saved)
        width += 2 * kSpacing + badgeSize().width();
    return {width, sizeHint().height()};
}

void SearchLocationView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int mid = height() / 2;
    int x = 0;
    Icons::paint(painter, symbolFor(m_path), QRectF(x, mid - kSymbol / 2.0, kSymbol, kSymbol),
                 Appearance::role(ColorRole::accent));
    x += kSymbol + kSpacing;

    int right = width();
    if (m_saved) {
        const QSize badge = badgeSize();
        const QRect capsule(width() - badge.width(), mid - badge.height() / 2, badge.width(), badge.height());
        QPainterPath shape;
        shape.addRoundedRect(QRectF(capsule), badge.height() / 2.0, badge.height() / 2.0);
        painter.fillPath(shape, Appearance::role(ColorRole::border, 0.45));
        painter.setFont(badgeFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(capsule, Qt::AlignCenter, kBadge);
        right = capsule.left() - 2 * kSpacing;
    }

    // The name keeps its width before the path does; the path is shortened in the middle.
    const QFontMetrics nameMetrics(nameFont());
    const int nameWidth = std::min(nameMetrics.horizontalAdvance(name()), std::max(0, right - x));
    painter.setFont(nameFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(x, 0, nameWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(nameMetrics, name(), Qt::ElideRight, nameWidth));
    x += nameWidth + kSpacing;
    if (right - x > 0) {
        const QFontMetrics pathMetrics(baseFont());
        painter.setFont(baseFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(QRect(x, 0, right - x, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(pathMetrics, shownPath(), Qt::ElideMiddle, right - x));
    }
}

} // namespace ambertrove
