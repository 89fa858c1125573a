#include "explore/FileTableDelegate.hpp"

#include "explore/FileTableModel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

namespace ambertrove {

namespace {
QFont cellFont() {
    return ViewText::font(11);
}
} // namespace

FileTableDelegate::FileTableDelegate(QObject* parent)
    : QStyledItemDelegate(parent) {}

QSize FileTableDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {0, kRowHeight};
}

void FileTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const auto* model = qobject_cast<const FileTableModel*>(index.model());
    if (!model)
        return;
    painter->save();
    if (m_dimmed)
        painter->setOpacity(0.5);
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(option.rect, Appearance::role(ColorRole::accent, 0.28));
    else if (index.row() % 2 == 1)
        painter->fillRect(option.rect, Appearance::role(ColorRole::panel, 0.6));
    const QColor ink = Appearance::role(ColorRole::ink);
    QRect box = option.rect.adjusted(kPadding, 0, -kPadding, 0);
    if (index.column() == FileTableModel::name) {
        const QString symbol =
            model->isDirectory(index.row()) ? QStringLiteral("folder.fill") : QStringLiteral("doc");
        const QRectF icon(box.left(), box.center().y() - kIcon / 2.0 + 0.5, kIcon, kIcon);
        painter->setRenderHint(QPainter::Antialiasing);
        Icons::paint(*painter, symbol, icon, ink);
        box.setLeft(box.left() + kIcon + 5);
    }
    const bool number = index.column() == FileTableModel::size || index.column() == FileTableModel::items;
    painter->setFont(cellFont());
    painter->setPen(ink);
    const QFontMetrics metrics(cellFont());
    painter->drawText(
        box, (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
        ViewText::elided(metrics, model->text(index.row(), index.column()),
                         index.column() == FileTableModel::name ? Qt::ElideMiddle : Qt::ElideRight,
                         box.width()));
    painter->restore();
}

} // namespace ambertrove
