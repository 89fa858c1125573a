#include "shell/QuickWinRow.hpp"

#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {
constexpr int kSymbolFrame = 17;
constexpr int kSpacing = 9;
constexpr int kLineSpacing = 3;

QFont titleFont() {
    return ViewText::font(11, QFont::Medium);
}
QFont countFont() {
    return ViewText::font(9);
}
QFont bytesFont() {
    return ViewText::font(10, QFont::Medium);
}
QFont chevronFont() {
    return ViewText::font(8);
}
using ViewText::fromBytes;
} // namespace

QString QuickWinRow::countText(std::int64_t items) {
    return QString::asprintf("%lld", static_cast<long long>(items)) +
           (items == 1 ? QStringLiteral(" item") : QStringLiteral(" items"));
}

QuickWinRow::QuickWinRow(QuickWinKind kind, std::int64_t items, std::int64_t bytes, QWidget* parent)
    : SidebarRow(fromBytes(ambertrove::symbol(kind)), fromBytes(ambertrove::rawValue(kind)), parent)
    , m_kind(kind)
    , m_count(countText(items))
    , m_bytes(QString::fromStdString(formattedBytes(bytes))) {
    setAccessibleDescription(m_count + QStringLiteral(", ") + m_bytes);
}

QSize QuickWinRow::contentSizeHint() const {
    const QFontMetrics title(titleFont());
    const QFontMetrics count(countFont());
    const QFontMetrics bytes(bytesFont());
    const int chevron = chevronFont().pixelSize() + 2;
    const int width = kSymbolFrame + kSpacing +
                      std::max(title.horizontalAdvance(label()), count.horizontalAdvance(m_count)) +
                      kSpacing + bytes.horizontalAdvance(m_bytes) + kSpacing + chevron;
    return {width, title.height() + kLineSpacing + count.height()};
}

void QuickWinRow::paintContent(QPainter& painter, const QRect& rect) {
    const QColor muted = Appearance::role(ColorRole::muted);
    const int side = 14;
    Icons::paint(
        painter, symbol(),
        QRectF(rect.left() + (kSymbolFrame - side) / 2.0, rect.center().y() + 0.5 - side / 2.0, side, side),
        Appearance::role(ColorRole::accent));

    // From the right: the chevron, then the bytes; the title and count take what is left.
    const int chevronSide = chevronFont().pixelSize() + 2;
    int right = rect.right() + 1;
    Icons::paint(
        painter, QStringLiteral("chevron.right"),
        QRectF(right - chevronSide, rect.center().y() + 0.5 - chevronSide / 2.0, chevronSide, chevronSide),
        muted);
    right -= chevronSide + kSpacing;
    const QFontMetrics bytes(bytesFont());
    const int bytesWidth = bytes.horizontalAdvance(m_bytes);
    painter.setFont(bytesFont());
    painter.setPen(muted);
    painter.drawText(QRect(right - bytesWidth, rect.top(), bytesWidth, rect.height()),
                     Qt::AlignRight | Qt::AlignVCenter, m_bytes);
    right -= bytesWidth + kSpacing;

    const int left = rect.left() + kSymbolFrame + kSpacing;
    const int textWidth = std::max(0, right - left);
    const QFontMetrics title(titleFont());
    const QFontMetrics count(countFont());
    const int stack = title.height() + kLineSpacing + count.height();
    const int top = rect.top() + (rect.height() - stack) / 2;
    painter.setFont(titleFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(left, top, textWidth, title.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(title, label(), Qt::ElideRight, textWidth));
    painter.setFont(countFont());
    painter.setPen(muted);
    painter.drawText(QRect(left, top + title.height() + kLineSpacing, textWidth, count.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(count, m_count, Qt::ElideRight, textWidth));
}

} // namespace ambertrove
