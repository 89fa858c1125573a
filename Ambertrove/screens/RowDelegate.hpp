#pragma once

#include "screens/RowButton.hpp"

#include <QStyledItemDelegate>

#include <vector>

namespace ambertrove {

class RowListView;

// Paints the rows of a RowListView: each subclass draws its own row and names the buttons in it; this
// class draws the buttons with the pointer's hover and press, and sizes rows by rowHeight(). Rows are
// painted in `rect` less the gap below them (`gap()`), so that the list shows space between rows.
class RowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit RowDelegate(RowListView* view);
    Q_DISABLE_COPY_MOVE(RowDelegate)

    // The buttons of the row at `index` painted in `rect` (the row less its gap).
    [[nodiscard]] virtual std::vector<RowButton> buttons(const QRect& rect, const QModelIndex& index) const;
    // The row's height without its gap, at the viewport's `width`.
    [[nodiscard]] virtual int rowHeight(const QModelIndex& index, int width) const = 0;
    [[nodiscard]] virtual int gap() const { return 0; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const final;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const final;

protected:
    // Draws the row's own content (not its buttons) in `rect`; `hovered` while the pointer is over it.
    virtual void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                          bool hovered) const = 0;
    [[nodiscard]] RowListView* view() const { return m_view; }

private:
    RowListView* m_view;
};

} // namespace ambertrove
