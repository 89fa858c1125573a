#include "screens/RowDelegate.hpp"

#include "screens/RowListView.hpp"

#include <QPainter>

namespace ambertrove {

RowDelegate::RowDelegate(RowListView* view)
    : QStyledItemDelegate(view)
    , m_view(view) {}

std::vector<RowButton> RowDelegate::buttons(const QRect&, const QModelIndex&) const {
    return {};
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    const QRect rect = option.rect.adjusted(0, 0, 0, -gap());
    const std::optional<QPoint> pointer = m_view->hoverPosition();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintRow(*painter, rect, index, pointer && rect.contains(*pointer));
    for (const RowButton& button : buttons(rect, index))
        button.paint(*painter, pointer && button.rect.contains(*pointer),
                     m_view->isPressed(index, button.action));
    painter->restore();
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const int width = m_view->viewport()->width();
    return {width, rowHeight(index, width) + gap()};
}

} // namespace ambertrove
