#include "screens/ChangeRowDelegate.hpp"

#include "base/PathText.hpp"
#include "model/Formatting.hpp"
#include "snapshots/SnapshotChange.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {

constexpr int kPadding = 12;
constexpr int kLineSpacing = 5;
constexpr int kSpacing = 8;

QFont nameFont() {
    return ViewText::font(12, QFont::Medium);
}
QFont pathFont() {
    return ViewText::font(9);
}

using ViewText::fromBytes;

QString bytes(std::int64_t value) {
    return QString::fromStdString(formattedBytes(value));
}

} // namespace

ChangeRowDelegate::ChangeRowDelegate(RowListView* view, Change change)
    : RowDelegate(view)
    , m_change(std::move(change)) {}

QString ChangeRowDelegate::deltaText(const SnapshotChange& change) {
    const std::int64_t delta = change.delta();
    if (delta >= 0)
        return QStringLiteral("+") + bytes(delta);
    // The most negative difference has no positive counterpart: it stops one short.
    const std::int64_t magnitude = delta == INT64_MIN ? INT64_MAX : -delta;
    return QString(QChar(0x2212)) + bytes(magnitude);
}

QString ChangeRowDelegate::sizesText(const SnapshotChange& change) {
    return bytes(change.before) + QStringLiteral(" → ") + bytes(change.after);
}

int ChangeRowDelegate::rowHeight(const QModelIndex&, int) const {
    // The divider is the last pixel of the row.
    return kPadding + QFontMetrics(nameFont()).height() + kLineSpacing + QFontMetrics(pathFont()).height() +
           kPadding + 1;
}

void ChangeRowDelegate::paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index, bool) const {
    const SnapshotChange* change = m_change(index.row());
    if (!change)
        return;
    const QRect inner = rect.adjusted(0, kPadding, 0, -kPadding - 1);
    int right = inner.right() + 1;
    const auto column = [&](int width, const QString& text, const QFont& font, const QColor& colour,
                            Qt::Alignment alignment) {
        const QRect box(right - width, inner.top(), width, inner.height());
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(box, alignment | Qt::AlignVCenter,
                         ViewText::elided(QFontMetrics(font), text, Qt::ElideRight, width));
        right -= width + kSpacing;
    };
    const std::int64_t delta = change->delta();
    column(kDeltaWidth, deltaText(*change), ViewText::font(12, QFont::DemiBold),
           delta > 0 ? Appearance::color(Paper::amber()) : Appearance::role(ColorRole::accent),
           Qt::AlignRight);
    column(kSizesWidth, sizesText(*change), ViewText::font(11), Appearance::role(ColorRole::muted),
           Qt::AlignRight);
    column(kStatusWidth, fromBytes(change->status), ViewText::font(10), Appearance::role(ColorRole::muted),
           Qt::AlignHCenter);

    const int width = std::max(0, right - inner.left());
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics pathMetrics(pathFont());
    const int height = nameMetrics.height() + kLineSpacing + pathMetrics.height();
    const int top = inner.top() + (inner.height() - height) / 2;
    painter.setFont(nameFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(
        QRect(inner.left(), top, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(nameMetrics, fromBytes(PathText::name(change->path)), Qt::ElideRight, width));
    painter.setFont(pathFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(
        QRect(inner.left(), top + nameMetrics.height() + kLineSpacing, width, pathMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(pathMetrics, fromBytes(change->path), Qt::ElideRight, width));

    painter.fillRect(QRectF(rect.left(), rect.bottom(), rect.width(), 1),
                     Appearance::role(ColorRole::border, 0.4));
}

} // namespace ambertrove
