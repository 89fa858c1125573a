#include "screens/SupportFileDelegate.hpp"

#include "applications/AppSupportFile.hpp"
#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {

constexpr int kPadding = 7;
constexpr int kSpacing = 10;
constexpr int kLineSpacing = 3;
constexpr int kRevealSize = 10;

QFont categoryFont() {
    return ViewText::font(10);
}
QFont nameFont() {
    return ViewText::font(11);
}
QFont sharedFont() {
    return ViewText::font(9);
}
// The desktop's fonts draw their digits at one width.
QFont sizeFont() {
    return ViewText::font(11, QFont::DemiBold);
}

const QString& sharedText() {
    static const QString text = QStringLiteral("Shared — kept during uninstall");
    return text;
}

} // namespace

SupportFileDelegate::SupportFileDelegate(RowListView* view, const std::vector<AppSupportFile>& files)
    : RowDelegate(view)
    , m_files(files) {}

std::vector<RowButton> SupportFileDelegate::buttons(const QRect& rect, const QModelIndex&) const {
    RowButton button =
        RowButton::bareSymbol(reveal, QStringLiteral("arrow.up.forward.square"), kRevealSize, ColorRole::ink);
    button.toolTip = QStringLiteral("Reveal in Finder");
    button.rect.moveTopLeft(
        QPoint(rect.right() + 1 - button.rect.width(), rect.center().y() + 1 - button.rect.height() / 2));
    return {button};
}

int SupportFileDelegate::rowHeight(const QModelIndex& index, int) const {
    if (index.row() < 0 || std::size_t(index.row()) >= m_files.size())
        return 0;
    int texts = QFontMetrics(nameFont()).height();
    if (m_files[std::size_t(index.row())].isShared)
        texts += kLineSpacing + QFontMetrics(sharedFont()).height();
    return kPadding + texts + kPadding;
}

void SupportFileDelegate::paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                                   bool) const {
    if (index.row() < 0 || std::size_t(index.row()) >= m_files.size())
        return;
    const AppSupportFile& file = m_files[std::size_t(index.row())];
    const QRect inner = rect.adjusted(0, kPadding, 0, -kPadding);

    const QFontMetrics categoryMetrics(categoryFont());
    painter.setFont(categoryFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(QRect(inner.left(), inner.top(), kCategoryWidth, inner.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(categoryMetrics, QString::fromStdString(file.category), Qt::ElideRight,
                                      kCategoryWidth));

    const int revealWidth = kRevealSize + 8;
    const QString size = QString::fromStdString(formattedBytes(file.node.allocatedSize));
    const QFontMetrics sizeMetrics(sizeFont());
    const int sizeWidth = sizeMetrics.horizontalAdvance(size);
    const int sizeRight = inner.right() + 1 - revealWidth - kSpacing;
    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(sizeRight - sizeWidth, inner.top(), sizeWidth, inner.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);

    const int left = inner.left() + kCategoryWidth + kSpacing;
    const int width = std::max(0, sizeRight - sizeWidth - kSpacing - left);
    const QFontMetrics nameMetrics(nameFont());
    painter.setFont(nameFont());
    painter.drawText(
        QRect(left, inner.top(), width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(nameMetrics, QString::fromStdString(file.node.name()), Qt::ElideRight, width));
    if (file.isShared) {
        const QFontMetrics sharedMetrics(sharedFont());
        painter.setFont(sharedFont());
        painter.setPen(Appearance::color(Paper::amber()));
        painter.drawText(
            QRect(left, inner.top() + nameMetrics.height() + kLineSpacing, width, sharedMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            ViewText::elided(sharedMetrics, sharedText(), Qt::ElideRight, width));
    }

    // The hairline lies over the row's bottom edge.
    painter.fillRect(QRectF(rect.left(), rect.bottom(), rect.width(), 1),
                     Appearance::role(ColorRole::border, 0.5));
}

} // namespace ambertrove
